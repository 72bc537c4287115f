#pragma once
// SIGTERM, SIGINT and SIGHUP as Qt signals on the main thread: the handler
// only writes a byte to a pipe, which the event loop reads.
#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace marbolt {

class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;
    bool ready() const { return notifier_ != nullptr; }

signals:
    void stopAsked();    // SIGTERM, SIGINT
    void reloadAsked();  // SIGHUP

private:
    void readPipe();
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace marbolt
