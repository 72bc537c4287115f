#include "nc/ncblock.h"

#include <algorithm>
#include <charconv>

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

// A plain number: sign, digits, at most one point, digits; nothing else.
std::optional<double> plainNumber(std::string_view text, bool &point, bool &tooLong)
{
    point = false;
    tooLong = false;
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    int digits = 0;
    for (; i < text.size(); ++i) {
        if (isDigit(text[i]))
            ++digits;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    if (digits > kMostDigits) {
        tooLong = true;
        return std::nullopt;
    }
    // from_chars takes neither "+" nor a bare "5." in every form; strip the
    // sign and read the rest.
    std::string_view body = text;
    bool negative = false;
    if (body.front() == '+' || body.front() == '-') {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    // "5." and ".5" both read as strtod reads them.
    double value = 0;
    const auto [end, error] = std::from_chars(body.data(), body.data() + body.size(), value);
    if (error != std::errc() || end != body.data() + body.size())
        return std::nullopt;
    return negative ? -value : value;
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
    bool point = false;
    while (j < line.size() && (isDigit(line[j]) || (line[j] == '.' && !point))) {
        point = point || line[j] == '.';
        ++j;
    }
    return j;
}

// A word of the block, its value read as a number when it is a plain one.
void addWord(Block &block, char letter, std::string_view text, std::size_t column)
{
    Word w;
    w.letter = letter;
    w.text = text;
    bool tooLong = false;
    w.number = plainNumber(w.text, w.decimalPoint, tooLong);
    if (tooLong)
        block.findings.push_back({FindingKind::NumberTooLong, static_cast<std::uint32_t>(column)});
    w.column = static_cast<std::uint32_t>(column);
    block.words.push_back(w);
}

}  // namespace

const Word *Block::find(char letter) const
{
    for (const Word &w : words)
        if (w.letter == letter)
            return &w;
    return nullptr;
}

std::optional<double> Block::number(char letter) const
{
    const Word *w = find(letter);
    return w ? w->number : std::nullopt;
}

void Block::clear()
{
    words.clear();
    comments.clear();
    findings.clear();
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
            bool unclosed = false;
            const std::size_t end = valueEnd(line, i + 1, unclosed);
            addWord(block, 'O', line.substr(i + 1, end - i - 1), i);
            i = end;
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
            bool unclosed = false;
            const std::size_t end = valueEnd(line, start, unclosed);
            if (unclosed)
                block.findings.push_back({FindingKind::UnclosedBracket, static_cast<std::uint32_t>(i)});
            if (end == start) {
                block.findings.push_back({FindingKind::LetterWithoutValue, static_cast<std::uint32_t>(i)});
                ++i;
                continue;
            }
            addWord(block, upper(c), line.substr(start, end - start), i);
            i = end;
            continue;
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
