// Tests of the core's path shortening: 35 characters, counted as code points.
#include "core/PathText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Repeat(const std::string& szUnit, std::size_t nTimes) {
    std::string szText;
    for (std::size_t i = 0; i < nTimes; ++i) szText += szUnit;
    return szText;
}

TEST(CorePathText, LongPathsAreCutAfterTheirFirst35Characters) {
    ASSERT_EQ(Tamberon::kShortLength, 35u);
    struct test_case {
        std::string szPath;
        std::string szShown;
    };
    const std::string szE = "\xC3\xA9";             // é, two bytes
    const std::string szEuro = "\xE2\x82\xAC";      // €, three bytes
    const std::string szClef = "\xF0\x9D\x84\x9E";  // a four-byte character
    const test_case cases[] = {
        {"", ""},
        {"/tmp", "/tmp"},
        {Repeat("a", 35), Repeat("a", 35)},
        {Repeat("a", 36), Repeat("a", 35) + "..."},
        {Repeat("a", 80), Repeat("a", 35) + "..."},
        {Repeat(szE, 35), Repeat(szE, 35)},
        {Repeat(szE, 36), Repeat(szE, 35) + "..."},
        {Repeat("a", 34) + szEuro + "b", Repeat("a", 34) + szEuro + "..."},
        {Repeat("a", 34) + szClef, Repeat("a", 34) + szClef},
        {Repeat(szClef, 40), Repeat(szClef, 35) + "..."},
    };
    for (const test_case& c : cases) {
        EXPECT_EQ(Tamberon::ShortenForDisplay(c.szPath), c.szShown) << c.szPath;
    }
}

}  // namespace
