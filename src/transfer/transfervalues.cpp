#include "transfer/transfervalues.h"

#include "document/textlines.h"
#include "transfer/senddata.h"

namespace marbolt {

SendJobSpec documentSendJob(const TransferValues &values, std::string_view sjisText)
{
    SendJobSpec spec;
    SendOptions options;
    options.headPercent = values.headPercent;
    options.code = values.code;
    spec.lineStarts = lineStarts(sjisText);
    spec.data = prepareSendData(sjisText, options);
    spec.speed = values.speed;
    spec.wait = values.wait;
    spec.tape = values.tape;
    spec.feed = values.feed;
    spec.feedBetweenPrograms = true;
    spec.sendRequest = values.sendRequest;
    return spec;
}

}  // namespace marbolt
