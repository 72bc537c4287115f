#include "document/programfiles.h"

#include <gtest/gtest.h>

using namespace marbolt;

TEST(ProgramFiles, LinesEndInCrLf)
{
    EXPECT_EQ(crLfLines("O1\r\nG0\r\n"), "O1\r\nG0\r\n");
    EXPECT_EQ(crLfLines("O1\r\nM30"), "O1\r\nM30\r\n") << "the last line gets its break";
    EXPECT_EQ(crLfLines("O1\rG0\nM30\n"), "O1\r\nG0\r\nM30\r\n");
    EXPECT_EQ(crLfLines("O1\r\n\r\n\r\n"), "O1\r\n\r\n\r\n") << "blank lines stay";
    EXPECT_EQ(crLfLines("\n\r"), "\r\n\r\n");
    EXPECT_EQ(crLfLines(""), "");
}

TEST(ProgramFiles, TheFileIsNamedAfterTheWholeOLine)
{
    EXPECT_EQ(programFilePath(QStringLiteral("/work"), QStringLiteral("O1000 (FLANGE)")),
              QStringLiteral("/work/O1000 (FLANGE).nc"));
    EXPECT_EQ(programFilePath(QStringLiteral("/"), QStringLiteral("O1")), QStringLiteral("/O1.nc"))
        << "the root keeps one separator";
    EXPECT_EQ(programFilePath(QStringLiteral("/work/"), QStringLiteral("O1")), QStringLiteral("/work/O1.nc"));
}
