#include "processsignals.h"
#include "sdiappform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    marbolt::ignoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marbolt"));
    // Window captions already end in the program's name; this keeps the
    // desktop from appending it a second time.
    QApplication::setApplicationDisplayName(QStringLiteral("マルボルト"));

    marbolt::AppEnvironment env;
    env.paths = marbolt::AppPaths::forThisProgram();
    env.arguments = QApplication::arguments().mid(1);
    marbolt::TSDIAppForm form(std::move(env));
    form.show();
    return app.exec();
}
