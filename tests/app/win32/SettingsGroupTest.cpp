// SettingsGroupTest.cpp - the configuration group in the main dialog, driven through its real
// controls: a file loaded shows its rows (the marquee moves meanwhile), a value edited in place
// is saved to the file or refused with the reason, Esc cancels, names kept from an earlier
// file are greyed with a tip, a file that cannot be loaded is named with the reason, and the
// group draws with its controls inside it.
#include "GroupDriver.h"
#include "SettingsGroup.h"
#include "TamberonDlg.h"
#include "WindowDriver.h"
#include "resource.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <commctrl.h>
#include <filesystem>
#include <string>

namespace {

using TamberonTest::FindListRow;
using TamberonTest::ListCount;
using TamberonTest::ListText;
using TamberonTest::PumpUntil;
using YRAPI::test::CTempDir;
using YRAPI::test::ReadFile;
using YRAPI::test::WriteFile;

// The main dialog and its configuration group.
struct dialog {
    CTamberonDlg dlg;
    HWND hDlg = nullptr;
    CSettingsGroup* pGroup = nullptr;
    HWND hGroup = nullptr;
    HWND hList = nullptr;

    dialog() {
        hDlg = dlg.Create();
        TamberonTest::PumpMessages(20);  // the groups come from a posted message
        pGroup = static_cast<CSettingsGroup*>(dlg.GetGroup(IDC_SETTINGS_PLACE));
        if (pGroup != nullptr) hGroup = pGroup->GetSafeHwnd();
        hList = GetDlgItem(hGroup, IDC_SETTINGS_LIST);
        ShowWindow(hDlg, SW_SHOW);
    }
    // Types szPath and clicks Load; true when the load ended within the time-out.
    bool Load(const std::string& szPath) {
        SetDlgItemTextA(hGroup, IDC_SETTINGS_PATH, szPath.c_str());
        SendMessageA(GetDlgItem(hGroup, IDC_SETTINGS_LOAD), BM_CLICK, 0, 0);
        return PumpUntil(hDlg, [&] { return !pGroup->IsBusy(); });
    }
    std::string Status() const {
        return TamberonTest::WindowText(GetDlgItem(hGroup, IDC_SETTINGS_STATUS));
    }
};

TEST(SettingsGroup, ALoadedFileShowsItsRowsWhileTheMarqueeMoves) {
    CTempDir dir;
    std::string path = dir.File("show.conf");
    WriteFile(path, "show.alpha=1\nshow.beta = two # note\n");
    dialog ui;
    ASSERT_NE(ui.pGroup, nullptr);
    SetDlgItemTextA(ui.hGroup, IDC_SETTINGS_PATH, path.c_str());
    SendMessageA(GetDlgItem(ui.hGroup, IDC_SETTINGS_LOAD), BM_CLICK, 0, 0);
    // The result reaches the group only through its messages: until they run, it is busy.
    EXPECT_TRUE(ui.pGroup->IsBusy());
    HWND hBusy = GetDlgItem(ui.hGroup, IDC_SETTINGS_BUSY);
    EXPECT_TRUE(IsWindowVisible(hBusy));
    EXPECT_TRUE(GetWindowLongA(hBusy, GWL_STYLE) & PBS_MARQUEE);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(ui.hGroup, IDC_SETTINGS_RELOAD)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(ui.hGroup, IDC_SETTINGS_LOAD)));
    ASSERT_TRUE(PumpUntil(ui.hDlg, [&] { return !ui.pGroup->IsBusy(); }));
    EXPECT_FALSE(IsWindowVisible(hBusy));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(ui.hGroup, IDC_SETTINGS_LOAD)));
    int nAlpha = FindListRow(ui.hList, "show.alpha");
    int nBeta = FindListRow(ui.hList, "show.beta");
    ASSERT_GE(nAlpha, 0);
    ASSERT_GE(nBeta, 0);
    EXPECT_EQ(ListText(ui.hList, nAlpha, 1), "1");
    EXPECT_EQ(ListText(ui.hList, nBeta, 1), "two");
    EXPECT_NE(ui.Status().find("Loaded 2 names"), std::string::npos) << ui.Status();
    EXPECT_FALSE(ui.pGroup->Message().IsError());
    std::string szReload = TamberonTest::WindowText(GetDlgItem(ui.hGroup, IDC_SETTINGS_RELOAD));
    EXPECT_EQ(szReload.rfind("Last reload ", 0), 0u) << szReload;
}

TEST(SettingsGroup, AValueEditedInPlaceIsSavedOrRefusedAndEscCancels) {
    enum class opening { F2, Enter, DoubleClick };
    struct test_case {
        const char* szName;
        opening open;
        std::string szTyped;
        WPARAM nEndKey;
        std::string szFile;   // the file afterwards
        std::string szShown;  // the row's value afterwards
        bool bError;
        std::string szStatus;  // in the message line
    };
    const std::string szBefore = "# head\nedit.key = old # note\n";
    const test_case cases[] = {
        {"F2, then Enter saves", opening::F2, "new", VK_RETURN, "# head\nedit.key = new # note\n",
         "new", false, "edit.key saved to "},
        {"double-click, then Enter saves", opening::DoubleClick, " spaced ", VK_RETURN,
         "# head\nedit.key = spaced # note\n", "spaced", false, "saved to "},
        {"Enter opens, Esc cancels", opening::Enter, "dropped", VK_ESCAPE, szBefore, "old", false,
         "Loaded 1 names"},
        {"a colour is refused", opening::F2, "#ff0000", VK_RETURN, szBefore, "old", true,
         "edit.key not changed: "},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szName);
        CTempDir dir;
        std::string path = dir.File("edit.conf");
        WriteFile(path, szBefore);
        dialog ui;
        ASSERT_NE(ui.pGroup, nullptr);
        ASSERT_TRUE(ui.Load(path));
        int nRow = FindListRow(ui.hList, "edit.key");
        ASSERT_GE(nRow, 0);
        SetFocus(ui.hList);
        TamberonTest::SelectListRow(ui.hList, nRow);
        switch (test.open) {
            case opening::F2:
                TamberonTest::PostKey(ui.hList, VK_F2);
                break;
            case opening::Enter:
                // Through the dialog manager: Enter must reach the list, not end the dialog.
                TamberonTest::PostKey(ui.hList, VK_RETURN);
                break;
            case opening::DoubleClick: {
                RECT cell{};
                cell.top = 1;
                cell.left = LVIR_BOUNDS;
                SendMessageA(ui.hList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(nRow),
                             reinterpret_cast<LPARAM>(&cell));
                LPARAM nAt = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
                SendMessageA(ui.hList, WM_LBUTTONDOWN, MK_LBUTTON, nAt);
                SendMessageA(ui.hList, WM_LBUTTONUP, 0, nAt);
                SendMessageA(ui.hList, WM_LBUTTONDBLCLK, MK_LBUTTON, nAt);
                SendMessageA(ui.hList, WM_LBUTTONUP, 0, nAt);
                break;
            }
        }
        ASSERT_TRUE(PumpUntil(ui.hDlg, [&] { return ui.pGroup->Editor() != nullptr; }));
        HWND hEditor = ui.pGroup->Editor();
        EXPECT_EQ(TamberonTest::WindowText(hEditor), "old");
        EXPECT_EQ(GetParent(hEditor), ui.hList);
        SetWindowTextA(hEditor, test.szTyped.c_str());
        TamberonTest::PostKey(hEditor, test.nEndKey);
        ASSERT_TRUE(PumpUntil(ui.hDlg, [&] { return ui.pGroup->Editor() == nullptr; }));
        EXPECT_FALSE(IsWindow(hEditor));
        EXPECT_TRUE(IsWindow(ui.hDlg));  // Enter and Esc were the editor's, not the dialog's
        EXPECT_EQ(ReadFile(path), test.szFile);
        EXPECT_EQ(ListText(ui.hList, nRow, 1), test.szShown);
        EXPECT_EQ(ui.pGroup->Message().IsError(), test.bError);
        EXPECT_NE(ui.Status().find(test.szStatus), std::string::npos) << ui.Status();
    }
}

// The custom-draw answer of the group for row nRow: the text colour it draws with.
COLORREF RowColour(HWND hGroup, HWND hList, int nRow) {
    NMLVCUSTOMDRAW draw{};
    draw.nmcd.hdr.hwndFrom = hList;
    draw.nmcd.hdr.idFrom = IDC_SETTINGS_LIST;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(nRow);
    draw.clrText = RGB(1, 2, 3);
    SendMessageA(hGroup, WM_NOTIFY, IDC_SETTINGS_LIST, reinterpret_cast<LPARAM>(&draw));
    return draw.clrText;
}

std::string RowTip(HWND hGroup, HWND hList, int nRow) {
    char szTip[512] = {};
    NMLVGETINFOTIPA tip{};
    tip.hdr.hwndFrom = hList;
    tip.hdr.idFrom = IDC_SETTINGS_LIST;
    tip.hdr.code = LVN_GETINFOTIPA;
    tip.pszText = szTip;
    tip.cchTextMax = sizeof(szTip);
    tip.iItem = nRow;
    SendMessageA(hGroup, WM_NOTIFY, IDC_SETTINGS_LIST, reinterpret_cast<LPARAM>(&tip));
    return szTip;
}

TEST(SettingsGroup, NamesKeptFromAnEarlierFileAreGreyedWithATip) {
    CTempDir dir;
    WriteFile(dir.File("first.conf"), "kept.a=1\nkept.b=2\n");
    WriteFile(dir.File("second.conf"), "kept.b=3\nkept.c=4\n");
    dialog ui;
    ASSERT_NE(ui.pGroup, nullptr);
    ASSERT_TRUE(ui.Load(dir.File("first.conf")));
    ASSERT_TRUE(ui.Load(dir.File("second.conf")));
    struct test_case {
        const char* szName;
        const char* szValue;
        bool bKept;
    };
    const test_case cases[] = {
        {"kept.a", "1", true},
        {"kept.b", "3", false},
        {"kept.c", "4", false},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szName);
        int nRow = FindListRow(ui.hList, test.szName);
        ASSERT_GE(nRow, 0);
        EXPECT_EQ(ListText(ui.hList, nRow, 1), test.szValue);
        EXPECT_EQ(RowColour(ui.hGroup, ui.hList, nRow) == GetSysColor(COLOR_GRAYTEXT), test.bKept);
        std::string szTip = RowTip(ui.hGroup, ui.hList, nRow);
        EXPECT_EQ(szTip.rfind("Kept from before", 0) == 0, test.bKept) << szTip;
        EXPECT_EQ(szTip.rfind("Defined in ", 0) == 0, !test.bKept) << szTip;
    }
    // Rows never move: a, b, c in the order they came.
    EXPECT_LT(FindListRow(ui.hList, "kept.a"), FindListRow(ui.hList, "kept.b"));
    EXPECT_LT(FindListRow(ui.hList, "kept.b"), FindListRow(ui.hList, "kept.c"));
    std::string szReload = TamberonTest::WindowText(GetDlgItem(ui.hGroup, IDC_SETTINGS_RELOAD));
    EXPECT_NE(szReload.find("kept from before"), std::string::npos) << szReload;
}

TEST(SettingsGroup, AFileThatCannotBeLoadedIsNamedWithTheReason) {
    struct test_case {
        const char* szName;
        std::string szFile;  // in a fresh folder
        std::string szWhy;
    };
    const test_case cases[] = {
        {"missing", "missing.conf", ": there is no such file."},
        {"a folder", "folder", ": it is a folder."},
        {"nothing typed", "", "there is no such file"},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szName);
        CTempDir dir;
        std::filesystem::create_directory(dir.File("folder"));
        dialog ui;
        ASSERT_NE(ui.pGroup, nullptr);
        std::string path = test.szFile.empty() ? "" : dir.File(test.szFile);
        SetDlgItemTextA(ui.hGroup, IDC_SETTINGS_PATH, path.c_str());
        SendMessageA(GetDlgItem(ui.hGroup, IDC_SETTINGS_LOAD), BM_CLICK, 0, 0);
        EXPECT_FALSE(ui.pGroup->IsBusy());
        EXPECT_TRUE(ui.pGroup->Message().IsError());
        EXPECT_EQ(ui.Status().rfind("Could not load ", 0), 0u) << ui.Status();
        EXPECT_NE(ui.Status().find(test.szWhy), std::string::npos) << ui.Status();
    }
}

TEST(SettingsGroup, BrowseOffersTheConfigurationFiles) {
    const char kFilter[] =
        "Configuration files (*.conf *.cfg *.ini *.txt)\0*.conf;*.cfg;*.ini;*.txt\0"
        "All files (*.*)\0*.*\0";
    EXPECT_EQ(CSettingsGroup::FileFilter(), std::string(kFilter, sizeof(kFilter) - 1));
    // The chooser opens over the dialog with its title; Cancel leaves the path as it was.
    dialog ui;
    ASSERT_NE(ui.pGroup, nullptr);
    SetDlgItemTextA(ui.hGroup, IDC_SETTINGS_PATH, "as.typed");
    bool bSeen = false;
    TamberonTest::CModalDriver driver([&] {
        HWND hChooser = TamberonTest::FindThreadWindow("Load Configuration File");
        if (hChooser == nullptr) return false;
        bSeen = true;
        PostMessageA(hChooser, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    SendMessageA(GetDlgItem(ui.hGroup, IDC_SETTINGS_BROWSE), BM_CLICK, 0, 0);
    EXPECT_TRUE(bSeen);
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(TamberonTest::WindowText(GetDlgItem(ui.hGroup, IDC_SETTINGS_PATH)), "as.typed");
}

TEST(SettingsGroup, ALargeFileLoadsWhileTheDialogRunsAndClosingWaitsForALoad) {
    CTempDir dir;
    std::string content;
    for (int i = 0; i < 5000; ++i) {
        content += "large." + std::to_string(i) + " = value " + std::to_string(i) + "\n";
    }
    std::string path = dir.File("large.conf");
    WriteFile(path, content);
    {
        dialog ui;
        ASSERT_NE(ui.pGroup, nullptr);
        SetDlgItemTextA(ui.hGroup, IDC_SETTINGS_PATH, path.c_str());
        SendMessageA(GetDlgItem(ui.hGroup, IDC_SETTINGS_LOAD), BM_CLICK, 0, 0);
        EXPECT_TRUE(ui.pGroup->IsBusy());
        DWORD dwLast = GetTickCount();
        DWORD dwLongestGap = 0;
        ASSERT_TRUE(PumpUntil(
            ui.hDlg,
            [&] {
                DWORD dwNow = GetTickCount();
                dwLongestGap = std::max(dwLongestGap, dwNow - dwLast);
                dwLast = dwNow;
                return !ui.pGroup->IsBusy();
            },
            60000));
        EXPECT_GE(ListCount(ui.hList), 5000);
        EXPECT_LT(dwLongestGap, 1500u);  // the loop kept turning while the worker loaded
        int nLast = ListCount(ui.hList) - 1;
        EXPECT_EQ(ListText(ui.hList, nLast, 0) + "=" + ListText(ui.hList, nLast, 1),
                  "large.4999=value 4999");
    }
    // Closed while a load runs: the group waits for its worker, whose result goes with it.
    {
        dialog ui;
        ASSERT_NE(ui.pGroup, nullptr);
        SetDlgItemTextA(ui.hGroup, IDC_SETTINGS_PATH, path.c_str());
        SendMessageA(GetDlgItem(ui.hGroup, IDC_SETTINGS_LOAD), BM_CLICK, 0, 0);
        EXPECT_TRUE(ui.pGroup->IsBusy());
    }
    TamberonTest::PumpMessages(100);  // the worker's message, if any, finds no window
}

TEST(SettingsGroup, DrawsWithItsControlsInsideIt) {
    dialog ui;
    ASSERT_NE(ui.pGroup, nullptr);
    TamberonTest::PumpMessages(100);
    EXPECT_GE(TamberonTest::CountRenderedColours(ui.hGroup), 3);
    // The busy bar and the reload line take turns in one place.
    EXPECT_EQ(TamberonTest::LayoutProblem(ui.hGroup, {{IDC_SETTINGS_BUSY, IDC_SETTINGS_RELOAD}}),
              "");
    EXPECT_EQ(GetDlgCtrlID(ui.hGroup), IDC_SETTINGS_PLACE);
}

}  // namespace
