#include "nc/renumber.h"

#include "nc/lineedits.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace marbolt::nc {

namespace {

constexpr long kLargestNumber = 99999;

bool hasCode(const Block &b, char letter, double code)
{
    bool found = false;
    b.forEach(letter, [&](const Word &w) { found = found || (w.number && std::abs(*w.number - code) < 1e-9); });
    return found;
}

std::string numberText(long n, int digits)
{
    std::string s = std::to_string(n);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return s;
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

}  // namespace

RenumberResult renumber(std::string_view text, const RenumberOptions &options)
{
    RenumberResult result;
    const std::vector<Line> lines = splitLines(text);
    std::vector<std::vector<Edit>> edits(lines.size());
    forEachProgram(lines, [&](std::size_t first, std::size_t end, std::optional<long> programNumber,
                              const std::vector<Block> &blocks) {
        // The new number of each block, and of each old number its new one.
        std::map<long, long> renamed;
        std::map<long, int> seen;
        std::vector<std::optional<long>> newNumber(end - first);
        std::map<long, std::size_t> keptOutside;  // numbers of the blocks outside the range, and their lines
        long next = options.start;
        // A program written with blanks between its words gets one after
        // a new N too.
        bool spaced = false;
        for (std::size_t i = first; i < end && !spaced; ++i) {
            const std::string_view t = lines[i].text;
            const std::size_t word = t.find_first_not_of(" \t");
            spaced = isNumberable(blocks[i - first]) && word != std::string_view::npos
                  && t.find(' ', word) < t.find_last_not_of(" \t\r");
        }
        for (std::size_t i = first; i < end; ++i) {
            const Block &b = blocks[i - first];
            if (!isNumberable(b))
                continue;
            const Word *n = b.find('N');
            if (!options.lines.holds(i)) {
                // Outside the range a block keeps its number, and a
                // reference to it stays as it is.
                if (const auto old = n ? wholeNumber(*n) : std::nullopt) {
                    keptOutside.emplace(*old, i);
                    if (++seen[*old] == 1)
                        renamed[*old] = *old;
                    else if (seen[*old] == 2)
                        result.problems.push_back(
                            {RenumberProblemKind::DuplicateNumber, static_cast<std::uint32_t>(i), *old});
                }
                continue;
            }
            if (options.onlyNumbered && !n)
                continue;
            newNumber[i - first] = next;
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
        for (std::size_t i = first; i < end; ++i)
            if (newNumber[i - first] && keptOutside.count(*newNumber[i - first]))
                result.problems.push_back(
                    {RenumberProblemKind::ClashOutside, static_cast<std::uint32_t>(i), *newNumber[i - first]});
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
            const Block &b = blocks[i - first];
            const std::string_view line = lines[i].text;
            if (const std::optional<long> renumbered = newNumber[i - first]) {
                const std::string number = numberText(*renumbered, options.digits);
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
                } else if (const auto n = target(r.number, i); n && *n != r.number) {
                    edits[i].push_back({r.at, r.at + r.length, std::to_string(*n)});
                    ++result.references;
                    if (!options.lines.holds(i))
                        ++result.referencesOutside;
                }
            }
        }
    });
    result.text = applyEdits(lines, edits, text.size());
    return result;
}

NumberRemoval removeNumbers(std::string_view text, bool lathe, LineRange range)
{
    NumberRemoval result;
    const std::vector<Line> lines = splitLines(text);
    std::vector<std::vector<Edit>> edits(lines.size());
    forEachProgram(lines, [&](std::size_t first, std::size_t end, std::optional<long> programNumber,
                              const std::vector<Block> &blocks) {
        std::vector<long> named;
        bool variable = false;  // a GOTO whose target only the control knows
        for (std::size_t i = first; i < end; ++i) {
            for (const Reference &r : referencesOf(blocks[i - first], lines[i].text, programNumber, lathe)) {
                variable = variable || r.variable;
                named.push_back(r.number);
            }
        }
        for (std::size_t i = first; i < end; ++i) {
            const Block &b = blocks[i - first];
            const Word *n = b.find('N');
            if (!n || !isNumberable(b) || !range.holds(i))
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
