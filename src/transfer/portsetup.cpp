#include "transfer/portsetup.h"

#include "common/dialogs.h"
#include "common/settingsstore.h"
#include "transfer/senddata.h"
#include "serial/punchcodes.h"

namespace marbolt {

namespace {

void setUpLine(Trs232c &port, int speed, const SettingsStore &settings)
{
    port.bps = speed;
    port.portname = settings.get(QStringLiteral("PORT"));
    port.stopbit = settings.get(QStringLiteral("STOPBIT"));
    port.charbit = 8;
    port.paritymode = QStringLiteral("無し");
    port.XoffChar = kDC3;
    port.XonChar = kDC1;
}

}  // namespace

std::optional<int> settingNumber(const SettingsStore &settings, const char *key, Dialogs &dialogs,
                                 bool emptyIsZero)
{
    const QString text = settings.get(QString::fromLatin1(key));
    if (emptyIsZero && text.trimmed().isEmpty())
        return 0;
    const auto v = wholeNumber(text);
    if (!v)
        dialogs.error(notWholeNumberMessage(QString::fromLatin1(key), text));
    return v;
}

void setUpSendPort(Trs232c &port, int speed, const SettingsStore &settings)
{
    setUpLine(port, speed, settings);
    port.flowflag = kSendFlowFlag;
}

void setUpReceivePort(Trs232c &port, int speed, const SettingsStore &settings)
{
    setUpLine(port, speed, settings);
    port.flowflag = kReceiveFlowFlag;
}

}  // namespace marbolt
