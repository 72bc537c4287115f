// Compare (照合) of two 100,000-block programs that differ in 10 places,
// against `diff` of the same two files measured in the same run (the
// baseline). Target: under 1 s.
#include "tools/nccompare.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

using namespace marbolt;

namespace {

std::string program(int blocks, const std::vector<int> &changed)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coordinate(-99999, 99999);
    std::string text = "%\r\nO1000 (BENCH)\r\n";
    std::size_t next = 0;
    for (int i = 1; i <= blocks; ++i) {
        const int x = coordinate(random), y = coordinate(random);
        char line[96];
        std::snprintf(line, sizeof line, "N%d G01 X%d.%03d Y%d.%03d F1200.\r\n", i * 10, x / 1000,
                      std::abs(x % 1000), y / 1000, std::abs(y % 1000));
        if (next < changed.size() && changed[next] == i) {
            ++next;
            if (i % 2)
                continue;  // a dropped block
            std::snprintf(line, sizeof line, "N%d G01 X%d.%03d Y0. F800.\r\n", i * 10, x / 1000, std::abs(x % 1000));
        }
        text += line;
    }
    return text + "M30\r\n%\r\n";
}

}  // namespace

int main()
{
    const int blocks = 100000;
    const std::string left = program(blocks, {});
    const std::string right = program(blocks, {3000, 12001, 25000, 33333, 47000, 50001, 62000, 77777, 88000, 99001});
    const char *leftPath = "/tmp/marbolt-bench-compare-left.nc";
    const char *rightPath = "/tmp/marbolt-bench-compare-right.nc";
    std::ofstream(leftPath, std::ios::binary) << left;
    std::ofstream(rightPath, std::ios::binary) << right;

    QElapsedTimer t;
    t.start();
    std::system("diff /tmp/marbolt-bench-compare-left.nc /tmp/marbolt-bench-compare-right.nc >/dev/null");
    const double baseline = static_cast<double>(t.nsecsElapsed()) / 1e9;

    t.restart();
    const CompareOptions options;
    const std::vector<Difference> differences = compareTexts(compareBlocks(left, options), compareBlocks(right, options));
    const double ours = static_cast<double>(t.nsecsElapsed()) / 1e9;
    std::printf("%d blocks, %zu differences: compare %.3f s, diff (baseline) %.3f s = %.2fx\n", blocks,
                differences.size(), ours, baseline, ours / baseline);
    std::remove(leftPath);
    std::remove(rightPath);
    return 0;
}
