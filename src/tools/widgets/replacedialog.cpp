#include "tools/widgets/replacedialog.h"

#include "document/sjistext.h"
#include "tools/replacer.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace marbolt {

namespace {

// A field whose a-z become A-Z, whether typed or pasted, as in Find and
// the editor; full-width and other letters stay as they are.
QLineEdit *upperCaseField(QWidget *parent, const char *name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString &text) {
        const QString upper = upperAscii(text);
        if (upper != text) {
            const int cursor = field->cursorPosition();
            field->setText(upper);
            field->setCursorPosition(cursor);
        }
    });
    return field;
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, bool enabled)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);  // Enter belongs to the fields
    b->setEnabled(enabled);
    return b;
}

}  // namespace

TfrmReplace::TfrmReplace(ReplaceState &state, Replacer &replacer, std::function<QString()> selectedText,
                         QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state), replacer_(replacer), selectedText_(std::move(selectedText))
{
    setObjectName(QStringLiteral("frmReplace"));
    setWindowTitle(QStringLiteral("置換"));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("検索する文字列"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = upperCaseField(this, "Edit1");
    Label1->setBuddy(Edit1);
    Label2 = new QLabel(QStringLiteral("置換後の文字列"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = upperCaseField(this, "Edit2");
    Label2->setBuddy(Edit2);
    Button1 = button(this, "Button1", QStringLiteral("次を検索"), false);
    Button2 = button(this, "Button2", QStringLiteral("置換して次に"), false);
    Button3 = button(this, "Button3", QStringLiteral("すべて置換"), false);
    Button5 = button(this, "Button5", QStringLiteral("現プログラムのみすべて置換"), false);
    Button4 = button(this, "Button4", QStringLiteral("閉じる"), true);
    CheckBox1 = new QCheckBox(QStringLiteral("コメント部は置換しない"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Button1, 0, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Button2, 1, 2);
    grid->addWidget(CheckBox1, 2, 0, 1, 2);
    grid->addWidget(Button3, 2, 2);
    grid->addWidget(Button5, 3, 2);
    grid->addWidget(Button4, 4, 2);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(Edit1, &QLineEdit::textChanged, this, &TfrmReplace::Edit1Change);
    connect(Edit1, &QLineEdit::returnPressed, this, &TfrmReplace::Button1Click);
    connect(Edit2, &QLineEdit::returnPressed, this, &TfrmReplace::Button2Click);
    connect(Button1, &QPushButton::clicked, this, &TfrmReplace::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmReplace::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TfrmReplace::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TfrmReplace::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TfrmReplace::Button5Click);
}

void TfrmReplace::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    FormShow();
}

void TfrmReplace::FormShow()
{
    const QString selected = selectedText_ ? selectedText_() : QString();
    if (!selected.isEmpty())
        Edit1->setText(selected);
    state_.ReplaceActive = true;
}

void TfrmReplace::Edit1Change()
{
    if (Edit1->text().isEmpty())
        return;  // once enabled, the buttons stay so
    for (QPushButton *b : {Button1, Button2, Button3, Button5})
        b->setEnabled(true);
}

void TfrmReplace::copyFields()
{
    state_.ReplaceFindText = Edit1->text();
    state_.ReplaceNewText = Edit2->text();
    state_.ReplaceSkipComments = CheckBox1->isChecked();
}

void TfrmReplace::Button1Click()
{
    copyFields();
    replacer_.ReplaceFind();
    activateWindow();
}

void TfrmReplace::Button2Click()
{
    copyFields();
    replacer_.ReplaceNext();
    activateWindow();
}

void TfrmReplace::Button3Click()
{
    copyFields();
    activateWindow();
    replacer_.ReplaceAll();
}

void TfrmReplace::Button5Click()
{
    copyFields();
    activateWindow();
    replacer_.ReplaceAll2();
}

void TfrmReplace::Button4Click()
{
    state_.ReplaceActive = false;
    QCoreApplication::processEvents();
    hide();
}

void TfrmReplace::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        Button4Click();
        return;
    }
    // Enter never closes the dialog; the fields take it themselves.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

}  // namespace marbolt
