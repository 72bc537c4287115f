// The NC functions on the 100 MB benchmark document, as the window runs
// them (the text read, the new text made, the changed runs found and made
// in the editor as one undo step) and as the bare functions, against a
// plain renumber of the same file by sed and by perl measured in the same
// run (the baselines: a text tool that knows no program, no reference and
// no undo). Then the undo of each, which must give the text back.
//
//   bench_ncfunctions [file]   generates /tmp/marbolt-bench-100mb.nc when missing
#include "gen_ncfile.h"

#include "app/widgets/editornctarget.h"
#include "document/ncfile.h"
#include "document/widgets/nceditor.h"
#include "nc/renumber.h"
#include "nc/transform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <functional>
#include <limits>
#include <string>

using namespace marbolt;

namespace {

double seconds(const std::function<void()> &run)
{
    QElapsedTimer t;
    t.start();
    run();
    return static_cast<double>(t.nsecsElapsed()) / 1e9;
}

// The resident and the peak memory of this process, in MB.
std::string memory()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    long rss = 0, peak = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            rss = line.mid(6).trimmed().split(' ').front().toLong();
        if (line.startsWith("VmHWM:"))
            peak = line.mid(6).trimmed().split(' ').front().toLong();
    }
    char text[64];
    std::snprintf(text, sizeof text, "RSS %ld MB, peak %ld MB", rss / 1024, peak / 1024);
    return text;
}

double tool(const QString &program, const QStringList &arguments)
{
    return seconds([&] {
        QProcess p;
        // Bytes, as the file is Shift-JIS.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        p.setProcessEnvironment(environment);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(program, arguments);
        p.waitForFinished(-1);
    });
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const std::string path = argc >= 2 ? argv[1] : "/tmp/marbolt-bench-100mb.nc";
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        std::printf("generating %s\n", path.c_str());
        writeSyntheticNcFile(path, 97L * 1000 * 1000, 100000);
    }
    const QString file = QString::fromStdString(path);
    const std::string text = readNcText(file, std::numeric_limits<std::uint64_t>::max()).value_or("");
    std::printf("document: %.1f MB\n", static_cast<double>(text.size()) / 1e6);

    // The baselines: every N of the file rewritten, by sed as a plain
    // substitution and by perl counting up, written to /dev/null. (mawk,
    // Debian's awk, takes minutes for the same.)
    const double sed = tool(QStringLiteral("sed"), {QStringLiteral("-E"), QStringLiteral("s/^([/]?)[Nn][0-9]+/\\1N0/"), file});
    const double perl = tool(QStringLiteral("perl"),
                             {QStringLiteral("-pe"), QStringLiteral("s/^([\\/]?)[Nn]\\d+/$1.\"N\".($n+=10)/e"), file});
    std::printf("baseline: sed substitution %.3f s, perl renumber %.3f s\n", sed, perl);

    // The bare functions, text in, text out.
    const double bare = seconds([&] { (void)nc::renumber(text, nc::RenumberOptions{}); });
    const double bareMove = seconds([&] {
        (void)nc::transformProgram(text, nc::TransformOptions{nc::Transform::translation(1, 2, 0), false, {}});
    });
    std::printf("%s\n", memory().c_str());
    std::printf("functions alone: renumber %.3f s (%.2fx sed), translate %.3f s (%.2fx sed)\n", bare, bare / sed,
                bareMove, bareMove / sed);

    // As the window runs them: on the editor, one undo step each.
    NcEditor editor;
    {
        auto loader = editor.beginLoad(text.size());
        loader->add(text);
        loader->commit();
    }
    std::printf("editor loaded: %s\n", memory().c_str());
    EditorNcTarget target(editor);
    NcFunctions functions(target);
    struct Run {
        const char *name;
        std::function<NcReport()> run;
    } runs[] = {
        {"renumber", [&] { return functions.renumber(NcScope::Document, nc::RenumberOptions{}); }},
        {"remove numbers", [&] { return functions.removeNumbers(NcScope::Document, false); }},
        {"translate X1 Y2", [&] {
             return functions.transform(NcScope::Document,
                                        nc::TransformOptions{nc::Transform::translation(1, 2, 0), false, {}});
         }},
        {"rotate 30 deg", [&] {
             return functions.transform(NcScope::Document,
                                        nc::TransformOptions{nc::Transform::rotation(30, 0, 0), false, {}});
         }},
        {"feed x1.2", [&] { return functions.scaleRates(NcScope::Document, nc::RateScale{1.2, 1, false, {}}); }},
        {"blanks taken out", [&] { return functions.wordBlanks(NcScope::Document, false); }},
    };
    for (const Run &r : runs) {
        NcReport report;
        const double made = seconds([&] { report = r.run(); });
        const double undone = seconds([&] { editor.undo(); });
        const bool back = editor.textView() == text;
        std::printf("%-22s %.3f s = %.2fx sed, %.2fx perl; undo %.3f s, text %s; %s; %s\n", r.name, made, made / sed,
                    made / perl, undone, back ? "back" : "NOT BACK", memory().c_str(),
                    report.summary.toUtf8().constData());
    }
    return 0;
}
