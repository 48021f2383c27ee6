// ConfigFileThreadTest.cpp - CConfigFileThread: the parsing rules, Load and its log line, the
// worker's reloads (short periods), bad files, value-text lifetime under concurrent reloads,
// destruction during a reload, and the free functions on the process-wide table.
#include "tests/support/TempDir.h"
#include "yrapi/ProcessObjects.h"
#include "yrapi/log/LogInterface.h"
#include "yrapi/platform/Testing.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"
#include "yrapi/text/ConfigFileThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using YRAPI::DWORD;
using YRAPI::test::CTempDir;
using YRAPI::test::WaitUntil;
using YRAPI::test::WriteFile;
using namespace std::chrono_literals;
using namespace std::string_literals;

constexpr DWORD kNoReload = 600000;  // a period no test outlives: only explicit Loads

// app.conf with the given content in a private folder.
struct CConfFile {
    explicit CConfFile(const std::string& content) { WriteFile(path, content); }
    CTempDir dir;
    std::string path = dir.File("app.conf");
};

// Replaces a file in one step, so that a reload never reads a half-written version. Windows
// refuses to replace a file that a reload has open at that moment: then it tries again.
void ReplaceFile(const std::string& path, const std::string& content) {
    ASSERT_TRUE(WriteFile(path + ".new", content));
    std::error_code ec;
    for (int nTry = 0; nTry < 1000; ++nTry) {
        std::filesystem::rename(path + ".new", path, ec);
        if (!ec) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FAIL() << "cannot replace " << path << ": " << ec.message();
}

std::string Get(CConfigFileThread& config, const std::string& name) {
    return config.GetString(name.c_str(), "<missing>");
}

// "name=value|" for each name, to compare many settings in one line.
std::string Dump(CConfigFileThread& config, std::initializer_list<const char*> names) {
    std::string text;
    for (const char* name : names) text += name + ("=" + Get(config, name)) + "|";
    return text;
}

// The number of log lines queued so far in this process that begin with prefix and contain
// needle (the queue is drained into a list that keeps them).
int CountLogLines(const std::string& needle, const std::string& prefix = "") {
    static std::vector<std::string> lines;
    YRAPI::yr_log_str record;
    while (YRAPI::GetLogQueue().Pop(&record, YRAPI::INFINITE)) lines.emplace_back(record.text);
    int n = 0;
    for (const std::string& line : lines) {
        n += line.rfind(prefix, 0) == 0 && line.find(needle) != std::string::npos;
    }
    return n;
}

// Load lines for path; level 4 has a blank tag, so they begin "  [<time>]".
int CountLoadLines(const std::string& path) {
    return CountLogLines("] CConfigFileThread::Load() - loading{" + path + "}\n", "  [");
}

// Counts the worker's passes and the SetString calls, and records the last pass whose reload
// changed the value of "k".
class CProbeConfig : public CConfigFileThread {
  public:
    // A subclass passes bStartThread false and starts and stops the worker itself.
    explicit CProbeConfig(DWORD dwPeriod, bool bStartThread = true)
        : CConfigFileThread(dwPeriod, /*bStartThread=*/false) {
        if (bStartThread) Start(true);
    }
    ~CProbeConfig() override { StopForDestruction(200); }

    bool Step() override {
        std::string before = GetString("k", "");
        bool bResult = CConfigFileThread::Step();
        if (before != GetString("k", "")) nPassOfLastChange.store(nPasses.load());
        nPasses.fetch_add(1);
        return bResult;
    }

    void SetString(const char* name, const char* value) override {
        nSets.fetch_add(1);
        CConfigFileThread::SetString(name, value);
    }

    bool WaitPasses(int n) {
        int nTarget = nPasses.load() + n;
        return WaitUntil([&] { return nPasses.load() >= nTarget; }, 20s);
    }

    std::atomic<int> nPasses{0};
    std::atomic<int> nPassOfLastChange{-1};
    std::atomic<int> nSets{0};
};

// ---- Parsing and the table's rules ----

TEST(CConfigFileThread, ParsesCommentsBlanksAndEqualsSignsAndLaterLinesWin) {
    CConfFile file(
        "p=1\r\nq = 2 # note\r\n// remark\r\n\tr = 3\r\ncolor=#ff0000\npath=x//y\n"
        "mid = a b\t\nx=1=2\n=5\nk\n\n \t\n \t= 6\nk=\nKey=1\nkey=2\nKey=3\n");
    CConfigFileThread config(kNoReload);
    EXPECT_EQ(config.GetInt("p", 7), 7);
    ASSERT_TRUE(config.Load(file.path.c_str()));
    // "#" and "//" start a comment anywhere; the first "=" splits; later lines win.
    EXPECT_EQ(Dump(config, {"p", "q", "r", "color", "path", "mid", "x", "k", "Key", "key"}),
              "p=1|q=2|r=3|color=|path=x|mid=a b|x=1=2|k=|Key=3|key=2|");
    EXPECT_FALSE(config.HasKey("")) << "an empty name adds nothing";
    EXPECT_EQ(config.GetInt("k", 7), 0);
    ReplaceFile(file.path, "Key=10\n");
    ASSERT_TRUE(config.Load(file.path.c_str()));
    EXPECT_EQ(Dump(config, {"Key", "p"}), "Key=10|p=1|") << "a reload removes no name";
}

TEST(CConfigFileThread, SetStringCutsTextsAndNeverChangesAReturnedOne) {
    CConfigFileThread config(kNoReload);
    config.SetString("v", std::string(600, 'v').c_str());
    EXPECT_EQ(Get(config, "v"), std::string(511, 'v'));
    // A long name is cut before it is compared, so it finds its own record again.
    std::string name(200, 'n');
    config.SetString(name.c_str(), "1");
    config.SetString(name.c_str(), "2");
    EXPECT_EQ(Get(config, name), "2");
    EXPECT_EQ(Get(config, name.substr(0, 127) + "other tail"), "2");
    EXPECT_FALSE(config.HasKey(name.substr(0, 126).c_str()));

    config.SetString("k", "first");
    const char* szFirst = config.GetString("k", nullptr);
    config.SetString("k", "second");
    EXPECT_STREQ(szFirst, "first");
    config.SetString("k", "first");
    config.SetString("other", "first");
    EXPECT_EQ(config.GetString("k", nullptr), szFirst) << "a returning value reuses its text";
    EXPECT_EQ(config.GetString("other", nullptr), szFirst) << "names share a text";
}

// The cost of a SetString must not grow with the table: on a table of 31,000 names, setting
// 1,000 new names costs a few times what setting 1,000 of the first names again does (records
// and texts to allocate), not over a hundred times (a walk of the whole table for each new
// name); the bound is 20 times. Both touch the same table, so caches and a busy or slow
// machine weigh alike on them; each is short, and the best of nine of each is taken.
TEST(CConfigFileThread, SettingManyNamesCostsInProportionToTheirNumber) {
    auto fill = [](CConfigFileThread& config, const std::string& prefix, const std::string& tag) {
        for (int i = 0; i < 1000; ++i) {
            std::string name = prefix + std::to_string(i);
            config.SetString(name.c_str(), (tag + name).c_str());
        }
    };
    auto timeOf = [](auto&& fn) {
        auto start = std::chrono::steady_clock::now();
        fn();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    CConfigFileThread large(kNoReload, /*bStartThread=*/false);
    for (int i = 0; i < 31000; ++i) {
        std::string name = "base." + std::to_string(i);
        large.SetString(name.c_str(), name.c_str());
    }
    double dExisting = 1e9;
    double dNew = 1e9;
    for (int nRun = 0; nRun < 9; ++nRun) {
        std::string tag = std::to_string(nRun) + ":";
        dExisting = std::min(dExisting, timeOf([&] { fill(large, "base.", tag); }));
        dNew = std::min(dNew, timeOf([&] { fill(large, "extra." + tag, ""); }));
    }
    EXPECT_LT(dNew, 20 * dExisting) << "1,000 of the first names again: " << dExisting
                                    << " s, 1,000 new names: " << dNew << " s";

    // The large table keeps the order of first setting, and the rules for names.
    std::string longName(200, 'n');
    large.SetString(longName.c_str(), "long");
    large.SetString("base.7", "again");  // a name set again keeps its place
    auto settings = large.CopySettings();
    ASSERT_EQ(settings.size(), 40001u);
    for (int i : {0, 1, 8, 30999}) {
        std::string name = "base." + std::to_string(i);
        EXPECT_EQ(settings[i].first, name);
        EXPECT_EQ(Get(large, name), i < 1000 ? "8:" + name : name);
    }
    EXPECT_EQ(settings[7].second, "again");
    EXPECT_EQ(settings[31000].first, "extra.0:0");
    EXPECT_EQ(settings[40000], std::make_pair(longName.substr(0, 127), "long"s));
    EXPECT_EQ(Get(large, longName.substr(0, 127) + "x"), "long");
    EXPECT_FALSE(large.HasKey("base.31000"));
    EXPECT_FALSE(large.HasKey("Base.1"));
}

// ---- Bad input ----

TEST(CConfigFileThread, OverlongLinesNulsCrsAndBinaryBytesGiveDefinedResults) {
    CConfFile file("k=" + std::string(2100, 'v') + "tail=1\n# " + std::string(2100, 'c') +
                   " hidden=2\nbig=" + std::string(1 << 20, 'b') + "x=3\nafter=4\n" +
                   "a=1\0nul=2\n\0\0\0\nc=3\n\xff\xfe=\x01\x80\xff\n"s);
    CConfigFileThread config(kNoReload);
    ASSERT_TRUE(config.Load(file.path.c_str()));
    EXPECT_EQ(Get(config, "k"), std::string(511, 'v'));
    EXPECT_EQ(Get(config, "big"), std::string(511, 'b'));
    // A NUL ends the text of its line only; other bytes are plain text.
    EXPECT_EQ(Dump(config, {"after", "a", "c", "nul", "\xff\xfe"}),
              "after=4|a=1|c=3|nul=<missing>|\xff\xfe=\x01\x80\xff|");
    // The tail of a cut line never becomes a setting.
    EXPECT_FALSE(config.HasKey((std::string(2100 - 2045, 'v') + "tail").c_str()));
    EXPECT_FALSE(config.HasKey((std::string(2100 - 2045, 'c') + " hidden").c_str()));

    ReplaceFile(file.path, "cr=1\rb=2\r");
    ASSERT_TRUE(config.Load(file.path.c_str()));
    EXPECT_EQ(Get(config, "cr"), "1\rb=2") << "only LF ends a line";
}

TEST(CConfigFileThread, LoadRefusesMissingFilesDirectoriesAndPathsItCannotHoldWhole) {
    CTempDir dir;
    CConfigFileThread config(kNoReload);
    EXPECT_FALSE(config.Load(dir.File("missing.conf").c_str()));
    EXPECT_FALSE(config.Load(dir.Path().c_str()));
    EXPECT_FALSE(config.Load(nullptr));
    // Over 255 characters: the watch could only keep a cut path, naming some other file.
    std::string deep = dir.Path();
    while (deep.size() < 300) deep += "/d";
    std::filesystem::create_directories(deep);
    WriteFile(deep + "/app.conf", "a=1\n");
    EXPECT_FALSE(config.Load((deep + "/app.conf").c_str()));
    EXPECT_FALSE(config.HasKey("a"));
    EXPECT_EQ(CountLogLines(dir.Path()), 0) << "a file that is not loaded logs nothing";
}

// ---- The worker's reloads ----

TEST(CConfigFileThread, WorkerFollowsChangesWithinOnePeriodAndOutlivesAVanishedFile) {
    CConfFile file("k=1\n");
    CProbeConfig config(100);
    ASSERT_TRUE(config.Load(file.path.c_str()));
    EXPECT_GT(config.nSets.load(), 0) << "ParseFile stores through the virtual SetString";
    // One line at level 4 for each load: the application's, then the worker's second one.
    ASSERT_TRUE(WaitUntil([&] { return CountLoadLines(file.path) == 2; }, 20s));
    ASSERT_TRUE(config.WaitPasses(3));
    EXPECT_EQ(CountLoadLines(file.path), 2) << "no reload while the file is unchanged";
    EXPECT_FALSE(config.Load(file.dir.File("missing.conf").c_str())) << "keeps the old watch";

    ReplaceFile(file.path, "k=22\n");  // another size, so the change shows at any clock resolution
    int nPassAfterWrite = config.nPasses.load();
    ASSERT_TRUE(WaitUntil([&] { return config.nPassOfLastChange.load() >= nPassAfterWrite; }, 20s));
    EXPECT_EQ(Get(config, "k"), "22");
    // Counted in passes, so that a slow machine cannot fail it: the change was written during
    // pass nPassAfterWrite at the latest, so that pass or the next one loads it.
    EXPECT_LE(config.nPassOfLastChange.load(), nPassAfterWrite + 1);

    // The file vanishes, then turns into a folder: the values stay, nothing is loaded.
    std::filesystem::remove(file.path);
    ASSERT_TRUE(config.WaitPasses(3));
    std::filesystem::create_directory(file.path);
    ASSERT_TRUE(config.WaitPasses(3));
    EXPECT_EQ(Get(config, "k"), "22");
    EXPECT_EQ(CountLoadLines(file.path), 3);
    std::filesystem::remove(file.path);
    ReplaceFile(file.path, "k=3\n");
    EXPECT_TRUE(WaitUntil([&] { return Get(config, "k") == "3"; }, 20s)) << "restored file";
}

// Saves the file once, in place, while the worker's reload is inside ParseFile: after the
// content has been read and before the load ends. The save must be loaded by a later pass.
class CSaveDuringReloadConfig : public CProbeConfig {
  public:
    CSaveDuringReloadConfig(std::string path, std::string content)
        : CProbeConfig(20, /*bStartThread=*/false),
          path(std::move(path)),
          content(std::move(content)) {
        Start(true);
    }
    ~CSaveDuringReloadConfig() override { StopForDestruction(200); }
    bool ParseFile(std::FILE* file) override {
        bool bResult = CConfigFileThread::ParseFile(file);
        if (YRAPI::platform::GetCurrentThreadId() == GetThreadId() && !bSaved.exchange(true)) {
            WriteFile(path, content);
            nPassOfSave.store(nPasses.load());
        }
        return bResult;
    }
    const std::string path, content;
    std::atomic<bool> bSaved{false};
    std::atomic<int> nPassOfSave{-1};
};

TEST(CConfigFileThread, ASaveDuringAReloadIsLoadedAtTheNextPass) {
    CConfFile file("k=1\n");
    CSaveDuringReloadConfig config(file.path, "k=22\n");  // another size: seen at any clock
    ASSERT_TRUE(config.Load(file.path.c_str()));
    // The worker's own load after the application's is the one that sees the save.
    ASSERT_TRUE(WaitUntil([&] { return config.bSaved.load(); }, 20s));
    ASSERT_TRUE(config.WaitPasses(3));
    EXPECT_EQ(Get(config, "k"), "22");
    EXPECT_LE(config.nPassOfLastChange.load(), config.nPassOfSave.load() + 1);
    EXPECT_EQ(CountLoadLines(file.path), 3) << "the application's, the worker's, the save's";
    ASSERT_TRUE(config.WaitPasses(3));
    EXPECT_EQ(CountLoadLines(file.path), 3) << "and none while the file stays unchanged";
}

TEST(CConfigFileThread, CopySettingsKeepsFirstSetOrderAndLoadCountCountsFilesRead) {
    CConfFile file("b=1\na=2\n");
    // No worker: its first pass could load the file once more and make the count uneven.
    CConfigFileThread config(kNoReload, /*bStartThread=*/false);
    using Settings = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(config.CopySettings(), Settings{});
    EXPECT_EQ(config.GetLoadCount(), 0u);
    ASSERT_TRUE(config.Load(file.path.c_str()));
    EXPECT_EQ(config.GetLoadCount(), 1u);
    config.SetString("c", "3");
    EXPECT_FALSE(config.Load(file.dir.File("missing.conf").c_str()));
    EXPECT_EQ(config.GetLoadCount(), 1u) << "neither SetString nor a failed Load counts";
    ReplaceFile(file.path, "a=20\nd=4\n");
    ASSERT_TRUE(config.Load(file.path.c_str()));
    EXPECT_EQ(config.GetLoadCount(), 2u);
    EXPECT_EQ(config.CopySettings(), (Settings{{"b", "1"}, {"a", "20"}, {"c", "3"}, {"d", "4"}}));
}

TEST(CConfigFileThread, CopySettingsNeverHoldsHalfOfAReload) {
    // Every version of the file gives all its names the same value, so a copy taken in the
    // middle of a reload would mix two of them.
    CConfFile file("x=0\ny=0\nz=0\n");
    CConfigFileThread config(kNoReload, /*bStartThread=*/false);
    ASSERT_TRUE(config.Load(file.path.c_str()));
    std::atomic<bool> bDone{false};
    std::thread loader([&] {
        for (int n = 1; n <= 200; ++n) {
            std::string v = std::to_string(n);
            ReplaceFile(file.path, "x=" + v + "\ny=" + v + "\nz=" + v + "\n");
            config.Load(file.path.c_str());
        }
        bDone.store(true);
    });
    int nMixed = 0;
    int nCopies = 0;
    while (!bDone.load()) {
        auto settings = config.CopySettings();
        ++nCopies;
        if (settings.size() != 3 || settings[0].second != settings[1].second ||
            settings[1].second != settings[2].second) {
            ++nMixed;
        }
    }
    loader.join();
    EXPECT_EQ(nMixed, 0) << "of " << nCopies << " copies";
    EXPECT_EQ(config.GetLoadCount(), 201u);
}

// ---- Value texts under concurrent reloads ----

// Generation g of name n: the token "g<g>n<n>;" repeated. A text that mixed two versions, or
// that was freed and reused, is not one token repeated.
std::string Pattern(int nGeneration, int nName) {
    std::string token = "g" + std::to_string(nGeneration) + "n" + std::to_string(nName) + ";";
    std::string value;
    while (value.size() + token.size() <= 240) value += token;
    return value;
}

bool IsWholePattern(const char* szText, int nName) {
    int nGeneration = 0;
    int nFound = -1;
    return szText != nullptr && std::sscanf(szText, "g%dn%d;", &nGeneration, &nFound) == 2 &&
           nFound == nName && szText == Pattern(nGeneration, nName);
}

TEST(CConfigFileThread, ReadersNeverSeeTornOrFreedTextsWhileTheFileIsReloaded) {
    constexpr int kNames = 6;
    auto fileFor = [&](int nGeneration) {
        std::string content;
        for (int n = 0; n < kNames; ++n) {
            content += "name" + std::to_string(n) + " = " + Pattern(nGeneration, n) + "\n";
        }
        return content;
    };
    CConfFile file(fileFor(0));
    CConfigFileThread config(50);  // the worker reloads on every pass after a change
    ASSERT_TRUE(config.Load(file.path.c_str()));

    std::atomic<bool> bStop{false};
    std::atomic<int> nBad{0};
    std::atomic<long> nReads{0};
    std::vector<std::thread> threads;
    for (int r = 0; r < 4; ++r) {
        threads.emplace_back([&, r] {
            // Some pointers are kept with a copy of their text, to be checked again at the end.
            std::vector<std::pair<const char*, std::string>> kept;
            for (long i = r; !bStop.load(); ++i) {
                int n = static_cast<int>(i % kNames);
                const char* szValue =
                    config.GetString(("name" + std::to_string(n)).c_str(), nullptr);
                if (!IsWholePattern(szValue, n)) nBad.fetch_add(1);
                if (i % 97 == 0 && kept.size() < 200) kept.emplace_back(szValue, szValue);
                nReads.fetch_add(1);
            }
            for (const auto& [szText, copy] : kept) nBad.fetch_add(copy != szText);
        });
    }
    // Sets from another thread race with the reloads on the same name.
    threads.emplace_back([&] {
        for (int i = 0; !bStop.load(); ++i) {
            config.SetString("name0", Pattern(100000 + i % 50, 0).c_str());
        }
    });

    int nGeneration = 0;
    auto start = std::chrono::steady_clock::now();
    while (nGeneration < 400 && std::chrono::steady_clock::now() - start < 4s) {
        ReplaceFile(file.path, fileFor(++nGeneration));
        if (nGeneration % 2 == 0) config.Load(file.path.c_str());  // else the worker finds it
        std::this_thread::sleep_for(1ms);
    }
    bStop.store(true);
    for (std::thread& thread : threads) thread.join();

    EXPECT_EQ(nBad.load(), 0);
    EXPECT_GE(nGeneration, 50) << "too few reloads to mean anything";
    EXPECT_GT(nReads.load(), 1000);
    ASSERT_TRUE(config.Load(file.path.c_str()));
    EXPECT_EQ(Get(config, "name3"), Pattern(nGeneration, 3));
}

// ---- Destruction ----

// Holds the worker inside a reload far longer than the destructor's 200 ms wait and than a
// forced end's 2 s. It stops its worker first thing in its destructor, as every subclass must
// (the reload it waits for makes virtual calls), so the destruction's wait is what is tested.
std::atomic<bool> gInsideReload{false};

class CSlowReloadConfig : public CConfigFileThread {
  public:
    CSlowReloadConfig() : CConfigFileThread(50, /*bStartThread=*/false) { Start(true); }
    ~CSlowReloadConfig() override { StopForDestruction(200); }
    bool ParseFile(std::FILE* file) override {
        if (YRAPI::platform::GetCurrentThreadId() == GetThreadId()) {
            gInsideReload.store(true);
            for (int i = 0; i < 30; ++i) YRAPI::platform::Sleep(100);  // ignores the stop
        }
        return CConfigFileThread::ParseFile(file);
    }
};

TEST(CConfigFileThread, DestructionDuringAReloadDoesNotFreeTheTableUnderTheWorker) {
    CConfFile file("k=1\n");
    auto config = std::make_unique<CSlowReloadConfig>();
    ASSERT_TRUE(config->Load(file.path.c_str()));
    ASSERT_TRUE(WaitUntil([] { return gInsideReload.load(); }, 20s));
    auto start = std::chrono::steady_clock::now();
    config.reset();  // the sanitizer builds see any use of the freed table
    // A reload in progress is never cut short by a forced end: it completes, and only then
    // does the worker end and the table go.
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, 1s) << "the reload was cut short";
    EXPECT_LT(elapsed, 20s);
}

// ---- The process-wide table ----

// Every reading of the tick counter is 10 s after the one before, so the process-wide
// worker's Idle(5000) ends after a single 100 ms sleep.
std::atomic<DWORD> gFastTick{0};
DWORD FastTick() { return gFastTick.fetch_add(10000); }

TEST(ProcessWideConfig, IsBuiltAfterTheSecondMutexReadsAsAtolDoesAndFollowsTheFile) {
    const char* names[16] = {};
    int nCount = std::min(YRAPI::testing::ProcessObjectsBuilt(names, 16), 16);
    int i = 0;
    while (i < nCount && std::strcmp(names[i], "second mutex") != 0) ++i;
    ASSERT_LT(i + 1, nCount);
    EXPECT_STREQ(names[i + 1], "configuration file thread");

    CConfFile file("name = value\nn= 42x\nwide=-9999999999\nhuge=99999999999999999999999\n");
    YRAPI::platform::testing::SetTickSource(&FastTick);
    EXPECT_STREQ(ConfigGetString("name", "none"), "none");
    EXPECT_TRUE(ConfigLoad(file.path.c_str()));
    EXPECT_TRUE(ConfigHasKey("name"));
    // Numbers read as atoi and atol do, clamped out of range (long has 64 bits on Linux, 32
    // on Windows).
    constexpr long kWide = sizeof(long) >= 8 ? static_cast<long>(-9999999999LL) : LONG_MIN;
    EXPECT_EQ(ConfigGetInt("n", 1), 42);
    EXPECT_EQ(ConfigGetLong("wide", 1), kWide);
    EXPECT_EQ(ConfigGetInt("wide", 1), INT_MIN);
    EXPECT_EQ(ConfigGetLong("huge", 1), LONG_MAX);
    EXPECT_EQ(ConfigGetLong("missing", -3L), -3L);
    ConfigSetString("set", "other");
    EXPECT_STREQ(ConfigGetString("set", nullptr), "other");
    EXPECT_EQ(ConfigGetString("set", nullptr),
              YRAPI::GetConfigFileThread().GetString("set", nullptr));

    EXPECT_TRUE(WaitUntil([&] { return CountLoadLines(file.path) == 2; }, 20s));
    ReplaceFile(file.path, "name=22\n");
    EXPECT_TRUE(WaitUntil([] { return std::string(ConfigGetString("name", "")) == "22"; }, 20s));
    YRAPI::platform::testing::SetTickSource(nullptr);
}

}  // namespace
