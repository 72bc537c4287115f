#include "transfer/transfervalues.h"

#include "document/textlines.h"
#include "transfer/senddata.h"

namespace marbolt {

SendPlan documentSendJob(const TransferValues &values, std::string_view sjisText)
{
    SendPlan plan;
    SendOptions options;
    options.headPercent = values.headPercent;
    options.code = values.code;
    plan.lineStarts = lineStarts(sjisText);
    plan.data = prepareSendData(sjisText, options);
    plan.speed = values.speed;
    plan.wait = values.wait;
    plan.tape = values.tape;
    plan.feed = values.feed;
    plan.feedBetweenPrograms = true;
    plan.sendRequest = values.sendRequest;
    return plan;
}

}  // namespace marbolt
