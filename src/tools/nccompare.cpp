#include "tools/nccompare.h"

#include "nc/ncblock.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <unordered_map>

namespace marbolt {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Every number of the block written by its value: no "+" and no leading
// zeros, no trailing zeros after the point, "0" before a bare point, no
// sign on zero. The point itself stays: a control reads "X1" and "X1."
// differently (units of the least increment against millimetres).
std::string numbersByValue(std::string_view block)
{
    std::string out;
    out.reserve(block.size());
    std::size_t i = 0;
    while (i < block.size()) {
        const char c = block[i];
        const bool afterNumber = !out.empty() && (isDigit(out.back()) || out.back() == '.');
        std::size_t j = i;
        bool negative = false;
        if ((c == '+' || c == '-') && !afterNumber) {
            negative = c == '-';
            ++j;
        }
        const std::size_t intStart = j;
        while (j < block.size() && isDigit(block[j]))
            ++j;
        std::string_view whole = block.substr(intStart, j - intStart);
        bool point = false;
        std::string_view fraction;
        if (j < block.size() && block[j] == '.') {
            point = true;
            const std::size_t fracStart = ++j;
            while (j < block.size() && isDigit(block[j]))
                ++j;
            fraction = block.substr(fracStart, j - fracStart);
        }
        if (afterNumber || (whole.empty() && fraction.empty())) {
            // Not the start of a number: the character stands as it is.
            out += c;
            ++i;
            continue;
        }
        while (whole.size() > 1 && whole.front() == '0')
            whole.remove_prefix(1);
        while (!fraction.empty() && fraction.back() == '0')
            fraction.remove_suffix(1);
        const bool zero = (whole.empty() || whole == "0") && fraction.empty();
        if (negative && !zero)
            out += '-';
        out += whole.empty() ? std::string_view("0") : whole;
        if (point) {
            out += '.';
            out += fraction;
        }
        i = j;
    }
    return out;
}

struct Piece {
    std::size_t start, end;
    bool number;  // written by value under the options
};

// The pieces of a block that count, in the order of the line: its words
// as the NC reader reads the block, with what it finds no word in (a
// number without its letter, a byte of no word) counted as written, as
// are a macro statement, whole, and what follows an end of block ";".
void readPieces(std::string_view line, const CompareOptions &options, nc::Block &block, std::vector<Piece> &pieces)
{
    nc::readBlock(line, block);
    auto offsetOf = [&line](std::string_view part) { return static_cast<std::size_t>(part.data() - line.data()); };
    pieces.clear();
    if (block.skipLevel > 0) {
        const std::size_t slash = line.find('/');
        const bool level = slash + 1 < line.size() && line[slash + 1] >= '1' && line[slash + 1] <= '9';
        pieces.push_back({slash, slash + (level ? 2 : 1), false});
    }
    for (std::size_t k = 0; k < block.words.size(); ++k) {
        const nc::Word &w = block.words[k];
        if (k == 0 && options.ignoreSequenceNumbers && w.letter == 'N' && w.number)
            continue;
        pieces.push_back({w.column, offsetOf(w.text) + w.text.size(), true});
    }
    if (!options.ignoreComments)
        for (const std::string_view comment : block.comments) {
            const std::size_t start = offsetOf(comment) - 1;
            std::size_t end = offsetOf(comment) + comment.size();
            if (end < line.size() && line[end] == ')')
                ++end;
            pieces.push_back({start, end, false});
        }
    for (const nc::LineFinding &f : block.findings) {
        if (f.kind == nc::FindingKind::NumberWithoutAddress) {
            std::size_t end = f.column + 1;
            while (end < line.size() && (isDigit(line[end]) || line[end] == '.'))
                ++end;
            pieces.push_back({f.column, end, true});
        } else if (f.kind == nc::FindingKind::UnknownCharacter) {
            // The bytes of one character, or a run of them, are one word.
            if (!pieces.empty() && pieces.back().end == f.column && !pieces.back().number)
                pieces.back().end = f.column + 1;
            else
                pieces.push_back({f.column, f.column + 1, false});
        }
    }
    if (block.macro()) {
        std::size_t end = line.size();
        while (end > block.statementColumn && isBlank(line[end - 1]))
            --end;
        pieces.push_back({block.statementColumn, end, true});
    }
    std::size_t covered = 0;
    for (const Piece &p : pieces)
        covered = std::max(covered, p.end);
    const std::size_t endOfBlock = line.find(';', covered);
    if (endOfBlock != std::string_view::npos) {
        std::size_t end = line.size();
        while (end > endOfBlock && isBlank(line[end - 1]))
            --end;
        pieces.push_back({endOfBlock, end, false});
    }
    std::sort(pieces.begin(), pieces.end(), [](const Piece &x, const Piece &y) { return x.start < y.start; });
}


}  // namespace

std::string blockKey(std::string_view line, const CompareOptions &options)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    // The pieces the reader makes of the block, in their forms under the
    // options; the blanks between them too, unless blanks are ignored.
    thread_local nc::Block block;
    thread_local std::vector<Piece> pieces;
    readPieces(line, options, block, pieces);
    std::string key;
    key.reserve(line.size());
    std::size_t at = pieces.empty() ? line.size() : pieces.front().start;
    for (const Piece &p : pieces) {
        if (!options.ignoreBlanks && p.start > at)
            key.append(line.substr(at, p.start - at));
        const std::size_t from = key.size();
        if (options.numbersByValue && p.number)
            key += numbersByValue(line.substr(p.start, p.end - p.start));
        else
            key.append(line.substr(p.start, p.end - p.start));
        if (options.ignoreBlanks)
            key.erase(std::remove_if(key.begin() + static_cast<std::ptrdiff_t>(from), key.end(), isBlank), key.end());
        at = p.end;
    }
    return key;
}

std::vector<CompareBlock> compareBlocks(std::string_view text, const CompareOptions &options)
{
    std::vector<CompareBlock> blocks;
    std::size_t line = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view raw = text.substr(start, end - start);
        // A line of blanks, a "%" line or the tape leader (NUL) is no block.
        bool counts = false, percentOnly = true;
        for (char c : raw) {
            if (isBlank(c) || c == '\r' || c == '\0')
                continue;
            counts = true;
            percentOnly = percentOnly && c == '%';
        }
        if (counts && !percentOnly) {
            std::string key = blockKey(raw, options);
            if (!key.empty())
                blocks.push_back({line, std::move(key)});
        }
        if (end == text.size())
            break;
        start = end + 1;
        ++line;
    }
    return blocks;
}

namespace {

bool isAddress(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The words of a block's key, for pairing: the key is split before each
// address letter and "/".
std::vector<std::string_view> keyWords(std::string_view key)
{
    std::vector<std::string_view> words;
    std::size_t start = 0;
    for (std::size_t i = 1; i <= key.size(); ++i) {
        if (i == key.size() || isAddress(key[i]) || key[i] == '/' || isBlank(key[i])) {
            std::string_view w = key.substr(start, i - start);
            while (!w.empty() && isBlank(w.front()))
                w.remove_prefix(1);
            if (!w.empty())
                words.push_back(w);
            start = i;
        }
    }
    return words;
}

// Words shared count whole; of the rest, a word of the same address on
// both sides (Y5. and Y6.) counts half: that is a value changed, not a
// block of another kind.
double keySimilarity(const std::vector<std::string_view> &a, const std::vector<std::string_view> &b)
{
    if (a.empty() && b.empty())
        return 1;
    std::unordered_map<std::string_view, int> counts;
    for (std::string_view w : a)
        ++counts[w];
    double shared = 0;
    std::unordered_map<char, int> unmatchedAddresses;
    std::vector<std::string_view> rest;
    for (std::string_view w : b) {
        auto it = counts.find(w);
        if (it != counts.end() && it->second > 0) {
            --it->second;
            shared += 1;
        } else {
            rest.push_back(w);
        }
    }
    for (const auto &[w, left] : counts)
        if (isAddress(w.front()))
            unmatchedAddresses[w.front()] += left;
    for (std::string_view w : rest) {
        auto it = unmatchedAddresses.find(w.front());
        if (it != unmatchedAddresses.end() && it->second > 0) {
            --it->second;
            shared += 0.5;
        }
    }
    return 2.0 * shared / static_cast<double>(a.size() + b.size());
}

// Blocks at least this alike are paired as one changed block.
constexpr double kPairedSimilarity = 0.5;
// Runs larger than this (blocks on the left times blocks on the right) are
// left whole: pairing them would cost more than it tells.
constexpr std::size_t kMostPairingCells = 1'000'000;

// Splits a changed run into pairs and the blocks left over, in order.
void splitRun(const Difference &run, const std::vector<CompareBlock> &left, const std::vector<CompareBlock> &right,
              std::vector<Difference> &out)
{
    const std::size_t n = run.leftCount, m = run.rightCount;
    if ((n == 1 && m == 1) || n * m > kMostPairingCells) {
        out.push_back(run);
        return;
    }
    std::vector<std::vector<std::string_view>> lw(n), rw(m);
    for (std::size_t i = 0; i < n; ++i)
        lw[i] = keyWords(left[run.leftFirst + i].key);
    for (std::size_t j = 0; j < m; ++j)
        rw[j] = keyWords(right[run.rightFirst + j].key);
    // The most similarity over pairs in order (an alignment of the two
    // runs), each pair alike enough.
    std::vector<double> score((n + 1) * (m + 1), 0.0);
    std::vector<char> step((n + 1) * (m + 1), 0);  // 1: left alone, 2: right alone, 3: paired
    auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
    for (std::size_t i = 0; i <= n; ++i) {
        for (std::size_t j = 0; j <= m; ++j) {
            if (i == 0 && j == 0)
                continue;
            // On a tie a block stands alone rather than paired later, and
            // (read back from the end) blocks only on the left come
            // before those only on the right, as a diff lists them.
            double best = -1;
            char how = 0;
            if (j > 0 && score[at(i, j - 1)] > best) {
                best = score[at(i, j - 1)];
                how = 2;
            }
            if (i > 0 && score[at(i - 1, j)] > best) {
                best = score[at(i - 1, j)];
                how = 1;
            }
            if (i > 0 && j > 0) {
                const double s = keySimilarity(lw[i - 1], rw[j - 1]);
                if (s >= kPairedSimilarity && score[at(i - 1, j - 1)] + s > best) {
                    best = score[at(i - 1, j - 1)] + s;
                    how = 3;
                }
            }
            score[at(i, j)] = best;
            step[at(i, j)] = how;
        }
    }
    // Back from the end: pairs, and runs of blocks alone on one side.
    std::vector<Difference> pieces;
    std::size_t i = n, j = m;
    while (i > 0 || j > 0) {
        const char how = step[at(i, j)];
        if (how == 3) {
            --i;
            --j;
            pieces.push_back({DifferenceKind::Changed, run.leftFirst + i, 1, run.rightFirst + j, 1});
        } else if (how == 1) {
            --i;
            if (!pieces.empty() && pieces.back().kind == DifferenceKind::OnlyLeft
                && pieces.back().leftFirst == run.leftFirst + i + 1) {
                --pieces.back().leftFirst;
                ++pieces.back().leftCount;
            } else {
                pieces.push_back({DifferenceKind::OnlyLeft, run.leftFirst + i, 1, run.rightFirst + j, 0});
            }
        } else {
            --j;
            if (!pieces.empty() && pieces.back().kind == DifferenceKind::OnlyRight
                && pieces.back().rightFirst == run.rightFirst + j + 1) {
                --pieces.back().rightFirst;
                ++pieces.back().rightCount;
            } else {
                pieces.push_back({DifferenceKind::OnlyRight, run.leftFirst + i, 0, run.rightFirst + j, 1});
            }
        }
    }
    out.insert(out.end(), pieces.rbegin(), pieces.rend());
}

}  // namespace

std::vector<Difference> compareTexts(const std::vector<CompareBlock> &left, const std::vector<CompareBlock> &right)
{
    // The diff runs on small numbers, one per distinct key.
    std::unordered_map<std::string_view, int> ids;
    auto idsOf = [&](const std::vector<CompareBlock> &blocks) {
        std::vector<int> out;
        out.reserve(blocks.size());
        for (const CompareBlock &b : blocks)
            out.push_back(ids.try_emplace(b.key, static_cast<int>(ids.size())).first->second);
        return out;
    };
    const std::vector<int> a = idsOf(left);
    const std::vector<int> b = idsOf(right);
    dtl::Diff<int> diff(a, b);
    diff.compose();

    std::vector<Difference> differences;
    Difference run;
    bool open = false;
    auto flush = [&] {
        if (!open)
            return;
        run.kind = run.leftCount == 0   ? DifferenceKind::OnlyRight
                   : run.rightCount == 0 ? DifferenceKind::OnlyLeft
                                         : DifferenceKind::Changed;
        differences.push_back(run);
        open = false;
    };
    std::size_t leftAt = 0, rightAt = 0;  // the next block of each side
    for (const auto &[element, info] : diff.getSes().getSequence()) {
        (void)element;
        if (info.type == dtl::SES_COMMON) {
            flush();
            leftAt = static_cast<std::size_t>(info.beforeIdx);
            rightAt = static_cast<std::size_t>(info.afterIdx);
            continue;
        }
        if (!open) {
            run = Difference{DifferenceKind::Changed, leftAt, 0, rightAt, 0};
            open = true;
        }
        if (info.type == dtl::SES_DELETE) {
            ++run.leftCount;
            leftAt = static_cast<std::size_t>(info.beforeIdx);
        } else {
            ++run.rightCount;
            rightAt = static_cast<std::size_t>(info.afterIdx);
        }
    }
    flush();
    std::vector<Difference> split;
    split.reserve(differences.size());
    for (const Difference &d : differences) {
        if (d.kind == DifferenceKind::Changed)
            splitRun(d, left, right, split);
        else
            split.push_back(d);
    }
    return split;
}

std::vector<BlockWord> blockWords(std::string_view line, const CompareOptions &options)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    nc::Block block;
    std::vector<Piece> pieces;
    readPieces(line, options, block, pieces);
    std::vector<BlockWord> words;
    words.reserve(pieces.size());
    for (const Piece &p : pieces) {
        std::string form(line.substr(p.start, p.end - p.start));
        if (options.numbersByValue && p.number)
            form = numbersByValue(form);
        words.push_back({p.start, p.end, std::move(form)});
    }
    return words;
}

double wordSimilarity(const std::vector<BlockWord> &a, const std::vector<BlockWord> &b)
{
    std::vector<std::string_view> av, bv;
    for (const BlockWord &w : a)
        av.push_back(w.form);
    for (const BlockWord &w : b)
        bv.push_back(w.form);
    return keySimilarity(av, bv);
}

WordChanges changedWords(const std::vector<BlockWord> &left, const std::vector<BlockWord> &right)
{
    // The longest common run of words, by a table: blocks have few words.
    const std::size_t n = left.size(), m = right.size();
    std::vector<std::size_t> common((n + 1) * (m + 1), 0);
    auto at = [m](std::size_t i, std::size_t j) { return i * (m + 1) + j; };
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[at(i, j)] = left[i].form == right[j].form ? common[at(i + 1, j + 1)] + 1
                                                             : std::max(common[at(i + 1, j)], common[at(i, j + 1)]);
    WordChanges changes;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && left[i].form == right[j].form) {
            ++i;
            ++j;
        } else if (j == m || (i < n && common[at(i + 1, j)] >= common[at(i, j + 1)])) {
            changes.left.push_back(i++);
        } else {
            changes.right.push_back(j++);
        }
    }
    return changes;
}

std::string describeWordChanges(std::string_view leftLine, std::string_view rightLine, const CompareOptions &options)
{
    const std::vector<BlockWord> lw = blockWords(leftLine, options);
    const std::vector<BlockWord> rw = blockWords(rightLine, options);
    return describeWordChanges(leftLine, lw, rightLine, rw, changedWords(lw, rw));
}

std::string describeWordChanges(std::string_view leftLine, const std::vector<BlockWord> &lw, std::string_view rightLine,
                                const std::vector<BlockWord> &rw, const WordChanges &changes)
{
    auto text = [](std::string_view line, const BlockWord &w) { return std::string(line.substr(w.start, w.end - w.start)); };
    // A word left out on the left and one put in on the right, of the same
    // address, read as the one word changed: "Y5. → Y6.".
    std::string out;
    auto add = [&out](const std::string &part) {
        if (!out.empty())
            out += ", ";
        out += part;
    };
    std::size_t r = 0;
    std::vector<bool> rightUsed(changes.right.size(), false);
    // The address of a word: its letter, or a corner round's ",R".
    auto addressOf = [](const std::string &form) -> std::string_view {
        const std::size_t length = !form.empty() && form.front() == ',' ? 2 : 1;
        if (form.size() < length || !isAddress(form[length - 1]))
            return {};
        return std::string_view(form).substr(0, length);
    };
    for (std::size_t l : changes.left) {
        const std::string_view address = addressOf(lw[l].form);
        bool paired = false;
        for (std::size_t k = r; k < changes.right.size(); ++k) {
            const BlockWord &w = rw[changes.right[k]];
            if (!rightUsed[k] && !address.empty() && addressOf(w.form) == address) {
                add(text(leftLine, lw[l]) + " \u2192 " + text(rightLine, w));
                rightUsed[k] = true;
                r = k + 1;
                paired = true;
                break;
            }
        }
        if (!paired)
            add("-" + text(leftLine, lw[l]));
    }
    for (std::size_t k = 0; k < changes.right.size(); ++k)
        if (!rightUsed[k])
            add("+" + text(rightLine, rw[changes.right[k]]));
    return out;
}

}  // namespace marbolt
