// ProcessObjectsTest.cpp - the library's process-wide objects: all of them exist before main,
// in their fixed order, and go in the reverse order at exit; and the log and the settings stay
// safe to use at both edges of the process's life, with the lines queued at exit written.
#include "tests/support/TempDir.h"
#include "yrapi/ProcessObjects.h"
#include "yrapi/log/LogInterface.h"
#include "yrapi/log/LogState.h"
#include "yrapi/platform/Time.h"
#include "yrapi/text/ConfigFileThread.h"
#include "yrapi/threads/Timer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace YRAPI {
namespace {

using ::testing::HasSubstr;

const std::vector<std::string> kOrder = {
    "early object", "socket start-up",           "first mutex",   "log record queue",
    "second mutex", "configuration file thread", "timer service",
};

// Writes with write(2): at exit stdio may already be torn down.
void WriteErr(const std::string& text) {
    ssize_t n = write(STDERR_FILENO, text.data(), text.size());
    (void)n;
}

// What the early object found before the library's objects existed, and what it is to use
// once they have ended.
std::atomic<bool> gUseAfterTheEnd{false};
const char* gpEarlyValue = nullptr;
bool gbEarlyLoad = true;
bool gbEarlyTimerService = true;
const char* gpHeldValue = nullptr;      // a value text taken while the table served
CTimerThread* gpHeldService = nullptr;  // the timer service, taken while it ran
timer_item gHeldTimer{};                // listed on it while it ran
std::atomic<int> gHeldTimerFirings{0};

void CountHeldTimer(std::uintptr_t, std::uintptr_t, DWORD) { ++gHeldTimerFirings; }

// Runs when the library's objects have ended: every call must be safe and have its defined
// result. Reports on standard error what it found.
void UseAfterTheEnd() {
    const std::string szLong(1000, 'x');  // fills most of a record: a write into a freed ring
    for (int i = 0; i < 2000; ++i) CYRLogInterface::Log(1, "late %d %s", i, szLong.c_str());
    char szLine[64] = {};
    FormatLogLine(szLine, sizeof szLine, 2, "late");
    GetLogApi()->_Open("late.log", 4, 1024);  // refused: nothing would stop its writer
    bool bOpened = detail::GetLogState().pWriter != nullptr;
    GetLogApi()->_Close();
    ConfigSetString("k", "late value");  // refused
    // The timer service that was held: adding is refused, removing unlists, nothing fires.
    int nFirings = gHeldTimerFirings;
    timer_item late{0, 0, platform::GetTickCount(), 1, -1, &CountHeldTimer};
    bool bAdded = gpHeldService != nullptr && gpHeldService->AddTimer(&late);
    bool bRemoved = gpHeldService != nullptr && gpHeldService->RemoveTimer(&gHeldTimer);
    bool bRemovedTwice = gpHeldService != nullptr && gpHeldService->RemoveTimer(&gHeldTimer);
    platform::Sleep(20);
    std::ostringstream timers;
    timers << " service=" << (GetTimerService() != nullptr) << " add=" << bAdded
           << " remove=" << bRemoved << bRemovedTwice
           << " fired=" << (gHeldTimerFirings != nFirings);
    std::ostringstream out;
    out << "late: tag=" << szLine[0] << " opened=" << bOpened
        << " get=" << ConfigGetString("k", "default") << " int=" << ConfigGetInt("k", 7)
        << " long=" << ConfigGetLong("k", 9L) << " has=" << ConfigHasKey("k")
        << " load=" << ConfigLoad("/dev/null") << " held=" << gpHeldValue << timers.str() << "\n";
    WriteErr(out.str());
}

// Built before the library's process-wide objects, and so destroyed after them, as a
// program's application object is. It logs and reads settings at both ends.
struct CEarlyObject {
    CProcessObjectRecord record{"early object"};
    CEarlyObject() {
        CYRLogInterface::Log(4, "logged before the library's objects");
        gpEarlyValue = ConfigGetString("k", "before");
        gbEarlyLoad = ConfigLoad("/dev/null");
        gbEarlyTimerService = GetTimerService() != nullptr;
    }
    ~CEarlyObject() {
        if (gUseAfterTheEnd) UseAfterTheEnd();
    }
};
YRAPI_BEFORE_PROCESS_OBJECTS CEarlyObject gEarlyObject;

TEST(ProcessObjects, AreBuiltBeforeMainInTheirOrder) {
    const char* names[16] = {};
    int nBuilt = testing::ProcessObjectsBuilt(names, 16);
    ASSERT_EQ(nBuilt, static_cast<int>(kOrder.size()));
    for (int i = 0; i < nBuilt; ++i) EXPECT_EQ(names[i], kOrder[i]) << "position " << i;
    EXPECT_NE(GetTimerService(), nullptr);
}

void ReportDestruction(const char* szName) { WriteErr(std::string("destroyed: ") + szName + "\n"); }

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
        ::testing::ExitedWithCode(0), HasSubstr(expected));
}

// Before the library's objects: a line logged then is kept (the queue is built on first use),
// and the settings are not there yet: the default, and a load refused.
TEST(ProcessObjects, LogAndSettingsWorkBeforeTheObjectsAreBuilt) {
    EXPECT_STREQ(gpEarlyValue, "before");
    EXPECT_FALSE(gbEarlyLoad);
    EXPECT_FALSE(gbEarlyTimerService);
    bool bFound = false;
    yr_log_str record;
    while (!bFound && GetLogQueue().Pop(&record, INFINITE)) {
        bFound = std::strstr(record.text, "] logged before the library's objects\n") != nullptr;
    }
    EXPECT_TRUE(bFound);
}

// Takes the timer service and lists a firing timer on it, for use after the end.
void HoldTheTimerService() {
    gpHeldService = GetTimerService();
    gHeldTimer = {0, 0, platform::GetTickCount(), 1, -1, &CountHeldTimer};
    if (gpHeldService == nullptr || !gpHeldService->AddTimer(&gHeldTimer)) std::exit(2);
    while (gHeldTimerFirings == 0) platform::Sleep(1);
}

// After them, from a destructor that runs once they have ended: no crash, lines dropped,
// _Open refused, every getter the caller's default, ConfigLoad and ConfigSetString refused,
// and a value text taken earlier still readable.
TEST(ProcessObjects, LogAndSettingsAreSafeAfterTheObjectsHaveEnded) {
    EXPECT_EXIT(
        {
            ConfigSetString("k", "held");
            gpHeldValue = ConfigGetString("k", nullptr);
            HoldTheTimerService();
            gUseAfterTheEnd = true;
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        HasSubstr("late: tag=! opened=0 get=default int=7 long=9 has=0 load=0 held=held service=0 "
                  "add=0 remove=10 fired=0\n"));
}

// Adds and removes one-shot timers without end, on the service taken at the start (bHeld) or
// on the one GetTimerService() gives at each call.
void AddAndRemoveTimersForEver(bool bHeld) {
    CTimerThread* pHeld = GetTimerService();
    timer_item items[2] = {};
    for (unsigned n = 0;; ++n) {
        CTimerThread* pService = bHeld ? pHeld : GetTimerService();
        if (pService == nullptr) continue;
        items[n % 2] = {0, 0, platform::GetTickCount(), 1, 1, &CountHeldTimer};
        pService->RemoveTimer(&items[(n + 1) % 2]);
        pService->AddTimer(&items[n % 2]);
    }
}

// Threads that add and remove timers while main returns, through the service they reach at
// each call and through one they took earlier: no crash, and the process ends. Ten runs.
TEST(ProcessObjects, ThreadsStillUsingTimersWhileTheProcessEndsDoNotCrashIt) {
    for (int nRun = 0; nRun < 10; ++nRun) {
        EXPECT_EXIT(
            {
                for (int i = 0; i < 3; ++i)
                    std::thread(&AddAndRemoveTimersForEver, i == 0).detach();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "")
            << "run " << nRun;
    }
}

// Threads that keep logging and reading settings while main returns: the exit used to crash
// about three runs in ten. Ten runs.
TEST(ProcessObjects, ThreadsStillLoggingWhileTheProcessEndsDoNotCrashIt) {
    for (int nRun = 0; nRun < 10; ++nRun) {
        EXPECT_EXIT(
            {
                ConfigSetString("k", "value");
                for (int i = 0; i < 3; ++i) {
                    std::thread([] {
                        for (unsigned n = 0;; ++n) {
                            CYRLogInterface::Log(1, "busy %u %s", n, std::string(900, 'y').c_str());
                            const char* pValue = ConfigGetString("k", "gone");
                            n += std::strlen(pValue) == 0 ? 1 : 0;
                        }
                    }).detach();
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                std::exit(0);
            },
            ::testing::ExitedWithCode(0), "")
            << "run " << nRun;
    }
}

// The death tests' children re-run the test from its start: the parent's folder is handed
// down in the environment so that both sides use the same one.
class CSharedFolder {
  public:
    CSharedFolder() {
        if (const char* sz = std::getenv("YRAPI_TEST_SHARED_FOLDER")) {
            szPath = sz;
        } else {
            dir.emplace();
            szPath = dir->Path();
#if defined(_WIN32)
            _putenv_s("YRAPI_TEST_SHARED_FOLDER", szPath.c_str());
#else
            setenv("YRAPI_TEST_SHARED_FOLDER", szPath.c_str(), 1);
#endif
        }
    }
    std::string File(const std::string& name) const { return szPath + "/" + name; }

  private:
    std::optional<test::CTempDir> dir;
    std::string szPath;
};

// Counts its firings in a log line each, and in a side file (the last number there is the
// last firing).
void OnTick(std::uintptr_t nFile, std::uintptr_t /*nParam2*/, DWORD) {
    static std::atomic<int> nTicks{0};
    int n = ++nTicks;
    CYRLogInterface::Log(4, "tick %d", n);
    std::string text = std::to_string(n) + "\n";
    ssize_t nWritten = write(static_cast<int>(nFile), text.data(), text.size());
    (void)nWritten;
}

// A program that returns from main with the log open: the lines queued since the writer's
// last pass, the timer service's last ones among them, are written when the process ends.
// One that closed the log itself gets no second close: later lines are not written.
TEST(ProcessObjects, LinesQueuedAtExitReachTheOpenLogFile) {
    constexpr int kLines = 5000;  // more than two writer passes' worth
    CSharedFolder folder;
    std::string szLog = folder.File("exit.log");
    std::string szTicks = folder.File("ticks.txt");
    EXPECT_EXIT(
        {
            GetLogApi()->_Open(szLog.c_str(), 4, 1 << 30);
            int nFile = open(szTicks.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            static timer_item item{};
            item.nParam1 = static_cast<std::uintptr_t>(nFile);
            item.dwDueTick = platform::GetTickCount();
            item.dwInterval = 1;
            item.nCount = -1;
            item.pfnCallback = &OnTick;
            GetTimerService()->AddTimer(&item);
            for (int i = 0; i < kLines; ++i) CYRLogInterface::Log(4, "line %d", i);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    std::string szText = test::ReadFile(szLog);
    std::size_t nPos = 0;
    for (int i = 0; i < kLines; ++i) {
        nPos = szText.find("] line " + std::to_string(i) + "\n", nPos);
        ASSERT_NE(nPos, std::string::npos) << "line " << i;
    }
    std::istringstream ticks(test::ReadFile(szTicks));
    int nLast = 0;
    for (int n = 0; ticks >> n;) nLast = n;
    ASSERT_GT(nLast, 0);
    EXPECT_THAT(szText, HasSubstr("] tick " + std::to_string(nLast) + "\n"));

    std::string szClosed = folder.File("closed.log");
    EXPECT_EXIT(
        {
            GetLogApi()->_Open(szClosed.c_str(), 4, 1 << 30);
            CYRLogInterface::Log(4, "before the close");
            GetLogApi()->_Close();
            CYRLogInterface::Log(4, "after the close");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    szText = test::ReadFile(szClosed);
    EXPECT_THAT(szText, HasSubstr("] before the close\n"));
    EXPECT_THAT(szText, ::testing::Not(HasSubstr("after the close")));
}

}  // namespace
}  // namespace YRAPI
