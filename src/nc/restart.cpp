#include "nc/restart.h"

#include "nc/lineedits.h"
#include "nc/pathreading.h"
#include "nc/transform.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace marbolt::nc {

namespace {

// The bytes of one line and where the next starts.
struct LineAt {
    std::string_view text;  // without its line break
    std::size_t next = 0;
};

LineAt lineAt(std::string_view document, std::size_t start)
{
    const std::size_t lf = document.find('\n', start);
    const std::size_t end = lf == std::string_view::npos ? document.size() : lf;
    std::string_view t = document.substr(start, end - start);
    if (!t.empty() && t.back() == '\r')
        t.remove_suffix(1);
    return {t, lf == std::string_view::npos ? document.size() : lf + 1};
}

bool executes(const Block &b)
{
    return !b.percent && !b.apostrophe && !isProgramStart(b) && (!b.words.empty() || b.macro());
}

std::string code(const char *format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::optional<std::size_t> findSequence(std::string_view document, std::size_t programStart, long n)
{
    const ProgramSpan span = programSpanAt(document, programStart);
    Block b;
    for (std::size_t at = span.start; at < span.end;) {
        const LineAt line = lineAt(document, at);
        readBlock(line.text, b);
        if (const Word *w = b.find('N'); w && wholeNumber(*w) == n)
            return at;
        at = line.next;
    }
    return std::nullopt;
}

std::optional<RestartPlan> planRestart(std::string_view document, std::size_t programStart, std::size_t from,
                                       const RestartOptions &options)
{
    const ProgramSpan span = programSpanAt(document, programStart);
    RestartPlan plan;
    MotionReader reader(options.motion);
    Path path;
    Block b;
    bool calls = false, origin = false, macros = false;
    std::optional<double> clamp;
    std::uint32_t lineNumber = static_cast<std::uint32_t>(std::count(document.begin(), document.begin() + static_cast<std::ptrdiff_t>(span.start), '\n'));
    std::size_t at = span.start;
    std::optional<std::size_t> restart;
    Block restartBlock;
    for (; at < span.end; ++lineNumber) {
        const LineAt line = lineAt(document, at);
        readBlock(line.text, b);
        if (at == span.start && isProgramStart(b)) {
            plan.programLine = std::string(document.substr(at, line.next - at));
        } else if (line.next > from && executes(b)) {
            restart = at;
            plan.line = lineNumber;
            readBlock(line.text, restartBlock);
            break;
        } else {
            reader.take(b, lineNumber, path);
            macros = macros || b.macro();
            b.forEach('M', [&](const Word &w) { calls = calls || w.number == 98.0; });
            b.forEach('G', [&](const Word &w) {
                origin = origin || w.number == 92.0 || w.number == 52.0;
                // A lathe's spindle limit, which a constant surface speed needs.
                if (options.motion.lathe && w.number == 50.0 && b.number('S'))
                    clamp = *b.number('S');
            });
        }
        // The moves before are not needed, only where they left the tool.
        path.moves = MoveList{};
        path.holes.clear();
        at = line.next;
    }
    if (!restart)
        return std::nullopt;
    plan.rest = std::string(document.substr(*restart, span.end - *restart));

    const ModalState &s = reader.state();
    const bool lathe = options.motion.lathe;
    const double inc = s.metric ? 0.001 : 0.0001;
    const double safeZ = s.metric ? options.safeZ : options.safeZ / 25.4;
    auto value = [inc](double v) { return formatValue(v, true, 0, inc); };
    // F and S as plain numbers: F300, F0.2.
    auto plain = [inc](double v) {
        return std::floor(v) == v ? std::to_string(std::llround(v)) : formatValue(v, true, 0, inc);
    };
    std::string h;
    auto line = [&h](const std::string &block) { h += block + "\r\n"; };

    char label[64];
    std::snprintf(label, sizeof label, "(RESTART AT LINE %u)", plan.line + 1);
    if (const Word *n = restartBlock.find('N'))
        line("(RESTART AT N" + std::string(n->text) + ")");
    else
        line(label);
    line(lathe ? "G40 G80" : "G40 G49 G80");
    line(std::string(s.metric ? "G21" : "G20") + (lathe ? "" : s.plane == Plane::XY ? " G17" : s.plane == Plane::ZX ? " G18" : " G19")
         + (lathe ? "" : " G90") + (s.feedPerRevolution ? (lathe ? " G99" : " G95") : (lathe ? " G98" : " G94")));
    if (!lathe)
        line(code("G%d", s.workOffset));

    // The tool: a machining centre's in the spindle with its change; a lathe's turret position.
    const int tool = lathe ? s.nextTool : s.tool;
    if (tool > 0)
        line(lathe ? code("T%04d", tool) : code("T%d M06", tool));
    else
        plan.notes.push_back("工具の指令 (T) が再開位置までにありません: ヘッダに工具を書いてください");
    if (!lathe && s.nextTool > 0 && s.nextTool != s.tool)
        line(code("T%d", s.nextTool));

    // The spindle.
    std::string spindle;
    if (lathe && clamp)
        line("G50 S" + plain(*clamp));
    if (lathe)
        spindle += s.constantSurfaceSpeed ? "G96 " : "G97 ";
    if (s.spindle > 0)
        spindle += "S" + plain(s.spindle) + " ";
    spindle += s.spindleDirection == 3 ? "M03" : s.spindleDirection == 4 ? "M04" : "M05";
    line(spindle);
    if (s.spindleDirection != 3 && s.spindleDirection != 4)
        plan.notes.push_back("再開位置で主軸が止まっています (M05)");

    // The approach: from the safe Z above the restart block's start, then
    // down to it at the feed (a rapid could not know how near the work is).
    const double x = lathe ? s.position.x * 2 : s.position.x;
    if (lathe) {
        line("G00 Z" + value(safeZ));
        line("G00 X" + value(x));
    } else {
        line("G00 X" + value(x) + " Y" + value(s.position.y));
        if (s.toolLength == 43 || s.toolLength == 44)
            line(code("G%d", s.toolLength) + " Z" + value(safeZ) + code(" H%d", s.lengthOffset));
        else
            line("G00 Z" + value(safeZ));
    }
    if (s.coolant)
        line("M08");
    const std::string feed = s.feed > 0 ? " F" + plain(s.feed) : "";
    line((s.feed > 0 ? "G01 Z" : "G00 Z") + value(s.position.z) + feed);
    if (s.feed <= 0)
        plan.notes.push_back("送り (F) が再開位置までにありません: Z は早送りで近づきます");

    // A canned cycle armed again, without a hole here (K0).
    if (s.cycle && !lathe)
        line(std::string(s.returnToInitial ? "G98" : "G99") + code(" G%d", s.cycle) + " Z" + value(s.cycleZ) + " R"
             + value(s.cycleR) + (s.cycle == 73 || s.cycle == 83 ? " Q" + value(s.cycleQ) : "") + feed + " K0");
    if (!s.absolute && !lathe)
        line("G91");

    // The restart block's motion when it leaves it to the blocks before.
    bool ownMotion = false;
    restartBlock.forEach('G', [&](const Word &w) {
        ownMotion = ownMotion || w.number == 0.0 || w.number == 1.0 || w.number == 2.0 || w.number == 3.0;
    });
    if (!ownMotion && !s.cycle && (s.motion == 0 || s.motion == 2 || s.motion == 3))
        line(code("G%02d", s.motion));
    plan.header = h;

    if (s.cutterComp == 41 || s.cutterComp == 42)
        plan.notes.push_back("工具径補正 G" + std::to_string(s.cutterComp)
                             + " の途中からの再開です: 補正の立ち上げを確認してください");
    if (calls)
        plan.notes.push_back("再開位置までに M98 の呼び出しがあります: サブプログラムの中のモーダルは反映していません");
    if (origin)
        plan.notes.push_back("再開位置までに座標系設定 (G92/G52) があります: 位置を確認してください");
    if (macros)
        plan.notes.push_back("再開位置までにマクロ文があります: 分岐や変数による状態は反映していません");
    if (restartBlock.macro())
        plan.notes.push_back("再開ブロックはマクロ文です");
    return plan;
}

}  // namespace marbolt::nc
