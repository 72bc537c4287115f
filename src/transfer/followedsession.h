#pragma once
// The machine's session as a window transfer follows it: which session a
// command goes to, the connections to its signals while a transfer runs,
// and the window's lock for its port. A device server on the network can
// take seconds to answer, so the window is locked as it connects (cancel
// is offered then); a local port's lock is taken once it has opened.
#include "transfer/transfersession.h"
#include "transfer/transferview.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace marbolt {

class Dialogs;

// The session the window's transfers run on: its active machine's.
using SessionSource = std::function<TransferSession *()>;

class FollowedSession {
public:
    FollowedSession(SessionSource source, TransferView &view) : source_(std::move(source)), view_(view) {}

    // The active machine's session; null when there is none.
    TransferSession *active() const { return source_ ? source_() : nullptr; }
    // The session of the transfer under way, else the active one.
    TransferSession *current() const { return underWay_ ? underWay_ : active(); }
    TransferSession *underWay() const { return underWay_; }

    // Follows session for a transfer on port: the context to make its
    // connections with.
    QObject *follow(TransferSession &session, const QString &port);
    // Ends the connections; safe from inside one of them (the context
    // goes once the event loop comes back).
    void stop();
    // The transfer's clean-up releases the window's lock.
    void lockReleased() { locked_ = false; }

private:
    SessionSource source_;
    TransferView &view_;
    TransferSession *underWay_ = nullptr;
    std::unique_ptr<QObject> context_;
    bool locked_ = false;
};

// The port did not open: a beep and "回線オープンエラー".
void tellNotOpened(TransferView &view, Dialogs &dialogs);

}  // namespace marbolt
