#pragma once
// The station: what this PC serves, without any window. It owns the
// settings (read from and written to the settings file here), the machine
// profiles kept in them, and one transfer session for each machine, made
// when the machine is first used. main() builds it; the window and any
// other front end are views of it.
#include "common/clock.h"
#include "common/settingsstore.h"
#include "common/dialogs.h"
#include "history/historyrecorder.h"
#include "serial/serialsystem.h"
#include "station/machineprofiles.h"
#include "station/profilevalues.h"
#include "station/settingsfile.h"
#include "transfer/transfersession.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace marbolt {

struct StationPlace {
    QString settingsFile;           // the settings file, read and written
    QString startFolderWithSeparator;  // the start-up value of DIR
    QString via = QStringLiteral("marbolt");  // the program, as the transfer history names it
};

class Station : public QObject {
    Q_OBJECT
public:
    explicit Station(StationPlace place, Clock &clock = systemClock(), SerialSystem &serial = posixSerialSystem(),
                     QObject *parent = nullptr);
    ~Station() override;

    // Reads the settings file over the start-up values; the active
    // machine's values stand in [COMM]. Returns one text for each machine
    // that could not be read whole (it is kept as far as it could).
    // Every transfer of the station's sessions is recorded in the history
    // the settings name (historyProblem() tells when they name none that
    // can be used).
    QStringList load();
    // Where the transfers are recorded; null when the setting cannot be read.
    HistoryRecorder *history() { return history_.get(); }
    const QString &historyProblem() const { return historyProblem_; }
    // Keeps the active machine's values and writes the settings file.
    // False when it could not be written.
    bool save(const SettingsOverrides &overrides);

    SettingsStore &settings() { return settings_; }
    const SettingsStore &settings() const { return settings_; }
    MachineProfiles machines() { return MachineProfiles(settings_); }
    const QString &settingsFile() const { return place_.settingsFile; }

    // The session of machine i (0-based), with the machine's values as they
    // stand now; null for an index out of range. problem, when given,
    // receives why the values could not be read (the session then keeps
    // the ones it had).
    TransferSession *session(int machine, QString *problem = nullptr);
    // The sessions made so far, by machine index.
    const std::map<int, std::unique_ptr<TransferSession>> &sessions() const { return sessions_; }
    // A transfer runs on any machine.
    bool busy() const;
    // Machine i's session exists and runs a transfer.
    bool busy(int machine) const;

    // The question of the check before a send, put by a front end: the
    // report, the editor position of each row; the answer.
    using CheckQuestion =
        std::function<SendCheckChoice(const SendCheckReport &report, const std::vector<std::size_t> &rowPositions)>;
    // Sends text (the editor's: UTF-8, CR LF) to machine i as a whole
    // document, with its values, its check before the send and its send
    // log (logPath; documentName as the log names the file). Findings of
    // the check are put to ask; without one the send does not start. The
    // reason when it does not start (empty when the user stopped it), or
    // nullopt once the send is under way.
    std::optional<QString> sendText(int machine, std::string_view utf8, const QString &documentName,
                                    const QString &logPath, const CheckQuestion &ask = {});
    // Receives from machine i into the station; the reception is kept
    // until taken. The reason when it does not start.
    std::optional<QString> receive(int machine);
    // A reception that came whole and has not been taken yet.
    bool hasReception(int machine) const;
    std::optional<std::string> takeReception(int machine);

signals:
    // A session was made or one of them changed its state.
    void sessionsChanged();
    // Machine i's transfer ended; message: how, for the user.
    void transferEnded(int machine, const QString &message);
    // The history cannot be written now (its records wait), or it can again.
    void historyFailed(const QString &message);
    void historyRecovered();

private:
    TransferSession *sessionWith(int machine, QString *problem, std::optional<TransferValues> *values);
    // Machine i's idle session with its values, or why it cannot serve.
    struct Served {
        TransferSession *session;
        TransferValues values;
    };
    std::variant<Served, QString> serve(int machine);
    void useHistory(const HistoryConnection &connection);

    StationPlace place_;
    Clock &clock_;
    SerialSystem &serial_;
    SettingsStore settings_;
    // The recorders outlive the sessions that hand them records: one
    // replaced by a change of the setting only retires.
    std::unique_ptr<HistoryRecorder> history_;
    std::vector<std::unique_ptr<HistoryRecorder>> retiredHistory_;
    QString historyProblem_;
    std::map<int, std::unique_ptr<TransferSession>> sessions_;
    std::map<int, std::string> receptions_;
};

}  // namespace marbolt
