#include "app/checkcommand.h"
#include "app/comparecommand.h"
#include "app/processsignals.h"
#include "app/qtjapanese.h"
#include "app/widgets/sdiappform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    marbolt::ignoreFileSizeSignal();
    {
        // The check and the compare from the command line run without a window.
        QStringList arguments;
        for (int i = 1; i < argc; ++i)
            arguments << QString::fromLocal8Bit(argv[i]);
        if (marbolt::asksForCheck(arguments)) {
            QCoreApplication core(argc, argv);
            return marbolt::runCheckCommand(arguments, marbolt::AppPaths::forThisProgram(), stdout, stderr);
        }
        if (marbolt::asksForCompare(arguments)) {
            QCoreApplication core(argc, argv);
            return marbolt::runCompareCommand(arguments, stdout, stderr);
        }
    }
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
