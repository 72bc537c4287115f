#include "transfer/followedsession.h"

#include "common/dialogs.h"
#include "serial/netaddress.h"

#include <utility>

namespace marbolt {

QObject *FollowedSession::follow(TransferSession &session, const QString &port)
{
    stop();
    if (namesNetworkPort(port)) {
        view_.lockForTransfer();
        locked_ = true;
        view_.setStatusText(QStringLiteral("接続中"));
    }
    underWay_ = &session;
    context_ = std::make_unique<QObject>();
    QObject::connect(&session, &TransferSession::portOpened, context_.get(), [this] {
        if (!std::exchange(locked_, true))
            view_.lockForTransfer();
    });
    return context_.get();
}

void FollowedSession::stop()
{
    TransferSession *session = std::exchange(underWay_, nullptr);
    if (!context_)
        return;
    QObject *followed = context_.release();
    if (session)
        QObject::disconnect(session, nullptr, followed, nullptr);
    followed->deleteLater();
}

void tellNotOpened(TransferView &view, Dialogs &dialogs)
{
    view.beep();
    dialogs.message(QStringLiteral("回線オープンエラー"));
}

}  // namespace marbolt
