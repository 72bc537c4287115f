// Saving each program to its own file, in the real window:
//   the whole command O番号毎に保存 on documents of 1,000 to 16,000 programs,
//   against the floor measured in the same run: the same files written by a
//   plain loop of open, write, fsync, close with the texts cut beforehand.
// Not a test: it prints figures.
//   bench_osave [folder]    writes into a scratch folder below folder (default /tmp)
#include "quietdialogs.h"
#include "app/widgets/sdiappform.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace marbolt;

namespace {

struct FolderDialogs : QuietDialogs {
    QString folder;
    std::optional<QString> chooseFolder(const QString &) override { return folder; }
};

std::string program(int number)
{
    std::string p = "O" + std::to_string(10000 + number) + "(荒取り " + std::to_string(number) + ")\r\n";
    for (int line = 0; line < 12; ++line)
        p += "G01X" + std::to_string(line * 3 + number % 7) + ".5Y-" + std::to_string(line) + ".25F300\r\n";
    p += "M30\r\n";
    return p;
}

double floorSeconds(const std::vector<std::string> &texts, const QString &folder)
{
    QElapsedTimer t;
    t.start();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string path = (folder + QStringLiteral("/floor%1.nc").arg(i)).toStdString();
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0)
            return -1;
        [[maybe_unused]] auto n = ::write(fd, texts[i].data(), texts[i].size());
        ::fsync(fd);
        ::close(fd);
    }
    return t.nsecsElapsed() / 1e9;
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString base = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    for (int count : {1000, 4000, 8000, 16000}) {
        QTemporaryDir scratch(base + QStringLiteral("/marbolt-osave-XXXXXX"));
        QTemporaryDir home;
        FolderDialogs dialogs;
        dialogs.folder = scratch.path();
        AppEnvironment env;
        env.paths = AppPaths::inFolder(home.path());
        env.dialogs = &dialogs;
        TSDIAppForm form(std::move(env));
        std::string document = "%\r\n";
        std::vector<std::string> texts;
        for (int i = 0; i < count; ++i) {
            texts.push_back(program(i));
            document += texts.back();
        }
        document += "%\r\n";
        auto loader = form.editor()->beginLoad(document.size());
        loader->add(document);
        loader->commit();
        form.indexBox()->rebuild(form.editor()->textView());

        QElapsedTimer t;
        t.start();
        form.OsaveExecute();
        const double command = t.nsecsElapsed() / 1e9;
        const auto written = QDir(scratch.path()).entryList(QDir::Files).size();
        const double floor = floorSeconds(texts, scratch.path());
        std::printf("%5d programs: command %.3f s (%lld files), plain write+fsync loop %.3f s, ratio %.2f\n",
                    count, command, static_cast<long long>(written), floor, command / floor);
    }
    return 0;
}
