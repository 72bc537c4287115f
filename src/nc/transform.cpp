#include "nc/transform.h"

#include <cmath>
#include <cstdlib>

namespace marbolt::nc {

namespace {

constexpr double kPi = 3.14159265358979323846;

int decimalsOf(const Word &w)
{
    const std::size_t dot = w.text.find('.');
    if (dot == std::string_view::npos)
        return 0;
    int n = 0;
    for (std::size_t i = dot + 1; i < w.text.size() && w.text[i] >= '0' && w.text[i] <= '9'; ++i)
        ++n;
    return n;
}

// The whole-number G codes of a block (G43.4 and the like are none of ours).
template <typename F>
void forEachCode(const Block &b, char letter, F f)
{
    b.forEach(letter, [&](const Word &w) {
        if (w.number && *w.number == std::floor(*w.number) && *w.number < 1000)
            f(static_cast<int>(*w.number));
    });
}

bool hasCode(const Block &b, char letter, int code)
{
    bool found = false;
    forEachCode(b, letter, [&](int c) { found = found || c == code; });
    return found;
}

bool isCannedCycle(int code)
{
    return code == 73 || code == 74 || code == 76 || (code >= 81 && code <= 89);
}

// What carries from block to block, in the program's own coordinates.
struct Modal {
    bool absolute = true;
    int plane = 17;
    bool metric = true;
    int motion = 0;  // 0-3; 32, 33, 34 threads; a lathe's 90, 92, 94 cycles
    int cycle = 0;   // a machining centre's canned cycle; 0: none
    bool known[3] = {false, false, false};
    double pos[3] = {0, 0, 0};

    double increment() const { return metric ? 0.001 : 0.0001; }
    void forget() { known[0] = known[1] = known[2] = false; }
};

// How a block's G codes set what kind of block it is.
struct BlockKind {
    bool reference = false;  // G28, G30: through a point to the reference
    bool machine = false;    // G53: machine coordinates
    bool setting = false;    // G92, G52, G10, a lathe's G50
    bool macroCall = false;  // G65, G66
    bool clamp = false;      // G50 S, G92 S: a speed clamp
};

BlockKind takeCodes(const Block &b, bool lathe, Modal &m)
{
    BlockKind k;
    forEachCode(b, 'G', [&](int code) {
        switch (code) {
        case 0: case 1: case 2: case 3:
            m.motion = code;
            m.cycle = 0;
            break;
        case 32: case 33: case 34:
            m.motion = code;
            break;
        case 17: case 18: case 19:
            m.plane = code;
            break;
        case 20: case 21:
            m.metric = code == 21;
            break;
        case 90: case 91:
            if (lathe)
                m.motion = code;  // a turning cycle
            else
                m.absolute = code == 90;
            break;
        case 94:
            if (lathe)
                m.motion = code;
            break;
        case 92:
            if (lathe)
                m.motion = code;  // the thread cycle
            else
                k.setting = true;
            k.clamp = !lathe;
            break;
        case 50:
            k.setting = k.clamp = lathe;
            break;
        case 52: case 10:
            k.setting = true;
            break;
        case 28: case 30:
            k.reference = true;
            break;
        case 53:
            k.machine = true;
            break;
        case 65: case 66:
            k.macroCall = true;
            break;
        case 80:
            m.cycle = 0;
            break;
        default:
            if (!lathe && isCannedCycle(code))
                m.cycle = code;
            break;
        }
    });
    return k;
}

double valueOf(const Word &w, double increment)
{
    return w.decimalPoint ? *w.number : *w.number * increment;
}

// The edits of one line.
class LineEdits {
public:
    LineEdits(std::string_view line, std::vector<Edit> &edits, double increment)
        : line_(line), edits_(edits), increment_(increment)
    {
    }
    // The word's value written anew, in its own form.
    void set(const Word &w, double value)
    {
        const std::size_t from = static_cast<std::size_t>(w.text.data() - line_.data());
        // A value that stays keeps its text as it was written (X09., X10.0).
        std::string text = formatValue(value, w.decimalPoint, decimalsOf(w), increment_);
        if (w.number && text != formatValue(valueOf(w, increment_), w.decimalPoint, decimalsOf(w), increment_))
            edits_.push_back({from, from + w.text.size(), std::move(text)});
    }
    // A word of letter put after `after`, in its form.
    void add(const Word &after, char letter, double value)
    {
        const std::size_t at = static_cast<std::size_t>(after.text.data() - line_.data()) + after.text.size();
        const bool blank = after.column > 0 && (line_[after.column - 1] == ' ' || line_[after.column - 1] == '\t');
        edits_.push_back({at, at, std::string(blank ? " " : "") + letter
                                      + formatValue(value, after.decimalPoint, decimalsOf(after), increment_)});
    }
    // G02 <-> G03, G41 <-> G42: the last digit turned over.
    void swapCode(const Word &w, char from, char to)
    {
        const std::size_t end = static_cast<std::size_t>(w.text.data() - line_.data()) + w.text.size();
        if (!w.text.empty() && w.text.back() == from)
            edits_.push_back({end - 1, end, std::string(1, to)});
    }

private:
    std::string_view line_;
    std::vector<Edit> &edits_;
    double increment_;
};

bool differs(double a, double b, double increment)
{
    return std::abs(a - b) >= increment / 2;
}

class Transformer {
public:
    Transformer(const TransformOptions &o) : o_(o), t_(o.transform) {}

    // One block: its edits (when in the range) and the state after it.
    void take(const Block &b, std::string_view line, bool inRange, std::vector<Edit> &edits, std::uint32_t index,
              std::vector<TransformProblem> &refused)
    {
        const BlockKind kind = takeCodes(b, o_.lathe, m_);
        const char *letters = o_.lathe ? "XZUWIKR" : "XYZIJKRQ";
        bool axisWords = false, variable = false;
        for (const char *l = letters; *l; ++l) {
            b.forEach(*l, [&](const Word &w) {
                if (w.corner)
                    return;
                axisWords = true;
                variable = variable || !w.number;
            });
        }
        bool left = false;  // the block is refused and stays as it is
        if (inRange && axisWords && !kind.machine) {
            std::optional<TransformRefusal> r;
            if (kind.setting)
                r = TransformRefusal::CoordinateSetting;
            else if (kind.macroCall)
                r = TransformRefusal::MacroCall;
            else if (variable)
                r = TransformRefusal::MacroValue;
            else
                r = o_.lathe ? latheBlock(b, line, edits) : millBlock(b, line, edits);
            if (r) {
                refused.push_back({*r, index});
                edits.clear();
                left = true;
            }
        }
        if (inRange && !left && t_.mirrors() && !o_.lathe) {
            LineEdits e(line, edits, m_.increment());
            b.forEach('G', [&](const Word &w) {
                if (w.number == 2.0 || w.number == 3.0)
                    e.swapCode(w, w.number == 2.0 ? '2' : '3', w.number == 2.0 ? '3' : '2');
                else if (w.number == 41.0 || w.number == 42.0)
                    e.swapCode(w, w.number == 41.0 ? '1' : '2', w.number == 41.0 ? '2' : '1');
            });
        }
        follow(b, kind);
    }

    void startProgram()
    {
        m_ = Modal{};
        for (int a = 0; a < 3; ++a)
            exact_[a] = written_[a] = 0;
    }

private:
    double rounded(double v) const { return static_cast<double>(std::llround(v / m_.increment())) * m_.increment(); }
    // An increment written so that the written increments add up to the
    // exact positions: rounding never drifts along a chain of G91 blocks.
    double increment(int axis, double exactStep)
    {
        exact_[axis] += exactStep;
        const double w = rounded(exact_[axis] - written_[axis]);
        written_[axis] += w;
        return w;
    }
    void absolute(int axis, double value)
    {
        exact_[axis] = value;
        written_[axis] = rounded(value);
    }

    // Where the tool is after the block, in the program's coordinates.
    void follow(const Block &b, const BlockKind &kind)
    {
        if (kind.reference || kind.machine || kind.setting || kind.macroCall || hasCode(b, 'M', 98)) {
            // Both programs are where the control puts them, alike.
            m_.forget();
            for (int a = 0; a < 3; ++a)
                exact_[a] = written_[a];
            return;
        }
        const double inc = m_.increment();
        const char absolute[3] = {'X', o_.lathe ? '\0' : 'Y', 'Z'};
        const char increment[3] = {o_.lathe ? 'U' : '\0', '\0', o_.lathe ? 'W' : '\0'};
        for (int a = 0; a < 3; ++a) {
            const Word *abs = absolute[a] ? b.find(absolute[a]) : nullptr;
            const Word *rel = increment[a] ? b.find(increment[a]) : nullptr;
            if ((abs && !abs->number) || (rel && !rel->number)) {
                m_.known[a] = false;
                continue;
            }
            if (abs && (o_.lathe || m_.absolute)) {
                m_.pos[a] = valueOf(*abs, inc);
                m_.known[a] = true;
            } else if (abs) {
                m_.pos[a] += valueOf(*abs, inc);
            }
            if (rel)
                m_.pos[a] += valueOf(*rel, inc);
        }
        if (m_.cycle)
            m_.known[2] = false;  // the cycle leaves Z at its R or initial level
    }

    std::optional<TransformRefusal> millBlock(const Block &b, std::string_view line, std::vector<Edit> &edits)
    {
        const double inc = m_.increment();
        const Word *X = b.find('X'), *Y = b.find('Y'), *Z = b.find('Z');
        const Word *I = b.find('I'), *J = b.find('J'), *K = b.find('K');
        const Word *R = b.find('R'), *Q = b.find('Q');
        const bool arc = (m_.motion == 2 || m_.motion == 3) && !m_.cycle;
        const bool shift = m_.cycle == 76 || m_.cycle == 87;
        if (m_.cycle && !m_.absolute && t_.turns())
            return TransformRefusal::IncrementalCycle;
        if (shift && (t_.turns() || t_.mirrors()) && (I || J || Q))
            return TransformRefusal::CycleShift;
        if (arc && m_.plane != 17 && t_.turns())
            return TransformRefusal::ArcOutsideXY;
        const double ox = X ? valueOf(*X, inc) : m_.pos[0];
        const double oy = Y ? valueOf(*Y, inc) : m_.pos[1];
        if ((X || Y) && m_.absolute && t_.turns() && ((!X && !m_.known[0]) || (!Y && !m_.known[1])))
            return TransformRefusal::UnknownPosition;

        LineEdits e(line, edits, inc);
        if (X || Y) {
            if (m_.absolute) {
                const double nx = t_.m00 * ox + t_.m01 * oy + t_.tx;
                const double ny = t_.m10 * ox + t_.m11 * oy + t_.ty;
                if (X) {
                    e.set(*X, nx);
                    absolute(0, nx);
                }
                if (Y) {
                    e.set(*Y, ny);
                    absolute(1, ny);
                }
                if (t_.turns()) {
                    // The axis left out moves too, unless it lands where the
                    // block before left it.
                    const bool before = m_.known[0] && m_.known[1];
                    const double px = t_.m00 * m_.pos[0] + t_.m01 * m_.pos[1] + t_.tx;
                    const double py = t_.m10 * m_.pos[0] + t_.m11 * m_.pos[1] + t_.ty;
                    if (!Y && (!before || differs(ny, py, inc))) {
                        e.add(*X, 'Y', ny);
                        absolute(1, ny);
                    }
                    if (!X && (!before || differs(nx, px, inc))) {
                        e.add(*Y, 'X', nx);
                        absolute(0, nx);
                    }
                }
            } else {
                const double vx = X ? valueOf(*X, inc) : 0, vy = Y ? valueOf(*Y, inc) : 0;
                const double nx = increment(0, t_.m00 * vx + t_.m01 * vy);
                const double ny = increment(1, t_.m10 * vx + t_.m11 * vy);
                if (X)
                    e.set(*X, nx);
                if (Y)
                    e.set(*Y, ny);
                if (!Y && ny != 0)
                    e.add(*X, 'Y', ny);
                if (!X && nx != 0)
                    e.add(*Y, 'X', nx);
            }
        }
        if (Z) {
            if (m_.absolute) {
                const double nz = t_.sz * valueOf(*Z, inc) + t_.tz;
                e.set(*Z, nz);
                absolute(2, nz);
            } else {
                e.set(*Z, increment(2, t_.sz * valueOf(*Z, inc)));
            }
        }
        if (arc) {
            if (m_.plane == 17 && (I || J)) {
                const double vi = I ? valueOf(*I, inc) : 0, vj = J ? valueOf(*J, inc) : 0;
                const double ni = t_.m00 * vi + t_.m01 * vj, nj = t_.m10 * vi + t_.m11 * vj;
                if (I)
                    e.set(*I, ni);
                if (J)
                    e.set(*J, nj);
                if (!J && differs(nj, 0, inc))
                    e.add(*I, 'J', nj);
                if (!I && differs(ni, 0, inc))
                    e.add(*J, 'I', ni);
            } else {
                if (I)
                    e.set(*I, t_.m00 * valueOf(*I, inc));
                if (J)
                    e.set(*J, t_.m11 * valueOf(*J, inc));
            }
            if (K)
                e.set(*K, t_.sz * valueOf(*K, inc));
            if (R)
                e.set(*R, t_.lengthFactor() * valueOf(*R, inc));
        } else if (m_.cycle) {
            // R: the level the cycle starts from; Q: a peck or a shift.
            if (R)
                e.set(*R, t_.sz * valueOf(*R, inc) + (m_.absolute ? t_.tz : 0));
            if (Q)
                e.set(*Q, (shift ? t_.lengthFactor() : t_.sz) * valueOf(*Q, inc));
            if (shift && I)
                e.set(*I, t_.m00 * valueOf(*I, inc));
            if (shift && J)
                e.set(*J, t_.m11 * valueOf(*J, inc));
        }
        return std::nullopt;
    }

    // A lathe: X a diameter and Z absolute, U/W their increments; the
    // rest (I, K, R and the cycles' depths and allowances) lengths.
    std::optional<TransformRefusal> latheBlock(const Block &b, std::string_view line, std::vector<Edit> &edits)
    {
        const double inc = m_.increment();
        LineEdits e(line, edits, inc);
        if (const Word *X = b.find('X')) {
            e.set(*X, t_.m00 * valueOf(*X, inc) + t_.tx);
            absolute(0, t_.m00 * valueOf(*X, inc) + t_.tx);
        }
        if (const Word *Z = b.find('Z')) {
            e.set(*Z, t_.sz * valueOf(*Z, inc) + t_.tz);
            absolute(2, t_.sz * valueOf(*Z, inc) + t_.tz);
        }
        // A move's U and W add up as its X and Z would; in a cycle's block
        // they are depths and allowances.
        const bool move = !hasCode(b, 'G', 70) && !hasCode(b, 'G', 71) && !hasCode(b, 'G', 72)
                       && !hasCode(b, 'G', 73) && !hasCode(b, 'G', 74) && !hasCode(b, 'G', 75)
                       && !hasCode(b, 'G', 76);
        if (const Word *U = b.find('U'))
            e.set(*U, move ? increment(0, t_.m00 * valueOf(*U, inc)) : t_.m00 * valueOf(*U, inc));
        if (const Word *W = b.find('W'))
            e.set(*W, move ? increment(2, t_.sz * valueOf(*W, inc)) : t_.sz * valueOf(*W, inc));
        for (const auto &[letter, factor] : {std::pair{'I', t_.m00}, {'R', t_.m00}, {'K', t_.sz}})
            if (const Word *w = b.find(letter))
                e.set(*w, factor * valueOf(*w, inc));
        return std::nullopt;
    }

    const TransformOptions &o_;
    const Transform &t_;
    Modal m_;
    // Per axis, the transformed position exactly and as the written
    // numbers put it (relative to the last point both know).
    double exact_[3] = {0, 0, 0};
    double written_[3] = {0, 0, 0};
};

}  // namespace

Transform Transform::translation(double dx, double dy, double dz)
{
    Transform t;
    t.tx = dx;
    t.ty = dy;
    t.tz = dz;
    return t;
}

Transform Transform::scaling(double factor, double cx, double cy, double cz)
{
    Transform t;
    t.m00 = t.m11 = t.sz = factor;
    t.tx = cx - factor * cx;
    t.ty = cy - factor * cy;
    t.tz = cz - factor * cz;
    return t;
}

Transform Transform::rotation(double degrees, double cx, double cy)
{
    // Quarter turns exactly: no 6.1e-17 where a zero belongs.
    const double turns = degrees / 90;
    double c, s;
    if (turns == std::round(turns)) {
        const int q = ((static_cast<int>(std::fmod(turns, 4)) % 4) + 4) % 4;
        const double cs[4] = {1, 0, -1, 0}, sn[4] = {0, 1, 0, -1};
        c = cs[q];
        s = sn[q];
    } else {
        c = std::cos(degrees * kPi / 180);
        s = std::sin(degrees * kPi / 180);
    }
    Transform t;
    t.m00 = c;
    t.m01 = -s;
    t.m10 = s;
    t.m11 = c;
    t.tx = cx - (c * cx - s * cy);
    t.ty = cy - (s * cx + c * cy);
    return t;
}

Transform Transform::mirrorX(double cx)
{
    Transform t;
    t.m00 = -1;
    t.tx = 2 * cx;
    return t;
}

Transform Transform::mirrorY(double cy)
{
    Transform t;
    t.m11 = -1;
    t.ty = 2 * cy;
    return t;
}

double Transform::lengthFactor() const
{
    return std::sqrt(std::abs(m00 * m11 - m01 * m10));
}

std::string formatValue(double value, bool decimalPoint, int decimals, double increment)
{
    if (!decimalPoint)
        return std::to_string(std::llround(value / increment));
    int digits = increment < 0.0005 ? 4 : 3;
    digits = std::max(digits, std::min(decimals, 9));
    long long scale = 1;
    for (int i = 0; i < digits; ++i)
        scale *= 10;
    long long units = std::llround(value * static_cast<double>(scale));
    const bool negative = units < 0;
    units = std::llabs(units);
    std::string fraction = std::to_string(units % scale);
    fraction.insert(0, static_cast<std::size_t>(digits) - fraction.size(), '0');
    while (static_cast<int>(fraction.size()) > decimals && fraction.back() == '0')
        fraction.pop_back();
    return (negative ? "-" : "") + std::to_string(units / scale) + "." + fraction;
}

TransformResult transformProgram(std::string_view text, const TransformOptions &options)
{
    TransformResult result;
    const std::vector<Line> lines = splitLines(text);
    std::vector<std::vector<Edit>> edits(lines.size());
    const Transform &t = options.transform;
    if (options.lathe && (t.turns() || t.mirrors())) {
        result.refused.push_back({TransformRefusal::LatheTurn, options.lines.first});
        result.text = text;
        return result;
    }
    Transformer transformer(options);
    forEachProgram(lines, [&](std::size_t first, std::size_t end, std::optional<long>,
                              const std::vector<Block> &blocks) {
        transformer.startProgram();
        for (std::size_t i = first; i < end; ++i) {
            const Block &b = blocks[i - first];
            if (b.percent || b.apostrophe || isProgramStart(b))
                continue;
            transformer.take(b, lines[i].text, options.lines.holds(i), edits[i], static_cast<std::uint32_t>(i),
                             result.refused);
            if (!edits[i].empty())
                ++result.blocks;
        }
    });
    result.text = applyEdits(lines, edits, text.size());
    return result;
}

RateResult scaleRates(std::string_view text, const RateScale &options)
{
    RateResult result;
    const std::vector<Line> lines = splitLines(text);
    std::vector<std::vector<Edit>> edits(lines.size());
    forEachProgram(lines, [&](std::size_t first, std::size_t end, std::optional<long>,
                              const std::vector<Block> &blocks) {
        Modal m;
        for (std::size_t i = first; i < end; ++i) {
            const Block &b = blocks[i - first];
            if (b.percent || b.apostrophe || isProgramStart(b))
                continue;
            const BlockKind kind = takeCodes(b, options.lathe, m);
            if (!options.lines.holds(i))
                continue;
            const std::string_view line = lines[i].text;
            // F and S are plain numbers: F100 is 100 mm/min, not increments.
            LineEdits e(line, edits[i], 1);
            const bool lead = m.motion == 32 || m.motion == 33 || m.motion == 34
                           || (options.lathe && (m.motion == 92 || hasCode(b, 'G', 76)));
            auto scale = [&](char letter, double factor, bool skip) {
                const Word *w = b.find(letter);
                if (!w || skip || factor == 1)
                    return;
                if (!w->number) {
                    result.refused.push_back({TransformRefusal::MacroValue, static_cast<std::uint32_t>(i)});
                    return;
                }
                if (w->decimalPoint) {
                    e.set(*w, *w->number * factor);
                } else {
                    const std::size_t from = static_cast<std::size_t>(w->text.data() - line.data());
                    edits[i].push_back({from, from + w->text.size(), std::to_string(std::llround(*w->number * factor))});
                }
                ++result.words;
            };
            scale('F', options.feed, lead);
            scale('S', options.spindle, kind.clamp);
        }
    });
    result.text = applyEdits(lines, edits, text.size());
    return result;
}

}  // namespace marbolt::nc
