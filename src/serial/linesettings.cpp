#include "linesettings.h"

#include <QStringList>

namespace marbolt {

std::optional<StopBits> stopBitsFromText(const QString &text)
{
    if (text == QLatin1String("1"))
        return StopBits::One;
    if (text == QLatin1String("1.5"))
        return StopBits::OneAndHalf;
    if (text == QLatin1String("2"))
        return StopBits::Two;
    return std::nullopt;
}

std::optional<Parity> parityFromText(const QString &text)
{
    // Japanese, Latin and full-width spellings, compared exactly. No Latin
    // spelling selects no parity.
    static const struct {
        Parity parity;
        QStringList texts;
    } table[] = {
        {Parity::None, {QStringLiteral("無し"), QStringLiteral("なし")}},
        {Parity::Odd, {QStringLiteral("奇数"), QStringLiteral("きすう"), QStringLiteral("ODD"),
                       QStringLiteral("odd"), QStringLiteral("ＯＤＤ"), QStringLiteral("ｏｄｄ")}},
        {Parity::Even, {QStringLiteral("偶数"), QStringLiteral("ぐうすう"), QStringLiteral("EVEN"),
                        QStringLiteral("even"), QStringLiteral("ＥＶＥＮ"), QStringLiteral("ｅｖｅｎ")}},
        {Parity::Mark, {QStringLiteral("マーク"), QStringLiteral("まーく"), QStringLiteral("MARK"),
                        QStringLiteral("mark"), QStringLiteral("ＭＡＲＫ"), QStringLiteral("ｍａｒｋ")}},
        {Parity::Space, {QStringLiteral("スペース"), QStringLiteral("すぺーす"), QStringLiteral("SPACE"),
                         QStringLiteral("space"), QStringLiteral("ＳＰＡＣＥ"), QStringLiteral("ｓｐａｃｅ")}},
    };
    for (const auto &row : table)
        if (row.texts.contains(text))
            return row.parity;
    return std::nullopt;
}

LineSettings LineSettings::sendPortDefaults()
{
    LineSettings s;
    s.txtimeout = 10000;
    s.rxtimeout = 3000;
    s.flowflag = kSendFlowFlag;
    return s;
}

LineSettings LineSettings::receivePortDefaults()
{
    LineSettings s;
    s.XonLim = 100;
    s.XoffLim = 800;
    return s;
}

}  // namespace marbolt
