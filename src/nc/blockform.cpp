#include "nc/blockform.h"

#include "nc/ncblock.h"

namespace marbolt::nc {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Calls f with each line (without its LF) and appends what it returns.
template <typename F>
std::string eachLine(std::string_view text, F f)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    Block block;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t lf = text.find('\n', start);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::string_view line = text.substr(start, end - start);
        std::string_view cr;
        if (!line.empty() && line.back() == '\r') {
            cr = line.substr(line.size() - 1);
            line.remove_suffix(1);
        }
        readBlock(line, block);
        const bool untouched = block.percent || block.apostrophe
                            || (!block.words.empty() && block.words.front().letter == 'O')
                            || line.find_first_not_of(" \t") == std::string_view::npos;
        if (untouched)
            out.append(line);
        else
            out += f(line, block);
        out.append(cr);
        if (lf == std::string_view::npos)
            break;
        out += '\n';
        start = lf + 1;
    }
    return out;
}

}  // namespace

std::string withWordBlanks(std::string_view text, bool spaced)
{
    return eachLine(text, [spaced](std::string_view line, const Block &block) {
        // The macro statement, from its column to the end, keeps its form.
        const std::size_t statement = block.macro() ? block.statementColumn : line.size();
        std::string out;
        bool word = false;  // a word has been written: the next one is set apart
        for (std::size_t i = 0; i < statement; ++i) {
            const char c = line[i];
            if (isBlank(c))
                continue;
            if (c == ';') {  // an end of block: the rest as it stands
                out.append(line.substr(i, statement - i));
                break;
            }
            const bool starts = isLetter(c) || c == '(' || c == ',';
            if (spaced && starts && word)
                out += ' ';
            if (c == '(') {
                const std::size_t close = line.find(')', i);
                const std::size_t end = close == std::string_view::npos ? line.size() : close + 1;
                out.append(line.substr(i, end - i));
                i = end - 1;
                word = true;
                continue;
            }
            if (c == ',' ) {
                // ",R2.": the comma and its letter are one word.
                out += c;
                while (i + 1 < statement && isBlank(line[i + 1]))
                    ++i;
                if (i + 1 < statement && isLetter(line[i + 1]))
                    out += line[++i];
                word = true;
                continue;
            }
            out += c;
            word = word || c != '/';
            if (c == '/' && i + 1 < statement && line[i + 1] >= '1' && line[i + 1] <= '9')
                out += line[++i];
        }
        if (statement < line.size()) {
            if (spaced && word)
                out += ' ';
            out.append(line.substr(statement));
        }
        return out;
    });
}

std::string withBlockSkip(std::string_view text, BlockSkipChange change)
{
    return eachLine(text, [change](std::string_view line, const Block &block) {
        std::size_t at = 0;
        while (at < line.size() && isBlank(line[at]))
            ++at;
        const bool skipped = block.skipLevel > 0;
        const bool want = change == BlockSkipChange::Add ? true : change == BlockSkipChange::Remove ? false : !skipped;
        std::string out(line);
        if (want && !skipped)
            out.insert(at, 1, '/');
        else if (!want && skipped)
            out.erase(at, line.size() > at + 1 && line[at + 1] >= '1' && line[at + 1] <= '9' ? 2 : 1);
        return out;
    });
}

}  // namespace marbolt::nc
