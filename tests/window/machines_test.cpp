// Choosing, adding, renaming and deleting machines on the real window,
// through keys and the mouse, and typing a network port into the settings
// dialog.
#include "app/widgets/commsettingsform.h"
#include "app/widgets/sdiappform.h"
#include "app/widgets/statuspanels.h"
#include "document/widgets/nceditor.h"
#include "modal.h"
#include "offeredports.h"
#include "scripteddialogs.h"
#include "windowprobe.h"

#include "../unit/testfiles.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

namespace {

// Two machines, the second active.
const QByteArray kTwoMachines =
    "[COMM]\r\nSPEED=9600\r\nSTOPBIT=1\r\nPORT=tcp://192.168.0.50:4001\r\nSE=1\r\nCODE=ISO\r\nHEAD%=0\r\n"
    "LOG=0\r\nTAPE=0\r\nFEED=100\r\nWAIT=0\r\n[MARBOLT]\r\nMACHINE=2\r\n[MACHINES]\r\n"
    "MACHINE1=Fanuc\t4800\t2\tCOM1\t1\tISO\t0\t0\t0\t100\t0\r\n"
    "MACHINE2=Mazak\t9600\t1\ttcp://192.168.0.50:4001\t1\tISO\t0\t0\t0\t100\t0\r\n"
    "MACHINE3=Lathe\t2400\t2\tCOM2\t1\tEIA\t0\t0\t0\t100\t0\r\n";


}  // namespace

class MachinesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedDialogs dialogs_;

    std::unique_ptr<TSDIAppForm> makeForm(const QByteArray &ini)
    {
        if (!ini.isEmpty())
            writeFileBytes(dir_->filePath(QStringLiteral("marbolt.ini")), ini);
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir_->path());
        env.dialogs = &dialogs_;
        env.devRoot = dir_->filePath(QStringLiteral("dev"));
        auto form = std::make_unique<TSDIAppForm>(std::move(env));
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("the window did not become active");
        return form;
    }

    QString savedSettings() const
    {
        QFile f(dir_->filePath(QStringLiteral("marbolt.ini")));
        f.open(QIODevice::ReadOnly);
        return QStringDecoder("windows-31j").decode(f.readAll());
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        dialogs_ = ScriptedDialogs();
    }

    void controlDigitsAndTheBoxChooseTheMachine()
    {
        auto form = makeForm(kTwoMachines);
        QComboBox *box = WindowProbe::MachineBox(*form);
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->currentText(), QStringLiteral("Mazak"));
        QCOMPARE(form->statusPanels()->panelText(1), QStringLiteral("tcp://192.168.0.50:4001"));

        // Ctrl+1 in the editor, as a person presses it.
        form->editor()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(box->currentText(), QStringLiteral("Fanuc"));
        QCOMPARE(form->statusPanels()->panelText(1), QStringLiteral("COM1"));
        QCOMPARE(form->statusPanels()->panelText(2), QStringLiteral("4800  ISO"));
        QCOMPARE(form->settings().get(QStringLiteral("STOPBIT")), QStringLiteral("2"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(form->statusPanels()->panelText(2), QStringLiteral("2400  EIA"));
        // No fourth machine: Ctrl+4 changes nothing, and the editor took no "4".
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(box->currentText(), QStringLiteral("Lathe"));
        QVERIFY(form->editor()->textView().empty());

        // The box with the mouse and its list's keys: a click opens it, Up
        // and Enter take the second row.
        QTest::mouseClick(box, Qt::LeftButton);
        QAbstractItemView *list = box->view();
        QTRY_VERIFY(list->isVisible());
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(box->currentText(), QStringLiteral("Mazak"));
        QCOMPARE(form->statusPanels()->panelText(1), QStringLiteral("tcp://192.168.0.50:4001"));

        // Closing writes [COMM] as the active machine's and keeps the others.
        QVERIFY(form->close());
        const QString saved = savedSettings();
        QVERIFY2(saved.startsWith(QStringLiteral("[COMM]\r\nSPEED=9600\r\nSTOPBIT=1\r\nPORT=tcp://192.168.0.50:4001\r\n")),
                 qPrintable(saved));
        QVERIFY(saved.contains(QStringLiteral("MACHINE=2\r\n")));
        QVERIFY(saved.contains(QStringLiteral("MACHINE3.NAME=Lathe\r\nMACHINE3.SPEED=2400\r\nMACHINE3.STOPBIT=2\r\n"
                                              "MACHINE3.PORT=COM2\r\nMACHINE3.SE=1\r\nMACHINE3.CODE=EIA\r\n")));
        QVERIFY(!saved.contains(QStringLiteral("MACHINE3=")));
        QVERIFY(dialogs_.shown.isEmpty());
    }

    // A machine line cut short (or one of a later version's) loses
    // nothing: the window says which line it could not read whole, the
    // machine is offered with the start-up values for what is missing,
    // and its unknown fields go back into the file.
    void aMachineLineThatCannotBeReadWholeIsKeptAndNamed()
    {
        QByteArray ini = kTwoMachines;
        ini.replace("MACHINE1=Fanuc\t4800\t2\tCOM1\t1\tISO\t0\t0\t0\t100\t0", "MACHINE1=Fanuc\t4800\t2\tCOM1");
        ini += "MACHINE4.NAME=Okuma\r\nMACHINE4.PORT=COM4\r\nMACHINE4.DNCFOLDER=/srv/nc/okuma\r\n";
        auto form = makeForm(ini);
        QCOMPARE(dialogs_.shown.size(), 1);
        QCOMPARE(dialogs_.shown[0].kind, Kind::Message);
        QVERIFY2(dialogs_.shown[0].text.contains(QStringLiteral("MACHINE1: 値が 3 個しかありません")),
                 qPrintable(dialogs_.shown[0].text));
        QComboBox *box = WindowProbe::MachineBox(*form);
        QCOMPARE(box->count(), 4);
        QCOMPARE(box->currentText(), QStringLiteral("Mazak"));

        form->editor()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(form->statusPanels()->panelText(1), QStringLiteral("COM1"));
        QCOMPARE(form->settings().get(QStringLiteral("CODE")), QStringLiteral("ISO"));
        QCOMPARE(form->settings().get(QStringLiteral("FEED")), QStringLiteral("100"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(box->currentText(), QStringLiteral("Okuma"));
        QCOMPARE(form->statusPanels()->panelText(2), QStringLiteral("4800  ISO"));

        QVERIFY(form->close());
        const QString saved = savedSettings();
        QVERIFY(saved.contains(QStringLiteral("MACHINE1.PORT=COM1\r\n")));
        QVERIFY(saved.contains(QStringLiteral("MACHINE4.DNCFOLDER=/srv/nc/okuma\r\n")));
        QVERIFY(saved.contains(QStringLiteral("MACHINE=4\r\n")));
    }

    void theDialogAddsRenamesAndDeletesMachines()
    {
        auto form = makeForm(QByteArray());
        QCOMPARE(WindowProbe::MachineBox(*form)->currentText(), QStringLiteral("COM1"));  // named after PORT

        dialogs_.typed = {QStringLiteral("ＭＣ－３"), QStringLiteral("Okuma")};
        whenModal([](QWidget *w) {
            auto *f = qobject_cast<TForm2 *>(w);
            QVERIFY(f);
            f->ComboBox1->setCurrentIndex(f->ComboBox1->findText(QStringLiteral("19200")));
            QTest::mouseClick(f->AddButton, Qt::LeftButton);
            QCOMPARE(f->MachineLabel->text(), QStringLiteral("機械: ＭＣ－３"));
            QVERIFY(f->DeleteButton->isEnabled());
            QTest::mouseClick(f->RenameButton, Qt::LeftButton);
            QCOMPARE(f->MachineLabel->text(), QStringLiteral("機械: Okuma"));
            QTest::mouseClick(f->Button1, Qt::LeftButton);
        });
        form->commands().set1->trigger();
        QComboBox *box = WindowProbe::MachineBox(*form);
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentText(), QStringLiteral("Okuma"));
        QCOMPARE(form->statusPanels()->panelText(2), QStringLiteral("19200  ISO"));
        // The first machine kept its speed.
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->editor()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(form->statusPanels()->panelText(2), QStringLiteral("4800  ISO"));

        // A name taken already is refused with its reason; delete asks first.
        dialogs_.typed = {QStringLiteral("okuma")};
        dialogs_.answers = {Answer::Ok};
        whenModal([](QWidget *w) {
            auto *f = qobject_cast<TForm2 *>(w);
            QTest::mouseClick(f->AddButton, Qt::LeftButton);
            QCOMPARE(f->MachineLabel->text(), QStringLiteral("機械: COM1"));
            QTest::mouseClick(f->DeleteButton, Qt::LeftButton);
            QCOMPARE(f->MachineLabel->text(), QStringLiteral("機械: Okuma"));
            QVERIFY(!f->DeleteButton->isEnabled());
            QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("19200"));
            QTest::mouseClick(f->Button2, Qt::LeftButton);
        });
        form->set1Execute();
        QCOMPARE(dialogs_.texts(Kind::Confirmation), QStringList{QStringLiteral("機械 okuma は既にあります。")});
        QCOMPARE(dialogs_.texts(Kind::Information), QStringList{QStringLiteral("機械 COM1 を削除しますか？")});
        QCOMPARE(box->count(), 1);
        QCOMPARE(box->currentText(), QStringLiteral("Okuma"));
        QCOMPARE(form->statusPanels()->panelText(2), QStringLiteral("19200  ISO"));
    }

    void aNetworkPortIsTypedIntoThePortBox()
    {
        auto form = makeForm(QByteArray());
        // Keys go to the box as the key filter sees them (a modal dialog
        // is not made the active window offscreen).
        auto typeInto = [](TForm2 *f, const QString &text) {
            f->ComboBox3->lineEdit()->selectAll();
            QTest::keyClick(f->ComboBox3, Qt::Key_Backspace);
            QTest::keyClicks(f->ComboBox3, text);
        };
        whenModal([&](QWidget *w) {
            auto *f = qobject_cast<TForm2 *>(w);
            typeInto(f, QStringLiteral("tcp://cnc-gw"));
            QTest::mouseClick(f->Button1, Qt::LeftButton);
            QVERIFY(f->isVisible());  // refused: no port number
            typeInto(f, QStringLiteral("COM9"));
            QTest::mouseClick(f->Button1, Qt::LeftButton);
            QVERIFY(f->isVisible());  // refused: a local port is picked from the list
            typeInto(f, QStringLiteral("rfc2217://cnc-gw:2217"));
            QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("rfc2217://cnc-gw:2217"));
            QTest::mouseClick(f->Button1, Qt::LeftButton);
        });
        form->set1Execute();
        QCOMPARE(dialogs_.texts(Kind::Confirmation).size(), 2);
        QCOMPARE(form->settings().get(QStringLiteral("PORT")), QStringLiteral("rfc2217://cnc-gw:2217"));
        QCOMPARE(form->statusPanels()->panelText(1), QStringLiteral("rfc2217://cnc-gw:2217"));

        // Offered again the next time, after the local ports.
        const QStringList items = portsTheSettingsDialogOffers(*form);
        QCOMPARE(items.last(), QStringLiteral("rfc2217://cnc-gw:2217"));
    }
};

QTEST_MAIN(MachinesTest)
#include "machines_test.moc"
