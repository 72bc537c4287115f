#pragma once
// Tfrmosave: the folder dialog of the save-each-program command. The
// destination is the folder selected in the folder list, shown under it.
#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace marbolt {

class Tfrmosave : public QDialog {
    Q_OBJECT
public:
    explicit Tfrmosave(const QString &start, QWidget *parent = nullptr);

    QComboBox *DriveComboBox1 = nullptr;
    QTreeView *DirectoryListBox1 = nullptr;
    QLabel *Destination = nullptr;  // the folder the files will go to
    QPushButton *Button1 = nullptr;  // "OK"
    QPushButton *Button2 = nullptr;  // "キャンセル"

    // The folder selected in the list.
    QString folder() const { return folder_; }
    void openFolder(const QString &path);

    void Button1Click() { accept(); }
    void Button2Click() { reject(); }

private:
    void DriveComboBox1Change(int index);
    void choose(const QString &path);
    // Expands the folders down to the chosen one and scrolls it into view;
    // again as the model reads each of them, since it reads them late.
    void reveal();
    QFileSystemModel *model_ = nullptr;
    QString folder_;
};

}  // namespace marbolt
