// Tests of the core's fetch words that the front ends share: the check of the group's input.
#include "core/FetchText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Tamberon::fetch_input;

TEST(CoreFetchInput, TheUrlIsCheckedFirstThenTheTimeOut) {
    struct test_case {
        const char* szUrl;
        const char* szTimeout;
        fetch_input::Field eField;
        const char* szProblemPart;  // empty: accepted
        const char* szCheckedUrl;
        YRAPI::DWORD dwTimeoutMs;
    };
    const test_case cases[] = {
        {"  http://127.0.0.1:8080/a \t", " 3000 ", fetch_input::Field::None, "",
         "http://127.0.0.1:8080/a", 3000},
        {"https://example.org/", "60000", fetch_input::Field::None, "", "https://example.org/",
         60000},
        {"", "3000", fetch_input::Field::Url, "URL is empty", "", 0},
        {"ftp://example.org/", "3000", fetch_input::Field::Url,
         "is not an http:// or https:// address", "", 0},
        {"not a url", "x", fetch_input::Field::Url, "holds a space", "", 0},
        {"http://example.org/", "0", fetch_input::Field::Timeout,
         "Time-out \"0\" is not valid: enter a whole number from 1 to 60000", "", 0},
        {"http://example.org/", "", fetch_input::Field::Timeout, "Time-out is empty", "", 0},
    };
    for (const test_case& c : cases) {
        fetch_input input = Tamberon::CheckFetchInput(c.szUrl, c.szTimeout);
        EXPECT_EQ(input.eField, c.eField) << c.szUrl;
        if (*c.szProblemPart == '\0') {
            EXPECT_EQ(input.szProblem, "") << c.szUrl;
            EXPECT_EQ(input.szUrl, c.szCheckedUrl);
            EXPECT_EQ(input.dwTimeoutMs, c.dwTimeoutMs);
        } else {
            EXPECT_NE(input.szProblem.find(c.szProblemPart), std::string::npos)
                << c.szUrl << ": " << input.szProblem;
        }
    }
}

}  // namespace
