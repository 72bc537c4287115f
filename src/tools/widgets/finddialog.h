#pragma once
// FindDialog1: the modeless find dialog. It holds the search text and the
// direction for as long as the main window lives; the field shows the
// search text each time the dialog opens. Match case and whole word are
// shown, disabled: matching is always exact.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace marbolt {

class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget *owner);

    // The search text the next step uses, and its direction.
    QString searchText;
    bool down = true;

    // Shows the dialog with searchText, or brings an open one to the front
    // keeping what its field shows.
    void execute();

    QLineEdit *field = nullptr;
    QPushButton *findNext = nullptr;
    QPushButton *cancel = nullptr;
    QRadioButton *upItem = nullptr;
    QRadioButton *downItem = nullptr;
    QCheckBox *matchCase = nullptr;
    QCheckBox *wholeWord = nullptr;

signals:
    // Find-next was pressed: searchText and down hold the dialog's fields.
    void find();

private:
    void findNextPressed();
};

}  // namespace marbolt
