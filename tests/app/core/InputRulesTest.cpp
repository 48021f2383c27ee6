// Tests of the core's input checks: reading a whole number field within its range.
#include "core/InputRules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(CoreInputRules, ReadNumberTakesAWholeNumberInItsRangeOrSaysWhatItExpects) {
    struct test_case {
        const char* szText;
        std::optional<long long> nValue;
        const char* szMessage;  // for a refusal
    };
    const test_case cases[] = {
        {"3000", 3000, ""},
        {"  42\t", 42, ""},
        {"+7", 7, ""},
        {"1", 1, ""},
        {"60000", 60000, ""},
        {"0", {}, "Time-out \"0\" is not valid: enter a whole number from 1 to 60000"},
        {"60001", {}, "Time-out \"60001\" is not valid: enter a whole number from 1 to 60000"},
        {"-5", {}, "Time-out \"-5\" is not valid: enter a whole number from 1 to 60000"},
        {"12ms", {}, "Time-out \"12ms\" is not valid: enter a whole number from 1 to 60000"},
        {"1.5", {}, "Time-out \"1.5\" is not valid: enter a whole number from 1 to 60000"},
        {"+-3", {}, "Time-out \"+-3\" is not valid: enter a whole number from 1 to 60000"},
        {"99999999999999999999",
         {},
         "Time-out \"99999999999999999999\" is not valid: enter a whole number from 1 to 60000"},
        {"", {}, "Time-out is empty: enter a whole number from 1 to 60000"},
        {"   ", {}, "Time-out is empty: enter a whole number from 1 to 60000"},
    };
    for (const test_case& c : cases) {
        std::string szMessage;
        std::optional<long long> nValue =
            Tamberon::ReadNumber(c.szText, 1, 60000, "Time-out", &szMessage);
        EXPECT_EQ(nValue, c.nValue) << c.szText;
        if (!c.nValue) {
            EXPECT_EQ(szMessage, c.szMessage) << c.szText;
        }
    }
    // A negative lower end takes a minus.
    std::string szMessage;
    EXPECT_EQ(Tamberon::ReadNumber("-1", -1, 10, "Count", &szMessage), -1);
}

}  // namespace
