#pragma once
// The DNC server: the station's machines that have a receive or a send
// folder (or the ones named), each served on its own line at the same
// time as the others, with one log, and their states published for a
// window on the same PC. marbolt-dnc runs it without a window; the window
// can run it too, for its own machines.
#include "common/clock.h"
#include "station/dnclog.h"
#include "station/dncmachineserver.h"
#include "station/station.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <vector>

namespace marbolt {

class DncServer : public QObject {
    Q_OBJECT
public:
    DncServer(Station &station, DncLog &log, Clock &clock = systemClock(), QObject *parent = nullptr);
    ~DncServer() override;

    // Serves the machines named, or without names every machine with a
    // receive or a send folder. Returns what kept a machine from being
    // served or is doubtful in its values, one text each; serves nothing
    // when it runs already.
    QStringList start(const QStringList &names = {});
    // Stops every machine; finished() follows when all are idle (at once
    // when none runs).
    void stop();
    bool running() const { return !servers_.empty() && !stopping_; }

    const std::vector<std::unique_ptr<DncMachineServer>> &machines() const { return servers_; }
    // The machine index of each served machine, in the station's list.
    const std::vector<int> &machineIndexes() const { return indexes_; }
    bool serves(int machine) const;
    std::vector<DncMachineStatus> statuses() const;

    // Publishes the states to path (see dncstatusfile.h) while running;
    // the file is removed when the server stops.
    void publishTo(const QString &path);

signals:
    void statusChanged();
    void finished();

private:
    void machineStopped();
    void publish();

    Station &station_;
    DncLog &log_;
    Clock &clock_;
    std::vector<std::unique_ptr<DncMachineServer>> servers_;
    std::vector<int> indexes_;
    bool stopping_ = false;
    QString statusPath_;
    bool publishWorked_ = true;
    QTimer beat_;       // the file's heartbeat
    QTimer soon_;       // a change is published within a moment, not at each byte
};

// The machines a server without names serves: those with a receive or a
// send folder.
bool servedByDefault(const DncMachine &machine);

// The machines a server would serve (by their index in the station's
// list) with their values, without opening anything; problems receives
// what keeps a machine from being served or is doubtful in its values.
struct ServedMachine {
    int index = 0;
    DncMachineConfig config;
};
std::vector<ServedMachine> machinesToServe(Station &station, const QStringList &names, QStringList &problems);

}  // namespace marbolt
