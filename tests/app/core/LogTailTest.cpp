// Tests of the core's log tail: what a look reads and which lines it shows.
#include "core/LogTail.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using Tamberon::CLogTail;

TEST(CoreLogTail, EachLookShowsTheWholeNewLinesAndKeepsItsPlace) {
    // One view over a file that changes between looks; each step is the file's content at a
    // look and what the view then does.
    struct look {
        std::string szFile;
        bool bAfresh;
        std::optional<std::string> szShown;
        long long nShownSize;
    };
    struct test_case {
        const char* szName;
        std::vector<look> looks;
    };
    const std::string szLong(30, 'x');  // more than the tail of 16 bytes below
    const test_case cases[] = {
        {"first look, then appended lines",
         {{"a\nb\n", true, "a\nb", 4}, {"a\nb\nc\n", false, "c", 6}, {"a\nb\nc\n", false, {}, 6}}},
        {"a line being written waits for its end",
         {{"a\nbb", true, "a", 2}, {"a\nbbb\n", false, "bbb", 6}}},
        {"no whole line yet", {{"abc", true, {}, 0}, {"abc\n", false, "abc", 4}}},
        {"an empty line is a line", {{"a\n", true, "a", 2}, {"a\n\n", false, "", 3}}},
        {"a smaller file was rotated: read afresh",
         {{"a\nb\nc\n", true, "a\nb\nc", 6}, {"d\n", true, "d", 2}}},
        {"a fresh read inside the file leaves the cut line out",
         {{szLong + "\nend\n", true, "end", 35}}},
        {"more new than the tail keeps: read afresh",
         {{"a\n", true, "a", 2}, {"a\n" + szLong + "\nz\n", true, "z", 35}}},
    };
    for (const test_case& c : cases) {
        CLogTail tail(16);
        ASSERT_EQ(tail.ShownSize(), -1) << c.szName;
        for (const look& l : c.looks) {
            auto nSize = static_cast<std::int64_t>(l.szFile.size());
            CLogTail::read_plan plan = tail.Plan(nSize);
            EXPECT_EQ(plan.bAfresh, l.bAfresh) << c.szName;
            std::string szRead = l.szFile.substr(static_cast<std::size_t>(plan.nStart));
            std::optional<std::string_view> shown = tail.Take(szRead, plan);
            EXPECT_EQ(shown.has_value(), l.szShown.has_value()) << c.szName;
            if (shown && l.szShown) {
                EXPECT_EQ(std::string(*shown), *l.szShown) << c.szName;
            }
            EXPECT_EQ(tail.ShownSize(), l.nShownSize) << c.szName;
        }
        tail.Forget();
        EXPECT_EQ(tail.ShownSize(), -1);
        EXPECT_TRUE(tail.Plan(0).bAfresh);
    }
}

}  // namespace
