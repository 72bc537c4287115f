#include "app/widgets/machinelistdock.h"

#include "station/station.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace marbolt {

namespace {

enum Column { Name, Port, State, Program, Progress, Dnc, Columns };

QString stateText(const SessionStatus &status)
{
    if (!status.text.isEmpty())
        return status.text;
    switch (status.state) {
    case SessionState::Idle:
        return QString();
    case SessionState::Connecting:
        return QStringLiteral("接続中");
    case SessionState::Waiting:
        return QStringLiteral("送信待機中");
    case SessionState::Sending:
        return QStringLiteral("送信中");
    case SessionState::Receiving:
        return QStringLiteral("受信中");
    case SessionState::Ending:
        return QStringLiteral("送信終了待ち");
    }
    return QString();
}

QString progressText(const SessionStatus &status)
{
    if (status.state == SessionState::Idle)
        return QString();
    if (status.total > 0)
        return QStringLiteral("%1%").arg(status.done * 100 / status.total);
    return status.done > 0 ? QStringLiteral("%1バイト").arg(status.done) : QString();
}

// A served machine as the DNC column shows it: its state, the program,
// how far, and for a program going out the block on the line and the
// estimated end.
QString dncText(const DncMachineStatus &d)
{
    QStringList parts{d.state};
    if (!d.program.isEmpty())
        parts << d.program;
    if (d.total > 0)
        parts << QStringLiteral("%1%").arg(d.done * 100 / d.total);
    else if (d.done > 0)
        parts << QStringLiteral("%1バイト").arg(d.done);
    if (!d.block.isEmpty())
        parts << QStringLiteral("「%1」").arg(d.block);
    if (d.finish.isValid())
        parts << QStringLiteral("終了予定 %1").arg(d.finish.toString(QStringLiteral("HH:mm")));
    return parts.join(u' ');
}

}  // namespace

void MachineListDock::setDncStates(std::vector<DncMachineStatus> states, const QString &server)
{
    dnc_ = std::move(states);
    if (QTableWidgetItem *header = table_->horizontalHeaderItem(Dnc))
        header->setToolTip(server);
    refresh();
}

MachineListDock::MachineListDock(Station &station, QWidget *parent)
    : QDockWidget(QStringLiteral("機械一覧"), parent), station_(station)
{
    setObjectName(QStringLiteral("MachineListDock"));
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    table_ = new QTableWidget(0, Columns, body);
    table_->setObjectName(QStringLiteral("MachineTable"));
    table_->setHorizontalHeaderLabels({QStringLiteral("機械"), QStringLiteral("ポート"), QStringLiteral("状態"),
                                       QStringLiteral("プログラム"), QStringLiteral("進行"), QStringLiteral("DNC")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->setWordWrap(false);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table_);
    auto *buttons = new QHBoxLayout;
    send_ = new QPushButton(QStringLiteral("この機械へ送信"), body);
    receive_ = new QPushButton(QStringLiteral("受信"), body);
    open_ = new QPushButton(QStringLiteral("受信を開く"), body);
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), body);
    for (QPushButton *b : {send_, receive_, open_, cancel_})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    setWidget(body);

    connect(send_, &QPushButton::clicked, this, [this] { emit sendRequested(selectedMachine()); });
    connect(receive_, &QPushButton::clicked, this, [this] { emit receiveRequested(selectedMachine()); });
    connect(open_, &QPushButton::clicked, this, [this] { emit openRequested(selectedMachine()); });
    connect(cancel_, &QPushButton::clicked, this, [this] { emit cancelRequested(selectedMachine()); });
    connect(table_, &QTableWidget::itemSelectionChanged, this, &MachineListDock::updateButtons);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (station_.hasReception(row))
            emit openRequested(row);
    });
    connect(&station_, &Station::sessionsChanged, this, &MachineListDock::refresh);
    connect(&station_, &Station::transferEnded, this, [this](int machine, const QString &message) {
        lastEnd_[machine] = message;
        refresh();
    });
    refresh();
}

void MachineListDock::setActive(int machine, const QString &state)
{
    active_ = machine;
    activeState_ = state;
    refresh();
}

void MachineListDock::refresh()
{
    const QList<MachineProfile> profiles = station_.machines().all();
    const int selected = selectedMachine();
    table_->setRowCount(static_cast<int>(profiles.size()));
    for (int i = 0; i < profiles.size(); ++i) {
        QString state;
        QString program;
        QString progress;
        if (i == active_) {
            state = activeState_.isEmpty() ? QStringLiteral("(現在の機械)") : activeState_;
        } else if (const auto found = station_.sessions().find(i); found != station_.sessions().end()) {
            const SessionStatus status = found->second->status();
            state = stateText(status);
            program = status.program;
            progress = progressText(status);
        }
        if (state.isEmpty())
            state = lastEnd_.value(i);
        if (state.isEmpty())
            state = QStringLiteral("待機");
        if (station_.hasReception(i))
            state += QStringLiteral(" (未読)");
        QString dnc;
        QString dncLast;
        for (const DncMachineStatus &d : dnc_)
            if (d.machine == profiles[i].name) {
                dnc = dncText(d);
                dncLast = d.last;
                // The server's word for it is what a person looks for
                // first (a reception that waits for its tape is "受信待ち").
                if (d.phase != DncPhase::Stopped) {
                    state = QStringLiteral("DNC ") + d.state;
                    program = d.program;
                    progress = d.total > 0  ? QStringLiteral("%1%").arg(d.done * 100 / d.total)
                             : d.done > 0   ? QStringLiteral("%1バイト").arg(d.done)
                                            : QString();
                }
            }
        const QString cells[Columns] = {profiles[i].name, profiles[i].value(setting::PORT), state, program, progress,
                                        dnc};
        for (int c = 0; c < Columns; ++c) {
            QTableWidgetItem *item = table_->item(i, c);
            if (!item) {
                item = new QTableWidgetItem;
                table_->setItem(i, c, item);
            }
            if (item->text() != cells[c])
                item->setText(cells[c]);
        }
        table_->item(i, Dnc)->setToolTip(dncLast);
    }
    if (selected >= 0 && selected < table_->rowCount())
        table_->selectRow(selected);
    updateButtons();
}

int MachineListDock::selectedMachine() const
{
    const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void MachineListDock::selectMachine(int machine)
{
    table_->selectRow(machine);
}

QString MachineListDock::cellText(int row, int column) const
{
    const QTableWidgetItem *item = table_->item(row, column);
    return item ? item->text() : QString();
}

bool MachineListDock::servedByDnc(int machine) const
{
    const QList<MachineProfile> profiles = station_.machines().all();
    if (machine < 0 || machine >= profiles.size())
        return false;
    return std::any_of(dnc_.begin(), dnc_.end(), [&](const DncMachineStatus &d) {
        return d.machine == profiles[machine].name && d.phase != DncPhase::Stopped;
    });
}

QString MachineListDock::cellItemToolTip(int row, int column) const
{
    const QTableWidgetItem *item = table_->item(row, column);
    return item ? item->toolTip() : QString();
}

void MachineListDock::updateButtons()
{
    const int m = selectedMachine();
    // The active machine is served by the window's own commands.
    const bool other = m >= 0 && m != active_;
    const bool busy = other && station_.busy(m);
    const bool served = m >= 0 && servedByDnc(m);
    send_->setEnabled(other && !busy && !served);
    receive_->setEnabled(other && !busy && !served);
    cancel_->setEnabled(busy);
    open_->setEnabled(m >= 0 && station_.hasReception(m));
}

}  // namespace marbolt
