// Prints the MIME type Qt's database gives each file named, and the types
// it inherits: what a Qt file manager would make of it, with the databases
// of XDG_DATA_DIRS.
#include <QCoreApplication>
#include <QMimeDatabase>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QMimeDatabase db;
    for (const QString &file : app.arguments().mid(1)) {
        const QMimeType type = db.mimeTypeForFile(file);
        std::printf("%s %s %s\n", qPrintable(file), qPrintable(type.name()),
                    qPrintable(type.allAncestors().join(QLatin1Char(','))));
    }
    return 0;
}
