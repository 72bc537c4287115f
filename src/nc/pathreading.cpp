#include "nc/pathreading.h"

#include <algorithm>
#include <iterator>

namespace marbolt::nc {

ProgramSpan programSpanAt(std::string_view document, std::size_t caret)
{
    const std::vector<std::size_t> starts = programOffsets(document);
    ProgramSpan span{0, document.size()};
    const auto after = std::upper_bound(starts.begin(), starts.end(), caret);
    if (after != starts.begin())
        span.start = *std::prev(after);
    const auto next = std::upper_bound(starts.begin(), starts.end(), span.start);
    if (next != starts.end())
        span.end = *next;
    return span;
}

PathReading::~PathReading()
{
    for (QThread *thread : threads_) {
        thread->wait();
        delete thread;
    }
}

void PathReading::read(std::string_view document, std::optional<std::size_t> caret, const ReadOptions &options)
{
    const quint64 generation = ++generation_;
    ++pending_;
    // Threads that have ended go; the running ones are waited for at the end.
    threads_.erase(std::remove_if(threads_.begin(), threads_.end(),
                                  [](QThread *t) {
                                      if (!t->isFinished())
                                          return false;
                                      delete t;
                                      return true;
                                  }),
                   threads_.end());
    // A reader still at work keeps its copy; the next copy goes elsewhere.
    // (A thread's function, and the copy it holds, go with the thread.)
    if (!text_ || text_.use_count() > 1)
        text_ = std::make_shared<LargeBuffer>();
    text_->assign(document.data(), document.size());
    QThread *thread = QThread::create([this, generation, caret, options, copy = text_] {
        const std::string_view text(copy->data(), copy->size());
        ProgramSpan span{0, text.size()};
        if (caret)
            span = programSpanAt(text, *caret);
        auto path = std::make_shared<const ProgramPath>(
            readProgram(text, caret ? std::optional(span.start) : std::nullopt, options));
        const auto from = static_cast<qint64>(span.start);
        const auto to = static_cast<qint64>(span.end);
        QMetaObject::invokeMethod(
            this,
            [this, generation, path, from, to] {
                --pending_;
                if (generation == generation_)
                    emit ready(path, from, to);
            },
            Qt::QueuedConnection);
    });
    threads_.push_back(thread);
    thread->start(QThread::LowPriority);
}

}  // namespace marbolt::nc
