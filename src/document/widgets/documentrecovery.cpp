#include "document/widgets/documentrecovery.h"

#include "document/widgets/documentfiles.h"
#include "document/widgets/nceditor.h"

#include <QDir>

namespace marbolt {

namespace {

constexpr int kTickMs = 1000;

}  // namespace

DocumentRecovery::DocumentRecovery(NcEditor &editor, DocumentFiles &files, DocumentHost &host, QString folder,
                                   int idleSeconds, std::function<bool()> paused)
    : editor_(editor), files_(files), host_(host), folder_(std::move(folder)), enabled_(idleSeconds > 0),
      paused_(std::move(paused)),
      schedule_(qint64{idleSeconds} * 1000, qint64{idleSeconds} * 1000 * kLongestWaitInIdleTimes),
      slot_(std::make_unique<RecoverySlot>(folder_, RecoverySlot::newName()))
{
    clock_.start();
    if (!enabled_)
        return;
    // Without the lock another window could take this slot's copy for an
    // abandoned one; the copies are still written, a start offers them.
    slot_->lock();
    // Typing is seen as it happens, so the idle time counts from the last
    // key; the timer sees what no key does (a reception, a restore) and
    // takes the copies. (The editor tells of a change as it begins: a copy
    // taken then would miss it.)
    connect(&editor_, &QsciScintilla::textChanged, this, &DocumentRecovery::changed);
    connect(&timer_, &QTimer::timeout, this, &DocumentRecovery::tick);
    timer_.start(kTickMs);
}

DocumentRecovery::~DocumentRecovery()
{
    writer_.drain();
    // A copy still wanted stays for the next start, unlocked: the program
    // ends without the document being saved or discarded.
}

QString DocumentRecovery::question(const RecoveryInfo &info, bool fileChanged)
{
    QString text = QStringLiteral("前回保存されなかった変更があります。復元しますか？\r\r");
    text += info.documentPath.isEmpty() ? QStringLiteral("ファイル: 無題")
                                        : QStringLiteral("ファイル: %1").arg(QDir::toNativeSeparators(info.documentPath));
    text += QStringLiteral("\r自動保存した時刻: %1").arg(info.written.toLocalTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
    if (fileChanged)
        text += QStringLiteral("\r\r注意: このファイルはその後ディスク上で変更または削除されています。"
                               "\r復元した内容は無題の文書として開きます。");
    if (info.editorText)
        text += QStringLiteral("\r\r注意: シフトJISで保存できない文字が含まれています。");
    text += QStringLiteral("\r\r「後で」を選ぶと、次に起動したときにもう一度お聞きします。");
    return text;
}

bool DocumentRecovery::offerAbandoned(Dialogs &dialogs)
{
    if (!enabled_)
        return false;
    for (auto &[slot, info] : abandonedSlots(folder_)) {
        const bool fileChanged = !info.documentPath.isEmpty() && FileStamp::of(info.documentPath) != info.base;
        switch (dialogs.offerRecovery(question(info, fileChanged))) {
        case RecoveryChoice::Restore: {
            RecoveryInfo restored = info;
            if (fileChanged) {
                restored.documentPath.clear();
                restored.base = FileStamp();
            }
            if (!restore(*slot, restored))
                continue;  // told by the open; the copy stays for another try
            // This window takes the slot over: the copy stays until the
            // document is saved or discarded.
            slot_->removeWithLock();
            slot_ = std::move(slot);
            return true;
        }
        case RecoveryChoice::Discard:
            slot->removeWithLock();
            break;
        case RecoveryChoice::Later:
            break;
        }
    }
    return false;
}

bool DocumentRecovery::restore(RecoverySlot &slot, const RecoveryInfo &info)
{
    if (!files_.restore(slot.copyPath(), info.editorText, info.documentPath, info.base))
        return false;
    schedule_.observe(editor_.generation(), true, clock_.elapsed());
    schedule_.copied(editor_.generation());
    copyOnDisk_ = true;
    return true;
}

void DocumentRecovery::documentSettled()
{
    if (!enabled_)
        return;
    schedule_.observe(editor_.generation(), false, clock_.elapsed());
    dropCopy();
}

void DocumentRecovery::dropCopy()
{
    if (copyOnDisk_) {
        writer_.remove(*slot_);
        copyOnDisk_ = false;
    }
    if (bufferFor_ > 0) {
        writer_.releaseBuffer();
        bufferFor_ = 0;
    }
}

void DocumentRecovery::changed()
{
    if (!paused_ || !paused_())
        schedule_.observe(editor_.generation(), true, clock_.elapsed());
}

void DocumentRecovery::tick()
{
    if (!enabled_ || (paused_ && paused_()))
        return;
    const bool unsaved = editor_.modifiedFlag() && editor_.textLength() > 0;
    schedule_.observe(editor_.generation(), unsaved, clock_.elapsed());
    if (!schedule_.wantsCopy()) {
        dropCopy();  // undone back to the saved text, or emptied: nothing to keep
        return;
    }
    // The snapshot's room is made ahead, off this thread: copying 100 MB
    // into fresh memory costs its page faults, some 250 ms, into memory
    // already touched some 10 ms.
    const std::size_t length = editor_.textLength();
    if (length > bufferFor_) {
        bufferFor_ = length + length / 16 + 4096;
        writer_.prepareBuffer(bufferFor_);
    }
    // One copy at a time: a copy still being written is not overtaken by
    // another snapshot of a large document.
    if (schedule_.due(clock_.elapsed()) && writer_.idle())
        writeCopy();
}

void DocumentRecovery::writeCopy()
{
    RecoveryInfo info;
    info.documentPath = files_.filename();
    info.base = files_.fileStamp();
    info.written = QDateTime::currentDateTimeUtc();
    const std::uint64_t generation = editor_.generation();
    schedule_.copied(generation);
    copyOnDisk_ = true;
    std::string snapshot = writer_.takeBuffer();
    editor_.copyText(snapshot);
    writer_.write(*slot_, std::move(snapshot), std::move(info), this,
                  [this, generation](const RecoveryWriter::Outcome &outcome) { copyWritten(outcome, generation); });
}

void DocumentRecovery::copyWritten(const RecoveryWriter::Outcome &outcome, std::uint64_t generation)
{
    if (outcome.ok) {
        ++copiesWritten_;
        if (!failure_.isEmpty()) {
            failure_.clear();
            host_.showActivity(QString());
        }
        return;
    }
    // Tried again after the idle time; the user is told once.
    if (schedule_.settled() && editor_.generation() == generation)
        schedule_.retryLater(clock_.elapsed());
    if (failure_ != outcome.reason) {
        failure_ = outcome.reason;
        host_.showActivity(QStringLiteral("変更の自動保存に失敗しました: %1").arg(outcome.reason));
    }
}

}  // namespace marbolt
