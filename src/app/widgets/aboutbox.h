#pragma once
// TAboutBox: the program's name, its version and what it is for.
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace marbolt {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *owner);

    QFrame *Panel1 = nullptr;
    QLabel *ProgramIcon = nullptr;
    QLabel *ProductName = nullptr;
    QLabel *Version = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Purpose = nullptr;  // the third text line
    QPushButton *OKButton = nullptr;

    void FormCreate();
};

}  // namespace marbolt
