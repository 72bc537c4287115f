#include "transfer/sendlog.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringEncoder>

namespace marbolt {

QString sendLogHeader()
{
    return QStringLiteral("日時") + QString(9, QChar(0x3000)) + QStringLiteral("送信ファイル名");
}

QString sendLogRule()
{
    return QString(55, QLatin1Char('-'));
}

QString sendLogDateTime(const QDateTime &when)
{
    const QLocale locale = QLocale::system();
    return locale.toString(when.date(), QLocale::ShortFormat) + QLatin1Char(' ')
         + locale.toString(when.time(), QLocale::LongFormat);
}

QString sendLogLine(const QDateTime &when, const QString &filename, bool interrupted)
{
    const QString result = interrupted ? QStringLiteral("送信中断") : QStringLiteral("送信完了");
    if (filename.isEmpty())
        return sendLogDateTime(when) + QStringLiteral("  無題  ") + result;
    return sendLogDateTime(when) + QStringLiteral("  ") + filename + QStringLiteral("  ") + result;
}

std::optional<QString> appendSendLog(const QString &path, const QString &line)
{
    QString text;
    if (!QFileInfo::exists(path))
        text = sendLogHeader() + QStringLiteral("\r\n") + sendLogRule() + QStringLiteral("\r\n");
    text += line + QStringLiteral("\r\n");

    // A character the code page cannot hold (a file name from another
    // system) is logged as "?": the log is for reading, not for reopening.
    QStringEncoder encoder("windows-31j", QStringEncoder::Flag::Default);
    const QByteArray bytes = encoder.encode(text);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return QStringLiteral("ファイル %1 を作成できません\r%2").arg(path, file.errorString());
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString why = file.errorString();
        return QStringLiteral("ファイル %1 に書き込めません\r%2").arg(path, why);
    }
    file.close();
    return std::nullopt;
}

}  // namespace marbolt
