#pragma once
// The state every transfer shares with the main window and with cancel:
// the transfer-state string and the flags the loops watch. All of it lives
// on the user-interface thread.
#include <QString>

namespace marbolt {

struct TransferState {
    QString commstate;      // "send", "rec" or empty
    bool sendstop = false;  // ends every wait and loop of a send
    bool sendok = false;    // the machine's permission: DC1 sets, DC3 clears
    bool recstop = false;   // ends the receive loops

    bool sending() const { return commstate == QLatin1String("send"); }
    bool receiving() const { return commstate == QLatin1String("rec"); }
};

}  // namespace marbolt
