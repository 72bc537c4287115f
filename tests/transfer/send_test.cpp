// Sends end to end: the real window, a pseudo-terminal, the virtual
// machine. What reaches the machine must be exactly what the rules say.
#include "transfertesting.h"

#include "transfer/sendengine.h"
#include "transfer/sendlog.h"

#include <QAction>
#include <QFile>
#include <QProgressBar>
#include <QStringDecoder>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;

namespace {

std::string feed(int n, char c = static_cast<char>(0xA0))
{
    return std::string(static_cast<std::size_t>(n), c);
}

// The operating system's serial calls, counted by the thread that makes
// them: the window's, or any other.
struct ThreadCountingSerial : SerialSystem {
    std::atomic<int> onWindow{0}, elsewhere{0};
    void count()
    {
        (QThread::currentThread() == qApp->thread() ? onWindow : elsewhere)++;
    }
    int openDevice(const char *path) override
    {
        count();
        return SerialSystem::openDevice(path);
    }
    ssize_t readSome(int fd, void *buffer, size_t n) override
    {
        count();
        return SerialSystem::readSome(fd, buffer, n);
    }
    ssize_t writeSome(int fd, const void *buffer, size_t n) override
    {
        count();
        return SerialSystem::writeSome(fd, buffer, n);
    }
};

}  // namespace

class SendTest : public QObject {
    Q_OBJECT

private slots:
    void bytesOnTheWire_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char *name, const char *doc, const char *head, const char *code,
                      const std::string &wire) {
            QTest::newRow(name) << QByteArray(doc) << QString::fromLatin1(head) << QString::fromLatin1(code)
                                << QByteArray::fromStdString(wire);
        };
        row("O1/M30, ISO", "O1\r\nM30", "0", "ISO", iso("\nO1\r\nM30\n%"));
        row("starts and ends with %", "%\r\nO1\r\nM30\r\n%", "0", "ISO", iso("%\r\nO1\r\nM30\r\n%"));
        row("HEAD% without leading %", "O1\r\nM30\r\n%", "1", "ISO", iso("%\nO1\r\nM30\r\n%"));
        row("HEAD% with leading %", "%\r\nO1\r\nM30\r\n%", "1", "ISO", iso("%\r\nO1\r\nM30\r\n%"));
        row("apostrophe first line", "'SETUP\r\nO1\r\nM30\r\n%", "0", "ISO", iso("\nO1\r\nM30\r\n%"));
        row("apostrophe mid-file", "O1\r\n'CHECK\r\nG0X1.\r\nM30\r\n%", "0", "ISO",
            iso("\nO1\r\nG0X1.\r\nM30\r\n%"));
        row("EIA", "O1\r\nM30", "0", "EIA", eia("\nO1\r\nM30\n%"));
        row("neither code", "O1\r\nm30", "0", "", "\nO1\r\nm30\n%");
    }
    void bytesOnTheWire()
    {
        QFETCH(QByteArray, document);
        QFETCH(QString, head);
        QFETCH(QString, code);
        QFETCH(QByteArray, expected);
        Rig rig;
        rig.setDocument(document.toStdString());
        rig.set("HEAD%", head);
        rig.set("CODE", code);
        COMPARE_BYTES(sendDocument(rig), expected.toStdString());
        QVERIFY(rig.dialogs.shown.isEmpty());
        QCOMPARE(rig.panel0(), QString());
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
    }

    void aCommentLineLongerThan1001Characters()
    {
        Rig rig;
        const std::string rest(300, 'C');
        rig.setDocument("O1\r\n'" + std::string(1000, 'C') + rest + "\r\nM30\r\n%");
        COMPARE_BYTES(sendDocument(rig), iso("\nO1\r\n" + rest + "\r\nM30\r\n%"));
    }

    void tapeModeFramesAndFeedsBetweenPrograms()
    {
        Rig rig;
        rig.set("TAPE", "1");
        rig.set("FEED", "100");
        rig.setDocument("O1\r\nM30\r\nO2\r\nM30\r\n%");
        const std::string wire = "\x12" + feed(100) + iso("\nO1\r\nM30\r") + feed(100)
                               + iso("\nO2\r\nM30\r\n%") + feed(100) + "\x14";
        COMPARE_BYTES(sendDocument(rig), wire);

        Rig none;
        none.set("TAPE", "1");
        none.set("FEED", "0");
        none.setDocument("O1\r\nM30\r\nO2\r\nM30\r\n%");
        COMPARE_BYTES(sendDocument(none), "\x12" + iso("\nO1\r\nM30\r\nO2\r\nM30\r\n%") + "\x14");
    }

    void programBoundaryFeedLimits()
    {
        // An O-line within the first six bytes and one at the very end get no feed.
        Rig early;
        early.set("TAPE", "1");
        early.set("FEED", "3");
        early.setDocument("O1\r\nO2\r\nM30\r\n%");
        COMPARE_BYTES(sendDocument(early), "\x12" + feed(3) + iso("\nO1\r\nO2\r\nM30\r\n%") + feed(3) + "\x14");

        Rig last;
        last.set("TAPE", "1");
        last.set("FEED", "3");
        last.set("CHECK", "0");  // the bare "O" is the point here, not a finding
        last.setDocument("%\r\nM30\r\n%\r\nO");
        COMPARE_BYTES(sendDocument(last), "\x12" + feed(3) + iso("%\r\nM30\r\n%\r\nO") + feed(3) + "\x14");

        // EIA: the feed byte is the EIA space, the boundary is EOB then "O".
        Rig eiaRig;
        eiaRig.set("TAPE", "1");
        eiaRig.set("FEED", "2");
        eiaRig.set("CODE", "EIA");
        eiaRig.setDocument("O1\r\nM30\r\nO2\r\nM30\r\n%");
        const std::string f2 = feed(2, 0x10);
        COMPARE_BYTES(sendDocument(eiaRig), "\x12" + f2 + eia("\nO1\r\nM30\r") + f2 + eia("\nO2\r\nM30\r\n%") + f2 + "\x14");
    }

    void sendRequestWaitsForDc1()
    {
        Rig rig;
        rig.set("SE", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        listen(rig);
        QStringList waitingTexts;
        int waits = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 100)
                return;
            waitingTexts << rig.panel0();
            if (++waits == 5) {
                QVERIFY(rig.machine->received().empty());  // nothing before DC1
                rig.machine->sendNow({kDC1});
            }
        };
        rig.form->send1Execute();
        finish(rig);
        QVERIFY(waits >= 5);
        QCOMPARE(waitingTexts.first(), QStringLiteral("送信待機中"));
        rig.machine->waitForCount(1, 200ms);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\nO1\r\nM30\r\n%"));
    }

    void dc3HoldsAndDc1Resumes()
    {
        Rig rig;
        rig.set("SPEED", "9600");  // a byte a millisecond
        std::string doc = "O1\r\n";
        for (int i = 0; i < 40; ++i)
            doc += "G01X" + std::to_string(i) + ".\r\n";
        doc += "M30\r\n%";
        rig.setDocument(doc);
        listen(rig);
        std::size_t atHold = 0;
        std::thread machineSide([&] {
            rig.machine->waitForCount(20, 2000ms);
            rig.machine->sendNow({kDC3});
            std::this_thread::sleep_for(300ms);
            atHold = rig.machine->received().size();
            std::this_thread::sleep_for(200ms);
            if (rig.machine->received().size() != atHold)
                atHold = 0;  // still sending while held
            rig.machine->sendNow({kDC1});
        });
        rig.form->send1Execute();
        finish(rig);
        machineSide.join();
        // Held within a few bytes (the benchmark measures how few), and
        // nothing at all went out while held.
        QVERIFY2(atHold >= 20 && atHold <= 30, std::to_string(atHold).c_str());
        rig.machine->waitForCount(doc.size(), 500ms);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\n" + doc));
    }

    void plainDc3DoesNotHold()
    {
        Rig rig;
        rig.set("SPEED", "19200");
        rig.setDocument("O1\r\nG01X1.\r\nG01X2.\r\nG01X3.\r\nM30\r\n%");
        listen(rig);
        std::thread machineSide([&] {
            rig.machine->waitForCount(3, 2000ms);
            rig.machine->sendNow({0x13});
        });
        rig.form->send1Execute();
        finish(rig);
        machineSide.join();
        QVERIFY(rig.dialogs.shown.isEmpty());
        rig.machine->waitForCount(35, 500ms);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\nO1\r\nG01X1.\r\nG01X2.\r\nG01X3.\r\nM30\r\n%"));
    }

    void cancelInTheDc1WaitStillFramesTheTapeAndLogsIt()
    {
        Rig rig;
        rig.set("SE", "1");
        rig.set("TAPE", "1");
        rig.set("FEED", "5");
        rig.set("LOG", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        listen(rig);
        int waits = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms == 100 && ++waits == 3)
                rig.form->stop1Execute();
        };
        rig.form->send1Execute();
        finish(rig);
        rig.machine->waitForCount(2, 300ms);
        COMPARE_BYTES(bytesOf(rig.machine->received()), "\x12\x14");
        const QString text = rig.logText();
        QVERIFY2(text.endsWith(QStringLiteral("  無題  送信中断\r\n")), qPrintable(text));
    }

    void theFarEndVanishingMidSend()
    {
        Rig rig;
        rig.set("SPEED", "9600");
        rig.set("LOG", "1");
        std::string doc;
        for (int i = 0; i < 100; ++i)
            doc += "G01X" + std::to_string(i) + ".\r\n";
        rig.setDocument(doc);
        listen(rig);
        std::thread machineSide([&] {
            rig.machine->waitForCount(30, 2000ms);
            rig.machine->hangUp();
        });
        rig.form->send1Execute();
        finish(rig);
        machineSide.join();
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{sendErrorMessage()});
        QVERIFY(rig.logText().endsWith(QStringLiteral("送信中断\r\n")));
        // Unlocked and usable.
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
        QVERIFY(rig.form->commands().FileNew1->isEnabled());
        QVERIFY(rig.form->commands().send1->isEnabled());
        QVERIFY(!rig.form->commands().stop1->isEnabled());
        QVERIFY(rig.form->editor()->isEnabled());
        QVERIFY(!rig.form->statusPanels()->progressBar());
        QVERIFY(!WindowProbe::portOpen(*rig.form));
    }

    void aPortThatCannotBeOpened()
    {
        Rig rig;
        rig.set("PORT", "/dev/marbolt-no-such-port");
        rig.set("LOG", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        rig.form->send1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("回線オープンエラー")});
        QVERIFY2(!QFile::exists(rig.logPath()), "no log line for a send that never began");
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
        QVERIFY(rig.form->commands().send1->isEnabled());
    }

    void nothingToSend()
    {
        Rig rig;
        rig.form->send1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("送信データがありません")});
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
    }

    void settingsThatAreNoNumbers_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("SPEED") << "SPEED" << "96OO";
        QTest::newRow("WAIT") << "WAIT" << "x";
        QTest::newRow("FEED in tape mode") << "FEED" << "1O0";
    }
    void settingsThatAreNoNumbers()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        Rig rig;
        rig.set("TAPE", "1");
        rig.set(key.toLatin1().constData(), value);
        rig.setDocument("O1\r\nM30\r\n%");
        listen(rig);
        rig.form->send1Execute();
        finish(rig);
        const QStringList errors = rig.dialogs.texts(Kind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(value) && errors.first().contains(key));
        QVERIFY2(rig.machine->received().empty(), "nothing may go out");
        QVERIFY(rig.form->transfers().activity() == TransferActivity::Idle);
        QVERIFY(rig.form->commands().send1->isEnabled());
        QVERIFY(!WindowProbe::portOpen(*rig.form));
    }

    void aCharacterShiftJisCannotHoldStopsTheSend()
    {
        Rig rig;
        rig.setDocument("O1\r\n(€)\r\nM30\r\n%");
        listen(rig);
        rig.form->send1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Error).size(), 1);
        QVERIFY(rig.dialogs.texts(Kind::Error).first().contains(QStringLiteral("2 行目")));
        QVERIFY(rig.machine->received().empty());
    }

    void remainingTextsOnThePanel()
    {
        // 4800 bit/s: the first estimate is 400 bytes a second.
        Rig rig;
        rig.set("SPEED", "4800");
        std::string doc(10000 - 3, 'X');  // with the lead LF and the end LF "%": 10000 bytes
        rig.setDocument(doc);
        listen(rig);
        QStringList texts;
        rig.clock.onSleep = [&](int ms) {
            if (ms == 0 && texts.size() < 2) {
                texts << rig.panel0();
                if (texts.size() == 2)
                    rig.form->stop1Execute();
            }
        };
        rig.form->send1Execute();
        finish(rig);
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts[0], QStringLiteral("送信中"));
        QCOMPARE(texts[1], QStringLiteral("残り10000バイト(約25秒)"));
    }

    void remainingTextInMinutesAt110Bits()
    {
        // 110 bit/s: 9 bytes a second, 999 bytes take 111 s, shown as 2 minutes.
        Rig rig;
        rig.set("SPEED", "110");
        rig.setDocument(std::string(999 - 3, 'X'));
        listen(rig);
        QString second;
        int points = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms == 0 && ++points == 2) {
                second = rig.panel0();
                rig.form->stop1Execute();
            }
        };
        rig.form->send1Execute();
        finish(rig);
        QCOMPARE(second, QStringLiteral("残り999バイト(約2分)"));
    }

    void theRateTimerMeasuresTheBytesSent()
    {
        Rig rig;
        rig.setDocument(std::string(5000, 'X'));
        listen(rig);
        bool ticked = false;
        rig.clock.onSleep = [&](int) {
            if (ticked)
                return;
            ticked = true;
            QVERIFY(WindowProbe::Timer1(*rig.form).isActive());
            QCOMPARE(WindowProbe::Timer1(*rig.form).interval(), 5000);
        };
        rig.form->send1Execute();
        finish(rig);
        QVERIFY(ticked);
        QVERIFY(!WindowProbe::Timer1(*rig.form).isActive());
        QCOMPARE(rig.form->transfers().sendEngine().sendrate(), 115200 / 12);
    }

    // The second after the last byte keeps its length, but the window
    // paints through it.
    void theSecondAfterTheLastByteKeepsTheWindowPainting()
    {
        Rig rig;
        rig.clock.cap = 1000;  // the real second
        rig.set("LOG", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        listen(rig);
        PaintWatch watch(rig.form->statusPanels());
        QElapsedTimer second;
        qint64 longest = -1, took = -1;
        int paints = 0;
        rig.clock.onSleep = [&](int ms) {
            if (ms != 1000)
                return;
            watch.begin();
            second.start();
        };
        rig.form->send1Execute();
        finish(rig);
        took = second.elapsed();
        longest = watch.longestGap();
        paints = watch.paints();
        QVERIFY2(took >= 1000, std::to_string(took).c_str());
        QVERIFY2(longest < 150, std::to_string(longest).c_str());
        QVERIFY2(paints >= 20, std::to_string(paints).c_str());
        QVERIFY2(rig.logText().endsWith(QStringLiteral("送信完了\r\n")), qPrintable(rig.logText()));
    }

    // While the bytes go out the window paints and takes keys: a send is
    // a job between the window's events, not a loop that holds them.
    void theWindowPaintsAndAnswersWhileTheBytesGoOut()
    {
        Rig rig;
        rig.set("SPEED", "9600");  // a byte a millisecond: some 2 s of sending
        std::string doc = "O1\r\n";
        for (int i = 0; i < 200; ++i)
            doc += "G01X" + std::to_string(i) + ".\r\n";
        doc += "M30\r\n%";
        rig.setDocument(doc);
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        listen(rig);
        PaintWatch watch(rig.form->statusPanels());
        qint64 longest = -1;
        int paints = 0;
        std::size_t atCancel = 0;
        bool first = true;
        rig.clock.onSleep = [&](int ms) {
            if (ms == 0 && first) {  // the first pacing point: the bytes start
                first = false;
                watch.begin();
                // F8 by key once a second of bytes has gone.
                QTimer::singleShot(1000, rig.form.get(), [&] {
                    longest = watch.longestGap();
                    paints = watch.paints();
                    atCancel = rig.machine->received().size();
                    QTest::keyClick(rig.form.get(), Qt::Key_F8);
                });
            }
        };
        rig.form->send1Execute();
        finish(rig);
        qInfo("longest time without painting while sending: %lld ms over %d paints", longest, paints);
        QVERIFY2(longest >= 0 && longest < 100, std::to_string(longest).c_str());
        QVERIFY2(paints >= 20, std::to_string(paints).c_str());
        // F8 stopped it part-way: the key reached the window mid-send.
        QVERIFY2(atCancel > 100 && atCancel < doc.size(), std::to_string(atCancel).c_str());
        rig.machine->waitForCount(atCancel + 3, 200ms);
        QVERIFY(rig.machine->received().size() < doc.size());
    }

    // A port is opened, written and read (and a byte's character time
    // waited) on the machine's session, never on the window's thread: F5
    // and F6, started as a person does, by their keys.
    void thePortIsNeverTheWindowsWork()
    {
        ThreadCountingSerial serial;
        Rig rig(&serial);
        rig.set("SPEED", "19200");
        rig.setDocument("O1\r\nG01X1.\r\nM30\r\n%");
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        listen(rig);
        rig.form->editor()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        finish(rig);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\nO1\r\nG01X1.\r\nM30\r\n%"));

        rig.machine->punch(vm::punchTape("O2\nM30\n", PunchCode::Iso), vm::PunchMode{});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        finish(rig);
        QCOMPARE(std::string(rig.form->editor()->textView()), std::string("O2\r\nM30\r\n%\r\n"));
        QVERIFY(serial.elsewhere > 20);
        QCOMPARE(serial.onWindow.load(), 0);
    }

    void theLogForTitledAndUntitledDocuments()
    {
        Rig rig;
        rig.set("LOG", "1");
        rig.setDocument("O1\r\nM30\r\n%");
        sendDocument(rig);
        const QString file = rig.dir.filePath(QStringLiteral("O1000.nc"));
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("O1000\r\nM30\r\n%\r\n");
        }
        QVERIFY(rig.form->fopen(file));
        sendDocument(rig);
        const QStringList lines = rig.logText().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], sendLogHeader());
        QCOMPARE(lines[1], sendLogRule());
        const QString when = sendLogDateTime(rig.clock.fixed);
        QCOMPARE(lines[2], when + QStringLiteral("  無題  送信完了"));
        QCOMPARE(lines[3], when + QStringLiteral("  ") + rig.form->filename() + QStringLiteral("  送信完了"));

        QFile::remove(rig.logPath());
        sendDocument(rig);
        QCOMPARE(rig.logText().split(QStringLiteral("\r\n")).size(), 4);
    }

    void theHighlightAndTheIndexBoxFollowTheProgram()
    {
        Rig rig;
        rig.set("SPEED", "38400");
        rig.setDocument("O1000\r\nG01X1.\r\nM30\r\n:2000\r\nG01X2.\r\nM30\r\n%");
        listen(rig);
        QStringList boxTexts;
        QList<int> lines;
        QObject::connect(rig.form->indexBox(), &QComboBox::currentTextChanged,
                         [&](const QString &t) { boxTexts << t; });
        QObject::connect(rig.form->editor(), &QsciScintilla::selectionChanged, [&] {
            int lineFrom, indexFrom, lineTo, indexTo;
            rig.form->editor()->getSelection(&lineFrom, &indexFrom, &lineTo, &indexTo);
            if (lineFrom >= 0 && (lines.isEmpty() || lines.last() != lineFrom))
                lines << lineFrom;
        });
        rig.form->send1Execute();
        finish(rig);
        QVERIFY(boxTexts.contains(QStringLiteral(":2000")));
        // One line at a time, down to the last; line 0 was already current.
        QCOMPARE(lines, (QList<int>{1, 2, 3, 4, 5, 6}));
        // After the send: caret at 0, the box on its first entry.
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t{0});
        QCOMPARE(rig.form->indexBox()->boxText(), rig.form->indexBox()->entries().first());
    }

    void theSelectionSendSendsTheSelection()
    {
        // psend3 has no menu entry and no key, but is an action.
        Rig rig;
        QVERIFY(rig.form->commands().psend3->shortcut().isEmpty());
        rig.setDocument("O1\r\nM30\r\nO2\r\nG01X1.\r\nM30\r\n");
        const std::size_t start = 9;  // "O2"
        rig.form->editor()->selectRange(start, start + 16);
        listen(rig);
        rig.form->commands().psend3->trigger();
        finish(rig);
        rig.machine->waitForCount(1, 200ms);
        std::this_thread::sleep_for(20ms);
        // The LF in front of the selection is a line end like any other: CR LF.
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\n\r\nO2\r\nG01X1.\r\nM30\r\n\n%"));
        QCOMPARE(rig.form->editor()->caretPos(), start);
    }
};

QTEST_MAIN(SendTest)
#include "send_test.moc"
