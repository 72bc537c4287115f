#include "app/processsignals.h"
#include "app/qtjapanese.h"
#include "app/widgets/sdiappform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    marbolt::ignoreFileSizeSignal();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marbolt"));
    marbolt::installQtJapanese(app);
    // No display name: Qt would append it to every caption ("情報 — マルボルト"),
    // and each caption already says what it should.

    marbolt::AppEnvironment env;
    env.paths = marbolt::AppPaths::forThisProgram();
    env.arguments = QApplication::arguments().mid(1);
    marbolt::TSDIAppForm form(std::move(env));
    form.show();
    return app.exec();
}
