#pragma once
// A machine's communication values, typed, as a transfer uses them: the
// port and its line, the punch code, the framing and the pacing.
#include "serial/punchcodes.h"
#include "transfer/senddata.h"
#include "transfer/sendjob.h"

#include <QString>

#include <optional>
#include <string_view>

namespace marbolt {

struct TransferValues {
    QString port;
    QString stopbit;
    int speed = 0;
    int wait = 0;
    int feed = 0;
    bool tape = false;
    bool sendRequest = false;  // SE
    bool log = false;
    bool headPercent = false;  // HEAD%
    PunchCode code = PunchCode::None;
};

class SettingsStore;

// The values as a store holds them (the window's own settings or a
// machine profile's), each read by the store's one parser. Nullopt, with
// the message for the user in problem, when a number is not a whole
// number; the tape feed is read only when the tape framing is on.
std::optional<TransferValues> readTransferValues(const SettingsStore &store, QString *problem = nullptr);

// The lead and the punch code the values give a send.
SendOptions sendOptions(const TransferValues &values);

// The job that sends text (Shift-JIS, as a file holds it) as a whole
// document to a machine with these values; without the send log.
SendPlan documentSendJob(const TransferValues &values, std::string_view sjisText);
// The same with the text already prepared with sendOptions(values).
SendPlan documentSendJob(const TransferValues &values, std::string_view sjisText, PreparedText prepared);

}  // namespace marbolt
