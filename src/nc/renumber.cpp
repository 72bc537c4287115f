#include "nc/renumber.h"

#include "nc/ncblock.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace marbolt::nc {

namespace {

constexpr long kLargestNumber = 99999;

struct Line {
    std::string_view text;  // without its LF (a CR stays)
    std::size_t start = 0;  // in the whole text
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t lf = text.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        lines.push_back({text.substr(start, end - start), start});
        if (lf == std::string_view::npos)
            break;
        start = lf + 1;
    }
    return lines;
}

// A plain whole number as a word's text ("10", not "10.", "#1" or "-1").
std::optional<long> wholeNumber(const Word &w)
{
    if (w.text.empty() || !std::all_of(w.text.begin(), w.text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    if (!w.number || *w.number > 1e9)
        return std::nullopt;
    return static_cast<long>(*w.number);
}

bool hasCode(const Block &b, char letter, double code)
{
    bool found = false;
    b.forEach(letter, [&](const Word &w) { found = found || (w.number && std::abs(*w.number - code) < 1e-9); });
    return found;
}

// One change to a line: bytes [from, to) become text.
struct Edit {
    std::size_t from, to;
    std::string text;
};

std::string numberText(long n, int digits)
{
    std::string s = std::to_string(n);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return s;
}

bool isProgramStart(const Block &b)
{
    return !b.words.empty() && b.words.front().letter == 'O';
}

// Whether a line is a block that takes a number.
bool isNumberable(const Block &b)
{
    return !b.percent && !b.apostrophe && !isProgramStart(b) && (!b.words.empty() || b.macro());
}

// Where the value of a GOTO in a macro statement is: its offset in the
// line and its length; a target that is no plain number is reported.
struct GotoTarget {
    std::size_t at = 0, length = 0;
    bool variable = false;
};
std::optional<GotoTarget> gotoTarget(const Block &b)
{
    const std::string_view s = b.statement;
    for (std::size_t i = 0; i + 4 <= s.size(); ++i) {
        auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        if (upper(s[i]) != 'G' || upper(s[i + 1]) != 'O' || upper(s[i + 2]) != 'T' || upper(s[i + 3]) != 'O')
            continue;
        std::size_t j = i + 4;
        while (j < s.size() && (s[j] == ' ' || s[j] == '\t'))
            ++j;
        GotoTarget t;
        t.at = b.statementColumn + j;
        std::size_t k = j;
        while (k < s.size() && s[k] >= '0' && s[k] <= '9')
            ++k;
        t.length = k - j;
        t.variable = t.length == 0;
        return t;
    }
    return std::nullopt;
}

// A word that names a block of its program by number: where the number
// stands in the line. variable: a GOTO whose target is no plain number.
struct Reference {
    std::size_t at = 0, length = 0;
    long number = 0;
    bool variable = false;
};

std::vector<Reference> referencesOf(const Block &b, std::string_view line, std::optional<long> programNumber,
                                    bool lathe)
{
    std::vector<Reference> out;
    auto word = [&](const Word *w) {
        if (const auto n = w ? wholeNumber(*w) : std::nullopt)
            out.push_back({static_cast<std::size_t>(w->text.data() - line.data()), w->text.size(), *n, false});
    };
    if (b.macro()) {
        // (A target of more digits than a control takes names no block.)
        if (const auto t = gotoTarget(b); t && t->length <= 9)
            out.push_back({t->at, t->length, t->variable ? 0 : std::stol(std::string(line.substr(t->at, t->length))),
                           t->variable});
    }
    if (hasCode(b, 'M', 99))
        word(b.find('P'));
    if (hasCode(b, 'M', 98)) {
        // M98 Q alone (or with this program's P) calls a block of this
        // program; with another program's P, a block of that one.
        const Word *p = b.find('P');
        if (!p || (programNumber && wholeNumber(*p) == programNumber))
            word(b.find('Q'));
    }
    if (lathe && (hasCode(b, 'G', 70) || hasCode(b, 'G', 71) || hasCode(b, 'G', 72) || hasCode(b, 'G', 73))
        && b.find('P') && b.find('Q')) {
        word(b.find('P'));
        word(b.find('Q'));
    }
    return out;
}

// The programs of a text: [first, end) line ranges, each from an O-line or
// "%" line to the next.
template <typename F>
void forEachProgram(const std::vector<Block> &blocks, F f)
{
    std::size_t first = 0;
    while (first < blocks.size()) {
        std::size_t end = first + 1;
        while (end < blocks.size() && !isProgramStart(blocks[end]) && !blocks[end].percent)
            ++end;
        std::optional<long> number;
        if (isProgramStart(blocks[first]))
            number = wholeNumber(blocks[first].words.front());
        f(first, end, number);
        first = end;
    }
}

std::string applyEdits(const std::vector<Line> &lines, std::vector<std::vector<Edit>> &edits, std::size_t size)
{
    std::string text;
    text.reserve(size + lines.size() * 4);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::vector<Edit> &e = edits[i];
        std::sort(e.begin(), e.end(), [](const Edit &a, const Edit &b) { return a.from < b.from; });
        std::size_t at = 0;
        for (const Edit &edit : e) {
            text.append(lines[i].text.substr(at, edit.from - at));
            text += edit.text;
            at = edit.to;
        }
        text.append(lines[i].text.substr(at));
        if (i + 1 < lines.size())
            text += '\n';
    }
    return text;
}

std::vector<Block> readBlocks(const std::vector<Line> &lines)
{
    std::vector<Block> blocks(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        readBlock(lines[i].text, blocks[i]);
    return blocks;
}

}  // namespace

RenumberResult renumber(std::string_view text, const RenumberOptions &options)
{
    RenumberResult result;
    const std::vector<Line> lines = splitLines(text);
    const std::vector<Block> blocks = readBlocks(lines);
    std::vector<std::vector<Edit>> edits(lines.size());
    forEachProgram(blocks, [&](std::size_t first, std::size_t end, std::optional<long> programNumber) {
        // The new number of each block, and of each old number its new one.
        std::map<long, long> renamed;
        std::map<long, int> seen;
        std::vector<std::optional<long>> newNumber(lines.size());
        long next = options.start;
        // A program written with blanks between its words gets one after
        // a new N too.
        bool spaced = false;
        for (std::size_t i = first; i < end && !spaced; ++i) {
            const std::string_view t = lines[i].text;
            const std::size_t word = t.find_first_not_of(" \t");
            spaced = isNumberable(blocks[i]) && word != std::string_view::npos
                  && t.find(' ', word) < t.find_last_not_of(" \t\r");
        }
        for (std::size_t i = first; i < end; ++i) {
            const Block &b = blocks[i];
            if (!isNumberable(b))
                continue;
            const Word *n = b.find('N');
            if (options.onlyNumbered && !n)
                continue;
            newNumber[i] = next;
            if (next > kLargestNumber)
                result.problems.push_back({RenumberProblemKind::NumberTooLarge, static_cast<std::uint32_t>(i), next});
            if (n) {
                if (const auto old = wholeNumber(*n)) {
                    if (++seen[*old] == 1)
                        renamed[*old] = next;
                    else if (seen[*old] == 2)
                        result.problems.push_back(
                            {RenumberProblemKind::DuplicateNumber, static_cast<std::uint32_t>(i), *old});
                }
            }
            next += options.step;
        }
        auto target = [&](long old, std::size_t line) -> std::optional<long> {
            if (seen.count(old) && seen[old] > 1)
                return std::nullopt;  // reported once, above
            const auto found = renamed.find(old);
            if (found == renamed.end()) {
                result.problems.push_back({RenumberProblemKind::MissingTarget, static_cast<std::uint32_t>(line), old});
                return std::nullopt;
            }
            return found->second;
        };
        for (std::size_t i = first; i < end; ++i) {
            const Block &b = blocks[i];
            const std::string_view line = lines[i].text;
            if (newNumber[i]) {
                const std::string number = numberText(*newNumber[i], options.digits);
                if (const Word *n = b.find('N')) {
                    const std::size_t at = static_cast<std::size_t>(n->text.data() - line.data());
                    edits[i].push_back({n->column, at + n->text.size(), std::string(1, line[n->column]) + number});
                } else {
                    // Before the first word, after the blanks and a block
                    // skip.
                    std::size_t at = 0;
                    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
                        ++at;
                    if (b.skipLevel > 0) {
                        ++at;
                        if (at < line.size() && line[at] >= '1' && line[at] <= '9')
                            ++at;
                    }
                    edits[i].push_back({at, at, "N" + number + (spaced ? " " : "")});
                }
                ++result.blocks;
            }
            // The words that name a block of this program.
            for (const Reference &r : referencesOf(b, line, programNumber, options.lathe)) {
                if (r.variable) {
                    result.problems.push_back({RenumberProblemKind::VariableTarget, static_cast<std::uint32_t>(i), 0});
                } else if (const auto n = target(r.number, i)) {
                    edits[i].push_back({r.at, r.at + r.length, std::to_string(*n)});
                    ++result.references;
                }
            }
        }
    });
    result.text = applyEdits(lines, edits, text.size());
    return result;
}

NumberRemoval removeNumbers(std::string_view text, bool lathe)
{
    NumberRemoval result;
    const std::vector<Line> lines = splitLines(text);
    const std::vector<Block> blocks = readBlocks(lines);
    std::vector<std::vector<Edit>> edits(lines.size());
    forEachProgram(blocks, [&](std::size_t first, std::size_t end, std::optional<long> programNumber) {
        std::vector<long> named;
        bool variable = false;  // a GOTO whose target only the control knows
        for (std::size_t i = first; i < end; ++i) {
            for (const Reference &r : referencesOf(blocks[i], lines[i].text, programNumber, lathe)) {
                variable = variable || r.variable;
                named.push_back(r.number);
            }
        }
        for (std::size_t i = first; i < end; ++i) {
            const Block &b = blocks[i];
            const Word *n = b.find('N');
            if (!n || !isNumberable(b))
                continue;
            const auto number = wholeNumber(*n);
            // With a GOTO to a variable any number may be its target.
            if (variable || (number && std::find(named.begin(), named.end(), *number) != named.end())) {
                result.kept.push_back({static_cast<std::uint32_t>(i), number.value_or(0)});
                continue;
            }
            const std::string_view line = lines[i].text;
            std::size_t to = static_cast<std::size_t>(n->text.data() - line.data()) + n->text.size();
            while (to < line.size() && (line[to] == ' ' || line[to] == '\t'))
                ++to;
            edits[i].push_back({n->column, to, {}});
            ++result.removed;
        }
    });
    result.text = applyEdits(lines, edits, text.size());
    return result;
}

}  // namespace marbolt::nc
