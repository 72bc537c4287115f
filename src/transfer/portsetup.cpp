#include "transfer/portsetup.h"

#include "common/settingsstore.h"
#include "transfer/senddata.h"
#include "serial/punchcodes.h"

namespace marbolt {

namespace {

void setUpLine(LineSettings &line, int speed, const SettingsStore &settings)
{
    line.bps = speed;
    line.portname = settings.get(setting::PORT);
    line.stopbit = settings.get(setting::STOPBIT);
    line.charbit = 8;
    line.paritymode = QStringLiteral("無し");
    line.XoffChar = kDC3;
    line.XonChar = kDC1;
}

}  // namespace

void setUpSendPort(LinePort &port, int speed, const SettingsStore &settings)
{
    setUpLine(port.line(), speed, settings);
    port.line().flowflag = kSendFlowFlag;
}

void setUpReceivePort(LinePort &port, int speed, const SettingsStore &settings)
{
    setUpLine(port.line(), speed, settings);
    port.line().flowflag = kReceiveFlowFlag;
}

}  // namespace marbolt
