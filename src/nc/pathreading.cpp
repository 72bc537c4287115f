#include "nc/pathreading.h"

#include <algorithm>

namespace marbolt::nc {

std::size_t programStartAt(std::string_view document, std::size_t caret)
{
    std::size_t found = 0;
    for (const auto &[number, start] : programsOf(document)) {
        (void)number;
        if (start.offset <= caret)
            found = std::max(found, start.offset);
    }
    return found;
}

PathReading::~PathReading()
{
    for (QThread *thread : threads_) {
        thread->wait();
        delete thread;
    }
}

void PathReading::read(std::string document, std::optional<std::size_t> caret, const ReadOptions &options)
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
    QThread *thread = QThread::create([this, generation, caret, options, text = std::move(document)] {
        std::optional<std::size_t> start;
        if (caret)
            start = programStartAt(text, *caret);
        auto path = std::make_shared<const ProgramPath>(readProgram(text, start, options));
        const qint64 from = static_cast<qint64>(start.value_or(0));
        QMetaObject::invokeMethod(
            this,
            [this, generation, path, from] {
                --pending_;
                if (generation == generation_)
                    emit ready(path, from);
            },
            Qt::QueuedConnection);
    });
    threads_.push_back(thread);
    thread->start(QThread::LowPriority);
}

}  // namespace marbolt::nc
