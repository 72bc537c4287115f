#pragma once
// Tfrmosave: the folder dialog of the save-each-program command. The
// destination is the folder opened in the folder list.
#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace marbolt {

class Tfrmosave : public QDialog {
    Q_OBJECT
public:
    explicit Tfrmosave(const QString &start, QWidget *parent = nullptr);

    QComboBox *DriveComboBox1 = nullptr;
    QTreeView *DirectoryListBox1 = nullptr;
    QPushButton *Button1 = nullptr;  // "OK"
    QPushButton *Button2 = nullptr;  // "キャンセル"

    // The folder the list has opened.
    QString folder() const { return folder_; }
    void openFolder(const QString &path);

    void Button1Click() { accept(); }
    void Button2Click() { reject(); }

private:
    void DriveComboBox1Change(int index);
    QFileSystemModel *model_ = nullptr;
    QString folder_;
};

}  // namespace marbolt
