// TextHelpersTest.cpp - the bounded text helpers: results, truncation and what is trimmed.
#include "yrapi/text/TextHelpers.h"

#include <gtest/gtest.h>

#include <cstring>

namespace YRAPI {
namespace {

TEST(CopyText, CopiesWholeOrCutsAndNeverWritesPastTheBuffer) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(CopyText(buf, sizeof buf, "abc"), 3);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(buf[4], 'x') << "a short copy leaves the rest of the buffer";
    EXPECT_EQ(CopyText(buf, 5, "abcdefgh"), 4);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'x') << "nothing past dstSize is written";
    EXPECT_EQ(CopyText(buf, 4, "wxyz"), 3) << "a source of dstSize characters has no room";
    EXPECT_STREQ(buf, "wxy");
    EXPECT_EQ(CopyText(buf, 1, "abc"), 0);
    EXPECT_STREQ(buf, "");
    // Null arguments or no room copy nothing.
    EXPECT_EQ(CopyText(nullptr, 4, "ab"), 0);
    EXPECT_EQ(CopyText(buf, 4, nullptr) + CopyText(buf + 1, 0, "ab"), 0);
    EXPECT_EQ(buf[1], 'x');
}

TEST(CopyUntil, CopiesUpToTheDelimiterAndTheBoundedFormReportsTheWholeSpan) {
    char buf[32] = "old";
    EXPECT_EQ(CopyUntil("name=value", buf, '='), 4);
    EXPECT_STREQ(buf, "name");
    EXPECT_EQ(CopyUntil("no delimiter", buf, '='), 12);
    EXPECT_STREQ(buf, "no delimiter");

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(CopyUntil("abcdefghij\nrest", buf, 4, '\n'), 10u);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(buf[4], 'x');
    EXPECT_EQ(CopyUntil("abc\n", buf + 4, 0, '\n'), 3u) << "no room: nothing written";
    EXPECT_EQ(buf[4], 'x');
}

TEST(TrimSpaces, OnlySpaceCharactersAreTrimmed) {
    char s[16] = "   a b  ";
    TrimLeftSpaces(s);
    EXPECT_STREQ(s, "a b  ") << "moved to the front";
    TrimRightSpaces(s);
    EXPECT_STREQ(s, "a b");
    char t[16] = "\t a \t";
    TrimLeftSpaces(t);
    TrimRightSpaces(t);
    EXPECT_STREQ(t, "\t a \t");
}

TEST(TrimChars, SkipsLeadingAndCutsTrailingCharactersOfTheSet) {
    char s[32] = " \t key = v \r\n";
    char* p = TrimChars(s, " \t\r\n");
    EXPECT_EQ(p, s + 3) << "leading characters are skipped, not moved";
    EXPECT_STREQ(p, "key = v");
    char blanks[8] = " \t \n";
    EXPECT_EQ(TrimChars(blanks, " \t\r\n"), blanks + 4) << "all in the set: the end";
    EXPECT_EQ(TrimChars(nullptr, " "), nullptr);
}

}  // namespace
}  // namespace YRAPI
