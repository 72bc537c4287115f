// Receptions end to end: the virtual machine punches a tape into the real
// window over a pseudo-terminal.
#include "transfertesting.h"

#include "../serial/injectederrors.h"
#include "transfer/receiver.h"

#include <QTest>
#include <QTimer>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kDone = QStringLiteral("受信を完了しました。");
const QString kDc4 = QStringLiteral("NC機より完了信号DC4を受信しました。");

// Punches tape once the PC asks with DC1, then runs the reception.
void receiveTape(Rig &rig, std::vector<std::uint8_t> tape, double bytesPerSecond = 0)
{
    vm::PunchMode mode;
    mode.bytesPerSecond = bytesPerSecond;
    rig.machine->punch(std::move(tape), mode);
    rig.form->Rec1Execute();
    finish(rig);
}

std::string documentOf(Rig &rig)
{
    return std::string(rig.form->editor()->textView());
}

std::string longProgram(int lines)
{
    std::string text = "O7000\n";
    for (int i = 0; i < lines; ++i)
        text += "G01X" + std::to_string(i) + ".\n";
    return text + "M30\n";
}

// After a line error in a reception of longProgram(100): one error box,
// DC3 sent after the DC1, what came so far kept, the window free again.
void checkStoppedByALineError(Rig &rig)
{
    QCOMPARE(rig.dialogs.texts(Kind::Error), QStringList{receiveErrorMessage()});
    rig.machine->waitForCount(2, 500ms);
    QCOMPARE(QString::fromStdString(hex(bytesOf(rig.machine->received()))), QStringLiteral("11 93 "));
    const std::string doc = documentOf(rig);
    QVERIFY2(doc.rfind("O7000\r\nG01X0.\r\n", 0) == 0, doc.c_str());
    QVERIFY(doc.size() < longProgram(100).size());
    QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
    QCOMPARE(rig.panel0(), QString());
    QVERIFY(rig.form->commands().Rec1->isEnabled());
}

}  // namespace

class ReceiveTest : public QObject {
    Q_OBJECT

private slots:
    void anIsoTape()
    {
        Rig rig;
        receiveTape(rig, vm::punchTape("O1234\nG01X1.\nM30\n", PunchCode::Iso));
        QCOMPARE(documentOf(rig), std::string("O1234\r\nG01X1.\r\nM30\r\n%\r\n"));
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{kDone});
        QCOMPARE(rig.form->indexBox()->entries(), QStringList{QStringLiteral("O1234")});
        QCOMPARE(rig.form->indexBox()->boxText(), QStringLiteral("O1234"));
        QVERIFY(rig.form->filename().isEmpty());
        QVERIFY2(rig.form->editor()->modifiedFlag(), "a received program must not be lost unasked");
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t{0});
        QCOMPARE(rig.panel0(), QString());
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
        QVERIFY(!WindowProbe::portOpen(*rig.form));
        QCOMPARE(rig.machine->received(), std::vector<std::uint8_t>{kDC1});
    }

    void anEiaTape()
    {
        Rig rig;
        receiveTape(rig, vm::punchTape("O12\nG01X-1.5\nM30\n", PunchCode::Eia, 10, false));
        QCOMPARE(documentOf(rig), std::string("O12\r\nG01X-1.5\r\nM30\r\n%\r\n"));
        QCOMPARE(rig.form->indexBox()->entries(), QStringList{QStringLiteral("O12")});
    }

    void colonsAndCommentsAndPercentInAComment()
    {
        Rig rig;
        receiveTape(rig, vm::punchTape(":2000\n(T:1 100%)\nM30\n", PunchCode::Iso));
        QCOMPARE(documentOf(rig), std::string("O2000\r\n(T:1 100%)\r\nM30\r\n%\r\n"));
        QCOMPARE(rig.form->indexBox()->entries(), QStringList{QStringLiteral("O2000")});
    }

    void dc4MidLineEndsWithThePartialLine()
    {
        Rig rig;
        std::vector<std::uint8_t> tape(5, 0);
        for (char c : std::string("%\nO1\nG01X"))
            tape.push_back(sendiso(static_cast<std::uint8_t>(c)));
        tape.push_back(kDC4);
        receiveTape(rig, tape);
        QCOMPARE(documentOf(rig), std::string("O1\r\nG01X"));
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{kDc4});
    }

    void aLoneOAndBlankLines()
    {
        Rig rig;
        QString countAtEnd;
        QStringList liveIndex;
        rig.dialogs.onShown = [&](const ScriptedDialogs::Shown &) { countAtEnd = rig.panel0(); };
        // The index as the lines arrive (after the lone "O" and the blank
        // line, before O3000): the lone "O" does not join it.
        bool sawLive = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (rig.panel0() == QStringLiteral("5バイト受信済み")) {
                sawLive = true;
                liveIndex = rig.form->indexBox()->entries();
            }
        });
        watch.start(1);
        receiveTape(rig, vm::punchTape("O\n\nO3000\n", PunchCode::Iso), 200);
        QVERIFY(sawLive);
        QVERIFY(liveIndex.isEmpty());
        QCOMPARE(countAtEnd, QStringLiteral("12バイト受信済み"));  // 3 + 2 + 7
        QCOMPARE(documentOf(rig), std::string("O\r\n\r\nO3000\r\n%\r\n"));
    }

    // "受信を完了しました。" comes once the text is the document and its
    // index is the one an open of the saved file gives: the same list after
    // a save and an open, whatever the tape (a lone O, a program twice at
    // the start, unsorted numbers, a colon program).
    void theEndIsToldOnceTheDocumentAndItsIndexStand()
    {
        Rig rig;
        const std::string tape = "O\nO20\nM30\nO20\nM30\n:100\nM30\nO5(O6)\nM30\n";
        std::string docAtEnd;
        QStringList indexAtEnd;
        bool lockedAtEnd = false;
        rig.dialogs.onShown = [&](const ScriptedDialogs::Shown &shown) {
            if (shown.text != kDone)
                return;
            docAtEnd = documentOf(rig);
            indexAtEnd = rig.form->indexBox()->entries();
            lockedAtEnd = !rig.form->commands().Rec1->isEnabled();
        };
        receiveTape(rig, vm::punchTape(tape, PunchCode::Iso));
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{kDone});
        const std::string expected = "O\r\nO20\r\nM30\r\nO20\r\nM30\r\nO100\r\nM30\r\nO5(O6)\r\nM30\r\n%\r\n";
        QCOMPARE(docAtEnd, expected);
        QVERIFY(lockedAtEnd);  // the reception still ends after the box

        const QString saved = rig.dir.filePath(QStringLiteral("received.nc"));
        rig.dialogs.files.push_back(FileChoice{saved, 1});
        rig.form->FileSaveAs1Execute();
        rig.form->FileNew1Execute();
        QVERIFY(rig.form->fopen(saved));
        QCOMPARE(documentOf(rig), expected);
        QCOMPARE(indexAtEnd, rig.form->indexBox()->entries());
        QCOMPARE(indexAtEnd, (QStringList{QStringLiteral("O"), QStringLiteral("O100"), QStringLiteral("O20"),
                                          QStringLiteral("O20"), QStringLiteral("O5(O6)")}));
    }

    void percentRightAfterTheDetectingLineEnd()
    {
        Rig rig;
        receiveTape(rig, vm::punchTape("", PunchCode::Iso));
        QCOMPARE(documentOf(rig), std::string("%\r\n"));
    }

    void theLiveViewShowsOnlyTheNewestLines()
    {
        Rig rig;
        rig.form->resize(600, 400);
        int mostLinesShown = 0;
        int linesAtEnd = 0;
        QTimer watch;
        // Looked at while the first two thirds of the tape come in, long
        // before the whole text is placed.
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const int received = rig.panel0().section(QStringLiteral("バイト"), 0, 0).toInt();
            if (received > 0 && received < 2000)
                mostLinesShown = std::max(mostLinesShown, rig.form->editor()->lines());
        });
        watch.start(1);
        rig.dialogs.onShown = [&](const ScriptedDialogs::Shown &) {
            linesAtEnd = rig.form->editor()->lines();
        };
        receiveTape(rig, vm::punchTape(longProgram(300), PunchCode::Iso), 4000);
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{kDone});
        QVERIFY2(mostLinesShown > 1 && mostLinesShown < 100, std::to_string(mostLinesShown).c_str());
        QCOMPARE(linesAtEnd, 304);  // then the whole text, in one piece, before the end is told
    }

    void anOverflowingQueueStops()
    {
        Rig rig;
        // Far more than 1000 bytes at once, while the PC still detects.
        receiveTape(rig, vm::punchTape(longProgram(400), PunchCode::Iso));
        QCOMPARE(rig.dialogs.texts(Kind::Error), QStringList{QStringLiteral("受信バッファがオーバーフローしました。")});
        QVERIFY(rig.dialogs.texts(Kind::Information).isEmpty());
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
        QVERIFY(!WindowProbe::portOpen(*rig.form));
        QVERIFY(rig.form->commands().Rec1->isEnabled());
    }

    // A machine that punches at line speed and honours XOFF (with the few
    // characters a control still sends after it), while the reception
    // takes its real time to detect the code through a feed leader: the
    // port stops the machine in time and the program arrives whole.
    void aMachineAtLineSpeedIsStoppedInTimeAndNothingIsLost_data()
    {
        QTest::addColumn<int>("bps");
        QTest::addColumn<int>("leader");
        QTest::newRow("19200 bit/s, 10 feed characters") << 19200 << 10;
        QTest::newRow("9600 bit/s, 30 feed characters") << 9600 << 30;
    }

    void aMachineAtLineSpeedIsStoppedInTimeAndNothingIsLost()
    {
        QFETCH(int, bps);
        QFETCH(int, leader);
        Rig rig;
        rig.clock.cap = 1000;  // the detection sleeps its real 100 ms a pass
        rig.set("SPEED", QString::number(bps));
        const std::string program = vm::longProgramText(2600);
        vm::PunchMode mode;
        mode.bytesPerSecond = vm::lineBytesPerSecond(bps);
        mode.overrunAfterDc3 = 10;
        rig.machine->punch(vm::punchTape(program, PunchCode::Iso, leader, true, 0xFF), mode);
        rig.form->Rec1Execute();
        finish(rig);

        QCOMPARE(rig.dialogs.texts(Kind::Error), QStringList{});
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{kDone});
        std::string expected;
        for (char c : program)
            expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
        QCOMPARE(documentOf(rig), expected + "%\r\n");
        const auto fromPc = rig.machine->received();
        QVERIFY2(std::count(fromPc.begin(), fromPc.end(), kDC3) >= 1, hex(bytesOf(fromPc)).c_str());
        QCOMPARE(fromPc.front(), kDC1);
    }

    void aLineErrorStopsTheMachineAndKeepsWhatCame()
    {
        InjectedErrors errors;
        Rig rig(&errors);
        std::thread machineSide([&] {
            for (int i = 0; i < 400 && rig.machine->sent().size() < 60; ++i)
                std::this_thread::sleep_for(5ms);
            errors.frame = 1;
        });
        receiveTape(rig, vm::punchTape(longProgram(100), PunchCode::Iso), 1000);
        machineSide.join();
        checkStoppedByALineError(rig);
    }

    void aReadFailingAfterTheCountStopsTheMachine()
    {
        // Without a line-error handler only the read itself can notice.
        InjectedErrors errors;
        errors.strikeAtByte = 300;
        Rig rig(&errors);
        WindowProbe::withPorts(*rig.form, [](Trs232c &, Trs232c &receive) { receive.OnERR = nullptr; });
        receiveTape(rig, vm::punchTape(longProgram(100), PunchCode::Iso), 1000);
        checkStoppedByALineError(rig);
    }

    void cancelSendsDc3ToTheMachine()
    {
        Rig rig;
        QTimer::singleShot(400, rig.form.get(), &TSDIAppForm::stop1Execute);
        receiveTape(rig, vm::punchTape(longProgram(200), PunchCode::Iso), 500);
        rig.machine->waitForCount(2, 500ms);
        QCOMPARE(QString::fromStdString(hex(bytesOf(rig.machine->received()))), QStringLiteral("11 93 "));
        QVERIFY(rig.dialogs.shown.isEmpty());
        const std::string doc = documentOf(rig);
        QVERIFY2(doc.rfind("O7000\r\n", 0) == 0, doc.c_str());
        QVERIFY(!WindowProbe::portOpen(*rig.form));
    }

    void theCancelledSaveQuestionOpensNoPort()
    {
        Rig rig;
        rig.form->editor()->SendScintilla(QsciScintilla::SCI_ADDTEXT, 5ul, "O1234");
        rig.dialogs.answers.push_back(Answer::Cancel);
        receiveTape(rig, vm::punchTape("O1\n", PunchCode::Iso));
        QCOMPARE(rig.dialogs.texts(Kind::Information).size(), 1);  // the save question only
        std::this_thread::sleep_for(50ms);
        QVERIFY(rig.machine->received().empty());
        QCOMPARE(documentOf(rig), std::string("O1234"));
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
        QVERIFY(rig.form->commands().Rec1->isEnabled());
    }

    void closingDuringAReceptionEndsItFirst()
    {
        Rig rig;
        rig.form->show();
        bool refused = false;
        QTimer::singleShot(400, rig.form.get(), [&] { refused = !rig.form->close(); });
        rig.dialogs.answers.push_back(Answer::No);  // the save question of the close
        receiveTape(rig, vm::punchTape(longProgram(200), PunchCode::Iso), 500);
        QVERIFY(refused);
        QVERIFY(rig.form->isVisible());
        const std::string doc = documentOf(rig);
        QVERIFY2(doc.rfind("O7000\r\n", 0) == 0, "the received text became the document");
        QTRY_VERIFY(!rig.form->isVisible());
        QVERIFY(rig.dialogs.texts(Kind::Information).first().contains(QStringLiteral("保存")));
    }

    void aSpeedThatIsNoNumber()
    {
        Rig rig;
        rig.set("SPEED", "fast");
        receiveTape(rig, vm::punchTape("O1\n", PunchCode::Iso));
        QCOMPARE(rig.dialogs.texts(Kind::Error).size(), 1);
        QVERIFY(rig.machine->received().empty());
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
    }

    // Bytes a strict control would reject are counted and their lines
    // marked; the text itself is what the decoding always made of them.
    void faultyBytesAreCountedAndTheirLinesMarkedUntilEdited()
    {
        Rig rig;
        std::vector<std::uint8_t> tape = vm::punchTape("O1\nG1 X1.\nG2 Y2.\nM30\n", PunchCode::Iso);
        // Three bytes with the wrong parity: "X" and "." of "G1 X1.", "M" of "M30".
        for (char c : {'X', '.', 'M'}) {
            const auto at = std::find(tape.begin(), tape.end(), sendiso(static_cast<std::uint8_t>(c)));
            QVERIFY(at != tape.end());
            *at ^= 0x80;
        }
        receiveTape(rig, tape);
        QCOMPARE(documentOf(rig), std::string("O1\r\nG1 X1.\r\nG2 Y2.\r\nM30\r\n%\r\n"));
        const QStringList info = rig.dialogs.texts(Kind::Information);
        QCOMPARE(info.size(), 2);
        QCOMPARE(info[0], kDone);
        QCOMPARE(info[1], QStringLiteral("パリティエラーが 3 文字ありました。\r\r2 行目: G1 X1.\r4 行目: M30"));
        NcEditor &editor = *rig.form->editor();
        QVERIFY(editor.isMarkedFaulty(1));
        QVERIFY(editor.isMarkedFaulty(3));
        QVERIFY(!editor.isMarkedFaulty(2));
        QVERIFY(editor.marginWidth(1) > 0);

        // A key typed on the line takes its mark off; the last mark takes
        // the margin with it.
        rig.form->show();
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        editor.setFocus();
        editor.setCaretPos(editor.lineStart(1) + 2);
        QTest::keyClick(&editor, Qt::Key_Space);
        QVERIFY(!editor.isMarkedFaulty(1));
        QVERIFY(editor.isMarkedFaulty(3));
        editor.setCaretPos(editor.lineStart(3) + 3);
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QVERIFY(!editor.isMarkedFaulty(3));
        QCOMPARE(editor.marginWidth(1), 0);
    }

    void anEiaByteWithoutACodeIsCountedToo()
    {
        Rig rig;
        std::vector<std::uint8_t> tape = vm::punchTape("O12\nG01X1.\nM30\n", PunchCode::Eia, 10, false);
        // An EIA code no character has, in the middle of "G01X1.".
        const auto x = std::find(tape.begin(), tape.end(), sendeia('X'));
        QVERIFY(x != tape.end());
        tape.insert(x, std::uint8_t{0x03});
        receiveTape(rig, tape);
        QCOMPARE(rig.dialogs.texts(Kind::Information).last(),
                 QStringLiteral("パリティエラーが 1 文字ありました。\r\r2 行目: G01?X1."));
        QVERIFY(rig.form->editor()->isMarkedFaulty(1));

        // A clean tape says nothing more than the end and marks nothing.
        Rig clean;
        receiveTape(clean, vm::punchTape("O12\nG01X1.\nM30\n", PunchCode::Iso));
        QCOMPARE(clean.dialogs.texts(Kind::Information), QStringList{kDone});
        QCOMPARE(clean.form->editor()->marginWidth(1), 0);
    }
};

QTEST_MAIN(ReceiveTest)
#include "receive_test.moc"
