#include "gen_ncfile.h"

#include <QStringEncoder>

#include <cstdio>
#include <random>
#include <vector>

int writeSyntheticNcFile(const std::string &path, long targetBytes, int programs)
{
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    QStringEncoder enc("windows-31j");
    std::vector<QByteArray> comments;
    for (const char *c : {"(荒加工 φ10 エンドミル)", "(仕上げ 面取り)", "(穴あけ ドリル φ6.8)", "(タップ M8)"})
        comments.push_back(enc.encode(QString::fromUtf8(c)));
    std::mt19937 rng(42);
    const long perProgram = targetBytes / programs;
    long written = 0;
    std::fputs("%\r\n", f);
    char line[160];
    for (int p = 0; p < programs; ++p) {
        long inProgram = 0;
        int n = std::snprintf(line, sizeof line, "o%d", 1000 + p);
        std::fwrite(line, 1, static_cast<size_t>(n), f);
        const QByteArray &c = comments[p % 4];
        std::fwrite(c.constData(), 1, static_cast<size_t>(c.size()), f);
        std::fputs("\r\n", f);
        inProgram += n + c.size() + 2;
        while (inProgram < perProgram - 8) {
            n = std::snprintf(line, sizeof line, "n%d g01 x%.3f y%.3f z-%.3f f%d\r\n",
                              static_cast<int>(inProgram), (rng() % 200000) / 1000.0,
                              (rng() % 200000) / 1000.0, (rng() % 20000) / 1000.0,
                              100 + static_cast<int>(rng() % 900));
            std::fwrite(line, 1, static_cast<size_t>(n), f);
            inProgram += n;
            if (rng() % 8 == 0) {
                const QByteArray &k = comments[rng() % 4];
                std::fwrite(k.constData(), 1, static_cast<size_t>(k.size()), f);
                std::fputs("\r\n", f);
                inProgram += k.size() + 2;
            }
        }
        std::fputs("m30\r\n", f);
        written += inProgram + 5;
    }
    std::fputs("%\r\n", f);
    std::fclose(f);
    (void)written;
    return programs;
}
