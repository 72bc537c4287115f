#include "app/widgets/commsettingsform.h"

#include "common/dialogs.h"
#include "common/fontfallback.h"
#include "common/settingsstore.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace marbolt {

TForm2::TForm2(QWidget *owner, SettingsStore &settings, Dialogs &dialogs, const QStringList &ports)
    : QDialog(owner), settings_(settings), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("通信条件設定"));
    setFont(dialogFont(12));
    setFixedSize(221, 326);

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

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 288, 97, 25);
    Button1->setEnabled(false);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(112, 288, 97, 25);
    // Neither Enter nor Escape presses a button.
    for (QPushButton *b : {Button1, Button2}) {
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

    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3})
        connect(box, &QComboBox::editTextChanged, this, &TForm2::ComboBox1Change);
    connect(group, &QButtonGroup::idClicked, this, &TForm2::ComboBox1Change);
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5})
        connect(box, &QCheckBox::toggled, this, &TForm2::ComboBox1Change);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);

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
    Button1->setEnabled(false);
    // The first control in the tab order that can take it: OK is disabled,
    // so キャンセル.
    Button2->setFocus();
}

void TForm2::ComboBox1Change()
{
    Button1->setEnabled(true);
}

bool TForm2::eventFilter(QObject *watched, QEvent *event)
{
    // The key filter of the three boxes: every typed character but
    // Backspace is dropped, so a value is picked from the list or erased.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (!text.isEmpty() && text.front().isPrint() && key->key() != Qt::Key_Backspace)
            return true;
    }
    if (event->type() == QEvent::InputMethod)
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

void TForm2::Button1Click()
{
    if (ComboBox1->currentText().isEmpty()) {
        dialogs_.confirmation(QStringLiteral("通信速度を選択して下さい。"));
        return;
    }
    if (ComboBox2->currentText().isEmpty()) {
        dialogs_.confirmation(QStringLiteral("ストップビットを選択して下さい。"));
        return;
    }
    if (ComboBox3->currentText().isEmpty()) {
        dialogs_.confirmation(QStringLiteral("ポートを選択して下さい。"));
        return;
    }
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
    accept();
}

void TForm2::Button2Click()
{
    reject();
}

}  // namespace marbolt
