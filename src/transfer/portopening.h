#pragma once
// Opening a transfer's port. A device server on the network can take
// seconds to answer, or never: its port is opened with the window locked
// (so that cancel is offered), pumping, and "接続中" in panel 0, and a
// cancel gives the connection up. A local port opens as it always has.
#include "serial/lineport.h"
#include "transfer/transferview.h"

namespace marbolt {

class Dialogs;

struct PortOpening {
    bool opened = false;
    bool locked = false;  // the window was locked for the connection
};

// stop: the transfer's stop flag, cleared here for a network port and
// raised by its cancel. A port that does not open has its open error
// told (beep, "回線オープンエラー"), unless the user gave the connection up.
PortOpening openTransferPort(LinePort &port, TransferView &view, Dialogs &dialogs, bool &stop);

}  // namespace marbolt
