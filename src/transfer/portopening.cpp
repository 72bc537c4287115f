#include "transfer/portopening.h"

#include "common/dialogs.h"

namespace marbolt {

PortOpening openTransferPort(LinePort &port, TransferView &view, Dialogs &dialogs, bool &stop)
{
    PortOpening result;
    if (port.OpenWaits()) {
        stop = false;
        view.lockForTransfer();
        result.locked = true;
        view.setStatusText(QStringLiteral("接続中"));
        const LinePort::OpenWait wait{[&view] { view.pumpMessages(); }, [&stop] { return stop; }};
        result.opened = port.Open(wait);
    } else {
        result.opened = port.Open();
    }
    if (!result.opened && !port.OpenAborted()) {
        view.beep();
        dialogs.message(QStringLiteral("回線オープンエラー"));
    }
    return result;
}

}  // namespace marbolt
