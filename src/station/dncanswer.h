#pragma once
// What the DNC server sends back for a request: the program from the
// machine's send folders, from the requested block on with the header that
// restores the state there, or, when it cannot be served, the short
// program that says why. Every answer passes the check a send from the
// window gets; no person is there to be asked, so comments the control
// could not read are left out, and anything else refuses the program.
#include "station/dnclog.h"
#include "station/dncmachine.h"
#include "station/dncrequest.h"
#include "station/ncmachine.h"
#include "transfer/senddata.h"
#include "transfer/transfervalues.h"

#include <QString>

#include <string>

namespace marbolt {

struct DncAnswer {
    std::string sjis;       // the text that goes out, before its framing
    PreparedText prepared;  // the same, prepared with the machine's values
    QString program;        // what the log names: "O1234", or "O9999" for a refusal
    DncOutcome outcome = DncOutcome::Done;  // Done, or Refused
    QString detail;         // the file sent and what was done to it, or why it was refused
};

DncAnswer answerRequest(const DncRequest &request, const DncMachine &dnc, const NcMachine &nc,
                        const TransferValues &values);

}  // namespace marbolt
