#include "document/recoverywriter.h"

#include "document/ncfile.h"

namespace marbolt {

std::string recoveryBytes(std::string_view text, bool &editorText)
{
    // The line breaks a save makes first, on a copy: the editor is not
    // touched by a copy nobody asked for.
    std::string crlf;
    crlf.reserve(text.size() + text.size() / 64);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            crlf += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            crlf += "\r\n";
        } else {
            crlf += c;
        }
    }
    std::string bytes;
    bytes.reserve(crlf.size());
    editorText = encodeNcText(crlf, bytes).status != WriteStatus::Ok;
    return editorText ? crlf : bytes;
}

RecoveryWriter::RecoveryWriter() : thread_([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void RecoveryWriter::post(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void RecoveryWriter::write(RecoverySlot &slot, std::string text, RecoveryInfo info, QObject *receiver,
                           std::function<void(const Outcome &)> done)
{
    post([&slot, text = std::move(text), info = std::move(info), receiver, done = std::move(done)]() mutable {
        Outcome outcome;
        std::string bytes = recoveryBytes(text, outcome.editorText);
        text = std::string();  // half the memory back before the disk is waited for
        info.editorText = outcome.editorText;
        outcome.bytes = bytes.size();
        if (const auto failure = slot.write(bytes, info)) {
            outcome.ok = false;
            outcome.reason = failure->reason();
        }
        if (receiver && done)
            QMetaObject::invokeMethod(receiver, [done = std::move(done), outcome] { done(outcome); }, Qt::QueuedConnection);
    });
}

void RecoveryWriter::remove(RecoverySlot &slot)
{
    post([&slot] { slot.remove(); });
}

void RecoveryWriter::drain()
{
    std::unique_lock lock(mutex_);
    drained_.wait(lock, [this] { return jobs_.empty() && running_ == 0; });
}

bool RecoveryWriter::idle() const
{
    std::lock_guard lock(mutex_);
    return jobs_.empty() && running_ == 0;
}

void RecoveryWriter::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
        if (jobs_.empty()) {
            if (ending_)
                return;
            continue;
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        ++running_;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        --running_;
        if (jobs_.empty() && running_ == 0)
            drained_.notify_all();
    }
}

}  // namespace marbolt
