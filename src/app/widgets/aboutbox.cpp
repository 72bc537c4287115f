#include "app/widgets/aboutbox.h"

#include "common/widgets/fontfallback.h"
#include "common/version.h"
#include "app/widgets/programicon.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace marbolt {

TAboutBox::TAboutBox(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("マルボルト"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(252, 184);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setGeometry(7, 7, 238, 136);

    // Positions inside the panel are given from the dialog's corner.
    auto label = [&](const char *name, const QString &text, int left, int top) {
        auto *l = new QLabel(text, Panel1);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(dialogFont(13));
        l->setStyleSheet(QStringLiteral("color: black"));
        l->move(left - 7, top - 7);
        l->adjustSize();
        return l;
    };
    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
    ProgramIcon->setGeometry(15 - 7, 15 - 7, 42, 42);
    ProgramIcon->setPixmap(programIcon().pixmap(42, 42));
    ProductName = label("ProductName", QStringLiteral("Product Name  マルボルト"), 66, 14);
    Version = label("Version", QStringLiteral("Version"), 66, 42);
    Label1 = label("Label1", QString(), 152, 40);
    Purpose = label("Purpose", QStringLiteral("NCプログラムの編集と\nRS-232Cによる送受信"), 63, 68);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(102, 151, 55, 28);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
    OKButton->setFocus();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TAboutBox::FormCreate()
{
    Label1->setText(QStringLiteral(MARBOLT_VERSION));
    Label1->adjustSize();
}

}  // namespace marbolt
