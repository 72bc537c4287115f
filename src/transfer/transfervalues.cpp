#include "transfer/transfervalues.h"

#include "document/textlines.h"
#include "transfer/senddata.h"

namespace marbolt {

SendOptions sendOptions(const TransferValues &values)
{
    SendOptions options;
    options.headPercent = values.headPercent;
    options.code = values.code;
    return options;
}

SendPlan documentSendJob(const TransferValues &values, std::string_view sjisText)
{
    return documentSendJob(values, sjisText, prepareSendText(sjisText, sendOptions(values)));
}

SendPlan documentSendJob(const TransferValues &values, std::string_view sjisText, PreparedText prepared)
{
    SendPlan plan;
    plan.lineStarts = lineStarts(sjisText);
    plan.data = encodeSendData(std::move(prepared), values.code);
    plan.speed = values.speed;
    plan.wait = values.wait;
    plan.tape = values.tape;
    plan.feed = values.feed;
    plan.feedBetweenPrograms = true;
    plan.sendRequest = values.sendRequest;
    return plan;
}

}  // namespace marbolt
