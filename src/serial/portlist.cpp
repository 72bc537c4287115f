#include "serial/portlist.h"

#include <QCollator>
#include <QDir>

#include <algorithm>

namespace marbolt {

namespace {

// Device names in numeric order: ttyUSB2 before ttyUSB10.
QStringList devices(const QString &folder, const QStringList &patterns)
{
    QDir dir(folder);
    QStringList names = dir.entryList(patterns, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), collator);
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
