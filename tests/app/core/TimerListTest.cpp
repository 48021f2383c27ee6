// Tests of the core's timer rows and number fields: the input checks and their messages, a
// timer's texts as it fires until its count runs out, removal, and a full board.
#include "core/NumberInput.h"
#include "core/TimerBoard.h"
#include "core/TimerList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Tamberon::CTimerList;

TEST(CoreNumberInput, ReadsAWholeNumberInItsRangeOrSaysWhatIsExpected) {
    struct test_case {
        std::string szText;
        std::optional<long long> nValue;
        std::string szMessage;
    };
    const test_case cases[] = {
        {"5", 5, ""},
        {"  7\t", 7, ""},
        {"+3", 3, ""},
        {"-1", -1, ""},
        {"10", 10, ""},
        {"11", std::nullopt, "Field \"11\" is not valid: enter a whole number from -1 to 10"},
        {"-2", std::nullopt, "Field \"-2\" is not valid: enter a whole number from -1 to 10"},
        {" 1.5 ", std::nullopt, "Field \"1.5\" is not valid: enter a whole number from -1 to 10"},
        {"++1", std::nullopt, "Field \"++1\" is not valid: enter a whole number from -1 to 10"},
        {"9999999999999999999999", std::nullopt,
         "Field \"9999999999999999999999\" is not valid: enter a whole number from -1 to 10"},
        {"", std::nullopt, "Field is empty: enter a whole number from -1 to 10"},
        {"   ", std::nullopt, "Field is empty: enter a whole number from -1 to 10"},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szText);
        std::string szMessage;
        EXPECT_EQ(Tamberon::ReadNumber(test.szText, -1, 10, "Field", &szMessage), test.nValue);
        EXPECT_EQ(szMessage, test.szMessage);
    }
}

TEST(CoreTimerList, RefusesBadInputWithTheFieldToFix) {
    struct test_case {
        const char* szInterval;
        const char* szCount;
        int nBadField;
        std::string szText;
    };
    const test_case cases[] = {
        {"fast", "1", 0, "Interval (ms) \"fast\" is not valid"},
        {"0", "1", 0, "from 1 to 3600000"},
        {"", "1", 0, "Interval (ms) is empty"},
        {"10", "0", 1, "Count: 0 would never fire"},
        {"10", "-2", 1, "from -1 to 1000000"},
        {"10", "x", 1, "Count \"x\" is not valid"},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szText);
        CTimerList list;
        Tamberon::timer_add outcome = list.Add(test.szInterval, test.szCount);
        EXPECT_FALSE(outcome.bAdded);
        EXPECT_EQ(outcome.nBadField, test.nBadField);
        EXPECT_NE(outcome.szText.find(test.szText), std::string::npos) << outcome.szText;
        EXPECT_EQ(list.Size(), 0u);
    }
}

TEST(CoreTimerList, ShowsATimerUntilItsCountRunsOutAndRemovesIt) {
    struct test_case {
        const char* szInterval;
        const char* szCount;
        std::string szIntervalText;
        std::string szCountText;
        std::string szFiredAtEnd;  // when Refresh says nothing runs; empty: it runs on
        std::string szRemoved;
    };
    const test_case cases[] = {
        {"10", "5", "10 ms", "5", "5 (done)", "Timer #1 removed after 5 firings."},
        {" 5 ", "1", "5 ms", "1", "1 (done)", "Timer #1 removed after 1 firing."},
        {"1", "-1", "1 ms", "no end", "", "Timer #1 removed after "},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szIntervalText + " " + test.szCountText);
        CTimerList list;
        Tamberon::timer_add outcome = list.Add(test.szInterval, test.szCount);
        ASSERT_TRUE(outcome.bAdded) << outcome.szText;
        EXPECT_EQ(outcome.szText, "Timer #1 added.");
        ASSERT_EQ(list.Size(), 1u);
        EXPECT_EQ(list.Text(0, CTimerList::kNumber), "#1");
        EXPECT_EQ(list.Text(0, CTimerList::kInterval), test.szIntervalText);
        EXPECT_EQ(list.Text(0, CTimerList::kCount), test.szCountText);
        auto deadline = std::chrono::steady_clock::now() + 10s;
        if (test.szFiredAtEnd.empty()) {
            while (list.Fired(0) < 3 && std::chrono::steady_clock::now() < deadline) {
                EXPECT_TRUE(list.Refresh());
                std::this_thread::sleep_for(5ms);
            }
            EXPECT_GE(list.Fired(0), 3u);
        } else {
            while (list.Refresh() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(5ms);
            }
            EXPECT_FALSE(list.Refresh());
            EXPECT_EQ(list.Text(0, CTimerList::kFired), test.szFiredAtEnd);
        }
        std::string szRemoved = list.Remove(0);
        EXPECT_EQ(szRemoved.rfind(test.szRemoved, 0), 0u) << szRemoved;
        EXPECT_EQ(list.Size(), 0u);
        EXPECT_EQ(list.Remove(0), "");
    }
}

TEST(CoreTimerList, FinishedTimersGiveTheirSlotsBackAndAFullBoardIsSaid) {
    CTimerList list;
    for (int i = 0; i < Tamberon::kMaxTimers; ++i) {
        ASSERT_TRUE(list.Add("600000", "1").bAdded);
    }
    Tamberon::timer_add full = list.Add("600000", "1");
    EXPECT_FALSE(full.bAdded);
    EXPECT_EQ(full.nBadField, -1);
    EXPECT_EQ(full.szText, "No timer added: at most 16 timers run at once; remove one first.");
    EXPECT_NE(list.Remove(3), "");
    Tamberon::timer_add again = list.Add("1", "2");
    ASSERT_TRUE(again.bAdded);
    EXPECT_EQ(again.szText, "Timer #17 added.");  // numbers are never reused
    // Once it has fired twice, its slot is free for the next one.
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (list.Text(15, CTimerList::kFired) != "2 (done)" &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(list.Refresh());  // the others run on
    EXPECT_EQ(list.Text(15, CTimerList::kFired), "2 (done)");
    EXPECT_TRUE(list.Add("600000", "1").bAdded);
    EXPECT_EQ(list.Size(), 17u);
}

}  // namespace
