#include "serial/portlist.h"

#include <QDir>

#include <algorithm>

namespace marbolt {

namespace {

// Device names in numeric order: ttyUSB2 before ttyUSB10.
QStringList devices(const QString &folder, const QStringList &patterns)
{
    QDir dir(folder);
    QStringList names = dir.entryList(patterns, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    // Not QCollator: under the C locale it ignores its numeric mode.
    auto split = [](const QString &name) {
        qsizetype digits = name.size();
        while (digits > 0 && name[digits - 1].isDigit())
            --digits;
        return std::pair{name.left(digits), name.mid(digits)};
    };
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const auto [stemA, numberA] = split(a);
        const auto [stemB, numberB] = split(b);
        if (stemA != stemB)
            return stemA < stemB;
        if (numberA.size() != numberB.size())
            return numberA.size() < numberB.size();
        return numberA < numberB;
    });
    QStringList paths;
    for (const QString &name : names)
        paths << dir.filePath(name);
    return paths;
}

}  // namespace

QStringList serialPortChoices(const QString &devRoot)
{
    QStringList choices;
    for (int i = 1; i <= 8; ++i)
        choices << QStringLiteral("COM%1").arg(i);
    choices << devices(devRoot, {QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")});
    choices << devices(devRoot + QStringLiteral("/serial/by-id"), {QStringLiteral("*")});
    return choices;
}

}  // namespace marbolt
