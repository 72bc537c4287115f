#pragma once
// The path of a program read off the window's thread: the text is copied
// (into the same memory as the last time, once no reader holds it) and
// the window goes on; the path comes back as a signal. A newer read makes
// an older one's path go unannounced.
#include "common/largepages.h"
#include "nc/ncprogram.h"

#include <QObject>
#include <QThread>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace marbolt::nc {

class PathReading : public QObject {
    Q_OBJECT
public:
    explicit PathReading(QObject *parent = nullptr) : QObject(parent) {}
    ~PathReading() override;

    // caret: the program holding this byte offset of document is read
    // (with the programs it calls); nullopt: the whole document.
    void read(std::string_view document, std::optional<std::size_t> caret, const ReadOptions &options);
    bool reading() const { return pending_ > 0; }

signals:
    // The program read spans bytes [programStart, programEnd) of the text
    // it was given (the whole text for the whole document).
    void ready(std::shared_ptr<const marbolt::nc::ProgramPath> path, qint64 programStart, qint64 programEnd);

private:
    std::vector<QThread *> threads_;
    std::shared_ptr<LargeBuffer> text_;
    quint64 generation_ = 0;
    int pending_ = 0;
};

// The program that holds byte offset caret: from the last O-line at or
// before it (0 when none is) to the next program's O-line or the end.
struct ProgramSpan {
    std::size_t start = 0;
    std::size_t end = 0;
};
ProgramSpan programSpanAt(std::string_view document, std::size_t caret);

}  // namespace marbolt::nc
