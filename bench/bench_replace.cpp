// Replace-all on a 10 MB document in the real window, shown: replacements a
// second for the whole text with and without comment protection, for the
// current program, and the ";" deletion (EOF削除), against sed making the
// same replacements on the same text in the same run. Not a test.
#include "quietdialogs.h"
#include "app/widgets/sdiappform.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "tools/widgets/replacedialog.h"
#include "../tests/window/windowprobe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

using namespace marbolt;

namespace {

// About 10 MB: programs of moves ending in ";" with a comment holding
// "G01" and ";" every tenth line.
std::string document(std::size_t bytes, std::size_t &moves, std::size_t &semicolons)
{
    std::string text;
    moves = semicolons = 0;
    for (int program = 1; text.size() < bytes; ++program) {
        text += "O" + std::to_string(program) + "\r\n";
        for (int i = 0; i < 200; ++i) {
            text += "G01X" + std::to_string(i) + ".Y-2.5;";
            ++moves;
            ++semicolons;
            if (i % 10 == 0)
                text += "(G01;CHECK)";
            text += "\r\n";
        }
        text += "M30\r\n";
    }
    return text;
}

struct Window {
    QTemporaryDir dir;
    QuietDialogs dialogs;
    std::unique_ptr<TSDIAppForm> form;
    explicit Window(const std::string &text)
    {
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir.path());
        env.dialogs = &dialogs;
        form = std::make_unique<TSDIAppForm>(std::move(env));
        // Shown, as a person has it: painting, the NC colouring and the
        // editor's accessible object count.
        form->resize(800, 600);
        form->show();
        QCoreApplication::processEvents();
        auto loader = form->editor()->beginLoad(text.size());
        loader->add(text);
        loader->commit();
        form->indexBox()->rebuild(form->editor()->textView());
    }
};

double seconds(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e9;
}

double sedSeconds(const std::string &text, const char *script)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.nc"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.data(), static_cast<qint64>(text.size()));
    f.close();
    const std::string cmd = std::string("sed -e '") + script + "' '" + path.toStdString() + "' >/dev/null";
    return seconds([&] { [[maybe_unused]] int rc = std::system(cmd.c_str()); });
}

void run(const char *what, const std::string &text, std::size_t expected, const char *sedScript,
         const std::function<void(Window &)> &act)
{
    Window w(text);
    const std::size_t before = w.form->editor()->textLength();
    const double t = seconds([&] { act(w); });
    const double sed = sedSeconds(text, sedScript);
    std::printf("%s: %zu replacements in %.3f s = %.0f a second (target >= 100,000); sed %.3f s, ratio %.1fx; "
                "text %zu -> %zu bytes\n",
                what, expected, t, expected / t, sed, t / sed, before, w.form->editor()->textLength());
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::size_t moves = 0, semicolons = 0;
    const std::string text = document(10 * 1000 * 1000, moves, semicolons);
    std::printf("document: %.1f MB, %zu G01 outside comments, %zu ';' outside comments\n", text.size() / 1e6, moves,
                semicolons);
    auto replaceAll = [](Window &w, const char *find, const char *with, bool skip) {
        auto &s = WindowProbe::replaceState(*w.form);  // as the dialog leaves it
        s.ReplaceFindText = QString::fromLatin1(find);
        s.ReplaceNewText = QString::fromLatin1(with);
        s.ReplaceSkipComments = skip;
        s.ReplaceActive = true;
        w.form->editor()->setCaretPos(0);
        w.form->ReplaceAll();
    };
    run("1. G01 -> G1, comments protected", text, moves, "s/G01/G1/g",
        [&](Window &w) { replaceAll(w, "G01", "G1", true); });
    run("2. G01 -> G1, comments too", text, moves + moves / 10, "s/G01/G1/g",
        [&](Window &w) { replaceAll(w, "G01", "G1", false); });
    run("3. ; deleted (EOF削除)", text, semicolons, "s/;//g", [&](Window &w) { w.form->EditEOFExecute(); });
    return 0;
}
