// FrameTest.cpp - the main dialog's frame, driven for real: the About entry at the end of the
// system menu (and none when its text is empty), the icons, which system commands open the
// About box, the icon drawn while minimised, Esc and the close box, and that it draws.
#include "TamberonDlg.h"
#include "WindowDriver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cctype>
#include <commctrl.h>
#include <map>
#include <string>
#include <vector>

namespace {

using TamberonTest::CModalDriver;
using TamberonTest::FindThreadWindow;

// The main dialog with no text for the About entry, as a translation could leave it.
class CNoAboutTextDlg : public CTamberonDlg {
  protected:
    std::string LoadResString(UINT nID) const override {
        return nID == IDS_ABOUTBOX ? std::string() : CTamberonDlg::LoadResString(nID);
    }
};

std::string MenuText(HMENU hMenu, int nPosition) {
    char szText[256] = {};
    GetMenuStringA(hMenu, static_cast<UINT>(nPosition), szText, sizeof(szText), MF_BYPOSITION);
    return szText;
}

// The number of items of the system's own menu for hWnd (the window's menu is reset to it).
int SystemMenuItemsWithoutAdditions(HWND hWnd) {
    GetSystemMenu(hWnd, TRUE);
    return GetMenuItemCount(GetSystemMenu(hWnd, FALSE));
}

TEST(MainDialogFrame, SystemMenuEndsWithASeparatorAndTheAboutEntry) {
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    HMENU hSysMenu = GetSystemMenu(hWnd, FALSE);
    int nItems = GetMenuItemCount(hSysMenu);
    ASSERT_GE(nItems, 3);
    CNoAboutTextDlg plain;
    ASSERT_NE(plain.Create(), nullptr);
    EXPECT_EQ(nItems, SystemMenuItemsWithoutAdditions(plain.GetSafeHwnd()) + 2);
    EXPECT_TRUE(GetMenuState(hSysMenu, nItems - 2, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(hSysMenu, nItems - 1), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(MenuText(hSysMenu, nItems - 1), "&About Tamberon...");
}

TEST(MainDialogFrame, AnEmptyAboutTextLeavesTheSystemMenuAsItWas) {
    CNoAboutTextDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    HMENU hSysMenu = GetSystemMenu(hWnd, FALSE);
    int nItems = GetMenuItemCount(hSysMenu);
    ASSERT_GE(nItems, 1);
    for (int i = 0; i < nItems; ++i) {
        EXPECT_NE(GetMenuItemID(hSysMenu, i), static_cast<UINT>(IDM_ABOUTBOX));
    }
    // Nothing was appended, no separator either.
    EXPECT_EQ(nItems, SystemMenuItemsWithoutAdditions(hWnd));
}

TEST(MainDialogFrame, TheApplicationIconIsTheLargeSmallAndDragIcon) {
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    HICON hLarge = dlg.GetIcon(true);
    HICON hSmall = dlg.GetIcon(false);
    ASSERT_NE(hLarge, nullptr);
    ASSERT_NE(hSmall, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hWnd, WM_GETICON, ICON_BIG, 0)), hLarge);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hWnd, WM_GETICON, ICON_SMALL, 0)), hSmall);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(hWnd, WM_QUERYDRAGICON, 0, 0)), hLarge);
    // The icon resource holds the system's sizes: each is loaded at its own size.
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hSmall, &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXSMICON));
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

struct sys_command_case {
    WPARAM nCommand;
    bool bOpensAbout;
};

TEST(MainDialogFrame, SystemCommandsSixteenToThirtyOneOpenTheAboutBox) {
    const sys_command_case cases[] = {
        {15, false},      {16, true},      {31, true},
        {32, false},      {0x10010, true},  // only the low 16 bits count
        {0x1000F, false}, {0x2001F, true},
    };
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    ShowWindow(hWnd, SW_SHOW);
    for (const sys_command_case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << c.nCommand);
        EXPECT_EQ(CTamberonDlg::IsAboutCommand(c.nCommand), c.bOpensAbout);
        bool bSeen = false;
        {
            CModalDriver driver([&] {
                HWND hAbout = FindThreadWindow("About Tamberon");
                if (hAbout == nullptr) return false;
                bSeen = true;
                // Modal: its owner, the main dialog, is disabled while it runs.
                EXPECT_FALSE(IsWindowEnabled(hWnd));
                SendMessageA(GetDlgItem(hAbout, IDOK), BM_CLICK, 0, 0);
                return true;
            });
            SendMessageA(hWnd, WM_SYSCOMMAND, c.nCommand, 0);
            EXPECT_FALSE(driver.TimedOut());
        }
        EXPECT_EQ(bSeen, c.bOpensAbout);
        EXPECT_EQ(FindThreadWindow("About Tamberon"), nullptr);
        EXPECT_TRUE(IsWindowEnabled(hWnd));
    }
}

TEST(MainDialogFrame, OtherSystemCommandsGetTheDefaultHandling) {
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    ShowWindow(hWnd, SW_SHOW);
    // The low four bits are the system's own: SC_MINIMIZE with them set still minimises.
    SendMessageA(hWnd, WM_SYSCOMMAND, SC_MINIMIZE | 0x000F, 0);
    EXPECT_TRUE(IsIconic(hWnd));
    SendMessageA(hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsIconic(hWnd));
    SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    TamberonTest::PumpMessages(100);
    EXPECT_FALSE(IsWindow(hWnd));  // the close box ends the dialog
}

struct icon_origin_case {
    RECT client;
    int cxIcon;
    int cyIcon;
    POINT expected;
};

TEST(MainDialogFrame, TheIconIsCentredRoundingUp) {
    const icon_origin_case cases[] = {
        {{0, 0, 100, 50}, 32, 32, {34, 9}},   {{0, 0, 33, 33}, 32, 32, {1, 1}},
        {{0, 0, 32, 32}, 32, 32, {0, 0}},     {{0, 0, 160, 28}, 32, 32, {64, -1}},
        {{10, 20, 110, 70}, 48, 48, {26, 1}},
    };
    for (const icon_origin_case& c : cases) {
        POINT pt = CTamberonDlg::IconOrigin(c.client, c.cxIcon, c.cyIcon);
        EXPECT_EQ(pt.x, c.expected.x);
        EXPECT_EQ(pt.y, c.expected.y);
    }
}

// Counts the icon-erase messages a window receives (its procedure subclassed), and whether
// each came with a device context.
WNDPROC pfnDialogWindowProc = nullptr;
int nIconErases = 0;
bool bIconEraseHadDC = false;

LRESULT CALLBACK CountIconErase(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    if (nMessage == WM_ICONERASEBKGND) {
        ++nIconErases;
        bIconEraseHadDC = wParam != 0;
    }
    return CallWindowProcA(pfnDialogWindowProc, hWnd, nMessage, wParam, lParam);
}

TEST(MainDialogFrame, WhileMinimisedItDrawsTheIconCentred) {
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    pfnDialogWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountIconErase)));
    nIconErases = 0;
    ShowWindow(hWnd, SW_SHOW);
    SendMessageA(hWnd, WM_PAINT, 0, 0);
    EXPECT_EQ(dlg.GetIconPaintCount(), 0);  // not minimised: the dialog paints as usual
    EXPECT_EQ(nIconErases, 0);

    ShowWindow(hWnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(hWnd));
    nIconErases = 0;
    SendMessageA(hWnd, WM_PAINT, 0, 0);
    EXPECT_EQ(dlg.GetIconPaintCount(), 1);
    EXPECT_EQ(nIconErases, 1);  // the icon's background, erased with the paint's DC
    EXPECT_TRUE(bIconEraseHadDC);
    RECT client;
    GetClientRect(hWnd, &client);
    POINT expected =
        CTamberonDlg::IconOrigin(client, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    EXPECT_EQ(dlg.GetLastIconOrigin().x, expected.x);
    EXPECT_EQ(dlg.GetLastIconOrigin().y, expected.y);
}

struct ending_case {
    const char* szHow;
    void (*pfnEnd)(HWND hWnd);
};

TEST(MainDialogFrame, EscAndTheCloseBoxEndTheModalDialog) {
    const ending_case cases[] = {
        {"Esc",
         [](HWND hWnd) {
             HWND hFocus = GetFocus();
             PostMessageA(hFocus != nullptr ? hFocus : hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
         }},
        {"close box", [](HWND hWnd) { PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND hWnd) { PostMessageA(hWnd, WM_CLOSE, 0, 0); }},
    };
    for (const ending_case& c : cases) {
        SCOPED_TRACE(c.szHow);
        CTamberonDlg dlg;
        CModalDriver driver([&] {
            HWND hWnd = FindThreadWindow("Tamberon");
            if (hWnd == nullptr) return false;
            c.pfnEnd(hWnd);
            return true;
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_FALSE(driver.TimedOut());
        EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
    }
}

TEST(MainDialogFrame, TheHostGroupShowsTheHostAndItsAddresses) {
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    // Filled from the dialog's loop once the window shows.
    TamberonTest::PumpMessages(200);
    char szHost[256] = {};
    GetDlgItemTextA(hWnd, IDC_HOST_NAME, szHost, sizeof(szHost));
    EXPECT_STRNE(szHost, "");
    char szAddresses[1024] = {};
    GetDlgItemTextA(hWnd, IDC_HOST_ADDRESSES, szAddresses, sizeof(szAddresses));
    EXPECT_STRNE(szAddresses, "");
    EXPECT_EQ(TamberonTest::WindowText(GetDlgItem(hWnd, IDC_CHOOSE_FOLDER)), "C&hoose Folder...");
}

// The program's manifest (linked into this test program with the other resources) is in
// force: the common controls' version 6 (the system's visual style), UTF-8 as the code page of
// the A calls, and per-monitor DPI awareness asked for.
TEST(ProgramManifest, GivesVisualStylesUtf8AndAsksForPerMonitorDpi) {
    InitCommonControls();
    char szComctl[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("comctl32.dll"), szComctl, sizeof(szComctl));
    std::string szPath = szComctl;
    for (char& c : szPath) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(szPath.find("microsoft.windows.common-controls"), std::string::npos) << szComctl;
    EXPECT_NE(szPath.find("_6.0."), std::string::npos) << szComctl;

    EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));

    HRSRC hManifest = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(hManifest, nullptr);
    const char* pData = static_cast<const char*>(LockResource(LoadResource(nullptr, hManifest)));
    std::string szManifest(pData, SizeofResource(nullptr, hManifest));
    EXPECT_NE(szManifest.find(">PerMonitorV2, PerMonitor<"), std::string::npos);
    EXPECT_NE(szManifest.find(">true/pm<"), std::string::npos);
}

TEST(MainDialogFrame, TheDialogDrawsItself) {
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    ShowWindow(hWnd, SW_SHOW);
    TamberonTest::PumpMessages(100);
    EXPECT_GE(TamberonTest::CountRenderedColours(hWnd), 3);
}

// Collects the mnemonic of hChild's text, if any, into the map at lParam.
BOOL CALLBACK CollectMnemonic(HWND hChild, LPARAM lParam) {
    char szClass[32] = {};
    GetClassNameA(hChild, szClass, sizeof(szClass));
    if (lstrcmpiA(szClass, "Edit") == 0) return TRUE;  // an edit's text is input
    std::string szText = TamberonTest::WindowText(hChild);
    for (std::size_t i = 0; i + 1 < szText.size(); ++i) {
        if (szText[i] != '&') continue;
        if (szText[i + 1] == '&') {
            ++i;  // "&&" is a plain ampersand
            continue;
        }
        auto* pOwners = reinterpret_cast<std::map<char, std::vector<std::string>>*>(lParam);
        char c = static_cast<char>(std::tolower(static_cast<unsigned char>(szText[i + 1])));
        (*pOwners)[c].push_back(szText);
        break;
    }
    return TRUE;
}

// Alt+letter reaches one control only: no two labels or buttons anywhere in the dialog, its
// groups included, share a mnemonic (the dialog manager would take the first and leave the
// other out of reach).
TEST(MainDialogFrame, EveryMnemonicIsTheDialogsOnly) {
    CTamberonDlg dlg;
    HWND hWnd = dlg.Create();
    ASSERT_NE(hWnd, nullptr);
    TamberonTest::PumpMessages(20);  // the groups come from a posted message
    std::map<char, std::vector<std::string>> owners;
    EnumChildWindows(hWnd, &CollectMnemonic, reinterpret_cast<LPARAM>(&owners));
    EXPECT_GE(owners.size(), 15u);  // the frame's and every group's controls were seen
    for (const auto& [c, texts] : owners) {
        std::string szAll;
        for (const std::string& szText : texts) szAll += " \"" + szText + "\"";
        EXPECT_EQ(texts.size(), 1u) << "Alt+" << c << " is taken by" << szAll;
    }
}

}  // namespace
