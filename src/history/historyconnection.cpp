#include "history/historyconnection.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QUrlQuery>

namespace marbolt {

std::optional<HistoryConnection> parseHistorySetting(const QString &setting, const QString &defaultFile,
                                                     QString *error)
{
    auto fail = [&](const QString &why) -> std::optional<HistoryConnection> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QString value = setting.trimmed();
    HistoryConnection c;
    if (value.isEmpty()) {
        c.file = defaultFile;
        return c;
    }
    if (!value.startsWith(QLatin1String("postgresql:"), Qt::CaseInsensitive)
        && !value.startsWith(QLatin1String("postgres:"), Qt::CaseInsensitive)) {
        c.file = value;
        return c;
    }
    const QUrl url(value, QUrl::StrictMode);
    if (!url.isValid())
        return fail(QStringLiteral("履歴のデータベースの指定が読めません: %1").arg(url.errorString()));
    c.kind = HistoryConnection::Kind::Postgres;
    c.host = url.host();
    c.port = url.port(5432);
    c.database = url.path().mid(1);
    c.user = url.userName();
    c.password = url.password();
    const QUrlQuery query(url);
    for (const auto &[key, item] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            c.host = item;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            c.port = item.toInt(&ok);
            if (!ok || c.port <= 0 || c.port > 65535)
                return fail(QStringLiteral("履歴のデータベースのポート番号が正しくありません: %1").arg(item));
        } else if (key == QLatin1String("connect_timeout")) {
            bool ok = false;
            c.connectTimeoutSeconds = item.toInt(&ok);
            if (!ok || c.connectTimeoutSeconds <= 0)
                return fail(QStringLiteral("履歴のデータベースの connect_timeout が正しくありません: %1").arg(item));
        } else if (key == QLatin1String("user")) {
            c.user = item;
        } else if (key == QLatin1String("password")) {
            c.password = item;
        } else {
            return fail(QStringLiteral("履歴のデータベースの指定に知らない項目があります: %1").arg(key));
        }
    }
    if (c.database.isEmpty() || c.database.contains(u'/'))
        return fail(QStringLiteral("履歴のデータベース名がありません: %1").arg(describe(c)));
    return c;
}

QString defaultHistoryFile(const QString &settingsFile)
{
    return QFileInfo(settingsFile).absoluteDir().filePath(QStringLiteral("marbolt-history.sqlite"));
}

QString describe(const HistoryConnection &c)
{
    if (c.kind == HistoryConnection::Kind::Sqlite)
        return c.file;
    QString text = QStringLiteral("postgresql://");
    if (!c.user.isEmpty())
        text += c.user + u'@';
    if (c.host.startsWith(u'/'))
        return text + QStringLiteral("/%1?host=%2").arg(c.database, c.host);
    return text + QStringLiteral("%1:%2/%3").arg(c.host.isEmpty() ? QStringLiteral("localhost") : c.host).arg(c.port).arg(c.database);
}

}  // namespace marbolt
