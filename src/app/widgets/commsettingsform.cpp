#include "app/widgets/commsettingsform.h"

#include "station/machineprofiles.h"
#include "station/ncmachine.h"
#include "common/dialogs.h"
#include "common/widgets/fontfallback.h"
#include "common/settingsstore.h"
#include "serial/netaddress.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>

namespace marbolt {

TForm2::TForm2(QWidget *owner, SettingsStore &settings, Dialogs &dialogs, const QStringList &ports)
    : QDialog(owner), settings_(settings), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("通信条件設定"));
    setFont(dialogFont(12));
    setFixedSize(221, 456);

    auto label = [&](const char *name, const QString &caption, QRect at) {
        auto *l = new QLabel(caption, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(at);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("通信速度"), {16, 8, 48, 12});
    Label2 = label("Label2", QStringLiteral("ストップビット"), {16, 32, 66, 12});
    Label3 = label("Label3", QStringLiteral("ポート"), {16, 56, 31, 12});
    ComboBox1 = comboBox("ComboBox1",
                         {QStringLiteral("110"), QStringLiteral("300"), QStringLiteral("600"),
                          QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                          QStringLiteral("9600"), QStringLiteral("19200"),
                          // The faster lines of serial adapters and device servers.
                          QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200")},
                         8);
    ComboBox2 = comboBox("ComboBox2", {QStringLiteral("1"), QStringLiteral("2")}, 32);
    ComboBox3 = comboBox("ComboBox3", ports, 56);
    // A port can be a long device path: its list opens wide enough to read it.
    ComboBox3->view()->setMinimumWidth(ComboBox3->view()->sizeHintForColumn(0) + 24);

    RadioGroup4 = new QGroupBox(QStringLiteral("パンチコード"), this);
    RadioGroup4->setObjectName(QStringLiteral("RadioGroup4"));
    RadioGroup4->setGeometry(32, 88, 145, 57);
    isoItem = new QRadioButton(QStringLiteral("ISO"), RadioGroup4);
    eiaItem = new QRadioButton(QStringLiteral("EIA"), RadioGroup4);
    isoItem->setGeometry(8, 16, 120, 17);
    eiaItem->setGeometry(8, 34, 120, 17);
    auto *group = new QButtonGroup(RadioGroup4);
    group->addButton(isoItem, 0);
    group->addButton(eiaItem, 1);

    CheckBox1 = checkBox("CheckBox1", QStringLiteral("送信要求信号を使用しない"), 152, 185);
    CheckBox2 = checkBox("CheckBox2", QStringLiteral("送信時、最初に％を付ける"), 176, 193);
    CheckBox3 = checkBox("CheckBox3", QStringLiteral("送信ログを残す"), 200, 193);
    CheckBox4 = checkBox("CheckBox4", QStringLiteral("テープパンチャーに使用する"), 224, 193);
    CheckBox5 = checkBox("CheckBox5", QStringLiteral("送信前にチェックする"), 248, 193);

    MachineLabel = label("MachineLabel", QString(), {16, 276, 193, 14});
    MachineLabel->setTextFormat(Qt::PlainText);
    AddButton = button("AddButton", QStringLiteral("追加…"), {8, 294, 62, 23});
    RenameButton = button("RenameButton", QStringLiteral("名前の変更…"), {72, 294, 82, 23});
    DeleteButton = button("DeleteButton", QStringLiteral("削除"), {156, 294, 53, 23});

    label("MachineKindLabel", QStringLiteral("機械の種類"), {16, 326, 66, 12});
    MachineKindBox = new QComboBox(this);
    MachineKindBox->setObjectName(QStringLiteral("MachineKindBox"));
    MachineKindBox->addItems({QStringLiteral("マシニングセンタ"), QStringLiteral("旋盤")});
    MachineKindBox->setGeometry(88, 322, 121, 20);
    label("RapidLabel", QStringLiteral("早送り速度"), {16, 350, 66, 12});
    RapidBox = new QSpinBox(this);
    RapidBox->setObjectName(QStringLiteral("RapidBox"));
    RapidBox->setRange(static_cast<int>(kSlowestRapid), static_cast<int>(kFastestRapid));
    RapidBox->setSingleStep(1000);
    RapidBox->setSuffix(QStringLiteral(" mm/min"));
    RapidBox->setGeometry(88, 346, 121, 20);
    label("SafeZLabel", QStringLiteral("再開の安全Z"), {16, 374, 70, 12});
    SafeZBox = new QDoubleSpinBox(this);
    SafeZBox->setObjectName(QStringLiteral("SafeZBox"));
    SafeZBox->setRange(kLowestSafeZ, kHighestSafeZ);
    SafeZBox->setDecimals(3);
    SafeZBox->setSuffix(QStringLiteral(" mm"));
    SafeZBox->setToolTip(QStringLiteral("再開送信で、この Z の高さから再開位置へ近づきます"));
    SafeZBox->setGeometry(88, 370, 121, 20);

    Button1 = button("Button1", QStringLiteral("OK"), {8, 418, 97, 25});
    Button1->setEnabled(false);
    Button2 = button("Button2", QStringLiteral("キャンセル"), {112, 418, 97, 25});
    // Neither Enter nor Escape presses a button.
    for (QPushButton *b : {Button1, Button2, AddButton, RenameButton, DeleteButton}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    QWidget::setTabOrder(Button1, Button2);
    QWidget::setTabOrder(Button2, ComboBox1);
    QWidget::setTabOrder(ComboBox1, ComboBox2);
    QWidget::setTabOrder(ComboBox2, ComboBox3);
    QWidget::setTabOrder(ComboBox3, isoItem);
    QWidget::setTabOrder(isoItem, eiaItem);
    QWidget::setTabOrder(eiaItem, CheckBox1);
    QWidget::setTabOrder(CheckBox1, CheckBox2);
    QWidget::setTabOrder(CheckBox2, CheckBox3);
    QWidget::setTabOrder(CheckBox3, CheckBox4);
    QWidget::setTabOrder(CheckBox4, CheckBox5);
    QWidget::setTabOrder(CheckBox5, AddButton);
    QWidget::setTabOrder(AddButton, RenameButton);
    QWidget::setTabOrder(RenameButton, DeleteButton);
    QWidget::setTabOrder(DeleteButton, MachineKindBox);
    QWidget::setTabOrder(MachineKindBox, RapidBox);
    QWidget::setTabOrder(RapidBox, SafeZBox);

    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3})
        connect(box, &QComboBox::editTextChanged, this, &TForm2::ComboBox1Change);
    connect(group, &QButtonGroup::idClicked, this, &TForm2::ComboBox1Change);
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5})
        connect(box, &QCheckBox::toggled, this, &TForm2::ComboBox1Change);
    connect(MachineKindBox, &QComboBox::currentIndexChanged, this, &TForm2::ComboBox1Change);
    connect(RapidBox, &QSpinBox::valueChanged, this, &TForm2::ComboBox1Change);
    connect(SafeZBox, &QDoubleSpinBox::valueChanged, this, &TForm2::ComboBox1Change);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
    connect(AddButton, &QPushButton::clicked, this, &TForm2::AddButtonClick);
    connect(RenameButton, &QPushButton::clicked, this, &TForm2::RenameButtonClick);
    connect(DeleteButton, &QPushButton::clicked, this, &TForm2::DeleteButtonClick);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QComboBox *TForm2::comboBox(const char *name, const QStringList &items, int top)
{
    auto *box = new QComboBox(this);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setGeometry(104, top, 97, 20);
    // Input method off; typed characters go through the key filter. The
    // box holds the focus and hands keys to its line edit without passing
    // them through the line edit's filters, so both are filtered.
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
    box->setCompleter(nullptr);
    return box;
}

QPushButton *TForm2::button(const char *name, const QString &caption, QRect at)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(at);
    return b;
}

QCheckBox *TForm2::checkBox(const char *name, const QString &caption, int top, int width)
{
    auto *box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(16, top, width, 17);
    return box;
}

void TForm2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TForm2::FormActivate()
{
    ComboBox1->setEditText(settings_.get(setting::SPEED));
    ComboBox2->setEditText(settings_.get(setting::STOPBIT));
    ComboBox3->setEditText(settings_.get(setting::PORT));
    CheckBox1->setChecked(!settings_.isOn(setting::SE));
    CheckBox2->setChecked(settings_.isOn(setting::HEAD));
    CheckBox3->setChecked(settings_.isOn(setting::LOG));
    CheckBox4->setChecked(settings_.isOn(setting::TAPE));
    CheckBox5->setChecked(settings_.isOn(setting::CHECK));
    isoItem->setChecked(true);
    const QString code = settings_.get(setting::CODE);
    if (code == QLatin1String("EIA"))
        eiaItem->setChecked(true);
    else if (code == QLatin1String("ISO"))
        isoItem->setChecked(true);
    {
        const NcMachine machine = activeNcMachine(settings_);
        const QSignalBlocker kind(MachineKindBox);
        const QSignalBlocker rapid(RapidBox);
        const QSignalBlocker safe(SafeZBox);
        MachineKindBox->setCurrentIndex(machine.lathe ? 1 : 0);
        RapidBox->setValue(static_cast<int>(machine.rapidRate));
        SafeZBox->setValue(machine.safeZ);
    }
    Button1->setEnabled(false);
    showMachine();
    // The first control in the tab order that can take it: OK is disabled,
    // so キャンセル.
    Button2->setFocus();
}

void TForm2::showMachine()
{
    const MachineProfiles profiles(settings_);
    MachineLabel->setText(QStringLiteral("機械: ") + profiles.activeName());
    DeleteButton->setEnabled(profiles.count() > 1);
}

void TForm2::ComboBox1Change()
{
    Button1->setEnabled(true);
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    // The key filter of the speed and stop-bit boxes: every typed
    // character but Backspace is dropped, so a value is picked from the
    // list or erased. The port box also takes a network port typed in.
    const bool portBox = ComboBox3 && (watched == ComboBox3 || watched == ComboBox3->lineEdit());
    if (event->type() == QEvent::KeyPress && !portBox) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.front().isPrint() && key->key() != Qt::Key_Backspace)
            return true;
    }
    if (event->type() == QEvent::InputMethod && !portBox)
        return true;
    return QDialog::eventFilter(watched, event);
}

void TForm2::keyPressEvent(QKeyEvent *event)
{
    // No default and no cancel button: Enter and Escape do nothing.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm2::valuesAcceptable()
{
    if (ComboBox1->currentText().isEmpty()) {
        dialogs_.confirmation(QStringLiteral("通信速度を選択して下さい。"));
        return false;
    }
    if (ComboBox2->currentText().isEmpty()) {
        dialogs_.confirmation(QStringLiteral("ストップビットを選択して下さい。"));
        return false;
    }
    const QString port = ComboBox3->currentText();
    if (port.isEmpty()) {
        dialogs_.confirmation(QStringLiteral("ポートを選択して下さい。"));
        return false;
    }
    // Listed or kept as stored stands as it is; anything else typed in
    // must be a network port in one of its two forms.
    const bool known = ComboBox3->findText(port, Qt::MatchExactly) >= 0 || port == settings_.get(setting::PORT);
    if (namesNetworkPort(port) ? !networkAddressOf(port) : !known) {
        dialogs_.confirmation(QStringLiteral("ポートは一覧から選ぶか、tcp://ホスト:ポート番号 または "
                                             "rfc2217://ホスト:ポート番号 の形で入力して下さい。"));
        return false;
    }
    return true;
}

void TForm2::storeValues()
{
    settings_.set(setting::SPEED, ComboBox1->currentText());
    settings_.set(setting::STOPBIT, ComboBox2->currentText());
    settings_.set(setting::PORT, ComboBox3->currentText());
    settings_.setOn(setting::SE, !CheckBox1->isChecked());
    settings_.setOn(setting::HEAD, CheckBox2->isChecked());
    settings_.setOn(setting::LOG, CheckBox3->isChecked());
    settings_.setOn(setting::TAPE, CheckBox4->isChecked());
    settings_.setOn(setting::CHECK, CheckBox5->isChecked());
    if (isoItem->isChecked())
        settings_.set(setting::CODE, QStringLiteral("ISO"));
    else if (eiaItem->isChecked())
        settings_.set(setting::CODE, QStringLiteral("EIA"));
    if (networkAddressOf(ComboBox3->currentText()))
        rememberNetworkPort(settings_, ComboBox3->currentText());
}

void TForm2::storeNcMachine()
{
    MachineProfiles profiles(settings_);
    const QList<MachineProfile> all = profiles.all();
    if (all.isEmpty())
        return;
    MachineProfile active = all[profiles.active()];
    setNcMachine(active, {MachineKindBox->currentIndex() == 1, static_cast<double>(RapidBox->value()),
                          SafeZBox->value()});
    profiles.setExtra(profiles.active(), active.extra);
}

void TForm2::Button1Click()
{
    if (!valuesAcceptable())
        return;
    storeValues();
    storeNcMachine();
    accept();
}

void TForm2::AddButtonClick()
{
    // The new machine starts from the values the dialog shows, which then
    // edit it.
    if (!valuesAcceptable())
        return;
    const auto name = dialogs_.askText(QStringLiteral("機械の追加"), QStringLiteral("新しい機械の名前:"), QString());
    if (!name)
        return;
    MachineProfiles profiles(settings_);
    if (const QString problem = profiles.nameProblem(*name); !problem.isEmpty()) {
        dialogs_.confirmation(problem);
        return;
    }
    storeValues();
    profiles.add(*name);
    storeNcMachine();
    showMachine();
    Button1->setEnabled(true);
}

void TForm2::RenameButtonClick()
{
    MachineProfiles profiles(settings_);
    const auto name = dialogs_.askText(QStringLiteral("機械の名前の変更"), QStringLiteral("機械の名前:"),
                                       profiles.activeName());
    if (!name)
        return;
    if (const QString problem = profiles.nameProblem(*name, profiles.active()); !problem.isEmpty()) {
        dialogs_.confirmation(problem);
        return;
    }
    profiles.rename(profiles.active(), *name);
    showMachine();
}

void TForm2::DeleteButtonClick()
{
    MachineProfiles profiles(settings_);
    if (profiles.count() < 2)
        return;
    const QString question = QStringLiteral("機械 %1 を削除しますか？").arg(profiles.activeName());
    if (dialogs_.information(question, Buttons::OkCancel) != Answer::Ok)
        return;
    profiles.remove(profiles.active());
    // The dialog now shows the machine that became active.
    FormActivate();
}

void TForm2::Button2Click()
{
    reject();
}

}  // namespace marbolt
