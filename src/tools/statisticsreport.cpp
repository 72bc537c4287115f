#include "tools/statisticsreport.h"

#include <QLocale>

namespace marbolt {

namespace {

QString count(std::size_t n)
{
    return QLocale(QLocale::Japanese).toString(static_cast<qulonglong>(n));
}

QString length(double v, bool inch)
{
    return QString::number(v, 'f', inch ? 4 : 3);
}

}  // namespace

QString statisticsReport(const nc::ProgramStatistics &s, const QString &title)
{
    const QString unit = s.inch ? QStringLiteral("inch") : QStringLiteral("mm");
    QStringList out;
    out << title;
    out << QStringLiteral("ブロック: %1 (行 %2)").arg(count(s.blocks), count(s.lines));
    out << QStringLiteral("加工時間 (見積り): %1").arg(QString::fromStdString(nc::durationText(s.seconds)));
    out << QStringLiteral("移動: 早送り %1 %3、切削 %2 %3")
               .arg(length(s.rapidLength, s.inch), length(s.feedLength, s.inch), unit);
    if (s.moved) {
        const char *axes[] = {"X", "Y", "Z"};
        const double low[] = {s.min.x, s.min.y, s.min.z}, high[] = {s.max.x, s.max.y, s.max.z};
        for (int a = 0; a < 3; ++a)
            out << QStringLiteral("%1 %2: %3 ～ %4 %5")
                       .arg(a == 0 ? QStringLiteral("範囲") : QStringLiteral("    "), QLatin1StringView(axes[a]),
                            length(low[a], s.inch), length(high[a], s.inch), unit);
    } else {
        out << QStringLiteral("範囲: 移動なし");
    }
    if (s.fed)
        out << QStringLiteral("送り: F%1 ～ F%2 (%3/min)")
                   .arg(QString::number(s.feedMin, 'g', 8), QString::number(s.feedMax, 'g', 8), unit);
    else
        out << QStringLiteral("送り: 切削送りなし");
    out << QStringLiteral("工具: %1 本").arg(s.tools.size());
    for (const nc::ToolUse &t : s.tools) {
        QString row = QStringLiteral("  T%1  %2行").arg(t.tool).arg(t.firstLine + 1);
        if (!t.comment.empty())
            row += QStringLiteral("  ") + QString::fromStdString(t.comment);
        out << row;
    }
    if (s.unfollowedCalls)
        out << QStringLiteral("たどれなかった呼び出し: %1 (呼び先の移動は時間と範囲に入っていません)").arg(s.unfollowedCalls);
    if (s.unread)
        out << QStringLiteral("読まなかったマクロ文・変数の値: %1 (それによる移動は時間と範囲に入っていません)").arg(s.unread);
    if (s.arcFaults)
        out << QStringLiteral("終点・中心・半径の合わない円弧: %1").arg(s.arcFaults);
    return out.join(u'\n');
}

}  // namespace marbolt
