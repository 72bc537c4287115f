#include "nc/ncmotion.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace marbolt::nc {

namespace {

// The two axes of a plane, in the order that makes a right-handed pair
// with its normal (XY: Z, ZX: Y, YZ: X), and its centre words.
struct PlaneAxes {
    double Vec3::*a;
    double Vec3::*b;
    char centreA;
    char centreB;
};

PlaneAxes axesOf(Plane plane)
{
    switch (plane) {
    case Plane::XY:
        return {&Vec3::x, &Vec3::y, 'I', 'J'};
    case Plane::ZX:
        return {&Vec3::z, &Vec3::x, 'K', 'I'};
    case Plane::YZ:
        return {&Vec3::y, &Vec3::z, 'J', 'K'};
    }
    return {&Vec3::x, &Vec3::y, 'I', 'J'};
}

// A G or M code as ten times its number: G43.4 is 434, G01 is 10.
int codeOf(const Word &w)
{
    return static_cast<int>(std::lround(*w.number * 10));
}

}  // namespace

ArcSweep arcSweep(const Move &arc)
{
    const PlaneAxes p = axesOf(arc.plane);
    ArcSweep a;
    const double sa = arc.from.*p.a - arc.center.*p.a;
    const double sb = arc.from.*p.b - arc.center.*p.b;
    const double ea = arc.to.*p.a - arc.center.*p.a;
    const double eb = arc.to.*p.b - arc.center.*p.b;
    a.radius = std::hypot(sa, sb);
    a.start = std::atan2(sb, sa);
    double sweep = std::atan2(eb, ea) - a.start;
    constexpr double kTurn = 2 * 3.14159265358979323846;
    const bool ccw = arc.kind == MoveKind::ArcCcw;
    // An arc that ends where it starts is a full circle.
    if (std::abs(sa - ea) < 1e-9 && std::abs(sb - eb) < 1e-9)
        sweep = 0;
    if (ccw && sweep <= 0)
        sweep += kTurn;
    if (!ccw && sweep >= 0)
        sweep -= kTurn;
    a.sweep = sweep;
    return a;
}

double moveLength(const Move &move)
{
    const double dx = move.to.x - move.from.x;
    const double dy = move.to.y - move.from.y;
    const double dz = move.to.z - move.from.z;
    if (!move.isArc())
        return std::sqrt(dx * dx + dy * dy + dz * dz);
    const ArcSweep a = arcSweep(move);
    // A helix: the arc's length and the rise along the normal.
    const double along = std::abs(a.sweep) * a.radius;
    const PlaneAxes p = axesOf(move.plane);
    const double da = move.to.*p.a - move.from.*p.a;
    const double db = move.to.*p.b - move.from.*p.b;
    const double rise = std::sqrt(std::max(0.0, dx * dx + dy * dy + dz * dz - da * da - db * db));
    return std::hypot(along, rise);
}

double MotionReader::feedPerMinute() const
{
    // A feed per revolution at the spindle's speed (taken as turns a
    // minute also under constant surface speed, where it is the limit).
    return state_.feedPerRevolution ? state_.feed * state_.spindle : state_.feed;
}

double MotionReader::length(const Word &word) const
{
    const double value = *word.number;
    if (word.decimalPoint || options_.calculatorInput)
        return value;
    // The least increment: 0.001 mm, 0.0001 inch.
    return value * (state_.metric ? 0.001 : 0.0001);
}

void MotionReader::take(const Block &block, std::uint32_t line, Path &path)
{
    if (block.percent || block.apostrophe)
        return;
    if (block.macro())
        path.findings.push_back({MotionFindingKind::MacroSkipped, line});

    // The modal words first: a block's G codes hold for its own move.
    bool dwell = false;
    bool noMove = false;    // G28, G30, G53: the axis words are no move of the program's
    bool setsOrigin = false;  // G92: the axis words name where the tool is
    bool startsCycle = false;
    for (const Word &w : block.words) {
        if (w.letter != 'G' && w.letter != 'M')
            continue;
        if (!w.number) {
            path.findings.push_back({MotionFindingKind::ValueNotANumber, line});
            continue;
        }
        const int code = codeOf(w);
        if (w.letter == 'M') {
            switch (code) {
            case 30: case 40: case 50: state_.spindleDirection = code / 10; break;
            case 60: state_.tool = state_.nextTool; break;
            case 80: state_.coolant = true; break;
            case 90: state_.coolant = false; break;
            default: break;
            }
            continue;
        }
        if (options_.lathe && latheCode(code, line, path, setsOrigin))
            continue;
        switch (code) {
        case 0: case 10: case 20: case 30:
            state_.motion = code / 10;
            state_.cycle = 0;  // a move of group 01 ends a canned cycle
            state_.latheCycle = 0;
            latheCycleRuns_ = false;
            break;
        case 40: dwell = true; break;
        case 170: state_.plane = Plane::XY; break;
        case 180: state_.plane = Plane::ZX; break;
        case 190: state_.plane = Plane::YZ; break;
        case 200: state_.metric = false; break;
        case 210: state_.metric = true; break;
        case 280: case 300: case 530: noMove = true; break;
        case 400: case 410: case 420: state_.cutterComp = code / 10; break;
        case 430: case 440: case 490: state_.toolLength = code / 10; break;
        case 540: case 550: case 560: case 570: case 580: case 590: state_.workOffset = code / 10; break;
        case 730: case 760: case 810: case 820: case 830: case 840: case 850: case 860: case 870: case 880: case 890:
            if (state_.cycle == 0)
                state_.initialZ = state_.position.z;
            state_.cycle = code / 10;
            startsCycle = true;
            break;
        case 800: state_.cycle = 0; break;
        case 900: state_.absolute = true; break;
        case 910: state_.absolute = false; break;
        case 920: setsOrigin = true; break;
        case 980: state_.returnToInitial = true; break;
        case 990: state_.returnToInitial = false; break;
        default: break;
        }
    }
    if (const auto f = block.number('F'))
        state_.feed = *f;
    if (const auto s = block.number('S'))
        state_.spindle = *s;
    if (const auto t = block.number('T'))
        state_.nextTool = static_cast<int>(*t);
    if (const auto h = block.number('H'))
        state_.lengthOffset = static_cast<int>(*h);
    // An M06 before the T of its block takes that T too.
    if (block.find('T'))
        block.forEach('M', [this](const Word &w) {
            if (w.number && codeOf(w) == 60)
                state_.tool = state_.nextTool;
        });
    if (dwell) {
        // G04 P in milliseconds, or X (U on a lathe) in seconds.
        if (const auto p = block.number('P'))
            path.dwellSeconds += *p / 1000;
        else if (const Word *x = block.find(options_.lathe && !block.find('X') ? 'U' : 'X'); x && x->number)
            path.dwellSeconds += length(*x);
        return;
    }
    if (state_.cycle != 0 && !noMove && !setsOrigin && !options_.lathe) {
        cycle(block, line, startsCycle, path);
        return;
    }
    if (recordedCycle_) {
        // G70-G76 of a lathe: their words are the cycle's values.
        recordedCycle_ = false;
        return;
    }

    // A turning cycle's axes not written keep the cycle's last end.
    const bool turning = state_.latheCycle != 0 && !setsOrigin;
    if (turning && !latheCycleRuns_)
        state_.latheCycleEnd = state_.position;
    Vec3 target = turning ? state_.latheCycleEnd : state_.position;
    const bool moved = targetOf(block, setsOrigin, line, path, target);
    if (!moved || noMove)
        return;
    if (turning) {
        latheCycleRuns_ = true;
        state_.latheCycleEnd = target;
        turningCycle(target, line, path);
        return;
    }
    if (setsOrigin) {
        state_.position = target;
        return;
    }
    switch (state_.motion) {
    case 0:
    case 1:
        straight(state_.motion == 0 ? MoveKind::Rapid : MoveKind::Feed, target, line, path);
        break;
    case 2:
    case 3:
        arc(block, line, target, path);
        state_.position = target;
        break;
    default:
        break;
    }
}

bool MotionReader::targetOf(const Block &block, bool setsOrigin, std::uint32_t line, Path &path, Vec3 &target)
{
    // A lathe's X is a diameter, U and W its increments: the path keeps
    // the radius, as the tool moves.
    const double scale = options_.lathe ? 0.5 : 1.0;
    bool moved = false;
    auto axis = [&](char absoluteLetter, char incrementLetter, double Vec3::*member, double factor) {
        for (char letter : {absoluteLetter, incrementLetter}) {
            if (letter == 0)
                continue;
            const Word *w = block.find(letter);
            if (!w)
                continue;
            if (!w->number) {
                path.findings.push_back({MotionFindingKind::ValueNotANumber, line});
                continue;
            }
            const double v = length(*w) * factor;
            const bool absolute = letter == absoluteLetter && (state_.absolute || setsOrigin || options_.lathe);
            // An increment counts from where the tool is.
            target.*member = absolute ? v : state_.position.*member + v;
            moved = true;
        }
    };
    axis('X', options_.lathe ? 'U' : 0, &Vec3::x, scale);
    axis('Y', options_.lathe ? 'V' : 0, &Vec3::y, 1.0);
    axis('Z', options_.lathe ? 'W' : 0, &Vec3::z, 1.0);
    return moved;
}

bool MotionReader::latheCode(int code, std::uint32_t line, Path &path, bool &setsOrigin)
{
    switch (code) {
    case 500:  // G50: where the tool is (and the spindle's limit)
        setsOrigin = true;
        return true;
    case 700: case 710: case 720: case 730: case 740: case 750: case 760:
        // The multiple repetitive cycles are recorded: their profile
        // blocks follow and are read as moves.
        path.cycles.push_back({code / 10, line});
        recordedCycle_ = true;
        return true;
    case 900: case 920: case 940:
        if (state_.latheCycle != code / 10)
            latheCycleRuns_ = false;
        state_.latheCycle = code / 10;
        state_.motion = 1;
        return true;
    case 960: state_.constantSurfaceSpeed = true; return true;
    case 970: state_.constantSurfaceSpeed = false; return true;
    case 980: state_.feedPerRevolution = false; return true;
    case 990: state_.feedPerRevolution = true; return true;
    default:
        return false;
    }
}

void MotionReader::turningCycle(const Vec3 &target, std::uint32_t line, Path &path)
{
    // G90 and G92 cut along Z and come back out along X; G94 faces along
    // X and comes back along Z. The tool ends where it started.
    const Vec3 start = state_.position;
    const bool facing = state_.latheCycle == 94;
    const MoveKind back = state_.latheCycle == 92 ? MoveKind::Rapid : MoveKind::Feed;
    if (facing) {
        straight(MoveKind::Rapid, {start.x, start.y, target.z}, line, path);
        straight(MoveKind::Feed, {target.x, start.y, target.z}, line, path);
        straight(back, {target.x, start.y, start.z}, line, path);
    } else {
        straight(MoveKind::Rapid, {target.x, start.y, start.z}, line, path);
        straight(MoveKind::Feed, {target.x, start.y, target.z}, line, path);
        straight(back, {start.x, start.y, target.z}, line, path);
    }
    straight(MoveKind::Rapid, start, line, path);
    path.cycles.push_back({state_.latheCycle, line});
}

void MotionReader::straight(MoveKind kind, const Vec3 &to, std::uint32_t line, Path &path)
{
    Move m;
    m.kind = kind;
    m.from = state_.position;
    m.to = to;
    m.plane = state_.plane;
    m.feed = feedPerMinute();
    m.line = line;
    m.tool = state_.tool;
    path.moves.push_back(m);
    state_.position = to;
}

void MotionReader::cycle(const Block &block, std::uint32_t line, bool startsCycle, Path &path)
{
    // The values a cycle keeps: R and Z absolute (in G91, R from the
    // initial level and Z from R), Q as written.
    bool positioned = startsCycle;
    auto number = [&](char letter) -> std::optional<double> {
        const Word *w = block.find(letter);
        if (!w)
            return std::nullopt;
        if (!w->number) {
            path.findings.push_back({MotionFindingKind::ValueNotANumber, line});
            return std::nullopt;
        }
        positioned = true;
        return length(*w);
    };
    if (const auto r = number('R'))
        state_.cycleR = state_.absolute ? *r : state_.initialZ + *r;
    if (const auto z = number('Z'))
        state_.cycleZ = state_.absolute ? *z : state_.cycleR + *z;
    if (const Word *q = block.find('Q'); q && q->number)
        state_.cycleQ = std::abs(length(*q));
    const auto x = number('X');
    const auto y = number('Y');
    if (!positioned)
        return;  // a block without hole data drills nothing
    int repeats = 1;
    for (char letter : {'K', 'L'})
        if (const auto k = block.number(letter))
            repeats = static_cast<int>(*k);
    for (int i = 0; i < repeats; ++i) {
        // In G91 every repeat moves on by X and Y again.
        Vec3 at = state_.position;
        if (x)
            at.x = state_.absolute ? *x : at.x + *x;
        if (y)
            at.y = state_.absolute ? *y : at.y + *y;
        if (at.x != state_.position.x || at.y != state_.position.y)
            straight(MoveKind::Rapid, {at.x, at.y, state_.position.z}, line, path);
        drill(line, path);
    }
}

void MotionReader::drill(std::uint32_t line, Path &path)
{
    const double x = state_.position.x;
    const double y = state_.position.y;
    const double r = state_.cycleR;
    const double bottom = state_.cycleZ;
    if (state_.position.z != r)
        straight(MoveKind::Rapid, {x, y, r}, line, path);
    const int c = state_.cycle;
    if ((c == 73 || c == 83) && state_.cycleQ > 0 && bottom < r) {
        // Pecks of Q: G83 back to R after each, G73 only a little.
        for (double depth = r - state_.cycleQ; depth > bottom; depth -= state_.cycleQ) {
            straight(MoveKind::Feed, {x, y, depth}, line, path);
            straight(MoveKind::Rapid, {x, y, c == 83 ? r : depth}, line, path);
            if (c == 83)
                straight(MoveKind::Rapid, {x, y, depth}, line, path);
        }
    }
    straight(MoveKind::Feed, {x, y, bottom}, line, path);
    path.holes.push_back({{x, y, r}, {x, y, bottom}, c, line});
    // Tapping and reaming come out at feed; the rest at rapid.
    const bool feedOut = c == 84 || c == 85 || c == 89;
    straight(feedOut ? MoveKind::Feed : MoveKind::Rapid, {x, y, r}, line, path);
    if (state_.returnToInitial && state_.initialZ != r)
        straight(MoveKind::Rapid, {x, y, state_.initialZ}, line, path);
}

void MotionReader::arc(const Block &block, std::uint32_t line, const Vec3 &target, Path &path)
{
    MoveList &moves = path.moves;
    std::vector<MotionFinding> &findings = path.findings;
    const PlaneAxes p = axesOf(state_.plane);
    const Vec3 &from = state_.position;
    const bool ccw = state_.motion == 3;
    const double tolerance = state_.metric ? options_.arcTolerance : options_.arcTolerance / 25.4;
    Move m;
    m.kind = ccw ? MoveKind::ArcCcw : MoveKind::ArcCw;
    m.from = from;
    m.to = target;
    m.plane = state_.plane;
    m.feed = feedPerMinute();
    m.line = line;
    m.tool = state_.tool;
    m.center = from;

    const Word *r = block.find('R');
    const Word *ca = block.find(p.centreA);
    const Word *cb = block.find(p.centreB);
    const double da = target.*p.a - from.*p.a;
    const double db = target.*p.b - from.*p.b;
    if (r && r->number) {
        const double radius = length(*r);
        const double chord = std::hypot(da, db);
        if (chord == 0)
            return;  // an arc by R that ends where it starts does not move
        double half = radius * radius - chord * chord / 4;
        if (half < 0) {
            if (chord - 2 * std::abs(radius) > tolerance)
                findings.push_back({MotionFindingKind::ArcRadiusTooSmall, line});
            half = 0;
        }
        const double h = std::sqrt(half);
        // The centre lies left of the chord for a counter-clockwise arc of
        // up to 180 degrees, right of it for a clockwise one; a negative R
        // asks for the arc over 180 degrees, on the other side.
        const double side = (ccw ? 1.0 : -1.0) * (radius >= 0 ? 1.0 : -1.0);
        const double na = -db / chord;
        const double nb = da / chord;
        m.center.*p.a = from.*p.a + da / 2 + side * h * na;
        m.center.*p.b = from.*p.b + db / 2 + side * h * nb;
        moves.push_back(m);
        return;
    }
    if ((!ca || !ca->number) && (!cb || !cb->number)) {
        findings.push_back({MotionFindingKind::ArcWithoutCentre, line});
        m.kind = MoveKind::Feed;  // the path goes on to the end as written
        moves.push_back(m);
        return;
    }
    // I, J, K: the centre from the start, in every mode.
    m.center.*p.a = from.*p.a + (ca && ca->number ? length(*ca) : 0);
    m.center.*p.b = from.*p.b + (cb && cb->number ? length(*cb) : 0);
    const double startRadius = std::hypot(from.*p.a - m.center.*p.a, from.*p.b - m.center.*p.b);
    const double endRadius = std::hypot(target.*p.a - m.center.*p.a, target.*p.b - m.center.*p.b);
    if (std::abs(startRadius - endRadius) > tolerance)
        findings.push_back({MotionFindingKind::ArcEndOffCircle, line});
    moves.push_back(m);
}

}  // namespace marbolt::nc
