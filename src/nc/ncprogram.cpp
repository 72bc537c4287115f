#include "nc/ncprogram.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace marbolt::nc {

namespace {

// Calls within calls a control follows; deeper ones are refused.
constexpr int kMaxNesting = 10;

struct Cursor {
    std::size_t offset = 0;
    std::uint32_t line = 0;
};

// The line at cursor (without its CR LF) and the cursor of the next one.
std::string_view lineAt(std::string_view document, Cursor &cursor)
{
    const std::size_t lf = document.find('\n', cursor.offset);
    const std::size_t end = lf == std::string_view::npos ? document.size() : lf;
    std::string_view line = document.substr(cursor.offset, end - cursor.offset);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    cursor.offset = lf == std::string_view::npos ? document.size() : lf + 1;
    ++cursor.line;
    return line;
}

// A block that opens a program: its first word is O (or the ":" of a tape).
std::optional<long> programNumber(const Block &block)
{
    if (block.words.empty() || block.words.front().letter != 'O' || !block.words.front().number)
        return std::nullopt;
    return static_cast<long>(*block.words.front().number);
}

// What a block's M codes do to the run of the program.
struct Flow {
    bool call = false;     // M98
    bool back = false;     // M99
    bool end = false;      // M30, M02
};

Flow flowOf(const Block &block)
{
    Flow f;
    if (!block.find('M'))
        return f;
    for (const Word &w : block.words) {
        if (w.letter != 'M' || !w.number)
            continue;
        switch (std::lround(*w.number * 10)) {
        case 980: f.call = true; break;
        case 990: f.back = true; break;
        case 300: case 20: f.end = true; break;
        default: break;
        }
    }
    return f;
}

void widen(ProgramPath &out, const Vec3 &p, bool &any)
{
    if (!any) {
        out.min = out.max = p;
        any = true;
        return;
    }
    out.min = {std::min(out.min.x, p.x), std::min(out.min.y, p.y), std::min(out.min.z, p.z)};
    out.max = {std::max(out.max.x, p.x), std::max(out.max.y, p.y), std::max(out.max.z, p.z)};
}

// The extents of a move: its ends, and for an arc the points where it
// crosses its plane's axes through the centre.
void widen(ProgramPath &out, const Move &m, bool &any)
{
    widen(out, m.from, any);
    widen(out, m.to, any);
    if (!m.isArc())
        return;
    const ArcSweep a = arcSweep(m);
    constexpr double kQuarter = 3.14159265358979323846 / 2;
    const double lo = std::min(a.start, a.start + a.sweep);
    const double hi = std::max(a.start, a.start + a.sweep);
    for (double q = std::ceil(lo / kQuarter) * kQuarter; q <= hi; q += kQuarter) {
        Vec3 p = m.center;
        double Vec3::*first = m.plane == Plane::XY ? &Vec3::x : m.plane == Plane::ZX ? &Vec3::z : &Vec3::y;
        double Vec3::*second = m.plane == Plane::XY ? &Vec3::y : m.plane == Plane::ZX ? &Vec3::x : &Vec3::z;
        p.*first += a.radius * std::cos(q);
        p.*second += a.radius * std::sin(q);
        // On a helix the normal axis is between the ends, which count already.
        double Vec3::*normal = m.plane == Plane::XY ? &Vec3::z : m.plane == Plane::ZX ? &Vec3::y : &Vec3::x;
        p.*normal = m.from.*normal;
        widen(out, p, any);
    }
}

class ProgramRun {
public:
    ProgramRun(std::string_view document, const ReadOptions &options)
        : document_(document), options_(options), reader_(options.motion)
    {
    }

    ProgramPath run(std::optional<std::size_t> start)
    {
        whole_ = !start;
        out_.options = options_;
        Cursor cursor;
        if (start) {
            cursor.offset = std::min(*start, document_.size());
            cursor.line = static_cast<std::uint32_t>(
                std::count(document_.begin(), document_.begin() + static_cast<std::ptrdiff_t>(cursor.offset), '\n'));
        }
        programStart_ = cursor.offset;
        // However the calls and returns go, a program is read a bounded
        // number of times over: an M99 P that jumps back runs without end
        // on a control too.
        budget_ = document_.size() * 8 + (1u << 20);
        while (cursor.offset < document_.size() && budget_ > 0) {
            if (!step(cursor))
                break;
        }
        finish();
        return std::move(out_);
    }

private:
    struct Frame {
        Cursor back;                // the block after the call
        std::size_t callerStart;    // where the caller's program starts
        ProgramStart program;       // the subprogram
        int repeatsLeft;
    };

    // Reads the block at cursor; false once the program has ended.
    bool step(Cursor &cursor)
    {
        const std::size_t at = cursor.offset;
        const std::uint32_t line = cursor.line;
        const std::string_view text = lineAt(document_, cursor);
        budget_ -= std::min(budget_, text.size() + 1);
        readBlock(text, block_);
        // A line read again (a subprogram called twice) tells its findings once.
        if (!block_.findings.empty() && toldLines_.insert(line).second)
            for (const LineFinding &f : block_.findings)
                out_.blockFindings.push_back({f.kind, line, f.column});
        if (block_.percent && !whole_)
            return returnFromSubprogram(cursor, std::nullopt, line);
        if (programNumber(block_) && at != programStart_) {
            // The next program: a subprogram without M99 ends here too; a
            // whole document reads on into it.
            if (!whole_ || !stack_.empty())
                return returnFromSubprogram(cursor, std::nullopt, line);
            programStart_ = at;
        }
        const int toolBefore = reader_.state().tool;
        reader_.take(block_, line, out_.path);
        noteTool(toolBefore, line);
        const Flow flow = flowOf(block_);
        if (flow.call)
            return call(cursor, line);
        if (flow.back) {
            std::optional<long> sequence;
            if (const auto p = block_.number('P'))
                sequence = static_cast<long>(*p);
            return returnFromSubprogram(cursor, sequence, line);
        }
        if (!whole_ && flow.end)
            return false;
        return true;
    }

    void noteTool(int before, std::uint32_t line)
    {
        // A tool's comment: on its T block, else on the comment line just
        // before it, as programs are written.
        if (block_.words.empty() && !block_.comments.empty())
            lastComment_ = std::string(block_.comments.front());
        else if (!block_.words.empty() && !block_.find('T'))
            lastComment_.clear();
        if (block_.find('T'))
            toolComment_ = block_.comments.empty() ? lastComment_ : std::string(block_.comments.front());
        const int tool = reader_.state().tool;
        if (tool == before || tool == 0)
            return;
        for (const ToolUse &t : out_.tools)
            if (t.tool == tool)
                return;
        out_.tools.push_back({tool, line, block_.comments.empty() ? toolComment_ : std::string(block_.comments.front())});
    }

    bool call(Cursor &cursor, std::uint32_t line)
    {
        const auto p = block_.number('P');
        if (!p)
            return true;
        long number = static_cast<long>(*p);
        int repeats = 1;
        // P with more than four digits: the repeats, then the program.
        if (number > 9999) {
            repeats = static_cast<int>(number / 10000);
            number %= 10000;
        }
        if (const auto l = block_.number('L'))
            repeats = static_cast<int>(*l);
        if (repeats <= 0)
            return true;
        const auto found = programs().find(number);
        if (found == programs().end()) {
            out_.findings.push_back({ProgramFindingKind::MissingProgram, line, number});
            return true;
        }
        if (static_cast<int>(stack_.size()) >= kMaxNesting) {
            out_.findings.push_back({ProgramFindingKind::NestedTooDeep, line, number});
            return true;
        }
        stack_.push_back({cursor, programStart_, found->second, repeats - 1});
        enter(cursor, found->second);
        return true;
    }

    void enter(Cursor &cursor, const ProgramStart &program)
    {
        programStart_ = program.offset;
        cursor.offset = program.offset;
        cursor.line = program.line;
    }

    bool returnFromSubprogram(Cursor &cursor, std::optional<long> sequence, std::uint32_t line)
    {
        if (stack_.empty())
            return whole_;  // the main program ends (a whole document reads on)
        Frame &frame = stack_.back();
        if (frame.repeatsLeft > 0) {
            --frame.repeatsLeft;
            enter(cursor, frame.program);
            return true;
        }
        Cursor back = frame.back;
        programStart_ = frame.callerStart;
        stack_.pop_back();
        if (sequence) {
            if (const auto found = findSequence(back, *sequence))
                back = *found;
            else
                out_.findings.push_back({ProgramFindingKind::MissingSequence, line, *sequence});
        }
        cursor = back;
        return true;
    }

    // The block numbered N`sequence` of the program at programStart_,
    // searched from `from` to its end and then from its start.
    std::optional<Cursor> findSequence(Cursor from, long sequence)
    {
        Block block;
        for (Cursor c : {from, Cursor{programStart_, lineOf(programStart_)}}) {
            bool first = true;
            while (c.offset < document_.size()) {
                const Cursor here = c;
                readBlock(lineAt(document_, c), block);
                if (block.percent || (programNumber(block) && !(first && here.offset == programStart_)))
                    break;
                first = false;
                if (const auto n = block.number('N'); n && static_cast<long>(*n) == sequence)
                    return here;
            }
        }
        return std::nullopt;
    }

    std::uint32_t lineOf(std::size_t offset)
    {
        for (const auto &[number, start] : programs())
            if (start.offset == offset)
                return start.line;
        return static_cast<std::uint32_t>(
            std::count(document_.begin(), document_.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    }

    const std::map<long, ProgramStart> &programs()
    {
        if (!programs_)
            programs_ = programsOf(document_);
        return *programs_;
    }

    void finish()
    {
        bool any = false;
        double minutes = 0;
        // The rapid rate in the program's unit, as it stands at its end.
        const double rapid = reader_.state().metric ? options_.rapidRate : options_.rapidRate / 25.4;
        for (const Move &m : out_.path.moves) {
            widen(out_, m, any);
            const double length = moveLength(m);
            if (m.kind == MoveKind::Rapid)
                minutes += rapid > 0 ? length / rapid : 0;
            else if (m.feed > 0)
                minutes += length / m.feed;
        }
        out_.seconds = minutes * 60 + out_.path.dwellSeconds;
    }

    std::string_view document_;
    ReadOptions options_;
    MotionReader reader_;
    Block block_;
    ProgramPath out_;
    std::vector<Frame> stack_;
    std::optional<std::map<long, ProgramStart>> programs_;
    std::size_t programStart_ = 0;
    std::size_t budget_ = 0;
    std::string toolComment_;
    std::string lastComment_;  // of the last line that held only a comment
    std::unordered_set<std::uint32_t> toldLines_;  // lines whose findings are told
    bool whole_ = false;
};

}  // namespace

std::vector<std::size_t> programOffsets(std::string_view document)
{
    std::vector<std::size_t> offsets;
    for (const auto &[number, start] : programsOf(document)) {
        (void)number;
        offsets.push_back(start.offset);
    }
    std::sort(offsets.begin(), offsets.end());
    return offsets;
}

std::map<long, ProgramStart> programsOf(std::string_view document)
{
    std::map<long, ProgramStart> programs;
    Cursor cursor;
    Block block;
    while (cursor.offset < document.size()) {
        const Cursor here = cursor;
        const std::string_view line = lineAt(document, cursor);
        // Only lines that open with O or ":" can open a program.
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || (line[first] != 'O' && line[first] != 'o' && line[first] != ':'))
            continue;
        readBlock(line, block);
        if (const auto number = programNumber(block))
            programs.emplace(*number, ProgramStart{here.offset, here.line});
    }
    return programs;
}

ProgramPath readProgram(std::string_view document, std::optional<std::size_t> start, const ReadOptions &options)
{
    return ProgramRun(document, options).run(start);
}

}  // namespace marbolt::nc
