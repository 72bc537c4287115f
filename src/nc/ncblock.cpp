#include "nc/ncblock.h"

#include <algorithm>

namespace marbolt::nc {

namespace {

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

char upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// A control takes eight or nine digits; more are no number of a program,
// and huge values would only overflow the path.
constexpr int kMostDigits = 12;

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12};

// A plain number from i: sign, digits, at most one point, digits. Read as
// it is scanned: the digits as a whole number (at most twelve, exact in a
// double) divided by the power of ten of its decimals, which rounds as a
// correctly rounded reading of the text does. Its end; the value, and
// whether it has a point, into word (no value with more than twelve
// digits: tooLong).
std::size_t scanNumber(std::string_view line, std::size_t i, Word *word, bool &tooLong)
{
    std::size_t j = i;
    bool negative = false;
    if (j < line.size() && (line[j] == '+' || line[j] == '-')) {
        negative = line[j] == '-';
        ++j;
    }
    std::uint64_t digits = 0;
    int count = 0;
    int decimals = 0;
    bool point = false;
    for (; j < line.size(); ++j) {
        const char c = line[j];
        if (c >= '0' && c <= '9') {
            if (count < kMostDigits)
                digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            ++count;
            decimals += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    tooLong = count > kMostDigits;
    if (word && count > 0 && !tooLong) {
        double value = static_cast<double>(digits);
        if (decimals > 0)
            value /= kPowersOfTen[decimals];
        word->number = negative ? -value : value;
        word->decimalPoint = point;
    }
    return j;
}

// The end of a bracketed expression whose "[" is at i: one past its "]",
// or the line's end (unclosed) at a comment or end of block.
std::size_t bracketEnd(std::string_view line, std::size_t i, bool &unclosed)
{
    int depth = 0;
    for (std::size_t j = i; j < line.size(); ++j) {
        const char c = line[j];
        if (c == '(' || c == ';')
            break;
        if (c == '[')
            ++depth;
        else if (c == ']' && --depth == 0)
            return j + 1;
    }
    unclosed = true;
    return line.size();
}

// The end of a value that starts at i: a signed number, a variable
// ("#12", "#[#1+2]") or a bracketed expression.
std::size_t valueEnd(std::string_view line, std::size_t i, bool &unclosed)
{
    unclosed = false;
    std::size_t j = i;
    if (j < line.size() && (line[j] == '+' || line[j] == '-'))
        ++j;
    if (j < line.size() && line[j] == '#') {
        ++j;
        if (j < line.size() && line[j] == '[')
            return bracketEnd(line, j, unclosed);
        while (j < line.size() && isDigit(line[j]))
            ++j;
        return j;
    }
    if (j < line.size() && line[j] == '[')
        return bracketEnd(line, j, unclosed);
    bool tooLong = false;
    return scanNumber(line, i, nullptr, tooLong);
}

// The word of `letter` at column whose value starts at i: a plain number
// read as it is scanned, or a variable or expression kept as text. The
// end of the value; i when there is none.
std::size_t addWord(Block &block, char letter, std::string_view line, std::size_t i, std::size_t column,
                    bool corner = false)
{
    Word &w = block.words.emplace_back();
    w.letter = letter;
    w.column = static_cast<std::uint32_t>(column);
    w.corner = corner;
    const char c = i < line.size() ? line[i] : 0;
    const char next = i + 1 < line.size() ? line[i + 1] : 0;
    const bool expression = c == '#' || c == '[' || ((c == '+' || c == '-') && (next == '#' || next == '['));
    std::size_t end = 0;
    if (expression) {
        bool unclosed = false;
        end = valueEnd(line, i, unclosed);
        if (unclosed)
            block.findings.push_back({FindingKind::UnclosedBracket, static_cast<std::uint32_t>(column)});
    } else {
        bool tooLong = false;
        end = scanNumber(line, i, &w, tooLong);
        if (tooLong)
            block.findings.push_back({FindingKind::NumberTooLong, static_cast<std::uint32_t>(column)});
    }
    if (end == i) {
        block.words.pop_back();
        return end;
    }
    w.text = line.substr(i, end - i);
    if (corner)
        return end;
    std::uint32_t &first = block.firstOf[static_cast<std::size_t>(letter - 'A')];
    if (first == 0)
        first = static_cast<std::uint32_t>(block.words.size());
    return end;
}

}  // namespace

void Block::clear()
{
    words.clear();
    comments.clear();
    findings.clear();
    firstOf.fill(0);
    statement = {};
    statementColumn = 0;
    skipLevel = 0;
    percent = false;
    apostrophe = false;
}

void readBlock(std::string_view line, Block &block)
{
    block.clear();
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < line.size() && isBlank(line[i]))
            ++i;
    };
    skipBlanks();
    if (i < line.size() && line[i] == '\'') {
        block.apostrophe = true;
        block.comments.push_back(line.substr(i + 1));
        return;
    }
    if (i < line.size() && line[i] == '%') {
        block.percent = true;
        return;  // what follows a "%" is no program
    }
    if (i < line.size() && line[i] == '/') {
        ++i;
        block.skipLevel = 1;
        if (i < line.size() && line[i] >= '1' && line[i] <= '9') {
            block.skipLevel = line[i] - '0';
            ++i;
        }
    }
    while (i < line.size()) {
        const char c = line[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        if (c == ';')
            break;  // the end of block of ISO tapes
        if (c == '(') {
            const std::size_t close = line.find(')', i + 1);
            if (close == std::string_view::npos) {
                block.findings.push_back({FindingKind::UnclosedComment, static_cast<std::uint32_t>(i)});
                block.comments.push_back(line.substr(i + 1));
                break;
            }
            block.comments.push_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        if (c == '#') {
            // "#1=..." or "#[#2]=...": a macro statement, kept as text.
            block.statement = line.substr(i);
            block.statementColumn = static_cast<std::uint32_t>(i);
            break;
        }
        if (c == ':' && block.words.empty()) {
            // ":1234", the program number of ISO tapes: an O word.
            i = std::max(addWord(block, 'O', line, i + 1, i), i + 1);
            continue;
        }
        if (isLetter(c)) {
            std::size_t j = i + 1;
            while (j < line.size() && isLetter(line[j]))
                ++j;
            if (j - i >= 2) {
                // IF, GOTO, WHILE, END and the like open a macro statement.
                block.statement = line.substr(i);
                block.statementColumn = static_cast<std::uint32_t>(i);
                break;
            }
            // Blanks between a letter and its value are read over, as a
            // control reads them.
            std::size_t start = i + 1;
            while (start < line.size() && isBlank(line[start]))
                ++start;
            const std::size_t end = addWord(block, upper(c), line, start, i);
            if (end == start) {
                block.findings.push_back({FindingKind::LetterWithoutValue, static_cast<std::uint32_t>(i)});
                ++i;
                continue;
            }
            i = end;
            continue;
        }
        if (c == ',') {
            std::size_t letter = i + 1;
            while (letter < line.size() && isBlank(line[letter]))
                ++letter;
            if (letter < line.size() && isLetter(line[letter])) {
                // ",C1." and ",R2.": the chamfer and corner round of a G01
                // block, words of their own.
                std::size_t start = letter + 1;
                while (start < line.size() && isBlank(line[start]))
                    ++start;
                const std::size_t end = addWord(block, upper(line[letter]), line, start, i, true);
                if (end == start)
                    block.findings.push_back({FindingKind::LetterWithoutValue, static_cast<std::uint32_t>(i)});
                i = std::max(end, letter + 1);
                continue;
            }
        }
        if (isDigit(c) || c == '.' || c == '+' || c == '-') {
            block.findings.push_back({FindingKind::NumberWithoutAddress, static_cast<std::uint32_t>(i)});
            bool unclosed = false;
            i = std::max(valueEnd(line, i, unclosed), i + 1);
            continue;
        }
        block.findings.push_back({FindingKind::UnknownCharacter, static_cast<std::uint32_t>(i)});
        ++i;
    }
}

}  // namespace marbolt::nc
