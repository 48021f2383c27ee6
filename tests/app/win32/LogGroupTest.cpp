// LogGroupTest.cpp - the log group in the real main dialog, driven through its controls: an
// opened log's lines show in the tail until it is closed, the tail keeps the reader's place,
// bad fields are refused with their message, closing the dialog closes the log, and the group
// draws.
#include "FetchLogIds.h"
#include "GroupDriver.h"
#include "LogGroup.h"
#include "TamberonDlg.h"
#include "WindowDriver.h"
#include "core/InputRules.h"
#include "resource.h"
#include "tests/support/TempDir.h"

#include <yrapi/log/LogInterface.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

using YRAPI::test::CTempDir;

using TamberonTest::PumpUntil;

// The main dialog, shown, with its log group.
struct log_dialog {
    CTamberonDlg dlg;
    HWND hGroup = nullptr;
    CLogGroup* pGroup = nullptr;

    log_dialog() {
        if (dlg.Create() == nullptr) return;
        ShowWindow(dlg.GetSafeHwnd(), SW_SHOW);
        TamberonTest::PumpMessages(20);  // the groups come from a posted message
        pGroup = dynamic_cast<CLogGroup*>(dlg.GetGroup(IDC_LOG_PLACE));
        if (pGroup != nullptr) hGroup = pGroup->GetSafeHwnd();
    }
    HWND Item(int nId) const { return GetDlgItem(hGroup, nId); }
    std::string Text(int nId) const { return TamberonTest::WindowText(Item(nId)); }
    void Type(int nId, const std::string& szText) const {
        SetWindowTextA(Item(nId), szText.c_str());
    }
    void Click(int nId) const { SendMessageW(Item(nId), BM_CLICK, 0, 0); }
    int FirstVisibleLine() const {
        return static_cast<int>(SendMessageW(Item(IDC_LOG_LINES), EM_GETFIRSTVISIBLELINE, 0, 0));
    }
    int LineCount() const {
        return static_cast<int>(SendMessageW(Item(IDC_LOG_LINES), EM_GETLINECOUNT, 0, 0));
    }
};

TEST(LogGroup, AnOpenedLogsLinesShowInTheTailUntilItIsClosed) {
    CTempDir dir;
    ASSERT_TRUE(YRAPI::test::WriteFile(dir.File("view.log"), "old 1\nold 2\n"));
    log_dialog d;
    ASSERT_NE(d.pGroup, nullptr);
    d.Type(IDC_LOG_FOLDER, dir.Path());
    d.Type(IDC_LOG_FILE, "view.log");
    d.Click(IDC_LOG_OPEN);
    ASSERT_TRUE(d.pGroup->IsOpen()) << d.Text(IDC_LOG_MESSAGE);
    std::string szPath = d.pGroup->LogFilePath();
    EXPECT_EQ(d.Text(IDC_LOG_MESSAGE), "Open: " + szPath + " (lines reach the file every 2 s).");
    EXPECT_FALSE(d.pGroup->IsMessageError());
    EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LOG_OPEN)));
    EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_LOG_CLOSE)));
    EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LOG_BROWSE)));

    YRAPI::CYRLogInterface::Log(4, "probe line %d", 1);
    // The writer appends every 2 s; the group looks at the file every 500 ms.
    ASSERT_TRUE(PumpUntil([&] {
        return d.Text(IDC_LOG_LINES).find("probe line 1") != std::string::npos;
    })) << d.Text(IDC_LOG_LINES);
    EXPECT_EQ(d.Text(IDC_LOG_LINES).rfind("old 1\r\nold 2\r\n", 0), 0u) << d.Text(IDC_LOG_LINES);

    d.Click(IDC_LOG_CLOSE);
    EXPECT_FALSE(d.pGroup->IsOpen());
    EXPECT_EQ(d.Text(IDC_LOG_MESSAGE), "Closed: " + szPath + ".");
    EXPECT_NE(d.Text(IDC_LOG_LINES).find("Tamberon: log closed"), std::string::npos);
    EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_LOG_OPEN)));
    EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LOG_CLOSE)));
}

TEST(LogGroup, TheTailKeepsTheReadersPlace) {
    for (bool bAtBottom : {false, true}) {
        CTempDir dir;
        log_dialog d;
        ASSERT_NE(d.pGroup, nullptr);
        d.Type(IDC_LOG_FOLDER, dir.Path());
        d.Click(IDC_LOG_OPEN);
        ASSERT_TRUE(d.pGroup->IsOpen()) << d.Text(IDC_LOG_MESSAGE);
        std::string szPath = d.pGroup->LogFilePath();
        auto append = [&](int nFirst) {
            std::ofstream file(Tamberon::PathFromUtf8(szPath), std::ios::app | std::ios::binary);
            for (int i = nFirst; i < nFirst + 60; ++i) {
                file << "line " << i << " " << std::string(100, 'w') << "\n";
            }
        };
        append(0);
        d.pGroup->RefreshLines();
        ASSERT_GE(d.LineCount(), 60);
        HWND hLines = d.Item(IDC_LOG_LINES);
        int nTarget = 10;
        if (bAtBottom) {
            SendMessageW(hLines, WM_VSCROLL, SB_BOTTOM, 0);
            nTarget = d.FirstVisibleLine();
        } else {
            SendMessageW(hLines, EM_LINESCROLL, 0, nTarget - d.FirstVisibleLine());
        }
        ASSERT_EQ(d.FirstVisibleLine(), nTarget);
        append(60);
        d.pGroup->RefreshLines();
        ASSERT_GE(d.LineCount(), 120);
        if (bAtBottom) {
            // Following the end: the new last line is on show.
            EXPECT_GE(d.FirstVisibleLine(), nTarget + 60) << "following the end";
        } else {
            EXPECT_EQ(d.FirstVisibleLine(), nTarget) << "reading above the end";
        }
        d.Click(IDC_LOG_CLOSE);
    }
}

TEST(LogGroup, BadFieldsAreRefusedWithTheirMessage) {
    struct test_case {
        std::string szFolder;  // "%" stands for a fresh folder
        const char* szFile;
        const char* szLevel;
        const char* szMaxSize;
        const char* szMessage;  // a part of it
    };
    const test_case cases[] = {
        {"%/gone", "t.log", "4", "1048576", "does not exist"},
        {"%/file.txt", "t.log", "4", "1048576", "is a file, not a folder"},
        {"%", "a\\b.log", "4", "1048576", "plain file name"},
        {"%", "sub", "4", "1048576", "Cannot write"},
        {"%", "t.log", "0", "1048576",
         "Level \"0\" is not valid: enter a whole number from 1 to 9"},
        {"%", "t.log", "4", "big", "Max size \"big\" is not valid"},
        {"%", "t.log", "4", "10", "from 1024"},
    };
    for (const test_case& c : cases) {
        CTempDir dir;
        ASSERT_TRUE(YRAPI::test::WriteFile(dir.File("file.txt"), "not a folder\n"));
        std::filesystem::create_directory(dir.File("sub"));
        log_dialog d;
        ASSERT_NE(d.pGroup, nullptr);
        std::string szFolder = c.szFolder;
        if (szFolder.starts_with('%')) szFolder = dir.Path() + szFolder.substr(1);
        d.Type(IDC_LOG_FOLDER, szFolder);
        d.Type(IDC_LOG_FILE, c.szFile);
        d.Type(IDC_LOG_LEVEL, c.szLevel);
        d.Type(IDC_LOG_MAX_SIZE, c.szMaxSize);
        d.Click(IDC_LOG_OPEN);
        EXPECT_FALSE(d.pGroup->IsOpen()) << c.szFile;
        EXPECT_TRUE(d.pGroup->IsMessageError()) << c.szFile;
        EXPECT_NE(d.Text(IDC_LOG_MESSAGE).find(c.szMessage), std::string::npos)
            << d.Text(IDC_LOG_MESSAGE);
        EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_LOG_OPEN)));
    }
}

TEST(LogGroup, ClosingTheDialogClosesTheLog) {
    CTempDir dir;
    std::string szPath;
    {
        log_dialog d;
        ASSERT_NE(d.pGroup, nullptr);
        d.Type(IDC_LOG_FOLDER, dir.Path());
        d.Click(IDC_LOG_OPEN);
        ASSERT_TRUE(d.pGroup->IsOpen()) << d.Text(IDC_LOG_MESSAGE);
        szPath = d.pGroup->LogFilePath();
        YRAPI::CYRLogInterface::Log(4, "last words");
        DestroyWindow(d.dlg.GetSafeHwnd());
        // Closing wrote what was queued, before the window went.
        EXPECT_NE(YRAPI::test::ReadFile(szPath).find("last words"), std::string::npos);
    }
    // The log is closed: another group may open one.
    log_dialog again;
    ASSERT_NE(again.pGroup, nullptr);
    again.Type(IDC_LOG_FOLDER, dir.Path());
    // Enter in the size field opens it, as the button does, and leaves the dialog open.
    HWND hSize = again.Item(IDC_LOG_MAX_SIZE);
    SetFocus(hSize);
    MSG msg{hSize, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    if (!IsDialogMessageW(again.dlg.GetSafeHwnd(), &msg)) DispatchMessageW(&msg);
    ASSERT_NE(again.dlg.GetSafeHwnd(), nullptr);
    EXPECT_TRUE(again.pGroup->IsOpen()) << again.Text(IDC_LOG_MESSAGE);
    again.Click(IDC_LOG_CLOSE);
}

TEST(LogGroup, TheGroupStartsWithItsDefaultsAndDraws) {
    log_dialog d;
    ASSERT_NE(d.pGroup, nullptr);
    EXPECT_EQ(d.Text(IDC_LOG_FILE), "tamberon.log");
    EXPECT_EQ(d.Text(IDC_LOG_MAX_SIZE), "1048576");
    EXPECT_EQ(d.Text(IDC_LOG_LEVEL), "4");
    EXPECT_TRUE(std::filesystem::is_directory(Tamberon::PathFromUtf8(d.Text(IDC_LOG_FOLDER))))
        << d.Text(IDC_LOG_FOLDER);
    EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_LOG_CLOSE)));
    TamberonTest::PumpMessages(100);
    EXPECT_GE(TamberonTest::CountRenderedColours(d.hGroup), 3);
}

}  // namespace
