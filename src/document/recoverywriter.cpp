#include "document/recoverywriter.h"

#include "document/ncfile.h"

#include <algorithm>
#include <cstring>

namespace marbolt {

namespace {

// Where the first line break that is not CR LF stands, or npos: every CR
// followed by LF, every LF after a CR. (Two passes of memchr: a search
// for either character at once is several times slower on 100 MB.)
std::size_t firstLoneBreak(std::string_view text)
{
    std::size_t lone = std::string_view::npos;
    const char *begin = text.data();
    const char *end = begin + text.size();
    for (const char *p = begin; (p = static_cast<const char *>(std::memchr(p, '\r', static_cast<std::size_t>(end - p))));
         ++p) {
        if (p + 1 == end || p[1] != '\n') {
            lone = static_cast<std::size_t>(p - begin);
            break;
        }
    }
    for (const char *p = begin; (p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))));
         ++p) {
        if (p == begin || p[-1] != '\r') {
            lone = std::min(lone, static_cast<std::size_t>(p - begin));
            break;
        }
    }
    return lone;
}

}  // namespace

std::string recoveryBytes(std::string_view text, bool &editorText)
{
    // The line breaks a save makes first, on a copy: the editor is not
    // touched by a copy nobody asked for. Most documents have none to make.
    std::string crlf;
    if (const std::size_t lone = firstLoneBreak(text); lone != std::string_view::npos) {
        crlf.reserve(text.size() + text.size() / 64);
        crlf.append(text.substr(0, lone));
        for (std::size_t i = lone; i < text.size(); ++i) {
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
        text = crlf;
    }
    std::string bytes;
    bytes.reserve(text.size());
    editorText = encodeNcText(text, bytes).status != WriteStatus::Ok;
    return editorText ? std::string(text) : bytes;
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
    post([this, &slot, text = std::move(text), info = std::move(info), receiver, done = std::move(done)]() mutable {
        Outcome outcome;
        std::string bytes = recoveryBytes(text, outcome.editorText);
        keepBuffer(std::move(text));
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

void RecoveryWriter::prepareBuffer(std::size_t capacity)
{
    post([this, capacity] {
        std::string buffer = takeBuffer();
        if (buffer.capacity() >= capacity)
            return keepBuffer(std::move(buffer));
        buffer = std::string();
        // Every page written once, here: the window's thread then copies
        // into memory that is already there.
        buffer.resize(capacity);
        keepBuffer(std::move(buffer));
    });
}

void RecoveryWriter::releaseBuffer()
{
    post([this] { takeBuffer(); });
}

std::string RecoveryWriter::takeBuffer()
{
    std::lock_guard lock(bufferMutex_);
    return std::move(buffer_);
}

void RecoveryWriter::keepBuffer(std::string buffer)
{
    buffer.clear();
    std::lock_guard lock(bufferMutex_);
    if (buffer.capacity() > buffer_.capacity())
        buffer_ = std::move(buffer);
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
