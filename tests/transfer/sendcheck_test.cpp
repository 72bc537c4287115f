// The check before a send, end to end: the real window on a
// pseudo-terminal against the virtual machine tool.
#include "transfertesting.h"

#include "app/widgets/widgetdialogs.h"
#include "transfer/widgets/sendcheckdialog.h"

#include <QFile>
#include <QPushButton>
#include <QStringDecoder>
#include <QTimer>
#include <QTreeWidget>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;

namespace {

// A program with a Japanese comment: the only findings lie in comments.
const std::string kCommented = "O1 (荒取り)\r\nG1 X1. (仕上げ)\r\nM30\r\n%";

// The bytes the send puts on the line with the check off.
std::string unchecked(const std::string &document)
{
    Rig rig;
    rig.set("CHECK", "0");
    rig.setDocument(document);
    return sendWith(rig, [&] { rig.form->send1Execute(); });
}

}  // namespace

class SendCheckTest : public QObject {
    Q_OBJECT

private slots:
    void withNothingFoundTheBytesAreTodays()
    {
        const std::string doc = "O1 (ROUGH)\r\nG1 X1.\r\nM30\r\n%";
        Rig rig;
        rig.setDocument(doc);
        const std::string sent = sendWith(rig, [&] { rig.form->send1Execute(); });
        QVERIFY(rig.dialogs.checkReports.isEmpty());
        COMPARE_BYTES(sent, unchecked(doc));
    }

    void theListNamesEachFindingAndItsLine()
    {
        Rig rig;
        rig.set("LOG", "1");
        rig.setDocument(kCommented);
        const std::string sent = sendWith(rig, [&] { rig.form->send1Execute(); });
        QCOMPARE(rig.dialogs.checkReports.size(), 1);
        const SendCheckReport &report = rig.dialogs.checkReports.first();
        QCOMPARE(report.total, 6);
        QVERIFY(report.sending);
        QVERIFY(report.canLeaveOutComments);
        QCOMPARE(report.rows.first().line, 1);
        QCOMPARE(report.rows.first().column, 5);
        QCOMPARE(report.rows.first().kind, QStringLiteral("ISOコードで送れない文字"));
        QCOMPARE(report.rows.first().text, QStringLiteral("O1 (荒取り)"));
        QCOMPARE(report.rows.last().line, 2);
        QCOMPARE(report.rows.last().column, 11);
        // "中止": nothing on the line, no log line, the port never opened.
        QVERIFY(sent.empty());
        QVERIFY(rig.logText().isEmpty());
        QVERIFY(!WindowProbe::portOpen(*rig.form));
        QVERIFY(rig.form->commands().send1->isEnabled());
    }

    void aBlockTheControlCannotReadIsListedWithItsLine()
    {
        Rig rig;
        rig.setDocument("O1 (荒取り)\r\nG1 X 10. Y\r\nG1 X1. 5\r\nM30\r\n%");
        const std::string sent = sendWith(rig, [&] { rig.form->send1Execute(); });
        QVERIFY(sent.empty());
        QCOMPARE(rig.dialogs.checkReports.size(), 1);
        const SendCheckReport &report = rig.dialogs.checkReports.first();
        QCOMPARE(report.total, 5);
        const SendCheckRow &letter = report.rows[3];
        QCOMPARE(letter.line, 2);
        QCOMPARE(letter.column, 10);
        QCOMPARE(letter.kind, QStringLiteral("値のないアドレス"));
        QCOMPARE(letter.text, QStringLiteral("G1 X 10. Y"));
        QCOMPARE(report.rows[4].line, 3);
        QCOMPARE(report.rows[4].column, 8);
        QCOMPARE(report.rows[4].kind, QStringLiteral("アドレスのない数値"));
        // Leaving out the comments would not mend these blocks.
        QVERIFY(!report.canLeaveOutComments);
    }

    void sendAsItIsGivesTodaysBytes()
    {
        Rig rig;
        rig.setDocument(kCommented);
        rig.dialogs.checkAnswers = {{SendCheckChoice::SendAsIs, {}}};
        const std::string sent = sendWith(rig, [&] { rig.form->send1Execute(); });
        COMPARE_BYTES(sent, unchecked(kCommented));
    }

    void leavingOutTheCommentsSendsTheRestAndKeepsTheDocument()
    {
        Rig rig;
        rig.setDocument(kCommented);
        rig.dialogs.checkAnswers = {{SendCheckChoice::SendWithoutComments, {}}};
        const std::string sent = sendWith(rig, [&] { rig.form->send1Execute(); });
        COMPARE_BYTES(sent, iso("\nO1 \r\nG1 X1. \r\nM30\r\n%"));
        QCOMPARE(std::string(rig.form->editor()->textView()), kCommented);

        // With a finding outside a comment the choice is not offered.
        Rig outside;
        outside.setDocument("O1\r\nG1 X1.(A\r\nM30\r\n%");
        sendWith(outside, [&] { outside.form->send1Execute(); });
        QCOMPARE(outside.dialogs.checkReports.size(), 1);
        QVERIFY(!outside.dialogs.checkReports.first().canLeaveOutComments);
    }

    // A strict control reading ISO: the Japanese comment sent as it is
    // raises its alarm; left out, nothing does.
    void aStrictControlRejectsWhatTheCheckFound()
    {
        auto strictSend = [](SendCheckChoice choice) -> std::size_t {
            Rig rig;
            rig.setDocument(kCommented);
            rig.dialogs.checkAnswers = {{choice, {}}};
            vm::ReceiveMode mode;
            mode.sendDc1AtStart = false;
            mode.code = PunchCode::Iso;
            rig.machine->receive(mode);
            rig.form->send1Execute();
            finish(rig);
            rig.machine->waitForCount(1, 200ms);
            std::this_thread::sleep_for(20ms);
            if (rig.machine->received().empty())
                return std::size_t(-1);  // nothing went out at all
            return rig.machine->rejected().size();
        };
        const std::size_t asIs = strictSend(SendCheckChoice::SendAsIs);
        QVERIFY(asIs > 0 && asIs != std::size_t(-1));
        QCOMPARE(strictSend(SendCheckChoice::SendWithoutComments), std::size_t{0});
    }

    void aChosenFindingTakesTheCaretThere()
    {
        Rig rig;
        rig.setDocument(kCommented);
        rig.dialogs.checkAnswers = {{SendCheckChoice::Cancel, 3}};  // the second line's first finding
        rig.form->commands().send1->trigger();
        finish(rig);
        const std::size_t expected = kCommented.find("仕上げ");
        QCOMPARE(rig.form->editor()->caretPos(), expected);
    }

    void everySendCommandRunsTheCheck()
    {
        Rig rig;
        rig.set("SE", "1");
        rig.setDocument(kCommented);
        rig.form->indexBox()->setBoxText(QStringLiteral("O1 (荒取り)"));
        rig.form->commands().psend1->trigger();  // F7
        rig.form->editor()->setCaretPos(kCommented.find("G1"));
        rig.form->commands().cursend1->trigger();  // F11
        rig.dialogs.programChoices = {{0}};
        rig.form->commands().senntaku1->trigger();
        finish(rig);
        QCOMPARE(rig.dialogs.checkReports.size(), 3);
        // The selection sends count lines and columns in the document.
        QCOMPARE(rig.dialogs.checkReports[0].rows.first().line, 1);
        QCOMPARE(rig.dialogs.checkReports[0].rows.first().column, 5);
        QCOMPARE(rig.dialogs.checkReports[1].rows.first().line, 2);
        QCOMPARE(rig.dialogs.checkReports[1].rows.first().column, 9);

        // F10: the first answer stands for the whole repeat.
        Rig repeat;
        repeat.set("SE", "0");
        repeat.setDocument(kCommented);
        repeat.dialogs.answers = {Answer::Ok};
        repeat.dialogs.checkAnswers = {{SendCheckChoice::SendAsIs, {}}};
        int pauses = 0;
        repeat.clock.onSleep = [&](int ms) {
            if (ms == 1000 && !repeat.form->transfers().loopRunning() && ++pauses == 2)
                QTimer::singleShot(0, repeat.form.get(), &TSDIAppForm::stop1Execute);
        };
        listen(repeat);
        repeat.form->commands().Repeat1->trigger();
        finish(repeat);
        QCOMPARE(repeat.dialogs.checkReports.size(), 1);
        QVERIFY(pauses >= 3);
    }

    void theCheckAloneListsOrSaysNothingWasFound()
    {
        Rig rig;
        rig.setDocument("O1\r\nM30\r\n%");
        rig.form->commands().sendcheck1->trigger();
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{QStringLiteral("問題は見つかりませんでした。")});
        rig.setDocument(kCommented);
        rig.set("CODE", "EIA");
        rig.form->commands().sendcheck1->trigger();
        QCOMPARE(rig.dialogs.checkReports.size(), 1);
        QVERIFY(!rig.dialogs.checkReports.first().sending);
        QCOMPARE(rig.dialogs.checkReports.first().rows.first().kind,
                 QStringLiteral("EIAコードにない文字 (空白で送られます)"));
        QVERIFY(rig.machine->received().empty());
    }

    // The dialog itself, through real keys and the mouse.
    void theDialogStopsOnEscapeAndGoesToADoubleClickedFinding()
    {
        SendCheckReport report;
        report.total = 2;
        report.canLeaveOutComments = true;
        report.rows = {{1, 5, QStringLiteral("ISOコードで送れない文字"), QStringLiteral("O1 (荒)")},
                       {3, 2, QStringLiteral("制御文字"), QStringLiteral("G1")}};
        WidgetDialogs dialogs;
        auto answerWith = [&](std::function<void(SendCheckDialog &)> act) {
            QTimer::singleShot(0, [&] {
                auto *dialog = qobject_cast<SendCheckDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("送信前チェック"));
                // A dialog the action did not close fails the test, it does not hang it.
                QTimer::singleShot(2000, dialog, &QDialog::reject);
                act(*dialog);
            });
            return dialogs.sendCheck(report);
        };
        SendCheckAnswer a = answerWith([](SendCheckDialog &d) { QTest::keyClick(&d, Qt::Key_Escape); });
        QCOMPARE(a.choice, SendCheckChoice::Cancel);
        QVERIFY(!a.goTo);
        a = answerWith([](SendCheckDialog &d) { QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &d, Qt::Key_Return); });
        QCOMPARE(a.choice, SendCheckChoice::Cancel);  // Enter stops too
        a = answerWith([](SendCheckDialog &d) { QTest::mouseClick(d.sendAsIs, Qt::LeftButton); });
        QCOMPARE(a.choice, SendCheckChoice::SendAsIs);
        a = answerWith([](SendCheckDialog &d) { QTest::mouseClick(d.leaveOutComments, Qt::LeftButton); });
        QCOMPARE(a.choice, SendCheckChoice::SendWithoutComments);
        a = answerWith([](SendCheckDialog &d) {
            QWidget *viewport = d.list->viewport();
            const QRect second = d.list->visualItemRect(d.list->topLevelItem(1));
            QVERIFY(!second.isEmpty());
            QTest::mouseClick(viewport, Qt::LeftButton, {}, second.center());
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, second.center());
        });
        QCOMPARE(a.choice, SendCheckChoice::Cancel);
        QCOMPARE(a.goTo, std::optional<int>(1));

        // The check alone has only "閉じる".
        report.sending = false;
        a = answerWith([](SendCheckDialog &d) {
            QVERIFY(!d.sendAsIs && !d.leaveOutComments);
            QCOMPARE(d.stop->text(), QStringLiteral("閉じる"));
            QTest::mouseClick(d.stop, Qt::LeftButton);
        });
        QCOMPARE(a.choice, SendCheckChoice::Cancel);
    }
};

QTEST_MAIN(SendCheckTest)
#include "sendcheck_test.moc"
