// Opening a 100 MB NC file as the program does (read and decode on one
// thread, the program index gathered there too, the editor taking the text
// on the other), against a baseline measured
// in the same run: LC_ALL=C tr a-z A-Z <file | grep -c '^O'.
//
//   bench_open [file]       generates /tmp/marbolt-bench-100mb.nc when missing
#include "gen_ncfile.h"

#include "document/widgets/indexbox.h"
#include "document/ncfile.h"
#include "document/programindex.h"
#include "document/widgets/nceditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace marbolt;

namespace {

long rssKb()
{
    long kb = 0;
    if (std::FILE *f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmRSS: %ld", &kb) == 1)
                break;
        std::fclose(f);
    }
    return kb;
}

// One open in this process; prints "seconds idleKb peakKb entries".
int child(const char *path, int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    NcEditor editor;
    IndexBox box;
    box.setSorted(true);
    const long idle = rssKb();
    QElapsedTimer t;
    t.start();
    editor.setUpdatesEnabled(false);
    std::unique_ptr<NcEditor::Loader> loader;
    const std::size_t hint = textSizeHint(static_cast<std::uint64_t>(QFileInfo(QString::fromLocal8Bit(path)).size()));
    ProgramLineCollector programs(box.isSorted());
    const ReadResult r = readNcFile(
        QString::fromLocal8Bit(path), NcEditor::kMaxCharacters,
        [&](std::string_view piece) {
            if (!loader)
                loader = editor.beginLoad(hint);
            return loader->add(piece);
        },
        [&](std::string_view piece, bool last) { programs.add(piece, last); });
    if (r.status != ReadStatus::Ok) {
        std::fprintf(stderr, "cannot open %s (%d)\n", path, static_cast<int>(r.status));
        return 1;
    }
    loader->commit();
    loader.reset();
    editor.setUpdatesEnabled(true);
    box.setEntries(programs.take());
    box.setBoxText(box.firstEntry());
    const double seconds = t.nsecsElapsed() / 1e9;
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    std::printf("%.4f %ld %ld %lld\n", seconds, idle, ru.ru_maxrss,
                static_cast<long long>(box.count()));
    return 0;
}

struct Run {
    double seconds = 0;
    long idleKb = 0, peakKb = 0;
    long long entries = 0;
};

Run runChild(const char *self, const std::string &path)
{
    const std::string cmd = std::string("'") + self + "' --child '" + path + "'";
    Run r;
    if (std::FILE *p = popen(cmd.c_str(), "r")) {
        if (std::fscanf(p, "%lf %ld %ld %lld", &r.seconds, &r.idleKb, &r.peakKb, &r.entries) != 4)
            r.seconds = -1;
        pclose(p);
    }
    return r;
}

double runBaseline(const std::string &path)
{
    const std::string cmd = "LC_ALL=C tr a-z A-Z <'" + path + "' | grep -c '^O' >/dev/null";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <typename T>
T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::string(argv[1]) == "--child")
        return child(argv[2], argc, argv);

    std::string path = argc >= 2 ? argv[1] : "/tmp/marbolt-bench-100mb.nc";
    if (access(path.c_str(), R_OK) != 0) {
        std::printf("generating %s ...\n", path.c_str());
        writeSyntheticNcFile(path, 97L * 1000 * 1000, 100000);
    }
    const double fileMb = QFileInfo(QString::fromStdString(path)).size() / 1e6;
    std::printf("file: %s, %.1f MB\n", path.c_str(), fileMb);

    std::vector<double> ours, base;
    std::vector<long> peaks, growth;
    long long entries = 0;
    for (int i = 0; i < 5; ++i) {
        const Run r = runChild(argv[0], path);
        if (r.seconds < 0) {
            std::fprintf(stderr, "open run failed\n");
            return 1;
        }
        ours.push_back(r.seconds);
        peaks.push_back(r.peakKb);
        growth.push_back(r.peakKb - r.idleKb);
        entries = r.entries;
        base.push_back(runBaseline(path));
    }
    const double o = median(ours), b = median(base);
    const double peakMb = median(peaks) / 1024.0, growthMb = median(growth) / 1024.0;
    std::printf("index entries: %lld\n", entries);
    std::printf("open (median of 5):     %.3f s\n", o);
    std::printf("baseline (median of 5): %.3f s   tr a-z A-Z | grep -c '^O'\n", b);
    std::printf("time ratio:             %.2fx   (target within 4x)\n", o / b);
    std::printf("peak RSS:               %.0f MB = %.2fx the file (%.0f MB over the idle program = %.2fx)"
                "   (target within 2.5x)\n",
                peakMb, peakMb / (fileMb / 1.048576), growthMb, growthMb / (fileMb / 1.048576));
    return 0;
}
