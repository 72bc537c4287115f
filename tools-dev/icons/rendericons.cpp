// Writes the desktop's icons from the program's own drawing, at build time:
//   marbolt-icons OUTDIR
// gives OUTDIR/hicolor/scalable/apps/marbolt.svg and
// OUTDIR/hicolor/NxN/apps/marbolt.png for the theme's usual sizes.
#include "app/tapeicon.h"

#include <QDir>
#include <QFile>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: marbolt-icons OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString scalable = out + QStringLiteral("/hicolor/scalable/apps");
    if (!QDir().mkpath(scalable))
        return 1;
    QFile svg(scalable + QStringLiteral("/marbolt.svg"));
    const std::string text = marbolt::tapeIconSvg();
    if (!svg.open(QIODevice::WriteOnly)
        || svg.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
        std::fprintf(stderr, "marbolt-icons: cannot write %s\n", qPrintable(svg.fileName()));
        return 1;
    }
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString folder = out + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
        if (!QDir().mkpath(folder) || !marbolt::tapeIconImage(size).save(folder + QStringLiteral("/marbolt.png"), "PNG")) {
            std::fprintf(stderr, "marbolt-icons: cannot write the %dx%d icon\n", size, size);
            return 1;
        }
    }
    return 0;
}
