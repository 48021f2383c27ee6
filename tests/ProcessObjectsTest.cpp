// ProcessObjectsTest.cpp - the library's process-wide objects: all of them exist before main,
// in their fixed order, and go in the reverse order at exit.
#include "yrapi/ProcessObjects.h"
#include "yrapi/threads/Timer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace YRAPI {
namespace {

const std::vector<std::string> kOrder = {
    "socket start-up",           "first mutex",   "log record queue", "second mutex",
    "configuration file thread", "timer service",
};

TEST(ProcessObjects, AreBuiltBeforeMainInTheirOrder) {
    const char* names[16] = {};
    int nBuilt = testing::ProcessObjectsBuilt(names, 16);
    ASSERT_EQ(nBuilt, static_cast<int>(kOrder.size()));
    for (int i = 0; i < nBuilt; ++i) EXPECT_EQ(names[i], kOrder[i]) << "position " << i;
    EXPECT_NE(GetTimerService(), nullptr);
}

// Writes each name as it goes, with write(2): at exit stdio may already be torn down.
void ReportDestruction(const char* szName) {
    std::string line = std::string("destroyed: ") + szName + "\n";
    ssize_t n = write(STDERR_FILENO, line.data(), line.size());
    (void)n;
}

TEST(ProcessObjects, AreDestroyedInReverseOrderAtExit) {
    std::string expected;
    for (auto it = kOrder.rbegin(); it != kOrder.rend(); ++it) {
        expected += "destroyed: " + *it + "\n";
    }
    EXPECT_EXIT(
        {
            testing::SetProcessObjectObserver(&ReportDestruction);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), ::testing::HasSubstr(expected));
}

}  // namespace
}  // namespace YRAPI
