#include "transfer/transfervalues.h"

#include "common/settingsstore.h"
#include "document/textlines.h"
#include "transfer/senddata.h"

#include <algorithm>

namespace marbolt {

std::optional<TransferValues> readTransferValues(const SettingsStore &store, QString *problem)
{
    TransferValues v;
    v.tape = store.isOn(setting::TAPE);
    for (const auto &[key, out] : {std::pair{&setting::SPEED, &v.speed}, std::pair{&setting::WAIT, &v.wait},
                                   std::pair{&setting::FEED, &v.feed}}) {
        if (key == &setting::FEED && !v.tape)
            continue;  // no feed without the tape framing
        const auto number = store.number(*key);
        if (!number) {
            if (problem)
                *problem = notWholeNumberMessage(QString(key->key()), store.get(*key));
            return std::nullopt;
        }
        *out = *number;
    }
    v.feed = std::max(0, v.feed);
    v.port = store.get(setting::PORT);
    v.stopbit = store.get(setting::STOPBIT);
    v.sendRequest = store.isOn(setting::SE);
    v.log = store.isOn(setting::LOG);
    v.headPercent = store.isOn(setting::HEAD);
    v.code = punchCodeFor(store.get(setting::CODE).toLatin1().constData());
    return v;
}

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
    plan.text = prepared.text;
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
