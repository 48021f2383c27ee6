// ErrorTextTest.cpp - the per-thread last error and the text for an error code.
#include "yrapi/platform/ErrorText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <thread>
#include <vector>

namespace YRAPI::platform {
namespace {

TEST(ErrorText, GivesTheSystemsTextOrNamesTheCode) {
#if !defined(_WIN32)
    // The POSIX backend's codes are errno values (win32/ has the Win32 codes' test).
    EXPECT_EQ(ErrorText(EPERM), "Operation not permitted");
    EXPECT_EQ(ErrorText(ETIMEDOUT), "Connection timed out");
#endif
    std::string text = ErrorText(ENOENT);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(ErrorText(123456), "Unknown error 123456");
    // Codes past the signed range are still named by their unsigned value.
    EXPECT_EQ(ErrorText(0xFFFFFFFFu), "Unknown error 4294967295");
    EXPECT_EQ(ErrorText(0x80000000u), "Unknown error 2147483648");
}

// Many threads at once: each keeps its own last error and gets the right texts.
TEST(GetLastError, IsKeptPerThreadAndErrorTextIsRightInEveryThread) {
    const std::string szPerm = ErrorText(EPERM);
    const std::string szUnknown = ErrorText(98765);
    SetLastError(5);
    std::atomic<int> nWrong{0};
    std::vector<std::thread> threads;
    for (DWORD t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            if (GetLastError() != 0) ++nWrong;  // a new thread starts without an error
            SetLastError(100 + t);
            for (int i = 0; i < 500; ++i) {
                if (ErrorText(EPERM) != szPerm || ErrorText(98765) != szUnknown) ++nWrong;
            }
            if (GetLastError() != 100 + t) ++nWrong;
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(nWrong.load(), 0);
    EXPECT_EQ(GetLastError(), 5u);
}

}  // namespace
}  // namespace YRAPI::platform
