#pragma once
// TForm2: the communication settings dialog. It edits the settings store
// in memory: speed, stop bits, port, punch code and four switches, the
// values of the active machine. OK stays disabled until the user changes
// something; emptiness of the three boxes is refused, and a port typed in
// must name a network port. The machine buttons add, rename and delete
// machines at once (キャンセル does not undo them). Below them, what the
// backplot needs of the machine: machining centre or lathe, and its rapid
// rate.
#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QDoubleSpinBox;
class QSpinBox;

namespace marbolt {

class Dialogs;
class SettingsStore;

class TForm2 : public QDialog {
    Q_OBJECT
public:
    // ports: the port box's list (COM1 ... COM8 and the devices present).
    TForm2(QWidget *owner, SettingsStore &settings, Dialogs &dialogs, const QStringList &ports);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QComboBox *ComboBox1 = nullptr;  // speed
    QComboBox *ComboBox2 = nullptr;  // stop bits
    QComboBox *ComboBox3 = nullptr;  // port
    QGroupBox *RadioGroup4 = nullptr;
    QRadioButton *isoItem = nullptr;
    QRadioButton *eiaItem = nullptr;
    QCheckBox *CheckBox1 = nullptr;  // "送信要求信号を使用しない"
    QCheckBox *CheckBox2 = nullptr;  // "送信時、最初に％を付ける"
    QCheckBox *CheckBox3 = nullptr;  // "送信ログを残す"
    QCheckBox *CheckBox4 = nullptr;  // "テープパンチャーに使用する"
    QCheckBox *CheckBox5 = nullptr;  // "送信前にチェックする"
    QLabel *MachineLabel = nullptr;      // "機械: " and the active machine's name
    QPushButton *AddButton = nullptr;    // "追加…"
    QPushButton *RenameButton = nullptr; // "名前の変更…"
    QPushButton *DeleteButton = nullptr; // "削除"
    QComboBox *MachineKindBox = nullptr; // "マシニングセンタ" / "旋盤"
    QSpinBox *RapidBox = nullptr;        // the rapid rate, mm/min
    QDoubleSpinBox *SafeZBox = nullptr;  // the Z a restart approaches from
    QPushButton *Button1 = nullptr;  // OK
    QPushButton *Button2 = nullptr;  // キャンセル

    void FormActivate();
    void ComboBox1Change();
    void Button1Click();
    void Button2Click();
    void AddButtonClick();
    void RenameButtonClick();
    void DeleteButtonClick();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QComboBox *comboBox(const char *name, const QStringList &items, int top);
    QCheckBox *checkBox(const char *name, const QString &caption, int top, int width);
    QPushButton *button(const char *name, const QString &caption, QRect at);
    // Refuses an empty box or a port that is neither listed, kept nor a
    // network port, with its message; true when the values can be stored.
    bool valuesAcceptable();
    void storeValues();
    // The machine kind and rapid rate shown become the active machine's.
    void storeNcMachine();
    void showMachine();

    SettingsStore &settings_;
    Dialogs &dialogs_;
};

}  // namespace marbolt
