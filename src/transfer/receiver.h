#pragma once
// The reception: what the machine punches out becomes a new, untitled
// document. The machine's session opens the receive port and runs the
// reception on its own thread; the receiver shows the lines as they come
// and, at the end, makes the text the document.
#include "transfer/receivejob.h"
#include "transfer/sendengine.h"
#include "transfer/transfersession.h"
#include "transfer/transferstate.h"
#include "transfer/transferview.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace marbolt {

class Dialogs;
class SettingsStore;

class Receiver {
public:
    Receiver(SessionSource session, SettingsStore &settings, TransferProgress &progress, Dialogs &dialogs,
             ReceiveView &view);

    // A reception runs as a job and these return at once; onEnded tells
    // when it has ended (also when it never started).
    void receive();      // Rec1Execute
    // The same reception, but its text goes to then and the document stays
    // as it is (the compare of a punched-back program): nullopt unless the
    // whole tape came.
    void receiveInto(std::function<void(std::optional<std::string>)> then);
    void setOnEnded(std::function<void()> ended) { ended_ = std::move(ended); }
    // The line failed (the session stopped the machine): told to the user.
    void lineError();
    void cancel();       // cancel of a reception: stop the machine with DC3
    bool running() const { return running_; }

private:
    void tellFailure(ReceiveOutcome outcome);
    void finish(const Reception &reception);
    // The count of faulty bytes, the first lines they fell on, the marks.
    void reportFaultyBytes(const Reception &reception, bool markLines);
    void cleanUp();
    // The information box of the tape's end, if it came.
    void tellEnd();

    SettingsStore &settings_;
    TransferProgress &progress_;
    Dialogs &dialogs_;
    ReceiveView &view_;
    FollowedSession session_;
    bool running_ = false;
    std::string *capture_ = nullptr;  // where a reception for compare goes
    std::string captured_;
    std::function<void(std::optional<std::string>)> capturing_;
    std::function<void()> ended_;
    bool completed_ = false;  // the tape's end came: "%" or DC4
    QString endMessage_;      // what the end is told with
};

QString receiveErrorMessage();

}  // namespace marbolt
