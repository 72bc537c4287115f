// The lock of the window during a transfer, cancel, and closing.
#include "transfertesting.h"

#include "station/machineprofiles.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QTest>
#include <QTimer>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;

namespace {

QList<QAction *> lockedItems(TSDIAppForm &f)
{
    const Commands &c = f.commands();
    QList<QAction *> items{c.FileNew1, c.FileOpen1, c.FileSave1, c.FileSaveAs1, c.FileExit1,
                           c.FilePrint1, c.FileNukidasi1, c.FileOPrint, c.HelpAbout1, c.send1,
                           c.Rec1, c.senntaku1, c.set1, c.EditCut1, c.EditCopy1, c.EditPaste1,
                           c.EditFind1, c.Editall1, c.Editfont1, c.EditSort, c.EditUndo1,
                           c.EditNext, c.PrintSet1, c.Osave, c.psend1, c.EditReplace, c.EditDate};
    for (QAction *a : WindowProbe::rireki(f))
        items << a;
    return items;
}

QStringList enabledNames(TSDIAppForm &f)
{
    QStringList names;
    for (QAction *a : lockedItems(f))
        if (a->isEnabled())
            names << a->objectName() + a->text();
    return names;
}

}  // namespace

class LockTest : public QObject {
    Q_OBJECT

private slots:
    void everyListedItemIsLockedDuringASendAndRestoredAfter_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::newRow("unchanged document") << false;
        QTest::newRow("changed document") << true;
    }
    void everyListedItemIsLockedDuringASendAndRestoredAfter()
    {
        QFETCH(bool, modified);
        Rig rig;
        rig.set("SE", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        if (modified)
            rig.form->editor()->SendScintilla(QsciScintilla::SCI_ADDTEXT, 1ul, " ");
        QClipboard *clipboard = QApplication::clipboard();
        clipboard->setText(QStringLiteral("G01"));
        QCoreApplication::processEvents();
        QVERIFY(!rig.form->commands().stop1->isEnabled());

        QStringList during;
        bool editorEnabled = true, stopEnabled = false;
        bool repeatTouched = false;
        const bool repeatBefore = rig.form->commands().Repeat1->isEnabled();
        rig.clock.onSleep = [&](int ms) {
            if (ms != 100 || !rig.form->commands().stop1->isEnabled())
                return;
            during = enabledNames(*rig.form);
            editorEnabled = rig.form->editor()->isEnabled();
            stopEnabled = rig.form->commands().stop1->isEnabled();
            repeatTouched = rig.form->commands().Repeat1->isEnabled() != repeatBefore;
            rig.form->commands().stop1->trigger();  // F8
        };
        rig.form->send1Execute();
        finish(rig);
        QCOMPARE(during, QStringList());
        QVERIFY(!editorEnabled);
        QVERIFY(stopEnabled);
        QVERIFY(!repeatTouched);

        // Restored: every built command, EditUndo1 only for a changed document.
        const Commands &c = rig.form->commands();
        for (QAction *a : lockedItems(*rig.form)) {
            if (c.isUnavailable(a) || a == c.EditUndo1 || a == c.EditCut1 || a == c.EditCopy1
                || std::find(WindowProbe::rireki(*rig.form).begin(), WindowProbe::rireki(*rig.form).end(), a) != WindowProbe::rireki(*rig.form).end())
                continue;
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        }
        QCOMPARE(c.EditUndo1->isEnabled(), modified);
        QVERIFY(!c.stop1->isEnabled());
        QVERIFY(rig.form->editor()->isEnabled());
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
    }

    void theReceptionLocksToo()
    {
        Rig rig;
        QStringList during;
        bool stopEnabled = false;
        QTimer::singleShot(300, rig.form.get(), [&] {
            during = enabledNames(*rig.form);
            stopEnabled = rig.form->commands().stop1->isEnabled();
            rig.form->stop1Execute();
        });
        rig.form->Rec1Execute();  // the machine sends nothing
        finish(rig);
        QCOMPARE(during, QStringList());
        QVERIFY(stopEnabled);
        QVERIFY(rig.form->commands().Rec1->isEnabled());
        QVERIFY(!rig.form->commands().stop1->isEnabled());
        rig.machine->waitForCount(2, 500ms);  // the DC3 is on the line as the reception ends
        QCOMPARE(rig.machine->received(), (std::vector<std::uint8_t>{kDC1, kDC3}));
    }

    void closeIsRefusedDuringASendAndAllowedRightAfterCancel()
    {
        Rig rig;
        rig.set("SE", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        rig.form->show();
        bool firstClose = true, secondClose = false;
        int waits = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 100 || ++waits != 2)
                return;
            firstClose = rig.form->close();
            rig.form->stop1Execute();
            secondClose = rig.form->close();
        };
        rig.form->send1Execute();
        finish(rig);
        QVERIFY(!firstClose);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("通信を終了してください")});
        QVERIFY(secondClose);
        QVERIFY(!rig.form->isVisible());
        QVERIFY(!WindowProbe::portOpen(*rig.form));
    }

    // F10, F11 and Ctrl+Alt+E stay enabled during a transfer but, pressed
    // then, start no second transfer and leave the document alone.
    void theKeysTheLockLeavesEnabledAreRefusedWhileATransferRuns()
    {
        Rig rig;
        rig.set("SE", "1");
        rig.setDocument("O1\r\nG0 X1.;\r\nM30\r\n%");
        rig.form->editor()->setCaretPos(6);  // not at a line start: F11 would ask
        rig.form->show();
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        const Commands &c = rig.form->commands();
        int waits = 0;
        bool enabled = false;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 100 || ++waits != 2)
                return;
            enabled = c.Repeat1->isEnabled() && c.cursend1->isEnabled() && c.EditEOF->isEnabled();
            QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : rig.form.get();
            QTest::keyClick(focus, Qt::Key_F10);
            QTest::keyClick(focus, Qt::Key_F11);
            QTest::keyClick(focus, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
            rig.machine->sendNow({kDC1});  // the machine asks; the one send goes out
        };
        listen(rig);
        rig.form->send1Execute();
        finish(rig);
        QVERIFY(enabled);
        QVERIFY2(rig.dialogs.shown.isEmpty(), qPrintable(rig.dialogs.texts(Kind::Information).join(u'|')));
        QCOMPARE(std::string(rig.form->editor()->textView()), std::string("O1\r\nG0 X1.;\r\nM30\r\n%"));
        rig.machine->waitForCount(1, 200ms);
        std::this_thread::sleep_for(20ms);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\nO1\r\nG0 X1.;\r\nM30\r\n%"));
        QVERIFY(!isBusy(rig.form->transfers().activity()));
    }

    // The machine a transfer talks to cannot change under it: the box is
    // disabled and Ctrl+1 does nothing until the transfer ends.
    void theMachineStaysDuringATransfer()
    {
        Rig rig;
        rig.set("SE", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        // The window started with one machine on COM1; the rig's line
        // becomes a second one.
        QVERIFY(MachineProfiles(rig.form->settings()).add(QStringLiteral("二号機")));
        rig.form->show();
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        const QString port = rig.form->settings().get(QStringLiteral("PORT"));
        bool boxEnabled = true;
        int waits = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 100 || ++waits != 2)
                return;
            boxEnabled = WindowProbe::MachineBox(*rig.form)->isEnabled();
            QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : rig.form.get();
            QTest::keyClick(focus, Qt::Key_1, Qt::ControlModifier);
            rig.machine->sendNow({kDC1});
        };
        listen(rig);
        rig.form->send1Execute();
        finish(rig);
        QVERIFY(!boxEnabled);
        QCOMPARE(rig.form->settings().get(QStringLiteral("PORT")), port);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\nO1\r\nM30\r\n%"));
        QVERIFY(WindowProbe::MachineBox(*rig.form)->isEnabled());
        // After it, the same key switches.
        rig.form->editor()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(rig.form->settings().get(QStringLiteral("PORT")), QStringLiteral("COM1"));
    }

    void cancelOutsideATransferDoesNothing()
    {
        Rig rig;
        rig.setDocument("O1\r\nM30\r\n%");
        QVERIFY(!rig.form->commands().stop1->isEnabled());
        rig.form->commands().stop1->trigger();
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
        QVERIFY(rig.dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(LockTest)
#include "lock_test.moc"
