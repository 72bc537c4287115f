// Recovery copies of the 100 MB benchmark document, in the real window:
//   1. the snapshot the window thread takes (the copy of the editor's
//      text) with the caret in the middle, against textView(), which
//      closes the editing gap
//   2. encoding and writing the copy on the writer's thread, against the
//      program's own save of the same text and cp + sync of the file
//   3. a typist's key every 30 ms for 10 s while a copy is taken: the
//      longest time the window thread did not answer, with copies on and
//      with copies off, in the same run
// Not a test: it prints figures.
//   bench_recovery [file]   generates /tmp/marbolt-bench-100mb.nc when missing
#include "gen_ncfile.h"

#include "quietdialogs.h"
#include "app/widgets/sdiappform.h"
#include "document/ncfile.h"
#include "document/recoverywriter.h"
#include "document/widgets/documentrecovery.h"
#include "document/widgets/nceditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

using namespace marbolt;

namespace {

double seconds(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e9;
}

std::unique_ptr<TSDIAppForm> openWindow(const QTemporaryDir &dir, QuietDialogs &dialogs, const std::string &path,
                                        int autosave)
{
    QFile ini(dir.filePath(QStringLiteral("marbolt.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        std::exit(1);
    ini.write("[MARBOLT]\r\nAUTOSAVE=" + QByteArray::number(autosave) + "\r\n");
    ini.close();
    AppEnvironment env;
    env.paths = AppPaths::inFolder(dir.path());
    env.dialogs = &dialogs;
    auto form = std::make_unique<TSDIAppForm>(std::move(env));
    form->resize(800, 600);
    form->show();
    if (!form->fopen(QString::fromStdString(path)))
        std::exit(1);
    QCoreApplication::processEvents();
    // The caret in the middle: the editing gap there, as after an edit
    // half-way down a long program.
    NcEditor *editor = form->editor();
    editor->setFocus();
    editor->setCaretPos(editor->lineStart(static_cast<std::size_t>(editor->lines() / 2)));
    return form;
}

struct Typing {
    double longestGapMs = 0;  // between two keys, beyond the 30 ms asked
    double longestKeyMs = 0;  // one key's handling
    int keys = 0;
};

// A key every 30 ms for the given time, the letter and then its Backspace.
Typing type(NcEditor *editor, int milliseconds)
{
    Typing out;
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1;
    QTimer keys;
    keys.setTimerType(Qt::PreciseTimer);
    QObject::connect(&keys, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0)
            out.longestGapMs = std::max(out.longestGapMs, (now - last) / 1e6 - 30);
        last = now;
        QElapsedTimer one;
        one.start();
        const bool letter = out.keys % 2 == 0;
        QKeyEvent down(QEvent::KeyPress, letter ? Qt::Key_A : Qt::Key_Backspace, Qt::NoModifier,
                       letter ? QStringLiteral("a") : QString());
        QCoreApplication::sendEvent(editor, &down);
        out.longestKeyMs = std::max(out.longestKeyMs, one.nsecsElapsed() / 1e6);
        ++out.keys;
    });
    keys.start(30);
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return out;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string path = argc > 1 ? argv[1] : "/tmp/marbolt-bench-100mb.nc";
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        std::printf("generating %s ...\n", path.c_str());
        writeSyntheticNcFile(path, 100L * 1000 * 1000, 100000);
    }
    const double fileMb = QFileInfo(QString::fromStdString(path)).size() / 1e6;
    QuietDialogs dialogs;

    {
        QTemporaryDir dir;
        auto form = openWindow(dir, dialogs, path, 0);
        NcEditor *editor = form->editor();
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(editor, &key);  // the gap now stands in the middle
        std::string snapshot;
        const double fresh = seconds([&] { editor->copyText(snapshot); });
        const double copy = seconds([&] { editor->copyText(snapshot); });
        const double view = seconds([&] { [[maybe_unused]] volatile char c = editor->textView()[0]; });
        std::printf("1. snapshot of %.1f MB on the window thread: %.1f ms into memory touched before, %.1f ms "
                    "into fresh memory (textView(), closing the gap: %.1f ms)\n",
                    snapshot.size() / 1e6, copy * 1e3, fresh * 1e3, view * 1e3);

        RecoveryWriter writer;
        RecoverySlot slot(dir.filePath(QStringLiteral("recovery")), QStringLiteral("bench"));
        RecoveryInfo info;
        info.written = QDateTime::currentDateTimeUtc();
        QObject receiver;
        const double write = seconds([&] {
            writer.write(slot, std::move(snapshot), info, &receiver, nullptr);
            writer.drain();
        });
        const QString saved = dir.filePath(QStringLiteral("saved.nc"));
        const double save = seconds([&] {
            if (writeNcFile(saved, editor->textView()).status != WriteStatus::Ok)
                std::exit(1);
        });
        const std::string cp = "cp '" + path + "' '" + dir.filePath(QStringLiteral("cp.nc")).toStdString()
                               + "' && sync -f '" + dir.path().toStdString() + "'";
        const double base = seconds([&] { [[maybe_unused]] int rc = std::system(cp.c_str()); });
        std::printf("2. copy of %.1f MB encoded and written (fsync, rename) on the writer's thread: %.3f s; "
                    "the program's own save: %.3f s; cp + sync: %.3f s; ratio to the save %.2f\n",
                    fileMb, write, save, base, write / save);
    }

    for (int autosave : {0, 1}) {
        QTemporaryDir dir;
        auto form = openWindow(dir, dialogs, path, autosave);
        // Copies on: the first comes 4 s into the typing (four idle times),
        // the window thread takes the snapshot between two keys.
        const Typing t = type(form->editor(), 10000);
        form->recovery().finishWriting();
        QCoreApplication::processEvents();
        std::printf("3. typing for 10 s near %.0f MB, copies %s: %d keys, longest key %.2f ms, longest wait "
                    "beyond the 30 ms between keys %.1f ms, copies written %d\n",
                    fileMb / 2, autosave ? "on" : "off", t.keys, t.longestKeyMs, t.longestGapMs,
                    form->recovery().copiesWritten());
    }
    return 0;
}
