// The check before a send on the 100 MB benchmark document, against the
// send's own preparation of the same text measured in the same run (the
// baseline): line ends, lead and end marker, apostrophe lines, punch code.
// Target: the check under 0.5x of the preparation, so it never delays a
// send noticeably.
//
//   bench_sendcheck [file]   generates /tmp/marbolt-bench-100mb.nc when missing
#include "gen_ncfile.h"

#include "document/ncfile.h"
#include "document/sjistext.h"
#include "transfer/sendcheck.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

using namespace marbolt;

namespace {

template <typename Run>
double bestOf(int rounds, Run run)
{
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    return best;
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string path = argc >= 2 ? argv[1] : "/tmp/marbolt-bench-100mb.nc";
    if (!QFileInfo::exists(QString::fromStdString(path))) {
        std::printf("generating %s\n", path.c_str());
        writeSyntheticNcFile(path, 97L * 1000 * 1000, 100000);
    }
    // The document as the editor holds it, then as a send encodes it.
    std::string source;
    SjisEncoder().encode(readNcText(QString::fromStdString(path), std::numeric_limits<std::uint64_t>::max()).value_or(""),
                         source);

    for (const PunchCode code : {PunchCode::Iso, PunchCode::Eia}) {
        SendOptions options;
        options.code = code;
        std::size_t sent = 0, found = 0;
        const double prepare = bestOf(3, [&] { sent = prepareSendData(source, options).bytes.size(); });
        const PreparedText prepared = prepareSendText(source, options);
        const double check = bestOf(3, [&] { found = checkSendText(prepared.text, code).size(); });
        std::printf("%s: %.1f MB; send preparation (baseline) %.3f s, check %.3f s = %.2fx of it; %zu findings\n",
                    code == PunchCode::Iso ? "ISO" : "EIA", static_cast<double>(sent) / 1e6, prepare, check,
                    check / prepare, found);
    }
    return 0;
}
