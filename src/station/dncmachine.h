#pragma once
// What a DNC server needs of a machine beyond its line: where its
// receptions go and how they are named, where the programs it asks for
// are looked up, which of its O-numbers are requests, and how long to
// wait before answering one (the operator switches the control to read).
// They are fields of the machine's profile, beside its communication
// values:
//   MACHINEn.RECEIVEDIR=/srv/nc/mc3/in
//   MACHINEn.SENDDIRS=/srv/nc/mc3/out;/srv/nc/common   (searched in order)
//   MACHINEn.FILENAME=O;4;.nc                          (prefix; digits; extension)
//   MACHINEn.REQUESTS=9999;9998
//   MACHINEn.REQUESTDELAY=5                            (seconds)
#include "station/machineprofiles.h"
#include "station/receivefolder.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace marbolt {

struct DncMachine {
    QString receiveFolder;  // empty: the machine's receptions are not kept
    QStringList sendFolders;
    ProgramFileRule fileRule;
    std::vector<long> requestNumbers;
    int requestDelaySeconds = 5;
    bool operator==(const DncMachine &) const = default;
};

inline constexpr int kLongestRequestDelay = 600;

// A value that cannot be meant (digits out of 1..9, a delay out of
// 0..600 s, a request number that is no whole number) reads as the default,
// and is named in problems when given.
DncMachine dncMachineOf(const MachineProfile &profile, QStringList *problems = nullptr);
void setDncMachine(MachineProfile &profile, const DncMachine &machine);

// The file of program number in the send folders: the first folder with a
// file named by the rule, else the first file there (of the rule's
// extension) whose first O-line has the number. nullopt when none has it.
std::optional<QString> findProgramFile(const DncMachine &machine, long number);

}  // namespace marbolt
