// The check before a send, on the text a send would put on the line.
#include "transfer/checkreport.h"
#include "transfer/sendcheck.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

#include "sjisbytes.h"

#include <string>
#include <vector>

using namespace marbolt;

namespace {

struct Found {
    std::size_t offset;
    CheckKind kind;
    bool inComment;
    bool operator==(const Found &) const = default;
};

std::vector<Found> check(const std::string &prepared, PunchCode code)
{
    std::vector<Found> out;
    for (const CheckFinding &f : checkSendText(prepared, code))
        out.push_back({f.offset, f.kind, f.inComment});
    return out;
}

// The document as a whole-document send prepares it.
PreparedText prepare(const std::string &source, PunchCode code = PunchCode::Iso, bool headPercent = false)
{
    SendOptions options;
    options.code = code;
    options.headPercent = headPercent;
    return prepareSendText(source, options);
}

}  // namespace

TEST(SendCheck, IsoCarriesSevenBitsAndNoControlCharacters)
{
    // A Japanese comment: one finding per character, each inside the comment.
    const std::string comment = "\nO1(" + sjis("荒取り") + ")\r\n%";
    EXPECT_EQ(check(comment, PunchCode::Iso),
              (std::vector<Found>{{4, CheckKind::NotInIso, true},
                                  {6, CheckKind::NotInIso, true},
                                  {8, CheckKind::NotInIso, true}}));
    // Half-width kana is one byte from 0xA1 up; outside a comment it stays outside.
    EXPECT_EQ(check("\nG1 X" + sjis("ｱ") + "\r\n%", PunchCode::Iso),
              (std::vector<Found>{{5, CheckKind::NotInIso, false}}));
    // TAB, CR and LF are fine; other control characters are not.
    EXPECT_EQ(check("\nG1\tX1\r\nG2\x01\x7F\r\n%", PunchCode::Iso),
              (std::vector<Found>{{10, CheckKind::Control, false}, {11, CheckKind::Control, false}}));
    // Without a code nothing is a character fault.
    EXPECT_TRUE(check(comment, PunchCode::None).empty());
}

TEST(SendCheck, EiaFlagsEveryCharacterThatWouldGoOutAsABlank)
{
    EXPECT_EQ(check("\nG1 X1.;\r\n%", PunchCode::Eia), (std::vector<Found>{{7, CheckKind::NotInEia, false}}));
    EXPECT_EQ(check("\n#1=2\r\n%", PunchCode::Eia),
              (std::vector<Found>{{1, CheckKind::NotInEia, false}, {3, CheckKind::NotInEia, false}}));
    // A double-byte character is one finding; the blank and CR LF are none.
    EXPECT_EQ(check("\n(" + sjis("穴") + ")\r\n%", PunchCode::Eia),
              (std::vector<Found>{{2, CheckKind::NotInEia, true}}));
}

TEST(SendCheck, ParenthesesCloseOnTheirOwnLine)
{
    // The unclosed "(" is reported where it stands; what follows it is no
    // comment the control can end, so a fault there is outside any comment.
    EXPECT_EQ(check("\nG1 (ROUGH" + sjis("荒") + "\r\nG2\r\n%", PunchCode::Iso),
              (std::vector<Found>{{4, CheckKind::Unclosed, false}, {10, CheckKind::NotInIso, false}}));
    EXPECT_EQ(check("\nG1 X1.)\r\n%", PunchCode::Iso), (std::vector<Found>{{7, CheckKind::StrayClose, false}}));
    // A "(" inside a comment is text; the first ")" closes.
    EXPECT_TRUE(check("\n((A)\r\n%", PunchCode::Iso).empty());
    EXPECT_EQ(check("\n(A))\r\n%", PunchCode::Iso), (std::vector<Found>{{4, CheckKind::StrayClose, false}}));
}

TEST(SendCheck, OnlyTheLeadAndTheLastPercentAreMarkers)
{
    EXPECT_TRUE(check("%\nO1\r\nM30\r\n%", PunchCode::Iso).empty());
    EXPECT_EQ(check("%\nO1\r\n%\r\nO2\r\n%", PunchCode::Iso),
              (std::vector<Found>{{6, CheckKind::PercentInside, false}}));
    EXPECT_EQ(check("\nG1 (50%)\r\n%", PunchCode::Iso),
              (std::vector<Found>{{7, CheckKind::PercentInside, true}}));
}

TEST(SendCheck, FindingsLeadBackToTheSourceThroughTheSendsPreparation)
{
    // The apostrophe line is left out and the lead LF put on: the finding
    // in the third source line still points at its own character.
    const std::string source = "O1\r\n'" + sjis("メモ") + "\r\nG1(" + sjis("穴") + ")\r\n%";
    const PreparedText prepared = prepare(source);
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, PunchCode::Iso);
    ASSERT_EQ(findings.size(), 1u);
    const std::size_t at = prepared.sourceOffset(findings[0].offset);
    EXPECT_EQ(source.substr(at, 2), sjis("穴"));
    const TextPlace place = placeIn(source, at);
    EXPECT_EQ(place.line, 2u);
    EXPECT_EQ(place.column, 3u);
    // A selection's source is LF and the text; the send makes that LF a
    // CR LF, and a lone LF or CR inside it too.
    const std::string selection = "\nG1(" + sjis("穴") + ")\nG2(" + sjis("荒") + ")";
    const PreparedText fromSelection = prepare(selection);
    const std::vector<CheckFinding> inSelection = checkSendText(fromSelection.text, PunchCode::Iso);
    ASSERT_EQ(inSelection.size(), 2u);
    EXPECT_EQ(selection.substr(fromSelection.sourceOffset(inSelection[0].offset), 2), sjis("穴"));
    EXPECT_EQ(selection.substr(fromSelection.sourceOffset(inSelection[1].offset), 2), sjis("荒"));
    // Columns count characters: a double-byte character is one.
    EXPECT_EQ(placeIn(sjis("あいX"), 4).column, 2u);
    // One walk places many offsets as each alone would, also going back.
    const std::string lines = "G1\n" + sjis("穴あき") + "X\n\nO2 Y\n";
    PlaceWalk walk(lines);
    for (std::size_t offset : {0u, 2u, 3u, 5u, 9u, 10u, 11u, 14u, 15u, 4u, 12u}) {
        const TextPlace a = walk.at(offset), b = placeIn(lines, offset);
        EXPECT_EQ(a.line, b.line) << offset;
        EXPECT_EQ(a.column, b.column) << offset;
    }
    EXPECT_EQ(placeIn(lines, 9).line, 1u);
    EXPECT_EQ(placeIn(lines, 9).column, 3u);
    EXPECT_EQ(placeIn(lines, 11).line, 2u);
    EXPECT_EQ(placeIn(lines, 15).line, 3u);
    // The lead and the end marker the send adds lie in no source.
    const PreparedText marked = prepare("O1\r\nM30", PunchCode::Iso, true);
    EXPECT_EQ(marked.text, "%\nO1\r\nM30\n%");
    EXPECT_EQ(marked.sourceOffset(0), std::string::npos);
    EXPECT_EQ(marked.sourceOffset(2), 0u);
    EXPECT_EQ(marked.sourceOffset(marked.text.size() - 1), std::string::npos);
}

TEST(SendCheck, LeavingOutTheCommentsTouchesNothingElse)
{
    const std::string source = "O1(" + sjis("荒取り") + ")\r\n'(" + sjis("メモ") + ")\r\nG1 X1.(OK)(" +
                               sjis("穴") + ")\r\n%";
    const PreparedText prepared = prepare(source);
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, PunchCode::Iso);
    ASSERT_EQ(findings.size(), 4u);
    // The apostrophe line is the send's own business and stays in the source.
    EXPECT_EQ(withoutFindingComments(source, prepared, findings), "O1\r\n'(" + sjis("メモ") + ")\r\nG1 X1.(OK)\r\n%");
    // Its prepared text then holds nothing to find.
    EXPECT_TRUE(checkSendText(prepare(withoutFindingComments(source, prepared, findings)).text, PunchCode::Iso).empty());
}

TEST(SendCheck, EachBlockIsReadAsTheControlReadsItOutsideItsComments)
{
    using F = std::vector<Found>;
    EXPECT_EQ(check("\nG01X\r\nM30\r\n%", PunchCode::Iso), (F{{4, CheckKind::LetterWithoutValue, false}}));
    EXPECT_EQ(check("\nG01 X1. 5\r\n%", PunchCode::Iso), (F{{9, CheckKind::NumberWithoutAddress, false}}));
    EXPECT_EQ(check("\nG00X1234567890123.\r\n%", PunchCode::Iso), (F{{4, CheckKind::NumberTooLong, false}}));
    EXPECT_EQ(check("\nX[#1+2\r\n%", PunchCode::Iso), (F{{1, CheckKind::UnclosedBracket, false}}));
    EXPECT_EQ(check("\nG01?X1.\r\n%", PunchCode::Iso), (F{{4, CheckKind::NotInLanguage, false}}));
    // Findings of both looks come in the order of the text.
    EXPECT_EQ(check("\nG01X(" + sjis("穴") + ")Y2. 5\r\n%", PunchCode::Iso),
              (F{{4, CheckKind::LetterWithoutValue, false}, {6, CheckKind::NotInIso, true},
                 {13, CheckKind::NumberWithoutAddress, false}}));

    // What a Fanuc control takes is no finding: a corner round, a macro
    // statement, a comment's text, lower case, blanks in a word, what
    // follows an end of block.
    for (const char *fine : {"\nG01X10.,R2.F100\r\nG01Y5.,C1.\r\n%", "\nIF[#1GT0]GOTO10\r\n#1=#1+1\r\n%",
                             "\n(X? 5 Y@ !)G00X0\r\n%", "\nn10 g01 x 12.5 f100\r\n%", "\nG00X0;Y?\r\n%",
                             "\n/2N20G00X1.\r\n%", "%\r\nO1000\r\n%"}) {
        EXPECT_TRUE(check(fine, PunchCode::Iso).empty()) << fine;
    }

    // A character the first look reports is reported once: the second
    // byte of a Japanese character is no letter or sign, a letter whose
    // value is such a character has no finding of its own, nor has a
    // stray ")".
    EXPECT_EQ(check("\nG1 X" + sjis("ソ") + "\r\n%", PunchCode::Iso), (F{{5, CheckKind::NotInIso, false}}));
    EXPECT_EQ(check("\nG1 " + sjis("ア") + "X1.\r\n%", PunchCode::Iso), (F{{4, CheckKind::NotInIso, false}}));
    EXPECT_EQ(check("\nG1 X1.)\r\n%", PunchCode::Iso), (F{{7, CheckKind::StrayClose, false}}));
    EXPECT_EQ(check("\nG1 X\x01\r\n%", PunchCode::Iso), (F{{5, CheckKind::Control, false}}));
}

TEST(SendCheck, AFindingOutsideTheCommentsKeepsThemFromBeingLeftOut)
{
    const std::string source = "O1(" + sjis("荒取り") + ")\r\nG01X\r\n%";
    PreparedText prepared = prepare(source);
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, PunchCode::Iso);
    ASSERT_EQ(findings.size(), 4u);
    EXPECT_EQ(findings.back().kind, CheckKind::LetterWithoutValue);
    EXPECT_FALSE(allInComments(findings));
    // Leaving the comments out would not mend the block: the send stops,
    // and nothing of the text is changed.
    std::string sent = source;
    SendOptions options;
    options.code = PunchCode::Iso;
    EXPECT_FALSE(applyCheckChoice(SendCheckChoice::SendWithoutComments, findings, options, sent, prepared));
    EXPECT_EQ(sent, source);
}
