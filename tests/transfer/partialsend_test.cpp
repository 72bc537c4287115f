// The current-program send, the send from the caret and the repeat send,
// end to end against the virtual machine.
#include "transfertesting.h"

#include "../unit/filesizelimit.h"
#include "../window/modal.h"

#include <QAction>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QTimer>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;

namespace {

const std::string kDoc = "O1\r\nG0\r\nO2\r\nG1 X2.\r\nO3\r\nG2\r\n";

int count(const QString &text, const QString &part)
{
    return static_cast<int>(text.count(part));
}

}  // namespace

class PartialSendTest : public QObject {
    Q_OBJECT

private slots:
    void theCurrentProgramGoesOutAlone()
    {
        Rig rig;
        rig.setDocument(kDoc);
        // The same bytes as a selection send of that program by hand.
        rig.form->editor()->selectRange(kDoc.find("O2"), kDoc.find("O3"));
        const std::string byHand = sendWith(rig, [&] { rig.form->psend3Execute(); });
        rig.form->indexBox()->setBoxText(QStringLiteral("O2"));
        const std::string sent = sendWith(rig, [&] { rig.form->psend1Execute(); });
        COMPARE_BYTES(sent, byHand);
        QVERIFY(sent.find(iso("O2\r\nG1 X2.\r\n")) != std::string::npos);
        QVERIFY(sent.find(iso("O1")) == std::string::npos);
        QVERIFY(sent.find(iso("O3")) == std::string::npos);
        COMPARE_BYTES(sent.substr(sent.size() - 4), iso("\r\n\n%"));  // closed by LF and the end marker
        QVERIFY(rig.dialogs.shown.isEmpty());
    }

    // F7 and the multiple-program send take their programs from the
    // document by its index: while they go out the editor shows the
    // document as it was, nothing selected, and the window stays free to
    // paint.
    void theProgramsGoOutWithoutTouchingTheEditor()
    {
        Rig rig;
        rig.setDocument(kDoc);
        rig.form->editor()->setCaretPos(2);
        rig.form->show();
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        rig.form->editor()->setFocus();
        // The program chosen in the box, away from the caret's.
        rig.form->indexBox()->setBoxText(QStringLiteral("O2"));
        rig.form->PopupMenu1Popup();  // offers F7 for the program in the box
        std::string during;
        bool selected = true;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 1000 || !rig.form->transfers().loopRunning())
                return;  // the machine's second after the last byte
            during = std::string(rig.form->editor()->textView());
            selected = rig.form->editor()->hasSelectedText();
        };
        std::string sent = sendWith(rig, [&] { QTest::keyClick(rig.form->editor(), Qt::Key_F7); });
        QVERIFY(sent.find(iso("O2\r\nG1 X2.\r\n")) != std::string::npos);
        QVERIFY(sent.find(iso("O1")) == std::string::npos);
        QCOMPARE(during, kDoc);
        QVERIFY(!selected);

        during.clear();
        selected = true;
        const std::size_t caret = rig.form->editor()->caretPos();
        rig.dialogs.programChoices = {{0, 2}};
        sent = sendWith(rig, [&] { rig.form->commands().senntaku1->trigger(); });
        QVERIFY2(sent.find(iso("O1\r\nG0\r\n\r\nO3\r\nG2\r\n")) != std::string::npos, hex(sent).c_str());
        QCOMPARE(during, kDoc);
        QVERIFY(!selected);
        QCOMPARE(rig.form->editor()->caretPos(), caret);
    }

    void anEmptyIndexBoxSendsNothing()
    {
        Rig rig;
        rig.setDocument("G0\r\nG1\r\n");
        const std::string sent = sendWith(rig, [&] { rig.form->commands().psend1->trigger(); });
        QVERIFY(sent.empty());
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("O番号を確認できません")});
    }

    void thePopUpMenuOffersTheCurrentProgramSendOnlyWithAProgram()
    {
        Rig rig;
        rig.setDocument("G0\r\n");
        rig.form->PopupMenu1Popup();
        QVERIFY(!rig.form->commands().psend1->isEnabled());
        rig.setDocument(kDoc);
        rig.form->indexBox()->setBoxText(QStringLiteral("O1"));
        rig.form->PopupMenu1Popup();
        QVERIFY(rig.form->commands().psend1->isEnabled());
        // The lock keeps it away during a transfer, menu or not.
        rig.form->enabledfalse();
        rig.form->PopupMenu1Popup();
        QVERIFY(!rig.form->commands().psend1->isEnabled());
        rig.form->enabledtrue();
    }

    void fromTheCaret()
    {
        Rig rig;
        rig.setDocument(kDoc);
        const std::size_t o2 = kDoc.find("O2");
        rig.form->editor()->setCaretPos(o2);
        std::string sent = sendWith(rig, [&] { rig.form->cursend1Execute(); });
        QVERIFY2(rig.dialogs.shown.isEmpty(), "at a line start nothing is asked");
        QVERIFY(sent.find(iso("O2\r\nG1 X2.\r\nO3\r\nG2\r\n")) != std::string::npos);
        QVERIFY(sent.find(iso("O1")) == std::string::npos);
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t{0});

        // Inside a line: asked; Cancel sends nothing.
        const std::size_t x2 = kDoc.find("X2.");
        rig.form->editor()->setCaretPos(x2);
        rig.dialogs.answers = {Answer::Cancel};
        sent = sendWith(rig, [&] { rig.form->cursend1Execute(); });
        QVERIFY(sent.empty());
        QCOMPARE(rig.dialogs.texts(Kind::Information),
                 QStringList{QStringLiteral("カーソルが行頭にありませんが、続けますか？")});

        // OK sends from the caret itself, not from the line start.
        rig.form->editor()->setCaretPos(x2);
        rig.dialogs.answers = {Answer::Ok};
        sent = sendWith(rig, [&] { rig.form->commands().cursend1->trigger(); });
        QVERIFY(sent.find(iso("X2.\r\nO3")) != std::string::npos);
        QVERIFY(sent.find(iso("G1 ")) == std::string::npos);
    }

    void fromTheVeryEnd()
    {
        Rig rig;
        rig.setDocument(kDoc);
        rig.form->editor()->setCaretPos(kDoc.size());
        const std::string sent = sendWith(rig, [&] { rig.form->cursend1Execute(); });
        QVERIFY(!sent.empty());
        QVERIFY2(sent.find(iso("G")) == std::string::npos, "only the lead and the end marker");
        QVERIFY(sent.find(iso("%")) != std::string::npos);
    }

    void theRepeatSendsUntilCancelled()
    {
        Rig rig;
        rig.setDocument("O5\r\nG0\r\nM30\r\n");
        rig.set("LOG", "1");
        rig.dialogs.answers = {Answer::Ok};  // SE "0": carry on without the request signal
        int pauses = 0;
        rig.clock.onSleep = [&](int ms) {
            // The repeat's pauses, not the second a send waits at its end.
            if (ms == 1000 && !rig.form->transfers().loopRunning() && ++pauses == 2)
                QTimer::singleShot(0, rig.form.get(), &TSDIAppForm::stop1Execute);
        };
        listen(rig);
        rig.form->commands().Repeat1->trigger();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Information),
                 QStringList{QStringLiteral("設定画面にて\"送信要求信号を使用しない\"のチェックを外してください。")});
        QFile log(rig.logPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QStringDecoder("windows-31j").decode(log.readAll());
        QCOMPARE(count(text, QStringLiteral("送信完了")), 2);
        QCOMPARE(count(text, QStringLiteral("送信中断")), 1);
        QCOMPARE(pauses, 3);  // the cancelled send is followed by its pause too
        rig.machine->waitForCount(1, 200ms);
        const std::string sent = bytesOf(rig.machine->received());
        QVERIFY(sent.find(iso("O5")) != std::string::npos);
        QVERIFY(rig.form->commands().send1->isEnabled());
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
    }

    // The second between two sends of a repeat: the window paints through
    // it, and a cancel that comes in it stops the next send at its first
    // wait, as the repeat's own cancel does.
    void theRepeatsPauseKeepsTheWindowPainting()
    {
        Rig rig;
        rig.clock.cap = 1000;  // the real second
        rig.setDocument("O5\r\nM30\r\n");
        rig.set("LOG", "1");
        rig.dialogs.answers = {Answer::Ok};
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        PaintWatch watch(rig.form->statusPanels());
        qint64 longest = 0;
        int pauses = 0, fewestPaints = 1000;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 1000 || rig.form->transfers().loopRunning())
                return;
            if (pauses > 0) {
                longest = std::max(longest, watch.longestGap());
                fewestPaints = std::min(fewestPaints, watch.paints());
            }
            watch.begin();
            if (++pauses == 2)
                QTimer::singleShot(300, rig.form.get(), &TSDIAppForm::stop1Execute);
        };
        listen(rig);
        rig.form->Repeat1Execute();
        finish(rig);
        QCOMPARE(pauses, 3);
        QVERIFY2(longest < 150, std::to_string(longest).c_str());
        QVERIFY2(fewestPaints >= 20, std::to_string(fewestPaints).c_str());
        const QString log = rig.logText();
        QCOMPARE(count(log, QStringLiteral("送信完了")), 2);
        QCOMPARE(count(log, QStringLiteral("送信中断")), 1);
    }

    void theRepeatWaitsForTheMachineEachTime()
    {
        Rig rig;
        rig.setDocument("O5\r\nM30\r\n");
        rig.set("SE", "1");
        // The machine asks for the tape three times; the fourth wait is cancelled.
        int waits = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms == 1000)
                return;
            if (rig.panel0() == QStringLiteral("送信待機中") && rig.form->transfers().flags().sendok == false) {
                if (++waits <= 3)
                    rig.machine->sendNow({kDC1});
                else
                    rig.form->stop1Execute();
            }
        };
        vm::ReceiveMode mode;
        mode.sendDc1AtStart = false;
        rig.machine->receive(mode);
        rig.form->Repeat1Execute();
        finish(rig);
        QVERIFY2(rig.dialogs.shown.isEmpty(), "SE 1 asks nothing");
        rig.machine->waitForCount(1, 200ms);
        std::this_thread::sleep_for(20ms);
        const std::string sent = bytesOf(rig.machine->received());
        std::size_t copies = 0;
        for (std::size_t at = sent.find(iso("O5")); at != std::string::npos; at = sent.find(iso("O5"), at + 1))
            ++copies;
        QCOMPARE(copies, std::size_t{3});
    }

    void aRepeatThatCannotOpenItsPortEnds()
    {
        Rig rig;
        rig.setDocument("O5\r\nM30\r\n");
        rig.set("SE", "1");
        rig.set("PORT", rig.dir.filePath(QStringLiteral("no-such-port")));
        rig.form->Repeat1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("回線オープンエラー")});
        QVERIFY(rig.form->commands().send1->isEnabled());
    }

    void aRepeatNeedsText()
    {
        Rig rig;
        rig.form->Repeat1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("送信データがありません")});
        // SE "0" and Cancel: nothing is sent.
        rig.setDocument("O5\r\n");
        rig.dialogs.shown.clear();
        listen(rig);
        rig.form->Repeat1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Information).size(), 1);
        std::this_thread::sleep_for(20ms);
        QVERIFY(rig.machine->received().empty());
    }

    void closingDuringARepeatIsRefused()
    {
        Rig rig;
        rig.setDocument("O5\r\nM30\r\n");
        rig.dialogs.answers = {Answer::Ok};
        bool refused = false;
        int pauses = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 1000 || rig.form->transfers().loopRunning())
                return;
            if (++pauses == 1) {
                refused = !rig.form->FormCloseQuery();
                QTimer::singleShot(0, rig.form.get(), &TSDIAppForm::stop1Execute);
            }
        };
        listen(rig);
        rig.form->Repeat1Execute();
        finish(rig);
        QVERIFY(refused);
        QVERIFY(rig.dialogs.texts(Kind::Message).contains(QStringLiteral("通信を終了してください")));
    }

    // F8 cancels the send inside a repeat; a close right after it is not
    // refused: the window closes as the repeat ends.
    void closingRightAfterACancelInARepeatCloses()
    {
        Rig rig;
        rig.setDocument("O5\r\nM30\r\n");
        rig.dialogs.answers = {Answer::Ok, Answer::No};  // carry on without DC1; no save at close
        rig.form->show();
        bool closedAtOnce = true;
        int pauses = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 1000 || rig.form->transfers().loopRunning())
                return;
            if (++pauses == 1)  // F8 during the next send
                QTimer::singleShot(0, rig.form.get(), &TSDIAppForm::stop1Execute);
            else if (rig.form->transfers().flags().sendstop)  // the pause after the cancelled send
                closedAtOnce = rig.form->close();
        };
        listen(rig);
        rig.form->Repeat1Execute();
        finish(rig);
        QVERIFY(!closedAtOnce);  // the repeat is still on its way out
        QVERIFY(!rig.dialogs.texts(Kind::Message).contains(QStringLiteral("通信を終了してください")));
        QVERIFY(!rig.form->isVisible());
    }

    void severalProgramsAsOneTransmission()
    {
        Rig rig;
        rig.set("LOG", "1");
        const std::string doc = "O1\r\nG1\r\nO2\r\nG2\r\nO3\r\nG3\r\nO4\r\nG4\r\n";
        rig.setDocument(doc.substr(0, doc.size() - 4));
        rig.form->commands().EditSort->trigger();  // document order
        // An edit of the user's, and the caret somewhere in the text.
        rig.form->editor()->SendScintilla(QsciScintilla::SCI_APPENDTEXT, 4UL, "G4\r\n");
        rig.form->editor()->setCaretPos(7);
        rig.form->indexBox()->rebuild(rig.form->editor()->textView());
        const QStringList index = rig.form->indexBox()->entries();
        rig.dialogs.programChoices = {{1, 3}};
        const std::string sent = sendWith(rig, [&] { rig.form->commands().senntaku1->trigger(); });
        QCOMPARE(rig.dialogs.programsOffered, (QList<QStringList>{index}));
        const std::size_t o2 = sent.find(iso("O2\r\nG2\r\n"));
        const std::size_t o4 = sent.find(iso("O4\r\nG4\r\n"));
        QVERIFY(o2 != std::string::npos && o4 != std::string::npos && o2 < o4);
        QVERIFY(sent.find(iso("O1")) == std::string::npos);
        QVERIFY(sent.find(iso("O3")) == std::string::npos);
        QCOMPARE(std::count(sent.begin(), sent.end(), iso("%")[0]), 1);

        // The document, its changed mark and its index as before; no scratch files.
        QCOMPARE(std::string(rig.form->editor()->textView()), doc);
        QVERIFY(rig.form->editor()->modifiedFlag());
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t{7});
        QCOMPARE(rig.form->indexBox()->entries(), index);
        QVERIFY(rig.form->commands().EditUndo1->isEnabled());
        // The edit made before the send can still be undone.
        rig.form->EditUndo1Execute();
        QCOMPARE(std::string(rig.form->editor()->textView()), doc.substr(0, doc.size() - 4));
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("Multi.nc"))));
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("Temp.nc"))));
        QFile log(rig.logPath());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QStringDecoder("windows-31j").decode(log.readAll());
        QCOMPARE(count(text, QStringLiteral("  無題  送信完了")), 1);
    }

    void severalProgramsRefusedOrNoneTicked()
    {
        Rig rig;
        rig.setDocument("G0\r\n");
        rig.form->senntaku1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("送信データがありません。")});
        QVERIFY(rig.dialogs.texts(Kind::Programs).isEmpty());

        const std::string doc = "O1\r\nG1\r\n";
        rig.setDocument(doc);
        rig.dialogs.shown.clear();
        rig.dialogs.programChoices = {{}};
        std::string sent = sendWith(rig, [&] { rig.form->senntaku1Execute(); });
        QVERIFY(sent.empty());
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("送信データがありません")});
        QCOMPARE(std::string(rig.form->editor()->textView()), doc);
        QVERIFY(!rig.form->editor()->modifiedFlag());

        // Cancel: nothing sent, nothing written.
        rig.dialogs.shown.clear();
        sent = sendWith(rig, [&] { rig.form->senntaku1Execute(); });
        QVERIFY(sent.empty());
        QCOMPARE(rig.dialogs.texts(Kind::Programs).size(), 1);
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("Multi.nc"))));
    }

    void aDocumentCopyThatCannotBeWrittenSendsNothing()
    {
        Rig rig;
        std::string doc = "O1\r\nG1\r\nO2\r\n";
        for (int i = 0; i < 400; ++i)
            doc += "G01X" + std::to_string(i) + ".\r\n";
        rig.setDocument(doc);
        rig.dialogs.programChoices = {{0}};
        std::string sent;
        {
            // Room for the chosen program, not for the copy of the document.
            const FileSizeLimit limit(1000);
            sent = sendWith(rig, [&] { rig.form->senntaku1Execute(); });
        }
        QVERIFY(sent.empty());
        const QStringList messages = rig.dialogs.texts(Kind::Message);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.front().contains(QStringLiteral("Temp.nc")), qPrintable(messages.front()));
        QCOMPARE(std::string(rig.form->editor()->textView()), doc);
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("Multi.nc"))));
        QVERIFY(!QFile::exists(rig.dir.filePath(QStringLiteral("Temp.nc"))));
    }

    // 再開送信 by Shift+F11 from the block at the caret: the header shown,
    // a line typed into it, Tab to 送信 and Enter; the machine gets the
    // O-line, the header as edited and the program's rest.
    void aRestartGoesOutWithTheHeaderAsEdited()
    {
        Rig rig;
        rig.form->show();
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        const std::string doc = "O1000\r\nT1 M06\r\nS1000 M03\r\nG00 X10. Y20.\r\nG01 Z-2. F300\r\n"
                                "N1020 X50.\r\nM30\r\nO2000\r\nM99\r\n";
        rig.setDocument(doc);
        rig.form->editor()->setCaretPos(doc.find("N1020") + 3);
        rig.form->editor()->setFocus();
        QString header;
        whenModal([&header](QWidget *dialog) {
            dialog->activateWindow();
            QApplication::setActiveWindow(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("再開送信"));
            QWidget *edit = dialog->focusWidget();
            QCOMPARE(edit->objectName(), QStringLiteral("Header"));
            header = static_cast<QPlainTextEdit *>(edit)->toPlainText();
            QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClicks(edit, "M01");
            QTest::keyClick(edit, Qt::Key_Tab);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        const std::string sent =
            sendWith(rig, [&] { QTest::keyClick(rig.form->editor(), Qt::Key_F11, Qt::ShiftModifier); });
        QCOMPARE(header, QStringLiteral("(RESTART AT N1020)\nG40 G49 G80\nG21 G17 G90 G94\nG54\nT1 M06\n"
                                        "S1000 M03\nG00 X10. Y20.\nG00 Z50.\nG01 Z-2. F300\n"));
        const std::string want = "O1000\r\n" + header.toStdString() + "M01\r\nN1020 X50.\r\nM30\r\n";
        std::string wantCrlf;
        for (char c : want) {
            if (c == '\n' && (wantCrlf.empty() || wantCrlf.back() != '\r'))
                wantCrlf += '\r';
            wantCrlf += c;
        }
        QVERIFY2(sent.find(iso(wantCrlf)) != std::string::npos, sent.c_str());
        QVERIFY(sent.find(iso("O2000")) == std::string::npos);
        QVERIFY(rig.dialogs.shown.isEmpty());
    }
};

QTEST_MAIN(PartialSendTest)
#include "partialsend_test.moc"
