#include "station/dnclog.h"

#include <QDir>
#include <QFile>

namespace marbolt {

QString programLabel(long number)
{
    return QStringLiteral("O%1").arg(number, 4, 10, QLatin1Char('0'));
}

QString directionText(DncDirection direction)
{
    switch (direction) {
    case DncDirection::Receive:
        return QStringLiteral("受信");
    case DncDirection::Send:
        return QStringLiteral("送信");
    case DncDirection::Request:
        return QStringLiteral("要求");
    }
    return {};
}

QString outcomeText(DncOutcome outcome)
{
    switch (outcome) {
    case DncOutcome::Done:
        return QStringLiteral("完了");
    case DncOutcome::Refused:
        return QStringLiteral("拒否");
    case DncOutcome::Stopped:
        return QStringLiteral("中断");
    case DncOutcome::Failed:
        return QStringLiteral("失敗");
    }
    return {};
}

DncLog::DncLog(QString folder, std::FILE *err, Clock &clock) : folder_(std::move(folder)), err_(err), clock_(clock)
{
}

QString DncLog::fileOf(const QString &machine) const
{
    QString name = machine.trimmed();
    for (QChar &c : name)
        if (c == u'/' || c == u'\\' || c.unicode() < 0x20 || c == u':')
            c = u'_';
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("_");
    return QDir(folder_).filePath(name + QStringLiteral(".log"));
}

void DncLog::record(const DncEntry &e)
{
    const QString program = e.program.isEmpty() ? QStringLiteral("-") : e.program;
    // Tab-separated in the file, so that a spreadsheet or awk reads it.
    const QString fileLine = QStringList{directionText(e.direction), program, QString::number(e.bytes),
                                         outcomeText(e.outcome), e.detail}
                                 .join(u'\t');
    QString journal = QStringLiteral("%1 %2 %3 %4バイト %5")
                          .arg(e.machine, directionText(e.direction), program)
                          .arg(e.bytes)
                          .arg(outcomeText(e.outcome));
    if (!e.detail.isEmpty())
        journal += QStringLiteral(": ") + e.detail;
    const Level level = e.outcome == DncOutcome::Failed    ? Level::Error
                      : e.outcome == DncOutcome::Done      ? Level::Info
                                                           : Level::Warning;
    write(e.machine, level, fileLine, journal);
}

void DncLog::note(const QString &machine, Level level, const QString &text)
{
    write(machine, level, QStringLiteral("-\t-\t-\t-\t") + text, machine + u' ' + text);
}

void DncLog::write(const QString &machine, Level level, const QString &fileLine, const QString &journalLine)
{
    const QString stamp = clock_.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    // A line break inside a detail would start a false record.
    QString line = stamp + u'\t' + fileLine;
    line.replace(u'\r', u' ').replace(u'\n', u' ');
    if (!folder_.isEmpty()) {
        QDir().mkpath(folder_);
        QFile f(fileOf(machine));
        const QByteArray bytes = (line + u'\n').toUtf8();
        if ((!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(bytes) != bytes.size()) && err_)
            std::fprintf(err_, "<3>%s\n",
                         QStringLiteral("%1 ログ %2 に書けません: %3").arg(machine, f.fileName(), f.errorString())
                             .toUtf8().constData());
    }
    if (err_) {
        const char *priority = level == Level::Error ? "<3>" : level == Level::Warning ? "<4>" : "<6>";
        QString journal = journalLine;
        journal.replace(u'\r', u' ').replace(u'\n', u' ');
        std::fprintf(err_, "%s%s\n", priority, journal.toUtf8().constData());
        std::fflush(err_);
    }
}

}  // namespace marbolt
