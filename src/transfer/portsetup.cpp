#include "transfer/portsetup.h"

#include "common/settingsstore.h"
#include "transfer/senddata.h"
#include "serial/punchcodes.h"

namespace marbolt {

namespace {

void setUpLine(LineSettings &line, int speed, const QString &portname, const QString &stopbit)
{
    line.bps = speed;
    line.portname = portname;
    line.stopbit = stopbit;
    line.charbit = 8;
    line.paritymode = QStringLiteral("無し");
    line.XoffChar = kDC3;
    line.XonChar = kDC1;
}

}  // namespace

void setUpSendPort(LinePort &port, int speed, const QString &portname, const QString &stopbit)
{
    setUpLine(port.line(), speed, portname, stopbit);
    port.line().flowflag = kSendFlowFlag;
}

void setUpReceivePort(LinePort &port, int speed, const QString &portname, const QString &stopbit)
{
    setUpLine(port.line(), speed, portname, stopbit);
    port.line().flowflag = kReceiveFlowFlag;
}

void setUpSendPort(LinePort &port, int speed, const SettingsStore &settings)
{
    setUpSendPort(port, speed, settings.get(setting::PORT), settings.get(setting::STOPBIT));
}

void setUpReceivePort(LinePort &port, int speed, const SettingsStore &settings)
{
    setUpReceivePort(port, speed, settings.get(setting::PORT), settings.get(setting::STOPBIT));
}

}  // namespace marbolt
