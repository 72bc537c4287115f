// Sends and receptions through a serial device server on the network:
// Debian's ser2net in front of the virtual machine's pseudo-terminal,
// reached as a raw TCP port and as an RFC 2217 port.
#include "transfertesting.h"
#include "../network/ser2netserver.h"

#include "transfer/receiver.h"
#include "transfer/sendengine.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;
using Accepter = Ser2net::Accepter;

Q_DECLARE_METATYPE(Accepter)

namespace {

// A window whose port is the server in front of its machine.
struct NetRig : Rig {
    std::unique_ptr<Ser2net> server;
    explicit NetRig(Accepter accepter)
    {
        std::string why;
        server = Ser2net::start(machine->portPath(), accepter, &why);
        if (!server)
            qFatal("%s", why.c_str());
        set("PORT", QString::fromStdString(server->url()));
    }
};

std::string program(int lines)
{
    std::string doc = "O1\r\n";
    for (int i = 0; i < lines; ++i)
        doc += "G01X" + std::to_string(i) + ".Y-" + std::to_string(i * 3) + ".\r\n";
    return doc + "M30\r\n%";
}

// A listening socket on 127.0.0.1 and its port.
int listeningSocket(int backlog, sockaddr_in &address)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0 || ::listen(fd, backlog) != 0)
        qFatal("no listening socket");
    return fd;
}

// An address that does not answer. Raw TCP: a listening socket whose one
// place in its queue is taken, so the kernel drops every further SYN and
// a connect waits. RFC 2217: a server that accepts and never says a word.
class SilentServer {
public:
    explicit SilentServer(Accepter accepter) : accepter_(accepter)
    {
        sockaddr_in address;
        listener_ = listeningSocket(0, address);
        port_ = ntohs(address.sin_port);
        if (accepter == Accepter::Raw) {
            filler_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(filler_, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
                qFatal("the queue could not be filled");
        } else {
            accepting_ = std::thread([this] { accepted_ = ::accept(listener_, nullptr, nullptr); });
        }
    }
    ~SilentServer()
    {
        ::shutdown(listener_, SHUT_RDWR);
        if (accepting_.joinable())
            accepting_.join();
        for (int fd : {listener_, filler_, accepted_.load()})
            if (fd >= 0)
                ::close(fd);
    }
    QString url() const
    {
        return QStringLiteral("%1://127.0.0.1:%2")
            .arg(accepter_ == Accepter::Raw ? QStringLiteral("tcp") : QStringLiteral("rfc2217"))
            .arg(port_);
    }

private:
    Accepter accepter_;
    int listener_ = -1, filler_ = -1;
    std::atomic<int> accepted_{-1};
    std::thread accepting_;
    int port_ = 0;
};

// A raw TCP server that takes everything sent and never ends its side of
// the connection: a close waits for it in vain.
class HoldingServer {
public:
    HoldingServer()
    {
        sockaddr_in address;
        listener_ = listeningSocket(4, address);
        port_ = ntohs(address.sin_port);
        taking_ = std::thread([this] {
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0)
                return;
            accepted_ = fd;
            char buffer[4096];
            ssize_t n;
            while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                received_ += static_cast<std::size_t>(n);
        });
    }
    ~HoldingServer()
    {
        ::shutdown(listener_, SHUT_RDWR);
        if (accepted_ >= 0)
            ::shutdown(accepted_, SHUT_RDWR);
        taking_.join();
        ::close(listener_);
        if (accepted_ >= 0)
            ::close(accepted_);
    }
    QString url() const { return QStringLiteral("tcp://127.0.0.1:%1").arg(port_); }
    std::size_t received() const { return received_; }

private:
    int listener_ = -1;
    std::atomic<int> accepted_{-1};
    std::atomic<std::size_t> received_{0};
    std::thread taking_;
    int port_ = 0;
};

void addAccepters()
{
    QTest::addColumn<Accepter>("accepter");
    QTest::newRow("raw TCP") << Accepter::Raw;
    QTest::newRow("RFC 2217") << Accepter::Rfc2217;
}

bool unlocked(Rig &rig)
{
    return rig.form->transfers().activity() == TransferActivity::Idle && rig.form->commands().send1->isEnabled()
        && rig.form->commands().Rec1->isEnabled() && !rig.form->commands().stop1->isEnabled()
        && rig.form->editor()->isEnabled() && !rig.form->statusPanels()->progressBar();
}

}  // namespace

class NetworkTest : public QObject {
    Q_OBJECT

private slots:
    void aWholeDocumentArrivesByteExact_data() { addAccepters(); }
    void aWholeDocumentArrivesByteExact()
    {
        QFETCH(Accepter, accepter);
        NetRig rig(accepter);
        // With ISO parity half the bytes are above 0x80, CR LF among them.
        const std::string doc = program(300);
        rig.setDocument(doc);
        const std::string got = sendDocument(rig);
        rig.machine->waitForCount(doc.size() + 1, 2000ms);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\n" + doc));
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{});
        QVERIFY(unlocked(rig));
    }

    void theMachinesDc3HoldsTheSend_data() { addAccepters(); }
    void theMachinesDc3HoldsTheSend()
    {
        QFETCH(Accepter, accepter);
        NetRig rig(accepter);
        rig.set("SPEED", "9600");  // a byte a millisecond
        const std::string doc = program(60);
        rig.setDocument(doc);
        // A control with a small buffer: DC3 at 64 bytes, DC1 once 16 are left.
        vm::ReceiveMode mode;
        mode.sendDc1AtStart = false;
        mode.stopLevel = 64;
        mode.resumeLevel = 16;
        mode.drainPerSecond = 400;
        mode.code = PunchCode::Iso;
        rig.machine->clearReceived();
        rig.machine->receive(mode);
        rig.form->send1Execute();
        finish(rig);
        rig.machine->waitForCount(doc.size() + 1, 3000ms);
        COMPARE_BYTES(bytesOf(rig.machine->received()), iso("\n" + doc));
        const auto after = rig.machine->bytesAfterDc3();
        QVERIFY2(after.size() >= 3, "the control must have paused the send several times");
        for (int n : after)
            QVERIFY2(n <= 16, ("bytes after DC3: " + std::to_string(n)).c_str());
        QVERIFY(rig.machine->rejected().empty());
    }

    void aReceptionArrivesWhole_data() { addAccepters(); }
    void aReceptionArrivesWhole()
    {
        QFETCH(Accepter, accepter);
        NetRig rig(accepter);
        rig.clock.cap = 1000;
        rig.set("SPEED", "19200");
        const std::string text = vm::longProgramText(2600);
        vm::PunchMode mode;
        mode.bytesPerSecond = vm::lineBytesPerSecond(19200);
        mode.overrunAfterDc3 = 10;
        rig.machine->punch(vm::punchTape(text, PunchCode::Iso, 10, true, 0xFF), mode);
        rig.form->Rec1Execute();
        finish(rig);
        QCOMPARE(rig.dialogs.texts(Kind::Error), QStringList{});
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{QStringLiteral("受信を完了しました。")});
        std::string expected;
        for (char c : text)
            expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
        QCOMPARE(std::string(rig.form->editor()->textView()), expected + "%\r\n");
        QVERIFY(unlocked(rig));
    }

    void aKilledServerEndsTheSend_data() { addAccepters(); }
    void aKilledServerEndsTheSend()
    {
        QFETCH(Accepter, accepter);
        NetRig rig(accepter);
        rig.set("SPEED", "9600");
        rig.set("LOG", "1");
        rig.setDocument(program(200));
        listen(rig);
        std::thread serverSide([&] {
            rig.machine->waitForCount(100, 3000ms);
            rig.server->kill();
        });
        rig.form->send1Execute();
        finish(rig);
        serverSide.join();
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{sendErrorMessage()});
        QVERIFY2(rig.logText().endsWith(QStringLiteral("送信中断\r\n")), qPrintable(rig.logText()));
        QVERIFY(unlocked(rig));
        QVERIFY(!WindowProbe::portOpen(*rig.form));
    }

    // A server that does not answer: the window paints all the time the
    // connection is tried, panel 0 says so, and the open error comes when
    // the time allowed has passed.
    void aServerThatDoesNotAnswerLeavesTheWindowPainting_data() { addAccepters(); }
    void aServerThatDoesNotAnswerLeavesTheWindowPainting()
    {
        QFETCH(Accepter, accepter);
        SilentServer silent(accepter);
        Rig rig;
        rig.set("PORT", silent.url());
        rig.setDocument(program(3));
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        PaintWatch watch(rig.form->statusPanels());
        QStringList panels;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (!panels.contains(rig.panel0()))
                panels << rig.panel0();
        });
        look.start(50);
        QElapsedTimer took;
        took.start();
        watch.begin();
        rig.form->send1Execute();
        finish(rig);
        const qint64 longest = watch.longestGap();
        qInfo("%s: no answer for %lld ms, the window at most %lld ms without painting (%d paints)",
              QTest::currentDataTag(), took.elapsed(), longest, watch.paints());
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("回線オープンエラー")});
        QVERIFY(took.elapsed() >= 2500);
        QVERIFY2(longest < 150, std::to_string(longest).c_str());
        QVERIFY(panels.contains(QStringLiteral("接続中")));
        QVERIFY(unlocked(rig));
    }

    // F8, pressed while the connection is tried, gives it up at once: no
    // open error, nothing sent, the window free again.
    void f8GivesUpAConnectionThatDoesNotAnswer_data() { addAccepters(); }
    void f8GivesUpAConnectionThatDoesNotAnswer()
    {
        QFETCH(Accepter, accepter);
        SilentServer silent(accepter);
        Rig rig;
        rig.set("PORT", silent.url());
        rig.set("LOG", "1");
        rig.setDocument(program(3));
        rig.form->show();
        rig.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
        QElapsedTimer took;
        qint64 pressedAt = -1;
        bool stopOffered = false;
        QTimer::singleShot(300, rig.form.get(), [&] {
            stopOffered = rig.form->commands().stop1->isEnabled();
            pressedAt = took.elapsed();
            QTest::keyClick(rig.form.get(), Qt::Key_F8);
        });
        took.start();
        rig.form->Rec1Execute();
        finish(rig);
        QVERIFY(stopOffered);
        QVERIFY(pressedAt >= 0);
        QVERIFY2(took.elapsed() - pressedAt < 500, std::to_string(took.elapsed() - pressedAt).c_str());
        QVERIFY(rig.dialogs.texts(Kind::Message).isEmpty());
        QVERIFY(rig.dialogs.texts(Kind::Error).isEmpty());
        QVERIFY(unlocked(rig));
        QVERIFY(!WindowProbe::portOpen(*rig.form));

        // The same for a send: no log line for a send that never began.
        rig.setDocument(program(3));  // the reception began with a new document
        QTimer::singleShot(300, rig.form.get(), [&] { QTest::keyClick(rig.form.get(), Qt::Key_F8); });
        took.restart();
        rig.form->send1Execute();
        finish(rig);
        QVERIFY2(took.elapsed() < 1500, std::to_string(took.elapsed()).c_str());
        QVERIFY2(rig.dialogs.texts(Kind::Message).isEmpty(), qPrintable(rig.dialogs.texts(Kind::Message).join(u'|')));
        QVERIFY(!QFile::exists(rig.logPath()));
        QVERIFY(unlocked(rig));
    }

    // The end of a connection waits up to a second for the server to end
    // its side; the window does not wait with it.
    void aServerThatNeverEndsItsSideDoesNotHoldTheWindowAtTheClose()
    {
        HoldingServer server;
        Rig rig;
        rig.set("PORT", server.url());
        const std::string doc = program(3);
        rig.setDocument(doc);
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        PaintWatch watch(rig.form->statusPanels());
        bool closed = false;
        qint64 gapBeforeClose = -1;
        rig.clock.onSleep = [&](int ms) {
            if (ms == 1000)
                watch.begin();  // the second after the last byte, then the close
        };
        rig.clock.cap = 0;
        rig.form->send1Execute();
        finish(rig);
        closed = !WindowProbe::portOpen(*rig.form);
        gapBeforeClose = watch.longestGap();
        QVERIFY(closed);
        QVERIFY2(gapBeforeClose < 150, std::to_string(gapBeforeClose).c_str());
        QTRY_COMPARE(server.received(), doc.size() + 1);  // all of it, with the lead LF
        QVERIFY(unlocked(rig));
    }

    void aKilledServerEndsTheReception_data() { addAccepters(); }
    void aKilledServerEndsTheReception()
    {
        QFETCH(Accepter, accepter);
        NetRig rig(accepter);
        vm::PunchMode mode;
        mode.bytesPerSecond = 1000;
        rig.machine->punch(vm::punchTape(vm::longProgramText(3000), PunchCode::Iso), mode);
        std::thread serverSide([&] {
            for (int i = 0; i < 400 && rig.machine->sent().size() < 200; ++i)
                std::this_thread::sleep_for(5ms);
            rig.server->kill();
        });
        rig.form->Rec1Execute();
        finish(rig);
        serverSide.join();
        QCOMPARE(rig.dialogs.texts(Kind::Error), QStringList{receiveErrorMessage()});
        const std::string doc(rig.form->editor()->textView());
        QVERIFY2(doc.rfind("O7000(ROUGH)\r\nG01X13.", 0) == 0, ("what came before the server died is kept: " + doc.substr(0, 80)).c_str());
        QVERIFY(unlocked(rig));
        QVERIFY(!WindowProbe::portOpen(*rig.form));
    }
};

QTEST_MAIN(NetworkTest)
#include "network_test.moc"
