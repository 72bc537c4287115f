#pragma once
// The recovery copy of the window's document: while it has unsaved
// changes, a copy of its bytes goes to the recovery folder after some
// idle time and at the latest a few idle times into a run of typing,
// written on a thread of its own; it goes away when the document is saved
// or discarded. At start, copies that a program left behind (a crash, a
// kill, a power cut) are offered back.
#include "common/dialogs.h"
#include "document/recoveryfiles.h"
#include "document/recoveryschedule.h"
#include "document/recoverywriter.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace marbolt {

class NcEditor;
class DocumentFiles;
class DocumentHost;

class DocumentRecovery : public QObject {
    Q_OBJECT
public:
    // idleSeconds: the idle time; 0 makes no copies (and offers none).
    // paused: while it holds, nothing is looked at (a transfer owns the
    // editor and its text is not the document's).
    DocumentRecovery(NcEditor &editor, DocumentFiles &files, DocumentHost &host, QString folder, int idleSeconds,
                     std::function<bool()> paused);
    ~DocumentRecovery() override;

    // The longest wait while typing goes on, in idle times.
    static constexpr int kLongestWaitInIdleTimes = 4;

    // Offers each copy left behind, newest first, until one is restored;
    // true when one was. Discarded copies are removed, the others kept.
    bool offerAbandoned(Dialogs &dialogs);

    // The document matches its file now, or is gone: saved, opened, new,
    // discarded. Its copy is removed.
    void documentSettled();

    // Looks at the document now (the timer does so every second).
    void tick();
    // Waits for the copy being written, if any (tests, the close).
    void finishWriting() { writer_.drain(); }
    const RecoverySlot &slot() const { return *slot_; }
    // Copies written since start, and the last failure's text.
    int copiesWritten() const { return copiesWritten_; }

    // The question for a copy: what it holds, when it was made, and
    // whether its file changed since.
    static QString question(const RecoveryInfo &info, bool fileChanged);

private:
    void changed();
    void writeCopy();
    // No copy is wanted: the one on disk and the snapshot's room go.
    void dropCopy();
    void copyWritten(const RecoveryWriter::Outcome &outcome, std::uint64_t generation);
    bool restore(RecoverySlot &slot, const RecoveryInfo &info);

    NcEditor &editor_;
    DocumentFiles &files_;
    DocumentHost &host_;
    QString folder_;
    bool enabled_;
    std::function<bool()> paused_;
    RecoverySchedule schedule_;
    QElapsedTimer clock_;
    QTimer timer_;
    std::unique_ptr<RecoverySlot> slot_;
    bool copyOnDisk_ = false;
    std::size_t bufferFor_ = 0;  // the snapshot room asked of the writer
    int copiesWritten_ = 0;
    QString failure_;
    // Declared last: its destructor waits for the last job, which uses the
    // slot and calls back into this object.
    RecoveryWriter writer_;
};

}  // namespace marbolt
