// Transfer sessions without any window: each on its own thread with its
// own ports, against virtual machine tools on pseudo-terminals.
#include "serial/punchcodes.h"
#include "history/historydatabase.h"
#include "station/station.h"
#include "transfer/transfersession.h"
#include "virtualmachine.h"
#include "../punchbytes.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using namespace marbolt;
using marbolt::testing::iso;
using marbolt::testing::bytesOf;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(marbolt::Reception)

namespace {

TransferValues valuesFor(const vm::VirtualMachine &machine, int speed = 19200)
{
    TransferValues v;
    v.port = QString::fromStdString(machine.portPath());
    v.stopbit = QStringLiteral("1");
    v.speed = speed;
    v.code = PunchCode::Iso;
    v.sendRequest = true;
    return v;
}

// A program of some bytes, its lines told apart by the machine's number.
std::string programText(int machine, int lines)
{
    std::string text = "O" + std::to_string(1000 + machine) + "\r\n";
    for (int i = 0; i < lines; ++i)
        text += "N" + std::to_string(i) + "G01X" + std::to_string(machine) + "." + std::to_string(i) + "F100\r\n";
    return text + "M30\r\n%";
}

// Runs the event loop until every session is idle again, or the time-out.
bool allIdle(const std::vector<std::unique_ptr<TransferSession>> &sessions, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        bool idle = true;
        for (const auto &s : sessions)
            idle = idle && !s->busy();
        if (idle)
            return true;
        if (deadline.hasExpired()) {
            for (const auto &s : sessions)
                qWarning() << s->machine() << int(s->status().state) << s->status().text << s->status().done;
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(5);
    }
}

// Keeps what the sessions record, from their threads.
class Records : public TransferRecorder {
public:
    void record(TransferRecord r) override
    {
        std::lock_guard lock(mutex_);
        records_.push_back(std::move(r));
    }
    std::vector<TransferRecord> taken()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(records_, {});
    }

private:
    std::mutex mutex_;
    std::vector<TransferRecord> records_;
};

}  // namespace

class StationTest : public QObject {
    Q_OBJECT

private slots:
    // Four machines take programs and four punch theirs, all at once,
    // each paced by its own DC1/DC3: every byte arrives as it should.
    void eightSessionsSendAndReceiveAtOnce()
    {
        constexpr int kMachines = 8;
        std::vector<std::unique_ptr<vm::VirtualMachine>> machines;
        std::vector<std::unique_ptr<TransferSession>> sessions;
        std::vector<std::unique_ptr<QSignalSpy>> sent, received;
        std::vector<std::string> texts;
        for (int m = 0; m < kMachines; ++m) {
            machines.push_back(vm::VirtualMachine::create());
            QVERIFY(machines.back());
            sessions.push_back(std::make_unique<TransferSession>(QStringLiteral("機械%1").arg(m + 1),
                                                                 valuesFor(*machines.back())));
            sent.push_back(std::make_unique<QSignalSpy>(sessions.back().get(), &TransferSession::sendFinished));
            received.push_back(std::make_unique<QSignalSpy>(sessions.back().get(), &TransferSession::received));
        }
        // The senders wait for their machines' DC1, as after F2 on the PC
        // the operator starts the control's input.
        for (int m = 0; m < 4; ++m) {
            texts.push_back(programText(m, 150));
            QVERIFY(sessions[m]->send(documentSendJob(valuesFor(*machines[m]), texts.back()),
                                      QStringLiteral("O%1").arg(1000 + m)));
        }
        for (int m = 0; m < 4; ++m)
            QTRY_COMPARE(sessions[m]->status().state, SessionState::Waiting);
        for (int m = 0; m < kMachines; ++m) {
            if (m < 4) {
                // A control with a small buffer: it stops and resumes the
                // sender many times, and flags any byte it would reject.
                vm::ReceiveMode mode;
                mode.stopLevel = 256;
                mode.resumeLevel = 64;
                mode.drainPerSecond = 800;
                mode.code = PunchCode::Iso;
                machines[m]->receive(mode);
            } else {
                texts.push_back(vm::longProgramText(3000 + 100 * m));
                vm::PunchMode mode;
                mode.bytesPerSecond = vm::lineBytesPerSecond(19200);
                mode.overrunAfterDc3 = 10;
                machines[m]->punch(vm::punchTape(texts.back(), PunchCode::Iso), mode);
                QVERIFY(sessions[m]->receive());
            }
        }
        // A second transfer on a busy session is refused.
        QVERIFY(!sessions[0]->receive());
        QVERIFY(allIdle(sessions, 30000));

        for (int m = 0; m < 4; ++m) {
            QCOMPARE(sent[m]->count(), 1);
            QCOMPARE(sent[m]->at(0).at(0).value<SessionOutcome>(), SessionOutcome::Completed);
            machines[m]->waitForCount(texts[m].size() + 1, 2000ms);
            const std::string wire = bytesOf(machines[m]->received());
            QVERIFY2(wire == iso("\n" + texts[m]), ("machine " + std::to_string(m + 1)).c_str());
            QVERIFY(machines[m]->rejected().empty());
            const std::vector<int> overruns = machines[m]->bytesAfterDc3();
            QVERIFY2(overruns.size() >= 3, std::to_string(overruns.size()).c_str());  // held, and resumed
            // Each held within what a control takes after its DC3.
            QVERIFY(*std::max_element(overruns.begin(), overruns.end()) <= 10);
        }
        for (int m = 4; m < kMachines; ++m) {
            QCOMPARE(received[m]->count(), 1);
            const auto reception = received[m]->at(0).at(0).value<Reception>();
            QCOMPARE(reception.outcome, SessionOutcome::Completed);
            QCOMPARE(reception.detail, ReceiveOutcome::EndPercent);
            QCOMPARE(reception.faultyBytes, 0);
            std::string expected;
            for (char c : texts[m])
                expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
            QVERIFY2(reception.text == expected + "%\r\n", ("machine " + std::to_string(m + 1)).c_str());
            QCOMPARE(sessions[m]->status().program, QStringLiteral("O7000(ROUGH)"));  // its last O-line
        }
    }

    // The status a machine list shows, and a cancel while the machine has
    // not asked yet: the send ends at once and the session is free again.
    void aSessionTellsItsStateAndACancelFreesIt()
    {
        auto machine = vm::VirtualMachine::create();
        QVERIFY(machine);
        vm::ReceiveMode mode;
        mode.sendDc1AtStart = false;
        machine->receive(mode);
        TransferSession session(QStringLiteral("旋盤"), valuesFor(*machine));
        QCOMPARE(session.port(), QString::fromStdString(machine->portPath()));
        QSignalSpy finished(&session, &TransferSession::sendFinished);
        QVERIFY(session.send(documentSendJob(valuesFor(*machine), "O1\r\nM30\r\n%"), QStringLiteral("O1")));
        QTRY_COMPARE(session.status().text, QStringLiteral("送信待機中"));
        QCOMPARE(session.status().state, SessionState::Waiting);
        QCOMPARE(session.status().program, QStringLiteral("O1"));
        QCOMPARE(session.status().total, 11);
        QTest::qWait(200);
        QVERIFY(machine->received().empty());  // nothing before the machine's DC1
        session.cancel();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).value<SessionOutcome>(), SessionOutcome::Cancelled);
        QCOMPARE(session.status().state, SessionState::Idle);

        // The same session sends again once the machine asks.
        machine->clearReceived();
        QVERIFY(session.send(documentSendJob(valuesFor(*machine), "O2\r\nM30\r\n%"), QStringLiteral("O2")));
        QTRY_COMPARE(session.status().state, SessionState::Waiting);
        machine->sendNow({kDC1});
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(finished.at(1).at(0).value<SessionOutcome>(), SessionOutcome::Completed);
        QCOMPARE(bytesOf(machine->received()), iso("\nO2\r\nM30\r\n%"));
    }

    // However a cancel meets a reception (before its job has started, or
    // while the tape runs), the machine is told to stop once: the DC1 that
    // asked, one DC3.
    void aCancelledReceptionStopsTheMachineOnce()
    {
        auto machine = vm::VirtualMachine::create();
        QVERIFY(machine);
        TransferSession session(QStringLiteral("立形"), valuesFor(*machine, 9600));
        QSignalSpy received(&session, &TransferSession::received);
        QVERIFY(session.receive());
        session.cancel();  // queued behind the reception's start
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).value<Reception>().outcome, SessionOutcome::Cancelled);
        QTest::qWait(100);
        QCOMPARE(bytesOf(machine->received()), iso("\x11\x13"));

        machine->clearReceived();
        vm::PunchMode mode;
        mode.bytesPerSecond = 400;
        machine->punch(vm::punchTape(programText(1, 200), PunchCode::Iso), mode);
        QVERIFY(session.receive());
        QTRY_VERIFY(session.status().done > 40);
        session.cancel();
        session.cancel();  // a second press while it ends
        QTRY_COMPARE(received.count(), 2);
        QCOMPARE(received.at(1).at(0).value<Reception>().outcome, SessionOutcome::Cancelled);
        QTest::qWait(100);
        QCOMPARE(bytesOf(machine->received()), iso("\x11\x13"));
        QVERIFY(!session.portOpen());
    }

    // The settings dialog changes [COMM], the active machine's values: a
    // session looked up then takes them, and looking writes nothing into
    // the settings.
    void aSessionTakesTheSettingsAsTheyStandWithoutWritingThem()
    {
        QTemporaryDir dir;
        Station station(StationPlace{dir.filePath(QStringLiteral("marbolt.ini")), QStringLiteral("/opt/marbolt/")});
        station.load();
        QVERIFY(station.machines().add(QStringLiteral("旋盤 2号機")));
        station.machines().activate(0);
        station.settings().set(setting::SPEED, QStringLiteral("2400"));
        const QStringList before = station.settings().lines();
        TransferSession *first = station.session(0);
        QVERIFY(first);
        QCOMPARE(first->values().speed, 2400);
        TransferSession *second = station.session(1);
        QVERIFY(second);
        QCOMPARE(second->values().speed, 4800);  // the other machine keeps its own
        QCOMPARE(station.settings().lines(), before);
        // Switching keeps the active machine's values in its profile.
        station.machines().activate(1);
        QCOMPARE(station.machines().all().first().value(setting::SPEED), QStringLiteral("2400"));
    }

    // A transfer that moved bytes leaves one record, whole or cut short;
    // one that moved none (a send given up before the machine asked, a
    // reception stopped before the tape, a port that did not open) none.
    void eachTransferThatMovedBytesLeavesItsRecord()
    {
        auto machine = vm::VirtualMachine::create();
        QVERIFY(machine);
        Records records;
        TransferSession session(QStringLiteral("旋盤"), valuesFor(*machine, 9600));
        session.setRecorder(&records);
        QSignalSpy finished(&session, &TransferSession::sendFinished);
        QSignalSpy received(&session, &TransferSession::received);

        vm::ReceiveMode wait;
        wait.sendDc1AtStart = false;
        machine->receive(wait);
        QVERIFY(session.send(documentSendJob(valuesFor(*machine), "O1\r\nM30\r\n%"), QStringLiteral("O1")));
        QTRY_COMPARE(session.status().state, SessionState::Waiting);
        session.cancel();
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(session.receive());
        session.cancel();
        QTRY_COMPARE(received.count(), 1);
        QTest::qWait(50);
        QVERIFY(records.taken().empty());

        // A whole send: its text before the punch code, every byte counted.
        const QDateTime before = QDateTime::currentDateTime();
        QVERIFY(session.send(documentSendJob(valuesFor(*machine), "O2 (荒)\r\nM30\r\n%"), QStringLiteral("O2")));
        QTRY_COMPARE(session.status().state, SessionState::Waiting);
        machine->sendNow({kDC1});
        QTRY_COMPARE(finished.count(), 2);
        QTest::qWait(20);
        std::vector<TransferRecord> sent = records.taken();
        QCOMPARE(sent.size(), 1u);
        QCOMPARE(sent[0].machine, QStringLiteral("旋盤"));
        QCOMPARE(sent[0].port, QString::fromStdString(machine->portPath()));
        QCOMPARE(sent[0].direction, RecordDirection::Send);
        QCOMPARE(sent[0].outcome, RecordOutcome::Completed);
        QCOMPARE(sent[0].text, std::string("\nO2 (荒)\r\nM30\r\n%"));
        QCOMPARE(sent[0].bytes, static_cast<qint64>(sent[0].text.size()));
        QVERIFY(sent[0].started >= before.addMSecs(-1000) && sent[0].started <= sent[0].ended);

        // A reception stopped mid-tape: what came, as cancelled.
        vm::PunchMode mode;
        mode.bytesPerSecond = 400;
        machine->punch(vm::punchTape(programText(1, 200), PunchCode::Iso), mode);
        QVERIFY(session.receive());
        QTRY_VERIFY(session.status().done > 40);
        session.cancel();
        QTRY_COMPARE(received.count(), 2);
        QTest::qWait(20);
        const Reception cut = received.at(1).at(0).value<Reception>();
        std::vector<TransferRecord> came = records.taken();
        QCOMPARE(came.size(), 1u);
        QCOMPARE(came[0].direction, RecordDirection::Receive);
        QCOMPARE(came[0].outcome, RecordOutcome::Cancelled);
        QCOMPARE(came[0].text, cut.text);
        QVERIFY(came[0].text.rfind("O1001\r\n", 0) == 0);

        TransferValues nowhere;
        nowhere.port = QStringLiteral("/dev/marbolt-no-such-port");
        TransferSession missing(QStringLiteral("無い機械"), nowhere);
        missing.setRecorder(&records);
        QSignalSpy missingEnd(&missing, &TransferSession::sendFinished);
        QVERIFY(missing.send(documentSendJob(nowhere, "O1\r\n%"), QStringLiteral("O1")));
        QTRY_COMPARE(missingEnd.count(), 1);
        QVERIFY(records.taken().empty());
    }

    // The station records its machines' transfers in the history its
    // settings name, by the machine's name and as this program.
    void theStationKeepsItsTransfersInItsHistory()
    {
        auto machine = vm::VirtualMachine::create();
        QVERIFY(machine);
        vm::ReceiveMode wait;
        wait.sendDc1AtStart = false;
        machine->receive(wait);
        QTemporaryDir dir;
        Station station(StationPlace{dir.filePath(QStringLiteral("marbolt.ini")), QStringLiteral("/opt/marbolt/")});
        station.load();
        QVERIFY(station.historyProblem().isEmpty());
        QVERIFY(station.machines().add(QStringLiteral("3号機")));
        station.machines().activate(1);
        const TransferValues v = valuesFor(*machine);
        station.settings().set(setting::PORT, v.port);
        station.settings().set(setting::STOPBIT, v.stopbit);
        station.settings().set(setting::SPEED, QString::number(v.speed));
        station.settings().set(setting::CHECK, QStringLiteral("0"));
        QSignalSpy ended(&station, &Station::transferEnded);
        QCOMPARE(station.sendText(1, "O1234 (FLANGE)\r\nG0 X1.\r\nM30\r\n%", QStringLiteral("a.nc"), QString()), std::nullopt);
        QTRY_COMPARE(station.session(1)->status().state, SessionState::Waiting);
        machine->sendNow({kDC1});
        QTRY_COMPARE(ended.count(), 1);
        QVERIFY(station.history());
        QVERIFY(station.history()->flush(10000));

        HistoryDatabase db;
        QVERIFY2(db.open(station.history()->connection()), qPrintable(db.error()));
        QCOMPARE(station.history()->connection().file, dir.filePath(QStringLiteral("marbolt-history.sqlite")));
        const auto found = db.find(HistoryFilter{});
        QVERIFY(found);
        QCOMPARE(found->size(), 1u);
        QCOMPARE(found->at(0).machine, QStringLiteral("3号機"));
        QCOMPARE(found->at(0).program, 1234L);
        QCOMPARE(found->at(0).comment, QStringLiteral("FLANGE"));
        QCOMPARE(found->at(0).via, QStringLiteral("marbolt"));
        QCOMPARE(db.content(found->at(0).content), std::optional<std::string>("O1234 (FLANGE)\r\nG0 X1.\r\nM30\r\n"));
    }

    void aPortThatDoesNotOpenEndsTheTransfer()
    {
        TransferValues values;
        values.port = QStringLiteral("/dev/marbolt-no-such-port");
        values.speed = 9600;
        TransferSession session(QStringLiteral("無い機械"), values);
        QSignalSpy finished(&session, &TransferSession::sendFinished);
        QSignalSpy received(&session, &TransferSession::received);
        QVERIFY(session.send(documentSendJob(values, "O1\r\n%"), QStringLiteral("O1")));
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).value<SessionOutcome>(), SessionOutcome::NotOpened);
        QVERIFY(session.receive());
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).value<Reception>().outcome, SessionOutcome::NotOpened);
        QVERIFY(!session.busy());
    }
};

QTEST_GUILESS_MAIN(StationTest)
#include "station_test.moc"
