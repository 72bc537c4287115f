#include "app/historycommand.h"

#include "app/commandinput.h"
#include "common/commandoutput.h"
#include "common/settingkeys.h"
#include "history/historydatabase.h"

#include <QDate>
#include <QFileInfo>

namespace marbolt {

int runHistoryCommand(const CommandLine::History &query, const AppPaths &paths, std::FILE *out, std::FILE *err)
{
    const QString settingsFile = paths.storageFile(QStringLiteral(".ini"));
    const SettingsStore settings = commandSettings(paths);
    QString why;
    const auto place = parseHistorySetting(settings.get(setting::HISTORY), defaultHistoryFile(settingsFile), &why);
    if (!place) {
        printText(err, QStringLiteral("marbolt: %1\n").arg(why));
        return 2;
    }
    if (place->kind == HistoryConnection::Kind::Sqlite && !QFileInfo::exists(place->file)) {
        printText(err, QStringLiteral("marbolt: 送受信履歴 %1 はまだありません\n").arg(place->file));
        return 1;
    }
    HistoryDatabase db;
    if (!db.open(*place)) {
        printText(err, QStringLiteral("marbolt: %1\n").arg(db.error()));
        return 2;
    }

    if (!query.show.isEmpty()) {
        const auto found = db.contentByPrefix(query.show);
        if (!found) {
            printText(err, QStringLiteral("marbolt: %1\n").arg(db.error()));
            return db.error() == noSuchVersionText() ? 1 : 2;
        }
        std::fwrite(found->data(), 1, found->size(), out);
        std::fflush(out);
        return 0;
    }

    HistoryFilter filter;
    filter.machine = query.machine;
    if (!query.program.isEmpty())
        filter.program = query.program.mid(query.program.startsWith(u'O') ? 1 : 0).toLong();
    if (!query.from.isEmpty())
        filter.from = QDate::fromString(query.from, Qt::ISODate).startOfDay();
    if (!query.to.isEmpty())
        filter.until = QDate::fromString(query.to, Qt::ISODate).addDays(1).startOfDay();
    filter.limit = query.limit;
    const auto entries = db.find(filter);
    if (!entries) {
        printText(err, QStringLiteral("marbolt: %1\n").arg(db.error()));
        return 2;
    }
    if (entries->empty()) {
        printText(err, QStringLiteral("marbolt: 該当する送受信はありません\n"));
        return 1;
    }
    QString text = QStringLiteral("日時\t機械\t方向\tプログラム\tコメント\t結果\tバイト\t記録者\t版\n");
    for (const HistoryEntry &e : *entries) {
        text += QStringList{e.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), e.machine,
                            recordDirectionText(e.direction), programText(e.program), e.comment, outcomeWithDetail(e),
                            QString::number(e.size), recordedBy(e), e.content.left(kShortVersion)}
                    .join(u'\t')
              + u'\n';
    }
    printText(out, text);
    return 0;
}

}  // namespace marbolt
