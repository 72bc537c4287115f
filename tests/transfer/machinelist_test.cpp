// The machine list: a second machine receives and sends on its own
// session while the window sends to the active one, each byte-exact, all
// driven by the mouse on the real window.
#include "transfertesting.h"

#include "app/widgets/machinelistdock.h"
#include "station/dncstatusfile.h"
#include "station/machineprofiles.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>

#include <unistd.h>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;

namespace {

// Machine 2 (旋盤) on a second virtual machine; machine 1 stays active.
void addSecondMachine(Rig &rig, const vm::VirtualMachine &second)
{
    MachineProfiles profiles(rig.form->settings());
    profiles.keepActive();  // machine 1 on the rig's machine
    QVERIFY(profiles.add(QStringLiteral("旋盤")));
    rig.set("PORT", QString::fromStdString(second.portPath()));
    rig.set("SE", "1");  // the lathe asks for its tape with DC1
    QVERIFY(profiles.activate(0));
    rig.form->refreshMachineBox();
}

MachineListDock &openList(Rig &rig)
{
    rig.form->show();
    QAction *item = rig.form->findChild<QAction *>(QStringLiteral("MachineListItem"));
    item->trigger();
    return *rig.form->machineList();
}

void clickRow(MachineListDock &list, int row)
{
    auto *table = list.findChild<QTableWidget *>(QStringLiteral("MachineTable"));
    const QRect cell = table->visualRect(table->model()->index(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

// The rig's window with machine 2 on a second virtual machine and the
// machine list open.
struct TwoMachines {
    Rig rig;
    std::unique_ptr<vm::VirtualMachine> second = vm::VirtualMachine::create();
    MachineListDock *list = nullptr;
    TwoMachines()
    {
        addSecondMachine(rig, *second);
        list = &openList(rig);
    }
};

// Machine 2 waits, as a lathe does, to ask for its tape; its row is
// chosen in the open list.
void awaitTapeOnSecond(vm::VirtualMachine &second, MachineListDock &list)
{
    vm::ReceiveMode quiet;
    quiet.sendDc1AtStart = false;
    second.receive(quiet);
    clickRow(list, 1);
}

std::string crLf(std::string_view lf)
{
    std::string out;
    for (char c : lf)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

}  // namespace

class MachineListTest : public QObject {
    Q_OBJECT

private slots:
    // 通信 > DNCサーバー by the keyboard: machine 2, which has a receive
    // folder, is listened to; what it punches lands in its folder with no
    // key pressed; the list's DNC column follows it; the same keys stop it.
    void theWindowRunsTheDncServerForItsMachines()
    {
        TwoMachines two;
        auto &[rig, second, listShown] = two;
        MachineListDock &list = *listShown;
        const QString folder = rig.dir.filePath(QStringLiteral("in"));
        QVERIFY(MachineProfiles(rig.form->settings()).setExtra(1, {{QStringLiteral("RECEIVEDIR"), folder}}));
        QAction *item = rig.form->findChild<QAction *>(QStringLiteral("DncServer1"));
        QVERIFY(item && item->isCheckable() && !item->isChecked());

        auto menuKeys = [&] {
            rig.form->activateWindow();
            QApplication::setActiveWindow(rig.form.get());
            rig.form->editor()->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
            QTRY_VERIFY(QApplication::activePopupWidget());
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_D);
        };
        menuKeys();
        QTRY_VERIFY(rig.form->dncServer() && rig.form->dncServer()->running());
        QVERIFY(item->isChecked());
        QTRY_VERIFY(list.cellText(1, 5).startsWith(QStringLiteral("受信待ち")));
        QCOMPARE(list.cellText(1, 2), QStringLiteral("DNC 受信待ち"));
        QCOMPARE(list.cellText(0, 5), QString());  // machine 1 has no folder: not served
        QVERIFY(rig.dialogs.shown.isEmpty());

        vm::PunchMode onItsOwn;
        onItsOwn.waitForDc1 = false;
        second->punch(vm::punchTape("O0055 (BY ITSELF)\nG00 X1.\nM30\n", PunchCode::Iso), onItsOwn);
        const QString file = QDir(folder).filePath(QStringLiteral("O0055.nc"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), 10000);
        QFile stored(file);
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QCOMPARE(stored.readAll(), QByteArray("O0055 (BY ITSELF)\r\nG00 X1.\r\nM30\r\n%\r\n"));
        QTRY_VERIFY(list.cellText(1, 5).startsWith(QStringLiteral("受信待ち")));
        QTRY_VERIFY(list.cellItemToolTip(1, 5).contains(QStringLiteral("受信 O0055 完了")));

        // The machine is the server's: the list does not offer it.
        clickRow(list, 1);
        QVERIFY(!list.receiveButton()->isEnabled());

        menuKeys();
        QVERIFY(!rig.form->dncServer()->running());
        QTRY_VERIFY(!item->isChecked());  // once every machine has stopped
        QTRY_COMPARE(list.cellText(1, 5), QString());
        QVERIFY(!rig.form->station().busy(1));
    }

    // marbolt-dnc on the same settings serves machine 2 (its state file is
    // fresh, its process alive): the list shows the block going out and
    // its end, leaves the machine alone, and the window's own F6 does not
    // open that machine's port when it is made active by Ctrl+2.
    void aMachineServedByMarboltDncIsShownAndLeftAlone()
    {
        TwoMachines two;
        auto &[rig, second, listShown] = two;
        MachineListDock &list = *listShown;
        DncSnapshot snapshot;
        snapshot.pid = ::getppid();  // a process that runs, not this one
        snapshot.written = rig.clock.now();  // the window reads the age by its clock
        DncMachineStatus served;
        served.machine = QStringLiteral("旋盤");
        served.phase = DncPhase::Answering;
        served.state = QStringLiteral("送信中");
        served.program = QStringLiteral("O2000");
        served.done = 500;
        served.total = 2000;
        served.block = QStringLiteral("N120 G01 X12.5");
        served.finish = QDateTime(QDate::currentDate(), QTime(23, 59));
        served.last = QStringLiteral("10:00:00 要求 O2000 完了");
        snapshot.machines = {served};
        QVERIFY(writeDncSnapshot(dncStatusPath(rig.form->station().settingsFile()), snapshot));

        QTRY_COMPARE(list.cellText(1, 5), QStringLiteral("送信中 O2000 25% 「N120 G01 X12.5」 終了予定 23:59"));
        QCOMPARE(list.cellItemToolTip(1, 5), served.last);
        QCOMPARE(list.cellText(1, 2), QStringLiteral("DNC 送信中"));
        QCOMPARE(list.cellText(1, 3), QStringLiteral("O2000"));
        QCOMPARE(list.cellText(1, 4), QStringLiteral("25%"));
        QCOMPARE(list.cellText(0, 5), QString());
        clickRow(list, 1);
        QVERIFY(!list.receiveButton()->isEnabled());
        QVERIFY(!list.sendButton()->isEnabled());

        rig.form->activateWindow();
        QApplication::setActiveWindow(rig.form.get());
        rig.form->editor()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_2, Qt::ControlModifier);
        QTRY_COMPARE(MachineProfiles(rig.form->settings()).active(), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("この機械は送受信中です")});
        QTest::qWait(300);
        QVERIFY(second->received().empty());  // not even a DC1: the port was left shut
    }

    void anotherMachineReceivesWhileTheWindowSends()
    {
        Rig rig;
        auto second = vm::VirtualMachine::create();
        QVERIFY(second);
        addSecondMachine(rig, *second);
        rig.set("SPEED", "19200");
        MachineListDock &list = openList(rig);
        QVERIFY(list.isVisible());
        QCOMPARE(list.cellText(1, 0), QStringLiteral("旋盤"));
        QCOMPARE(list.cellText(1, 1), QString::fromStdString(second->portPath()));

        // The active machine is the window's: the list does not serve it.
        clickRow(list, 0);
        QVERIFY(!list.receiveButton()->isEnabled());
        clickRow(list, 1);
        QVERIFY(list.receiveButton()->isEnabled());

        // The lathe punches a program slowly while the window sends its
        // document to machine 1.
        const std::string punched = vm::longProgramText(1500);
        vm::PunchMode slow;
        slow.bytesPerSecond = 1000;
        second->punch(vm::punchTape(punched, PunchCode::Iso), slow);
        QTest::mouseClick(list.receiveButton(), Qt::LeftButton);
        // "受信中", then the bytes received so far.
        QTRY_VERIFY(rig.form->station().busy(1) && list.cellText(1, 2).contains(QStringLiteral("受信")));

        std::string doc = "O1\r\n";
        for (int i = 0; i < 60; ++i)
            doc += "G01X" + std::to_string(i) + ".\r\n";
        doc += "M30\r\n%";
        rig.setDocument(doc);
        const std::string sent = sendDocument(rig);
        COMPARE_BYTES(sent, iso("\n" + doc));
        // The reception was still under way through the whole send.
        QVERIFY(rig.form->station().busy(1));
        QVERIFY(!list.openButton()->isEnabled());

        QTRY_VERIFY_WITH_TIMEOUT(list.cellText(1, 2).startsWith(QStringLiteral("受信完了")), 10000);
        QVERIFY(list.cellText(1, 2).contains(QStringLiteral("未読")));
        QVERIFY(list.openButton()->isEnabled());
        rig.form->editor()->clearModifiedFlag();
        QTest::mouseClick(list.openButton(), Qt::LeftButton);
        QCOMPARE(std::string(rig.form->editor()->textView()), crLf(punched) + "%\r\n");
        QVERIFY(rig.form->editor()->modifiedFlag());  // in no file yet
        QVERIFY(!list.openButton()->isEnabled());
        QVERIFY(rig.dialogs.shown.isEmpty());
    }

    void theDocumentGoesToAnotherMachineAndItsPortIsLeftToIt()
    {
        TwoMachines two;
        auto &[rig, second, listShown] = two;
        MachineListDock &list = *listShown;
        rig.setDocument("O9\r\nG01X1.\r\nM30\r\n%");
        awaitTapeOnSecond(*second, list);
        QTest::mouseClick(list.sendButton(), Qt::LeftButton);
        QTRY_VERIFY(list.cellText(1, 2).startsWith(QStringLiteral("送信待機中")));
        QCOMPARE(list.cellText(1, 3), QStringLiteral("無題"));
        QVERIFY(list.cancelButton()->isEnabled());
        QVERIFY(second->received().empty());  // waits for the lathe's DC1

        // Machine 2 made active: the window leaves its busy port alone.
        rig.form->MachineBoxChange(1);
        rig.form->send1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("この機械は送受信中です")});
        rig.form->MachineBoxChange(0);

        second->sendNow({kDC1});
        QTRY_VERIFY(list.cellText(1, 2).startsWith(QStringLiteral("送信完了")));
        COMPARE_BYTES(bytesOf(second->received()), iso("\nO9\r\nG01X1.\r\nM30\r\n%"));
    }

    // The list's send is checked as the window's is, with the same
    // question: stopped, nothing goes; the comment with the finding left
    // out, the rest goes; a row double-clicked puts the caret on it.
    void theListsSendIsCheckedWithTheSameQuestion()
    {
        TwoMachines two;
        auto &[rig, second, listShown] = two;
        MachineListDock &list = *listShown;
        rig.set("CHECK", "1");
        rig.setDocument("O9\r\nG01X1.(荒加工)\r\nM30\r\n%");
        awaitTapeOnSecond(*second, list);

        rig.dialogs.checkAnswers = {SendCheckAnswer{SendCheckChoice::Cancel, 0}};
        QTest::mouseClick(list.sendButton(), Qt::LeftButton);
        QCOMPARE(rig.dialogs.checkReports.size(), 1);
        const SendCheckReport &report = rig.dialogs.checkReports[0];
        QVERIFY(report.canLeaveOutComments);
        QVERIFY(report.sending);
        QCOMPARE(report.rows.size(), 3);  // three characters outside ISO
        QCOMPARE(report.rows[0].line, 2);
        QCOMPARE(report.rows[0].column, 8);
        QCOMPARE(report.rows[0].text, QStringLiteral("G01X1.(荒加工)"));
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t(std::string_view("O9\r\nG01X1.(").size()));
        QVERIFY(rig.dialogs.texts(Kind::Message).isEmpty());
        QVERIFY(!list.cancelButton()->isEnabled());

        rig.dialogs.checkAnswers = {SendCheckAnswer{SendCheckChoice::SendWithoutComments, std::nullopt}};
        QTest::mouseClick(list.sendButton(), Qt::LeftButton);
        QTRY_VERIFY(list.cellText(1, 2).startsWith(QStringLiteral("送信待機中")));
        second->sendNow({kDC1});
        QTRY_VERIFY(list.cellText(1, 2).startsWith(QStringLiteral("送信完了")));
        COMPARE_BYTES(bytesOf(second->received()), iso("\nO9\r\nG01X1.\r\nM30\r\n%"));
        QCOMPARE(std::string(rig.form->editor()->textView()), std::string("O9\r\nG01X1.(荒加工)\r\nM30\r\n%"));
    }
};

QTEST_MAIN(MachineListTest)
#include "machinelist_test.moc"
