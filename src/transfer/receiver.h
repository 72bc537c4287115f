#pragma once
// The reception: what the machine punches out becomes a new, untitled
// document. It opens the receive port and runs a ReceiveJob on it, shows
// the lines as they come and, at the end, makes the text the document.
#include "serial/lineport.h"
#include "common/clock.h"
#include "transfer/receivedecoder.h"
#include "transfer/receivejob.h"
#include "transfer/transferstate.h"
#include "transfer/transferview.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace marbolt {

class Dialogs;
class SettingsStore;

struct ReceivePorts {
    LinePort &send;     // rs232c1, closed before a reception
    LinePort &receive;  // rs232c2
};

class Receiver {
public:
    Receiver(ReceivePorts ports, SettingsStore &settings, TransferState &state, TransferProgress &progress,
             Dialogs &dialogs, Clock &clock, ReceiveView &view);

    // A reception runs as a job and these return at once; onEnded tells
    // when it has ended (also when it never started).
    void receive();      // Rec1Execute
    // The same reception, but its text goes to then and the document stays
    // as it is (the compare of a punched-back program): nullopt unless the
    // whole tape came.
    void receiveInto(std::function<void(std::optional<std::string>)> then);
    void setOnEnded(std::function<void()> ended) { ended_ = std::move(ended); }
    void lineError();    // rs232c2ERR, before the cancel it runs
    void cancel();       // cancel of a reception: stop the machine with DC3
    bool running() const { return running_; }

private:
    void tellFailure(ReceiveOutcome outcome);
    void finish(ReceiveOutcome outcome);
    // The count of faulty bytes, the first lines they fell on, the marks.
    void reportFaultyBytes(const std::string &text, const ReceiveDecoder &decoder, bool markLines);
    void cleanUp();
    // The information box of the tape's end, if it came.
    void tellEnd();

    ReceivePorts ports_;
    SettingsStore &settings_;
    TransferState &state_;
    TransferProgress &progress_;
    Dialogs &dialogs_;
    Clock &clock_;
    ReceiveView &view_;
    bool running_ = false;
    std::unique_ptr<ReceiveJob> job_;  // the running or the last reception
    std::string *capture_ = nullptr;  // where a reception for compare goes
    std::string captured_;
    std::function<void(std::optional<std::string>)> capturing_;
    std::function<void()> ended_;
    bool completed_ = false;  // the tape's end came: "%" or DC4
    QString endMessage_;      // what the end is told with
};

QString receiveErrorMessage();

}  // namespace marbolt
