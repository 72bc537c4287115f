#include "station/station.h"

#include "document/sjistext.h"
#include "transfer/checkreport.h"
#include "transfer/sendcheck.h"
#include "transfer/senddata.h"

namespace marbolt {

Station::Station(StationPlace place, Clock &clock, SerialSystem &serial, QObject *parent)
    : QObject(parent), place_(std::move(place)), clock_(clock), serial_(serial)
{
}

Station::~Station() = default;

QStringList Station::load()
{
    settings_ = SettingsStore();
    settings_.storeDefaults(place_.startFolderWithSeparator);
    readSettingsFile(place_.settingsFile, settings_);
    settings_.restoreMissingDefaults();
    const QStringList problems = readMachines(settings_).problems;
    // [COMM] is the active machine's; a file without machines starts one.
    MachineProfiles(settings_).keepActive();
    historyProblem_.clear();
    if (const auto place =
            parseHistorySetting(settings_.get(setting::HISTORY), defaultHistoryFile(place_.settingsFile), &historyProblem_))
        useHistory(*place);
    return problems;
}

void Station::useHistory(const HistoryConnection &connection)
{
    if (history_ && history_->connection() == connection)
        return;
    if (history_)
        retiredHistory_.push_back(std::move(history_));
    history_ = std::make_unique<HistoryRecorder>(connection, thisProcess(place_.via),
                                                 pendingFolderFor(place_.settingsFile));
    connect(history_.get(), &HistoryRecorder::failed, this, &Station::historyFailed, Qt::QueuedConnection);
    connect(history_.get(), &HistoryRecorder::recovered, this, &Station::historyRecovered, Qt::QueuedConnection);
    for (auto &[index, session] : sessions_)
        session->setRecorder(history_.get());
}

bool Station::save(const SettingsOverrides &overrides)
{
    MachineProfiles(settings_).keepActive();
    return writeSettingsFile(place_.settingsFile, settings_, overrides);
}

TransferSession *Station::session(int machine, QString *problem)
{
    return sessionWith(machine, problem, nullptr);
}

TransferSession *Station::sessionWith(int machine, QString *problem, std::optional<TransferValues> *valuesOut)
{
    MachineProfiles profiles(settings_);
    QList<MachineProfile> all = profiles.all();
    if (all.isEmpty()) {
        profiles.ensureOne();
        all = profiles.all();
    }
    if (machine < 0 || machine >= all.size())
        return nullptr;
    const MachineProfile &profile = all[machine];
    // The active machine's values stand in [COMM], as the settings dialog
    // left them; they go into its profile when the machine is switched or
    // the settings are saved, not at every look.
    const std::optional<TransferValues> values =
        machine == profiles.active() ? readTransferValues(settings_, problem) : transferValues(profile, problem);
    if (valuesOut)
        *valuesOut = values;
    auto found = sessions_.find(machine);
    if (found == sessions_.end()) {
        auto session = std::make_unique<TransferSession>(profile.name, values.value_or(TransferValues{}), clock_,
                                                         serial_);
        session->setRecorder(history_.get());
        connect(session.get(), &TransferSession::statusChanged, this, &Station::sessionsChanged);
        connect(session.get(), &TransferSession::sendFinished, this, [this, machine](SessionOutcome outcome) {
            emit transferEnded(machine, outcome == SessionOutcome::Completed   ? QStringLiteral("送信完了")
                                        : outcome == SessionOutcome::Cancelled ? QStringLiteral("送信中断")
                                        : outcome == SessionOutcome::NotOpened ? QStringLiteral("回線オープンエラー")
                                                                               : QStringLiteral("送信エラー"));
        });
        connect(session.get(), &TransferSession::received, this, [this, machine](const Reception &reception) {
            if (reception.outcome == SessionOutcome::Completed)
                receptions_[machine] = reception.text;
            emit transferEnded(machine, reception.outcome == SessionOutcome::Completed   ? QStringLiteral("受信完了")
                                        : reception.outcome == SessionOutcome::Cancelled ? QStringLiteral("受信中断")
                                        : reception.outcome == SessionOutcome::NotOpened
                                            ? QStringLiteral("回線オープンエラー")
                                            : QStringLiteral("受信エラー"));
        });
        found = sessions_.emplace(machine, std::move(session)).first;
        emit sessionsChanged();
    } else if (values && !found->second->busy()) {
        found->second->setValues(*values);
    }
    return found->second.get();
}

bool Station::busy(int machine) const
{
    const auto found = sessions_.find(machine);
    return found != sessions_.end() && found->second->busy();
}

std::variant<Station::Served, QString> Station::serve(int machine)
{
    QString problem;
    std::optional<TransferValues> values;
    TransferSession *target = sessionWith(machine, &problem, &values);
    if (!target)
        return QStringLiteral("その機械はありません");
    if (!values)
        return problem;
    if (target->busy())
        return QStringLiteral("この機械は送受信中です");
    return Served{target, *values};
}

std::optional<QString> Station::sendText(int machine, std::string_view utf8, const QString &documentName,
                                         const QString &logPath, const CheckQuestion &ask)
{
    if (utf8.empty())
        return QStringLiteral("送信データがありません");
    auto served = serve(machine);
    if (const QString *problem = std::get_if<QString>(&served))
        return *problem;
    const auto &[target, values] = std::get<Served>(served);
    std::string sjis;
    if (SjisEncoder().encode(utf8, sjis))
        return QStringLiteral("送信できません\rシフトJISで送れない文字があります");
    const SendOptions options = sendOptions(values);
    PreparedText prepared = prepareSendText(sjis, options);
    // A machine served from the list gets the same check as any send.
    if (settings_.isOn(setting::CHECK)) {
        const auto findings = checkSendText(prepared.text, values.code);
        if (!findings.empty() && !ask)
            return QStringLiteral("送信前チェックで %1 件の問題が見つかりました。\r送信前チェックで確かめてください。")
                .arg(findings.size());
        if (!findings.empty()) {
            std::vector<std::size_t> positions;
            SendCheckReport report = checkReport(CheckedText{utf8, sjis, prepared, std::nullopt}, findings, positions);
            report.canLeaveOutComments = allInComments(findings);
            if (!applyCheckChoice(ask(report, positions), findings, options, sjis, prepared))
                return QString();
            // The session may have started meanwhile.
            if (target->busy())
                return QStringLiteral("この機械は送受信中です");
        }
    }
    SendPlan plan = documentSendJob(values, sjis, std::move(prepared));
    if (values.log)
        plan.log = SendPlan::Log{logPath, documentName};
    target->send(std::move(plan), documentName.isEmpty() ? QStringLiteral("無題") : documentName);
    return std::nullopt;
}

std::optional<QString> Station::receive(int machine)
{
    auto served = serve(machine);
    if (const QString *problem = std::get_if<QString>(&served))
        return *problem;
    if (!std::get<Served>(served).session->receive())
        return QStringLiteral("この機械は送受信中です");
    receptions_.erase(machine);
    return std::nullopt;
}

bool Station::hasReception(int machine) const
{
    return receptions_.count(machine) > 0;
}

std::optional<std::string> Station::takeReception(int machine)
{
    const auto found = receptions_.find(machine);
    if (found == receptions_.end())
        return std::nullopt;
    std::string text = std::move(found->second);
    receptions_.erase(found);
    return text;
}

bool Station::busy() const
{
    for (const auto &[machine, session] : sessions_)
        if (session->busy())
            return true;
    return false;
}

}  // namespace marbolt
