// TraceThreadTest.cpp - the log writer: passes of at most 2000 lines with their echo, rotation
// at the maximum size and through nine generations, discarding without a usable file, and the
// built-in table's _Open and _Close (including a close while the writer is stuck in a pass).
#include "tests/support/TempDir.h"
#include "yrapi/log/LogInterface.h"
#include "yrapi/log/LogState.h"
#include "yrapi/log/TraceThread.h"
#include "yrapi/platform/Testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#if defined(_WIN32)
#include <io.h>
#include <share.h>
#endif

namespace {

using YRAPI::CYRLOGTraceThread;
using YRAPI::DWORD;
using YRAPI::GetLogApi;
using YRAPI::GetLogQueue;
using YRAPI::test::CTempDir;
using YRAPI::test::FileExists;
using YRAPI::test::ReadFile;
using YRAPI::test::WaitUntil;
using YRAPI::test::WriteFile;

constexpr auto kLongWait = std::chrono::seconds(60);  // sanitizer builds are slow

#if defined(_WIN32)
constexpr const char* kNullDevice = "NUL";
// A pipe whose buffer holds far less than a pass echoes.
int MakePipe(int fds[2]) { return _pipe(fds, 4096, _O_BINARY); }
// A folder's read-only attribute does not keep Windows from renaming the files in it.
bool ReadOnlyFolderStopsRenames() { return false; }
// Holds a file open as another program (a viewer) would: the C runtime shares reading and
// writing but not deletion, so Windows then refuses to rename or delete the file.
class CHeldOpen {
  public:
    explicit CHeldOpen(const std::string& szPath)
        : nFile(_sopen(szPath.c_str(), _O_RDONLY | _O_BINARY, _SH_DENYNO)) {}
    ~CHeldOpen() {
        if (nFile >= 0) _close(nFile);
    }
    CHeldOpen(const CHeldOpen&) = delete;
    CHeldOpen& operator=(const CHeldOpen&) = delete;
    bool IsOpen() const { return nFile >= 0; }
    static constexpr bool kStopsRenames = true;

  private:
    int nFile;
};
#else
constexpr const char* kNullDevice = "/dev/null";
int MakePipe(int fds[2]) { return pipe(fds); }
// Folder permissions do not bind root.
bool ReadOnlyFolderStopsRenames() { return geteuid() != 0; }
// Holds a file open as another program would; on POSIX that never stops a rename.
class CHeldOpen {
  public:
    explicit CHeldOpen(const std::string& szPath)
        : nFile(open(szPath.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~CHeldOpen() {
        if (nFile >= 0) close(nFile);
    }
    CHeldOpen(const CHeldOpen&) = delete;
    CHeldOpen& operator=(const CHeldOpen&) = delete;
    bool IsOpen() const { return nFile >= 0; }
    static constexpr bool kStopsRenames = false;

  private:
    int nFile;
};
#endif

// Line n of a test: about 100 characters, so that 2000 of them overflow a pipe's buffer.
std::string Line(int n) {
    char sz[128];
    std::snprintf(sz, sizeof sz, "line %04d %s\n", n, std::string(88, 'x').c_str());
    return sz;
}

std::string Lines(int nFirst, int nCount) {
    std::string s;
    for (int i = nFirst; i < nFirst + nCount; ++i) s += Line(i);
    return s;
}

void QueueLines(int nFirst, int nCount) {
    for (int i = nFirst; i < nFirst + nCount; ++i) {
        YRAPI::yr_log_str record;
        std::string text = Line(i);
        std::memcpy(record.text, text.c_str(), text.size() + 1);
        ASSERT_TRUE(GetLogQueue().Push(&record, YRAPI::INFINITE));
    }
}

int FilesIn(const std::string& path) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path)) ++n;
    return n;
}

// Points file descriptor 1 (and so stdout) at fd for the object's lifetime.
class CStdoutRedirect {
  public:
    explicit CStdoutRedirect(int fd) : nSaved(dup(1)) {
        std::fflush(stdout);
        dup2(fd, 1);
    }
    ~CStdoutRedirect() {
        std::fflush(stdout);
        dup2(nSaved, 1);
        close(nSaved);
    }
    CStdoutRedirect(const CStdoutRedirect&) = delete;
    CStdoutRedirect& operator=(const CStdoutRedirect&) = delete;

  private:
    int nSaved;
};

class LogWriterTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override {
        GetLogApi()->_Close();
        Reset();
    }

    static void Reset() {
        GetLogQueue().Clear();
        SetLog("", 1048576);
        YRAPI::detail::GetLogState().dwTraceLevel.store(4);
    }

    static void SetLog(const std::string& name, DWORD dwMaxSize) {
        auto& state = YRAPI::detail::GetLogState();
        std::snprintf(state.szFileName, sizeof state.szFileName, "%s", name.c_str());
        state.dwMaxFileSize.store(dwMaxSize);
    }

    // Runs one writing pass on the test thread and returns what it echoed on standard output
    // by the end of the pass (read before the redirection ends, so the pass must flush).
    std::string Pass() {
        std::string capture = echoDir.File("stdout");
        {
            int fd = open(capture.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            CStdoutRedirect redirect(fd);
            close(fd);
            writer.Step();
            capture = ReadFile(capture);
        }
        return capture;
    }

    CTempDir dir;
    CTempDir echoDir;
    CYRLOGTraceThread writer;  // never started; its passes run on the test thread
};

// Passes run directly: the stop is requested first, so that each pass's Idle returns at once.
class TraceWriter : public LogWriterTest {
  protected:
    void SetUp() override {
        LogWriterTest::SetUp();
        writer.RequestStop();
    }
};

TEST_F(TraceWriter, WritesAtMost2000LinesAPassAndEchoesThem) {
    std::string file = dir.File("trace.log");
    SetLog(file, 1 << 30);
    QueueLines(0, 2001);
    EXPECT_EQ(Pass(), Lines(0, 2000));
    EXPECT_EQ(ReadFile(file), Lines(0, 2000));
    EXPECT_EQ(GetLogQueue().count.load(), 1u);
    EXPECT_EQ(Pass(), Lines(2000, 1));
    EXPECT_EQ(ReadFile(file), Lines(0, 2001));
    EXPECT_EQ(Pass(), "");  // nothing queued: the file is not even opened
    EXPECT_EQ(FilesIn(dir.Path()), 1);
}

TEST_F(TraceWriter, WritesARecordWithoutTerminatorAs1023Characters) {
    std::string file = dir.File("trace.log");
    SetLog(file, 1 << 30);
    YRAPI::yr_log_str record;
    std::memset(record.text, 'z', sizeof record.text);
    ASSERT_TRUE(GetLogQueue().Push(&record, YRAPI::INFINITE));
    EXPECT_EQ(Pass(), std::string(1023, 'z'));
    EXPECT_EQ(ReadFile(file), std::string(1023, 'z'));
}

TEST_F(TraceWriter, RotatesAtTheStartOfAPassOnceTheFileHasReachedTheMaximum) {
    std::string file = dir.File("trace.log");
    ASSERT_TRUE(WriteFile(file, std::string(100, 'a')));
    SetLog(file, 101);  // one byte short of the limit: appended to
    QueueLines(0, 1);
    Pass();
    EXPECT_FALSE(FileExists(dir.File("trace.1")));
    std::string full = std::string(100, 'a') + Line(0);
    EXPECT_EQ(ReadFile(file), full);

    SetLog(file, static_cast<DWORD>(full.size()));  // exactly at the limit: rotated
    QueueLines(1, 1);
    Pass();
    EXPECT_EQ(ReadFile(dir.File("trace.1")), full);
    EXPECT_EQ(ReadFile(file), Line(1));

    SetLog(file, static_cast<DWORD>(-1));  // a negative maximum is the largest size
    QueueLines(2, 1);
    Pass();
    EXPECT_EQ(ReadFile(file), Lines(1, 2));
    EXPECT_FALSE(FileExists(dir.File("trace.2")));
}

TEST_F(TraceWriter, WithMaximumZeroEachPassStartsAFreshFileAndNineGenerationsStay) {
    std::string file = dir.File("trace.log");
    SetLog(file, 0);
    for (int nPass = 0; nPass < 11; ++nPass) {
        QueueLines(nPass, 1);
        Pass();
    }
    EXPECT_EQ(ReadFile(file), Line(10));
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(ReadFile(dir.File("trace." + std::to_string(n))), Line(10 - n)) << n;
    }
    EXPECT_EQ(FilesIn(dir.Path()), 10);  // the first pass's file was dropped
}

TEST_F(TraceWriter, WithoutAUsableFileDiscardsThePendingLines) {
    for (const std::string& name : {std::string(), dir.File("missing/trace.log")}) {
        SetLog(name, 0);
        QueueLines(0, 5);
        EXPECT_EQ(Pass(), "") << name;
        EXPECT_EQ(GetLogQueue().count.load(), 0u) << name;
    }
    EXPECT_EQ(FilesIn(dir.Path()), 0);
}

TEST_F(TraceWriter, NameWithoutADotIsNeverRotated) {
    if (dir.Path().find('.') != std::string::npos) GTEST_SKIP() << "temporary folder has a dot";
    std::string file = dir.File("trace");
    SetLog(file, 0);
    QueueLines(0, 1);
    Pass();
    QueueLines(1, 1);
    Pass();
    YRAPI::RotateLogFile(file.c_str());
    YRAPI::RotateLogFile(nullptr);
    EXPECT_EQ(ReadFile(file), Lines(0, 2));
    EXPECT_EQ(FilesIn(dir.Path()), 1);
}

TEST_F(TraceWriter, DotInAFolderNameRotatesBesideThatFolder) {
    std::filesystem::create_directory(dir.File("logs.d"));
    std::string file = dir.File("logs.d/trace");
    ASSERT_TRUE(WriteFile(file, "old\n"));
    SetLog(file, 0);
    QueueLines(0, 1);
    Pass();
    EXPECT_EQ(ReadFile(dir.File("logs.1")), "old\n");
    EXPECT_EQ(ReadFile(file), Line(0));
}

TEST(RotateLogFile, ShiftsTheGenerationsDropsTheNinthAndSkipsGaps) {
    CTempDir dir;
    std::string live = dir.File("app.log");
    ASSERT_TRUE(WriteFile(live, "live"));
    for (int n = 1; n <= 9; ++n) {
        if (n == 4) continue;  // a gap
        ASSERT_TRUE(WriteFile(dir.File("app." + std::to_string(n)), "g" + std::to_string(n)));
    }
    YRAPI::RotateLogFile(live.c_str());
    EXPECT_FALSE(FileExists(live));
    EXPECT_EQ(ReadFile(dir.File("app.1")), "live");
    for (int n = 2; n <= 9; ++n) {
        std::string expected = n == 5 ? "" : "g" + std::to_string(n - 1);
        EXPECT_EQ(ReadFile(dir.File("app." + std::to_string(n))), expected) << n;
    }
    EXPECT_FALSE(FileExists(dir.File("app.5")));  // the gap moved up with the others
    EXPECT_EQ(FilesIn(dir.Path()), 8);
}

// A live file that cannot be moved (refused through the seam; or, for a user that permissions
// bind, a folder without write permission) keeps every generation, while each pass still
// appends to it: nine such passes used to erase the whole history.
TEST_F(TraceWriter, ALiveFileThatCannotBeMovedKeepsEveryGeneration) {
    using YRAPI::platform::testing::FailNext;
    using YRAPI::platform::testing::Fault;
    const bool bReadOnlyFolder[] = {false, true};
    for (bool bReadOnly : bReadOnlyFolder) {
        SCOPED_TRACE(bReadOnly ? "read-only folder" : "refused rename");
        if (bReadOnly && !ReadOnlyFolderStopsRenames()) continue;
        CTempDir logs;
        std::string file = logs.File("trace.log");
        ASSERT_TRUE(WriteFile(file, "live\n"));
        for (int n = 1; n <= 9; ++n) {
            ASSERT_TRUE(WriteFile(logs.File("trace." + std::to_string(n)), std::to_string(n)));
        }
        if (bReadOnly)
            std::filesystem::permissions(logs.Path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::remove);
        SetLog(file, 0);  // every pass with work rotates first
        for (int nPass = 0; nPass < 3; ++nPass) {
            if (!bReadOnly) FailNext(Fault::FileRename);
            QueueLines(nPass, 1);
            Pass();
        }
        FailNext(Fault::FileRename, 0);
        if (bReadOnly)
            std::filesystem::permissions(logs.Path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
        EXPECT_EQ(ReadFile(file), "live\n" + Lines(0, 3));
        for (int n = 1; n <= 9; ++n) {
            EXPECT_EQ(ReadFile(logs.File("trace." + std::to_string(n))), std::to_string(n)) << n;
        }
    }
}

// A generation held open by another program: where that stops its rename (Windows), no pass
// deletes or shifts anything, and each appends to the live file, as for a live file that
// cannot be moved; six such passes used to delete generations 4 to 9 around a held generation
// 3. Where it does not (POSIX), the passes rotate as ever.
TEST_F(TraceWriter, AGenerationHeldOpenElsewhereStopsNoRotationButLosesNoHistory) {
    constexpr int kPasses = 6;
    for (int nHeld : {1, 3, 9}) {
        SCOPED_TRACE("generation " + std::to_string(nHeld) + " held open");
        CTempDir logs;
        std::string file = logs.File("trace.log");
        auto generation = [&](int n) { return logs.File("trace." + std::to_string(n)); };
        ASSERT_TRUE(WriteFile(file, "live\n"));
        for (int n = 1; n <= 9; ++n) ASSERT_TRUE(WriteFile(generation(n), "g" + std::to_string(n)));
        SetLog(file, 0);  // every pass with work rotates first
        {
            CHeldOpen held(generation(nHeld));
            ASSERT_TRUE(held.IsOpen());
            for (int nPass = 0; nPass < kPasses; ++nPass) {
                QueueLines(nPass, 1);
                Pass();
            }
        }
        if (CHeldOpen::kStopsRenames) {
            EXPECT_EQ(ReadFile(file), "live\n" + Lines(0, kPasses));
            for (int n = 1; n <= 9; ++n) {
                EXPECT_EQ(ReadFile(generation(n)), "g" + std::to_string(n)) << n;
            }
        } else {
            // Generation n holds line kPasses - 1 - n, then the old live file, then g1, g2...
            EXPECT_EQ(ReadFile(file), Line(kPasses - 1));
            for (int n = 1; n < kPasses; ++n)
                EXPECT_EQ(ReadFile(generation(n)), Line(kPasses - 1 - n));
            EXPECT_EQ(ReadFile(generation(kPasses)), "live\n");
            for (int n = kPasses + 1; n <= 9; ++n) {
                EXPECT_EQ(ReadFile(generation(n)), "g" + std::to_string(n - kPasses)) << n;
            }
        }
    }
}

// _Open and _Close with a real writer thread.
using LogOpenClose = LogWriterTest;

TEST_F(LogOpenClose, LinesLoggedBeforeOpenAreWrittenInOrderByTheFirstPass) {
    for (int i = 0; i < 10; ++i) YRAPI::CYRLogInterface::Log(4, "early %d", i);
    YRAPI::CYRLogInterface::Log(5, "above the level");
    std::string file = dir.File("app.log");
    GetLogApi()->_Open(file.c_str(), 4, 1048576);
    ASSERT_TRUE(WaitUntil([&] { return GetLogQueue().count.load() == 0; }, kLongWait));
    GetLogApi()->_Close();
    std::string text = ReadFile(file);
    std::size_t nPos = 0;
    for (int i = 0; i < 10; ++i) {
        std::string message = "] early " + std::to_string(i) + "\n";
        std::size_t nFound = text.find(message, nPos);
        ASSERT_NE(nFound, std::string::npos) << i;
        nPos = nFound + message.size();
    }
    EXPECT_EQ(nPos, text.size());
}

TEST_F(LogOpenClose, SecondOpenChangesNothing) {
    std::string file = dir.File("a.log");
    GetLogApi()->_Open(file.c_str(), 2, 100);
    auto& state = YRAPI::detail::GetLogState();
    CYRLOGTraceThread* pWriter = state.pWriter;
    ASSERT_NE(pWriter, nullptr);
    GetLogApi()->_Open(dir.File("b.log").c_str(), 5, 7);
    EXPECT_EQ(std::string(state.szFileName), file);
    EXPECT_EQ(state.dwTraceLevel.load(), 2u);
    EXPECT_EQ(state.dwMaxFileSize.load(), 100u);
    EXPECT_EQ(state.pWriter, pWriter);
}

TEST_F(LogOpenClose, CloseWithNothingQueuedCreatesNoFileAndAllowsANewOpen) {
    std::string file = dir.File("app.log");
    GetLogApi()->_Open(file.c_str(), 4, 1048576);
    GetLogApi()->_Close();
    EXPECT_EQ(YRAPI::detail::GetLogState().pWriter, nullptr);
    EXPECT_FALSE(FileExists(file));
    GetLogApi()->_Open(file.c_str(), 4, 1048576);
    EXPECT_NE(YRAPI::detail::GetLogState().pWriter, nullptr);
}

TEST_F(LogOpenClose, CloseWritesEverythingLeftOrKeepsItWithoutAFile) {
    // A writer whose thread could not be created writes nothing, so all is left to _Close.
    std::string file = dir.File("app.log");
    YRAPI::platform::testing::FailNext(YRAPI::platform::testing::Fault::ThreadCreate);
    GetLogApi()->_Open(file.c_str(), 4, 0);
    QueueLines(0, 2500);
    GetLogApi()->_Close();
    EXPECT_EQ(ReadFile(file), Lines(0, 2500));  // no limit per pass and no rotation
    EXPECT_EQ(GetLogQueue().count.load(), 0u);

    YRAPI::platform::testing::FailNext(YRAPI::platform::testing::Fault::ThreadCreate);
    GetLogApi()->_Open("", 4, 0);
    QueueLines(0, 3);
    GetLogApi()->_Close();
    EXPECT_EQ(GetLogQueue().count.load(), 3u);
    EXPECT_EQ(YRAPI::detail::GetLogState().pWriter, nullptr);
}

TEST_F(LogOpenClose, CloseAfterAFailedWaitStillWritesEverything) {
    std::string file = dir.File("app.log");
    QueueLines(0, 3);
    // Without its stop signal the writer sleeps out its 100 ms before it sees the stop, so
    // that Stop's wait is sure to begin while the writer runs (and so to fail, and log).
    YRAPI::platform::testing::FailNext(YRAPI::platform::testing::Fault::SemaphoreCreate);
    GetLogApi()->_Open(file.c_str(), 4, 1 << 30);
    YRAPI::platform::testing::FailNext(YRAPI::platform::testing::Fault::SemaphoreCreate, 0);
    ASSERT_TRUE(WaitUntil([] { return GetLogQueue().count.load() == 0; }, kLongWait));
    YRAPI::platform::testing::FailNext(YRAPI::platform::testing::Fault::ThreadWait);
    GetLogApi()->_Close();  // Stop(200) fails and logs; the writer is still waited for
    YRAPI::platform::testing::FailNext(YRAPI::platform::testing::Fault::ThreadWait, 0);
    EXPECT_EQ(YRAPI::detail::GetLogState().pWriter, nullptr);
    std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind(Lines(0, 3), 0), 0u);
    EXPECT_NE(text.find("CBaseThread::WaitUntillStop 200 Error: ", Lines(0, 3).size()),
              std::string::npos);
    EXPECT_EQ(GetLogQueue().count.load(), 0u);
}

TEST_F(LogOpenClose, CloseWaitsForAWriterStuckInAPassAndLosesNothing) {
    // Standard output is a pipe that nobody reads at first: the writer's first pass blocks in
    // its echo long before its 2000th line, so _Close's 200 ms wait runs out.
    int fds[2];
    ASSERT_EQ(MakePipe(fds), 0);
    std::string file = dir.File("app.log");
    QueueLines(0, 3000);
    std::atomic<bool> bClosed{false};
    bool bWriterBusy = false;
    bool bClosedEarly = true;
    bool bClosedInTime = false;
    std::string echo;
    {
        CStdoutRedirect redirect(fds[1]);
        close(fds[1]);
        GetLogApi()->_Open(file.c_str(), 4, 1 << 30);
        bWriterBusy = WaitUntil([] { return GetLogQueue().count.load() < 3000; }, kLongWait);
        std::thread closer([&] {
            GetLogApi()->_Close();
            bClosed.store(true);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        bClosedEarly = bClosed.load();
        std::thread reader([&] {
            char buffer[4096];
            ssize_t n;
            while ((n = read(fds[0], buffer, sizeof buffer)) > 0) echo.append(buffer, n);
        });
        bClosedInTime = WaitUntil([&] { return bClosed.load(); }, kLongWait);
        if (bClosedInTime) closer.join();  // else the joinable thread aborts the test process
        std::fflush(stdout);
        int nNull = open(kNullDevice, O_WRONLY);
        dup2(nNull, 1);  // drops the pipe's last writer, so the reader sees its end
        close(nNull);
        reader.join();
        close(fds[0]);
    }
    EXPECT_TRUE(bWriterBusy);
    EXPECT_FALSE(bClosedEarly);
    ASSERT_TRUE(bClosedInTime);
    EXPECT_EQ(ReadFile(file), Lines(0, 3000));
    EXPECT_EQ(echo, Lines(0, 3000));
}

// Any thread may open and close the log: threads that do so at once take turns, so there is
// never more than one writer, and the log ends closed with nothing lost.
TEST_F(LogOpenClose, ThreadsThatOpenAndCloseAtOnceTakeTurns) {
    int nNull = open("/dev/null", O_WRONLY);
    CStdoutRedirect redirect(nNull);
    close(nNull);
    std::string file = dir.File("app.log");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                GetLogApi()->_Open(file.c_str(), 4, 1 << 30);
                YRAPI::CYRLogInterface::Log(4, "thread %d line %d", t, i);
                GetLogApi()->_Close();
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(YRAPI::detail::GetLogState().pWriter, nullptr);
    // A thread's last line may have come after the last writer closed: one more close.
    GetLogApi()->_Open(file.c_str(), 4, 1 << 30);
    GetLogApi()->_Close();
    std::string text = ReadFile(file);
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 20; ++i) {
            std::string line = "] thread " + std::to_string(t) + " line " + std::to_string(i);
            EXPECT_NE(text.find(line + "\n"), std::string::npos) << line;
        }
    }
}

TEST_F(LogOpenClose, CloseWhileAnotherThreadLogsLosesNothing) {
    int nNull = open(kNullDevice, O_WRONLY);
    CStdoutRedirect redirect(nNull);  // the echo of some 100000 lines
    close(nNull);
    std::string file = dir.File("app.log");
    GetLogApi()->_Open(file.c_str(), 4, 1 << 30);
    std::atomic<bool> bStop{false};
    std::atomic<int> nLogged{0};
    std::thread producer([&] {
        // Fewer lines than the queue's ceiling, so that none is dropped there.
        for (int i = 0; i < 100000 && !bStop.load(); ++i) {
            YRAPI::CYRLogInterface::Log(4, "msg %d", i);
            nLogged.store(i + 1);
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return nLogged.load() > 5000; }, kLongWait));
    std::atomic<bool> bClosed{false};
    std::thread closer([&] {
        GetLogApi()->_Close();
        bClosed.store(true);
    });
    bool bClosedInTime = WaitUntil([&] { return bClosed.load(); }, kLongWait);
    bStop.store(true);
    producer.join();
    if (bClosedInTime) closer.join();
    ASSERT_TRUE(bClosedInTime);

    // The file holds messages 0 .. k-1 in order; the queue holds k .. on.
    std::string text = ReadFile(file);
    int nNext = 0;
    for (std::size_t nPos = 0; (nPos = text.find("] msg ", nPos)) != std::string::npos; ++nPos) {
        ASSERT_EQ(std::stoi(text.substr(nPos + 6)), nNext);
        ++nNext;
    }
    EXPECT_EQ(nNext + static_cast<int>(GetLogQueue().count.load()), nLogged.load());
    YRAPI::yr_log_str record;
    if (GetLogQueue().Pop(&record, 0)) {
        std::string first = record.text;
        EXPECT_EQ(std::stoi(first.substr(first.find("] msg ") + 6)), nNext);
    }
}

}  // namespace
