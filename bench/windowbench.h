#pragma once
// The real main window against the virtual machine for the transfer
// benchmarks: quiet dialogs, a scratch folder, the machine's line as its
// port and a plain ISO line without the send request, tape framing, log
// or check.
#include "quietdialogs.h"
#include "app/widgets/sdiappform.h"
#include "document/widgets/nceditor.h"
#include "transfer/transfercontroller.h"
#include "virtualmachine.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <memory>
#include <string>

namespace marbolt {

// A transfer command returns at once; this runs the window's event loop
// until the transfer it started has ended.
inline void runTransferToEnd(TSDIAppForm &form)
{
    TransferController &t = form.transfers();
    while (t.loopRunning() || isBusy(t.activity()))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

struct WindowBench {
    QTemporaryDir dir;
    QuietDialogs dialogs;
    std::unique_ptr<vm::VirtualMachine> machine = vm::VirtualMachine::create();
    std::unique_ptr<TSDIAppForm> form;

    WindowBench(int speed, const QString &stopBits)
    {
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir.path());
        env.dialogs = &dialogs;
        form = std::make_unique<TSDIAppForm>(std::move(env));
        auto &s = form->settings();
        s.set(QStringLiteral("PORT"), QString::fromStdString(machine->portPath()));
        s.set(QStringLiteral("SPEED"), QString::number(speed));
        s.set(QStringLiteral("STOPBIT"), stopBits);
        s.set(QStringLiteral("SE"), QStringLiteral("0"));
        s.set(QStringLiteral("CODE"), QStringLiteral("ISO"));
        s.set(QStringLiteral("TAPE"), QStringLiteral("0"));
        s.set(QStringLiteral("LOG"), QStringLiteral("0"));
        s.set(QStringLiteral("CHECK"), QStringLiteral("0"));
    }

    // A document of moves, bytes long.
    void document(std::size_t bytes)
    {
        std::string text;
        for (int i = 0; text.size() < bytes; ++i)
            text += "G01X" + std::to_string(i % 1000) + ".Y-2.5F300\r\n";
        text.resize(bytes);
        auto loader = form->editor()->beginLoad(text.size());
        loader->add(text);
        loader->commit();
    }

    // Sends the document to the machine taking it in the given way.
    void send(vm::ReceiveMode mode)
    {
        mode.sendDc1AtStart = false;
        machine->receive(mode);
        form->send1Execute();
        runTransferToEnd(*form);
    }

    // First to last arrival at the machine.
    double arrivalSpan() const
    {
        const auto a = machine->arrivals();
        return a.size() < 2 ? 0 : std::chrono::duration<double>(a.back().at - a.front().at).count();
    }
};

}  // namespace marbolt
