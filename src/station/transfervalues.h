#pragma once
// A machine's communication values read once, typed, for the transfers
// of its session: what the settings file keeps as text under the
// machine's keys.
#include "serial/punchcodes.h"
#include "station/machineprofiles.h"
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

// The values of a profile. A number that is not a whole number gives
// nullopt, and the message that names its key goes to problem.
std::optional<TransferValues> transferValues(const MachineProfile &profile, QString *problem = nullptr);

// The job that sends text (Shift-JIS, as a file holds it) as a whole
// document to a machine with these values; without the send log.
SendJobSpec documentSendJob(const TransferValues &values, std::string_view sjisText);

}  // namespace marbolt
