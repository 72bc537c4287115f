// Editor benchmark on the 100 MB benchmark document, in the real window:
//   1. Ctrl+End and Ctrl+Home with caret tracking, time per move
//   2. the down arrow held through 10,000 lines, time per move
//   5. near the end, Page Up and Down and a typed key and its Backspace
//   3. FindForward of a text that does not occur, over the whole document,
//      against grep -c of the same text on the same file in the same run
// Not a test: it prints figures.
//   bench_editor [--plain] [--backplot] [file]
//                            generates /tmp/marbolt-bench-100mb.nc when missing
#include "gen_ncfile.h"

#include "quietdialogs.h"
#include "app/widgets/backplotdock.h"
#include "app/widgets/sdiappform.h"
#include "nc/widgets/backplotview.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "document/textsearch.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace marbolt;

namespace {

bool withRepaint = false;

void press(QWidget *w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent down(QEvent::KeyPress, key, mods);
    QCoreApplication::sendEvent(w, &down);
    QKeyEvent up(QEvent::KeyRelease, key, mods);
    QCoreApplication::sendEvent(w, &up);
    // The second pass counts the repaint that follows each move too.
    if (withRepaint)
        QCoreApplication::processEvents();
}

double seconds(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // --plain: with the NC colouring off (it is on, as the program starts);
    // --backplot: with the backplot open beside the editor.
    bool plain = false;
    bool backplot = false;
    while (argc > 1 && std::string(argv[1]).rfind("--", 0) == 0) {
        plain = plain || std::string(argv[1]) == "--plain";
        backplot = backplot || std::string(argv[1]) == "--backplot";
        --argc;
        ++argv;
    }
    const std::string path = argc > 1 ? argv[1] : "/tmp/marbolt-bench-100mb.nc";
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        std::printf("generating %s ...\n", path.c_str());
        writeSyntheticNcFile(path, 100L * 1000 * 1000, 100000);
    }
    QTemporaryDir dir;
    QuietDialogs dialogs;
    AppEnvironment env;
    env.paths = AppPaths::inFolder(dir.path());
    env.dialogs = &dialogs;
    TSDIAppForm form(std::move(env));
    form.resize(backplot ? 1200 : 800, 600);
    form.show();
    if (!form.fopen(QString::fromStdString(path)))
        return 1;
    if (backplot) {
        form.findChild<QAction *>(QStringLiteral("BackplotItem"))->trigger();
        QElapsedTimer wait;
        wait.start();
        while (!form.backplot()->view()->path() && wait.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        std::printf("backplot open: its first path read in %.2f s\n", wait.elapsed() / 1000.0);
    }
    QCoreApplication::processEvents();
    NcEditor *editor = form.editor();
    editor->setColouring(!plain);
    std::printf("NC colouring %s\n", plain ? "off" : "on");
    editor->setFocus();

    for (bool repaint : {false, true}) {
        withRepaint = repaint;
        const char *what = repaint ? "move, caret tracking and repaint" : "move and caret tracking";
        const int jumps = 10;
        const double jump = seconds([&] {
            for (int i = 0; i < jumps; ++i) {
                press(editor, Qt::Key_End, Qt::ControlModifier);
                press(editor, Qt::Key_Home, Qt::ControlModifier);
            }
        });
        std::printf("1. Ctrl+End / Ctrl+Home, %s: %.2f ms a move over %d moves, index box "
                    "at the end showed %s (target < 5 ms)\n",
                    what, jump / (2 * jumps) * 1e3, 2 * jumps, qPrintable(form.indexBox()->boxText()));

        const int lines = 10000;
        const double down = seconds([&] {
            for (int i = 0; i < lines; ++i)
                press(editor, Qt::Key_Down);
        });
        std::printf("2. down arrow through %d lines, %s: %.3f ms a move (target < 0.2 ms); index box %s\n",
                    lines, what, down / lines * 1e3, qPrintable(form.indexBox()->boxText()));

        // Near the end: Page Up and Down, and a key typed and taken back.
        press(editor, Qt::Key_End, Qt::ControlModifier);
        for (int i = 0; i < 50; ++i)
            press(editor, Qt::Key_Up);
        const int pages = 10;
        const double page = seconds([&] {
            for (int i = 0; i < pages; ++i) {
                press(editor, Qt::Key_PageUp);
                press(editor, Qt::Key_PageDown);
            }
        });
        const int keys = 10;
        const double typed = seconds([&] {
            for (int i = 0; i < keys; ++i) {
                QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
                QCoreApplication::sendEvent(editor, &a);
                if (withRepaint)
                    QCoreApplication::processEvents();
                press(editor, Qt::Key_Backspace);
            }
        });
        std::printf("5. near the end, %s: Page Up/Down %.2f ms a move, a typed key or its Backspace "
                    "%.2f ms (target < 16 ms)\n",
                    what, page / (2 * pages) * 1e3, typed / (2 * keys) * 1e3);
    }

    const std::string needle = "G99X12345.6789";
    long long pos = 0;
    const std::string_view text = editor->textView();
    const double find = seconds([&] { pos = FindForward(text, needle, 0, text.size()); });
    const std::string grep = "grep -c -F '" + needle + "' '" + path + "' >/dev/null";
    const double base = seconds([&] { [[maybe_unused]] int rc = std::system(grep.c_str()); });
    std::printf("3. FindForward of an absent text over %.1f MB: %.3f s (found %lld); grep -c: %.3f s; "
                "ratio %.2f (target within 2x)\n",
                text.size() / 1e6, find, pos, base, find / base);

    // The last program of the document, found from the start of the text.
    const QStringList entries = form.indexBox()->entries();
    std::string last;
    for (const QString &e : entries)
        if (e.toStdString() > last)
            last = e.toStdString();
    form.indexBox()->setBoxText(QString::fromStdString(last));
    const double select = seconds([&] { form.FileNukidasi1Execute(); });
    const std::string grepLine = "grep -n -x -F '" + last + "' '" + path + "' >/dev/null";
    const double lineBase = seconds([&] { [[maybe_unused]] int rc = std::system(grepLine.c_str()); });
    std::printf("4. selecting the program %s: %.3f s, %zu bytes selected; grep -n -x of its O-line: %.3f s; "
                "ratio %.2f\n",
                last.c_str(), select, editor->selectedTextView().size(), lineBase, select / lineBase);
    return 0;
}
