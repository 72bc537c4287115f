#pragma once
// One line of Fanuc-style word-address text read into its block: the
// words (an address letter and its value as written), the comments, the
// block skip, and what makes it more than words: a "%" line, a macro
// statement (#1=..., IF, WHILE, GOTO) whose expressions are left as text.
// Pure and allocation-light: the views point into the caller's line, and
// a reader reuses one NcBlock for every line.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace marbolt::nc {

struct Word {
    char letter = 0;          // 'A'..'Z', upper case
    std::string_view text;    // the value as written, after the letter
    std::optional<double> number;  // a plain number; nullopt for #1, [#1+2], ...
    bool decimalPoint = false;     // the number was written with a "."
    std::uint32_t column = 0;      // of the letter, in bytes from the line's start
    // ",C1." ",R2." ",A30.": the chamfer, corner round or angle of a
    // G01 block, from the comma (column). No address of the motion:
    // find() and number() leave it out.
    bool corner = false;
};

enum class FindingKind {
    UnknownCharacter,   // a byte that is no letter, number, sign or mark of the language
    NumberWithoutAddress,  // a number no letter stands before
    NumberTooLong,      // more digits than a control takes: not read as a number
    LetterWithoutValue, // "X" with nothing after it
    UnclosedComment,    // "(" without ")" on its line
    UnclosedBracket,    // "[" without "]" on its line
};

struct LineFinding {
    FindingKind kind;
    std::uint32_t column = 0;
};

struct Block {
    std::vector<Word> words;  // before a macro statement, if there is one
    std::vector<std::string_view> comments;  // the text inside "(" and ")"
    std::vector<LineFinding> findings;
    // A macro statement ("#1=#2+1", "IF [#1 GT 0] GOTO 10", "WHILE ...
    // DO 1", "END 1", "GOTO 20"), from its first character to the end of
    // the line: kept as text, never evaluated.
    std::string_view statement;
    std::uint32_t statementColumn = 0;
    int skipLevel = 0;      // "/" (1) or "/2".."/9" at the start; 0: none
    bool percent = false;   // a "%" line
    bool apostrophe = false;  // a comment line opened by "'"

    // Where each letter's first word is (its index plus one; 0: none),
    // so that a block is asked for its words without a search.
    std::array<std::uint32_t, 26> firstOf{};

    bool macro() const { return !statement.empty(); }
    const Word *find(char letter) const
    {
        if (letter < 'A' || letter > 'Z')
            return nullptr;
        const std::uint32_t i = firstOf[static_cast<std::size_t>(letter - 'A')];
        return i ? &words[i - 1] : nullptr;
    }
    // The number of a letter's first word, if it is a plain number.
    std::optional<double> number(char letter) const
    {
        const Word *w = find(letter);
        return w ? w->number : std::nullopt;
    }
    // Every G (or M) code of the block, in order, as numbers (G43.4: 43.4).
    template <typename F>
    void forEach(char letter, F f) const
    {
        for (const Word &w : words)
            if (w.letter == letter)
                f(w);
    }
    void clear();
};

// Reads line (no line break) into block, which is cleared first.
void readBlock(std::string_view line, Block &block);

}  // namespace marbolt::nc
