#pragma once
// The path of a program read off the window's thread: the window hands a
// copy of its text and goes on; the path comes back as a signal. A newer
// read makes an older one's path go unannounced.
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
    void read(std::string document, std::optional<std::size_t> caret, const ReadOptions &options);
    bool reading() const { return pending_ > 0; }

signals:
    // programStart: the byte offset of the O-line read from (0 for the
    // whole document).
    void ready(std::shared_ptr<const marbolt::nc::ProgramPath> path, qint64 programStart);

private:
    std::vector<QThread *> threads_;
    quint64 generation_ = 0;
    int pending_ = 0;
};

// The O-line of the program that holds byte offset caret: the last one at
// or before it (0 when none is).
std::size_t programStartAt(std::string_view document, std::size_t caret);

}  // namespace marbolt::nc
