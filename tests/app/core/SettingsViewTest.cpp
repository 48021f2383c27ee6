// Tests of the core's settings view: loads reach the front end's thread through the notifier
// and apply only the difference (rows never move), names kept from earlier files are marked,
// an edit is saved to the file or refused with the reason, and a file that cannot be loaded
// is named with the reason.
#include "core/SettingsView.h"
#include "tests/support/TempDir.h"

#include <yrapi/text/ConfigFileThread.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Tamberon::CSettingsView;
using YRAPI::test::CTempDir;
using YRAPI::test::ReadFile;
using YRAPI::test::WriteFile;

// Records what the view reports, and plays the front end's thread: the notifier (on the
// worker) only signals; Pump delivers on the test's thread.
class CFrontEnd : public Tamberon::ISettingsViewSink {
  public:
    CSettingsView::notifier Notifier() {
        return [this] {
            std::lock_guard<std::mutex> lock(mutex);
            ++nNotified;
            notifierThread = std::this_thread::get_id();
            arrived.notify_all();
        };
    }
    // Waits for the next notification and delivers it; false after 10 s without one.
    bool Pump(CSettingsView& view) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (!arrived.wait_for(lock, 10s, [&] { return nNotified > nDelivered; })) return false;
            ++nDelivered;
        }
        view.Deliver();
        return true;
    }
    std::thread::id NotifierThread() {
        std::lock_guard<std::mutex> lock(mutex);
        return notifierThread;
    }

    void OnBusyChanged(bool bBusy) override { events.push_back(bBusy ? "busy" : "idle"); }
    void OnRowsChanged(std::size_t nFirst, std::size_t nLast) override {
        events.push_back("changed " + std::to_string(nFirst) + "-" + std::to_string(nLast));
    }
    void OnRowsAdding(std::size_t nFirst, std::size_t nLast) override {
        events.push_back("adding " + std::to_string(nFirst) + "-" + std::to_string(nLast));
    }
    void OnRowsAdded() override { events.push_back("added"); }
    void OnLoadEnded(bool bLoaded, const std::string&) override {
        events.push_back(bLoaded ? "loaded" : "not loaded");
    }
    void OnReloaded() override { events.push_back("reloaded"); }

    std::vector<std::string> events;

  private:
    std::mutex mutex;
    std::condition_variable arrived;
    int nNotified = 0;
    int nDelivered = 0;
    std::thread::id notifierThread;
};

// The rows as "name=value" with "*" after a kept name.
std::string Rows(const CSettingsView& view) {
    std::string szRows;
    for (std::size_t i = 0; i < view.RowCount(); ++i) {
        szRows += view.Name(i) + (view.IsKept(i) ? "*" : "") + "=" + view.Value(i) + ";";
    }
    return szRows;
}

TEST(CoreSettingsView, LoadsApplyOnlyTheDifferenceAndMarkKeptNames) {
    // Files loaded one after another into one table; after each, the rows and what the front
    // end was told.
    struct step {
        std::string szContent;
        std::string szRows;
        std::vector<std::string> events;
    };
    struct test_case {
        const char* szName;
        std::vector<step> steps;
    };
    const test_case cases[] = {
        {"first load adds every row",
         {{"a=1\nb=2\n",
           "a=1;b=2;",
           {"busy", "adding 0-1", "added", "idle", "loaded", "reloaded"}}}},
        {"a second file keeps the first one's names",
         {{"a=1\nb=2\n", "a=1;b=2;", {"busy", "adding 0-1", "added", "idle", "loaded", "reloaded"}},
          {"b=3\nc=4\n",
           "a*=1;b=3;c=4;",
           {"busy", "changed 0-1", "adding 2-2", "added", "idle", "loaded", "reloaded"}}}},
        {"the same file again changes nothing",
         {{"a=1\n", "a=1;", {"busy", "adding 0-0", "added", "idle", "loaded", "reloaded"}},
          {"a=1\n", "a=1;", {"busy", "idle", "loaded", "reloaded"}}}},
        {"one run per changed stretch",
         {{"a=1\nb=2\nc=3\nd=4\n",
           "a=1;b=2;c=3;d=4;",
           {"busy", "adding 0-3", "added", "idle", "loaded", "reloaded"}},
          {"a=9\nb=2\nc=9\nd=9\n",
           "a=9;b=2;c=9;d=9;",
           {"busy", "changed 0-0", "changed 2-3", "idle", "loaded", "reloaded"}}}},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szName);
        CTempDir dir;
        CConfigFileThread table(600000);
        CFrontEnd front;
        CSettingsView view(table, front, front.Notifier());
        int nFile = 0;
        for (const step& each : test.steps) {
            std::string path = dir.File("f" + std::to_string(nFile++) + ".conf");
            WriteFile(path, each.szContent);
            front.events.clear();
            ASSERT_TRUE(view.Load(path));
            EXPECT_TRUE(view.IsBusy());
            EXPECT_FALSE(view.Load(path));  // one job at a time
            ASSERT_TRUE(front.Pump(view));
            EXPECT_FALSE(view.IsBusy());
            EXPECT_EQ(Rows(view), each.szRows);
            EXPECT_EQ(front.events, each.events);
            EXPECT_EQ(view.File(), path);
        }
        EXPECT_NE(front.NotifierThread(), std::this_thread::get_id());
        EXPECT_EQ(view.LoadsSeen(), static_cast<int>(test.steps.size()));
    }
}

TEST(CoreSettingsView, RefreshFollowsTheThreadsReloads) {
    CTempDir dir;
    std::string path = dir.File("watched.conf");
    WriteFile(path, "a=1\n");
    CConfigFileThread table(50);
    ASSERT_TRUE(table.Load(path.c_str()));
    CFrontEnd front;
    CSettingsView view(table, front, front.Notifier());
    EXPECT_EQ(Rows(view), "a=1;");  // the table as it was, at once
    EXPECT_EQ(view.ReloadText(), "Not loaded yet");
    EXPECT_FALSE(view.Refresh());  // no load since
    WriteFile(path + ".new", "a=2\nb=3\n");
    std::filesystem::rename(path + ".new", path);
    // The thread may also reload the first content once more (it saw the file change while
    // the test wrote it): each load seen is taken until the new content shows.
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (Rows(view) != "a=2;b=3;" && std::chrono::steady_clock::now() < deadline) {
        if (view.Refresh()) {
            ASSERT_TRUE(front.Pump(view));
        } else {
            std::this_thread::sleep_for(20ms);
        }
    }
    // A table loaded by its thread, with no file given to the view: no marks.
    EXPECT_EQ(Rows(view), "a=2;b=3;");
    EXPECT_GE(view.LoadsSeen(), 1);
    EXPECT_NE(view.ReloadText().find("Last reload "), std::string::npos) << view.ReloadText();
    EXPECT_NE(view.ReloadText().find("loads seen: " + std::to_string(view.LoadsSeen())),
              std::string::npos)
        << view.ReloadText();
}

TEST(CoreSettingsView, EditIsSavedOrRefusedWithTheReason) {
    struct test_case {
        const char* szName;
        bool bFile;  // a file is loaded
        int nRow;    // 0: "a" (in the file), 1: "kept" (only in the table)
        std::string szValue;
        bool bChanged;
        bool bSaved;
        std::string szText;     // in the message
        std::string szContent;  // the file after the edit
        std::string szRows;
    };
    const std::string szBefore = "# head\na = 1 # note\n";
    const test_case cases[] = {
        {"saved in place", true, 1, "10", true, true, "a saved to ", "# head\na = 10 # note\n",
         "kept*=x;a=10;"},
        {"a kept name is added to the file", true, 0, " y ", true, true, "kept saved to ",
         szBefore + "kept=y\n", "kept=y;a=1;"},
        {"a comment sign is refused", true, 1, "#ff0000", false, false, "a not changed: ", szBefore,
         "kept*=x;a=1;"},
        {"a line break is refused", true, 1, "a\nb", false, false, "line break", szBefore,
         "kept*=x;a=1;"},
        {"no file: the table only", false, 0, "z", true, false,
         "kept set in the table only: no file is loaded.", szBefore, "kept=z;a=1;"},
        {"a long value is cut as the table cuts it", false, 0, std::string(600, 'v'), true, false,
         "set in the table only", szBefore, "kept=" + std::string(511, 'v') + ";a=1;"},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szName);
        CTempDir dir;
        std::string path = dir.File("edit.conf");
        WriteFile(path, szBefore);
        CConfigFileThread table(600000);
        table.SetString("kept", "x");
        CFrontEnd front;
        CSettingsView view(table, front, front.Notifier());
        if (test.bFile) {
            ASSERT_TRUE(view.Load(path));
            ASSERT_TRUE(front.Pump(view));
        } else {
            table.SetString("a", "1");
            EXPECT_FALSE(view.Refresh(/*bForce=*/true));  // no load seen, but a snapshot taken
            ASSERT_TRUE(front.Pump(view));
        }
        Tamberon::settings_edit outcome =
            view.Edit(static_cast<std::size_t>(test.nRow), test.szValue);
        EXPECT_EQ(outcome.bChanged, test.bChanged);
        EXPECT_EQ(outcome.bSaved, test.bSaved);
        EXPECT_NE(outcome.szText.find(test.szText), std::string::npos) << outcome.szText;
        EXPECT_EQ(ReadFile(path), test.szContent);
        EXPECT_EQ(Rows(view), test.szRows);
        EXPECT_EQ(std::string(
                      table.GetString(view.Name(static_cast<std::size_t>(test.nRow)).c_str(), "")),
                  view.Value(static_cast<std::size_t>(test.nRow)));
    }
}

TEST(CoreSettingsView, AFileThatCannotBeLoadedIsNamedWithTheReason) {
    struct test_case {
        const char* szName;
        std::string szFile;  // inside a fresh folder
        std::string szWhy;   // empty: loadable
    };
    const test_case cases[] = {
        {"missing", "missing.conf", "there is no such file"},
        {"a folder", "folder", "it is a folder"},
        {"path too long", std::string(300, 'n'), "its path is longer than 255 bytes"},
        {"a readable file", "good.conf", ""},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szName);
        CTempDir dir;
        std::filesystem::create_directory(dir.File("folder"));
        WriteFile(dir.File("good.conf"), "k=v\n");
        std::string path = dir.File(test.szFile);
        EXPECT_EQ(Tamberon::SettingsFileProblem(path), test.szWhy);
        EXPECT_EQ(Tamberon::WhyNotLoaded(path),
                  test.szWhy.empty() ? "it cannot be opened" : test.szWhy);
        if (test.szWhy.empty()) continue;
        // A load of it ends, on the front end's thread, as not loaded; the rows stay.
        CConfigFileThread table(600000);
        CFrontEnd front;
        CSettingsView view(table, front, front.Notifier());
        ASSERT_TRUE(view.Load(path));
        ASSERT_TRUE(front.Pump(view));
        EXPECT_EQ(front.events, (std::vector<std::string>{"busy", "idle", "not loaded"}));
        EXPECT_EQ(view.File(), "");
        EXPECT_EQ(Tamberon::LoadRefusedText("x.conf", test.szWhy),
                  "Could not load x.conf: " + test.szWhy + ".");
    }
}

TEST(CoreSettingsView, GoingWhileAJobRunsWaitsForItAndDeliversNothing) {
    CTempDir dir;
    std::string content;
    for (int i = 0; i < 20000; ++i) content += "k" + std::to_string(i) + "=v\n";
    WriteFile(dir.File("big.conf"), content);
    CConfigFileThread table(600000);
    CFrontEnd front;
    {
        CSettingsView view(table, front, front.Notifier());
        ASSERT_TRUE(view.Load(dir.File("big.conf")));
    }  // waits for the worker; its result goes with the view
    EXPECT_EQ(front.events, (std::vector<std::string>{"busy"}));
    EXPECT_EQ(table.CopySettings().size(), 20000u);
}

}  // namespace
