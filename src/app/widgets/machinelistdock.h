#pragma once
// The machine list (機械一覧): a dock that shows every machine of the
// station with its port, what its transfer is doing, the program under way
// and how far it has come, and lets the other machines than the active one
// send the document, receive, cancel, and open what they received.
#include "station/dncmachineserver.h"

#include <QDockWidget>
#include <QMap>
#include <QString>

#include <vector>

class QPushButton;
class QTableWidget;

namespace marbolt {

class Station;

class MachineListDock : public QDockWidget {
    Q_OBJECT
public:
    explicit MachineListDock(Station &station, QWidget *parent = nullptr);

    // The active machine, whose transfers the window runs, and what the
    // window shows of its transfer (empty while none runs).
    void setActive(int machine, const QString &state);
    // Reads the station again.
    void refresh();
    // The machines a DNC server serves (the window's or marbolt-dnc's),
    // by name, for the list's DNC column; by names the server has its
    // machines by. server: who serves them, for the column's tip.
    void setDncStates(std::vector<DncMachineStatus> states, const QString &server);
    // The machine of the selected row; -1 without one.
    int selectedMachine() const;
    void selectMachine(int machine);
    // The cell text of a row and column, as shown.
    QString cellText(int row, int column) const;
    QString cellItemToolTip(int row, int column) const;
    QPushButton *sendButton() const { return send_; }
    QPushButton *receiveButton() const { return receive_; }
    QPushButton *openButton() const { return open_; }
    QPushButton *cancelButton() const { return cancel_; }

signals:
    void sendRequested(int machine);
    void receiveRequested(int machine);
    void openRequested(int machine);
    void cancelRequested(int machine);

private:
    void updateButtons();
    // A DNC server serves the machine: the list leaves it alone.
    bool servedByDnc(int machine) const;

    Station &station_;
    QTableWidget *table_ = nullptr;
    QPushButton *send_ = nullptr;
    QPushButton *receive_ = nullptr;
    QPushButton *open_ = nullptr;
    QPushButton *cancel_ = nullptr;
    int active_ = 0;
    QString activeState_;
    QMap<int, QString> lastEnd_;  // how each machine's last transfer ended
    std::vector<DncMachineStatus> dnc_;
};

}  // namespace marbolt
