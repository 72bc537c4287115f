// The NC reader on any text: every word and finding lies within its line,
// a program's reading ends however its calls and returns go, and every
// point of its path is a finite number on a line of the text; renumbering
// and taking the numbers out keep the lines and touch nothing but them;
// the blanks between words come out the same however often they are set.
#include "fuzzcheck.h"

#include "nc/ncblock.h"
#include "nc/ncprogram.h"
#include "nc/blockform.h"
#include "nc/renumber.h"
#include "nc/transform.h"

#include <algorithm>
#include <cmath>
#include <string_view>

using namespace marbolt::nc;

namespace {

bool finite(const Vec3 &v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const auto lines = static_cast<std::uint32_t>(std::count(text.begin(), text.end(), '\n') + 1);
    Block block;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t lf = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, lf - start);
        readBlock(line, block);
        for (const Word &w : block.words) {
            FUZZ_CHECK(w.column < line.size());
            FUZZ_CHECK(!w.text.empty());
            FUZZ_CHECK(w.text.data() >= line.data() && w.text.data() + w.text.size() <= line.data() + line.size());
            FUZZ_CHECK(!w.number || std::isfinite(*w.number));
        }
        for (const LineFinding &f : block.findings)
            FUZZ_CHECK(f.column < line.size());
        start = lf + 1;
    }
    const ProgramPath whole = readProgram(text, std::nullopt, {});
    const auto programs = programsOf(text);
    const ProgramPath first = readProgram(text, programs.empty() ? 0 : programs.begin()->second.offset, {});
    for (const ProgramPath *path : {&whole, &first}) {
        const ProgramPath &p = *path;
        for (const Move &m : p.path.moves) {
            FUZZ_CHECK(m.line < lines);
            FUZZ_CHECK(finite(m.from) && finite(m.to) && finite(m.center));
        }
        FUZZ_CHECK(std::isfinite(p.seconds) && p.seconds >= 0);
        FUZZ_CHECK(finite(p.min) && finite(p.max));
        for (const ProgramFinding &f : p.findings)
            FUZZ_CHECK(f.line < lines);
        for (const BlockFinding &f : p.blockFindings)
            FUZZ_CHECK(f.line < lines);
    }

    // The lines stay the lines; what is taken out is only taken out.
    const auto lineCount = [](std::string_view t) { return std::count(t.begin(), t.end(), '\n'); };
    for (const bool lathe : {false, true}) {
        const RenumberResult renumbered = renumber(text, RenumberOptions{10, 10, 0, false, lathe, {}});
        FUZZ_CHECK(lineCount(renumbered.text) == lineCount(text));
        for (const RenumberProblem &p : renumbered.problems)
            FUZZ_CHECK(p.line < lines);
        const NumberRemoval removed = removeNumbers(text, lathe);
        FUZZ_CHECK(lineCount(removed.text) == lineCount(text));
        FUZZ_CHECK(removed.text.size() <= text.size());
        FUZZ_CHECK(removed.removed == 0 || removed.text.size() < text.size());
        const std::string blanks = withWordBlanks(text, lathe);
        FUZZ_CHECK(lineCount(blanks) == lineCount(text));
        FUZZ_CHECK(withWordBlanks(blanks, lathe) == blanks);
        FUZZ_CHECK(lineCount(withBlockSkip(text, BlockSkipChange::Toggle)) == lineCount(text));
        // Transformed: the lines stay, and once its changed numbers are in
        // their written form, a mirror twice gives the text back.
        for (const Transform &t : {Transform::rotation(30, 1, 2), Transform::scaling(1.5, 0, 0, 0)}) {
            const TransformResult moved = transformProgram(text, TransformOptions{t, lathe, {}});
            FUZZ_CHECK(lineCount(moved.text) == lineCount(text));
            for (const TransformProblem &p : moved.refused)
                FUZZ_CHECK(p.line < lines);
        }
        const TransformOptions mirror{Transform::mirrorY(3), false, {}};
        const TransformResult once = transformProgram(text, mirror);
        if (!lathe) {
            const std::string twice = transformProgram(transformProgram(once.text, mirror).text, mirror).text;
            FUZZ_CHECK(twice == once.text);
        }
        FUZZ_CHECK(lineCount(scaleRates(text, RateScale{1.5, 0.5, lathe, {}}).text) == lineCount(text));
    }
    return 0;
}
