// FolderDialogTest.cpp - the folder chooser on the shell's real folder browser: the browse
// record it fills, the browser it runs (owner, title, status text at 35 and 36 characters),
// and its results after OK and Cancel, driven with BFFM_SETSELECTION and the browser's own
// buttons.
#include "FolderDialog.h"
#include "WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using TamberonTest::CModalDriver;

class FolderChooser : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override {
        char szTemp[MAX_PATH] = {};
        GetTempPathA(sizeof(szTemp), szTemp);
        szRoot = std::string(szTemp) + "tbf" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(szRoot.c_str(), nullptr));
    }
    void TearDown() override {
        for (auto it = szMade.rbegin(); it != szMade.rend(); ++it) RemoveDirectoryA(it->c_str());
        RemoveDirectoryA(szRoot.c_str());
    }

    // A folder under the test's root whose whole path has nLength characters.
    std::string MakeFolder(std::size_t nLength) {
        std::string szPath = szRoot + "\\";
        if (szPath.size() < nLength) szPath.append(nLength - szPath.size(), 'd');
        EXPECT_EQ(szPath.size(), nLength);
        EXPECT_TRUE(CreateDirectoryA(szPath.c_str(), nullptr));
        szMade.push_back(szPath);
        return szPath;
    }

    static HWND Owner() {
        static HWND hOwner = CreateWindowExA(0, "STATIC", "chooser owner", WS_OVERLAPPEDWINDOW, 0,
                                             0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        return hOwner;
    }

    std::string szRoot;
    std::vector<std::string> szMade;
};

bool SameFolder(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool HasStatic(HWND hBrowser, const std::string& szText) {
    std::vector<std::string> texts = TamberonTest::ChildTexts(hBrowser, "Static");
    return std::find(texts.begin(), texts.end(), szText) != texts.end();
}

void Click(HWND hBrowser, int nId) { SendMessageA(GetDlgItem(hBrowser, nId), BM_CLICK, 0, 0); }

struct shorten_case {
    std::string szPath;
    std::string szShown;
};

TEST(FolderChooserText, PathsOver35CharactersAreCut) {
    const std::string s35(35, 'a');
    const std::string s36 = s35 + "b";
    // "é" is two bytes in UTF-8 and one character.
    const std::string sUtf8 = std::string(34, 'a') + "\xC3\xA9\xC3\xA9" + "z";
    const shorten_case cases[] = {
        {"", ""},
        {"C:\\", "C:\\"},
        {s35, s35},
        {s36, s35 + "..."},
        {std::string(34, 'a') + "\xC3\xA9", std::string(34, 'a') + "\xC3\xA9"},
        {sUtf8, std::string(34, 'a') + "\xC3\xA9..."},
    };
    for (const shorten_case& c : cases) {
        EXPECT_EQ(CFolderDialog::ShortenForDisplay(c.szPath), c.szShown) << c.szPath;
    }
}

struct record_case {
    const char* szFolder;
    UINT dwFlags;
    bool bWithOwner;
};

TEST_F(FolderChooser, FillsTheBrowseRecord) {
    const record_case cases[] = {
        {nullptr, 0, false},
        {"C:\\windows", BIF_RETURNONLYFSDIRS, true},
        {"C:\\", BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_DONTGOBELOWDOMAIN, true},
    };
    for (const record_case& c : cases) {
        CFolderDialog dlg(c.szFolder, c.dwFlags, c.bWithOwner ? Owner() : nullptr);
        const BROWSEINFOA& bi = dlg.GetBrowseInfo();
        EXPECT_EQ(bi.hwndOwner, c.bWithOwner ? Owner() : nullptr);
        EXPECT_EQ(bi.ulFlags, c.dwFlags | BIF_STATUSTEXT);
        EXPECT_STREQ(bi.lpszTitle, "Current Selection");
        EXPECT_EQ(bi.pszDisplayName, dlg.GetDisplayName());
        EXPECT_EQ(bi.pidlRoot, nullptr);
        EXPECT_NE(bi.lpfn, nullptr);
        EXPECT_EQ(bi.lParam, reinterpret_cast<LPARAM>(&dlg));
        EXPECT_EQ(bi.iImage, 0);
        EXPECT_EQ(dlg.GetInitialFolder(), c.szFolder != nullptr ? c.szFolder : "");
    }
}

struct status_case {
    std::size_t nLength;
    bool bCut;
};

TEST_F(FolderChooser, ShowsItsTitleAndTheInitialFolderShortenedInItsStatusLine) {
    for (status_case c : {status_case{35, false}, status_case{36, true}}) {
        std::string szFolder = MakeFolder(c.nLength);
        std::string szShown = c.bCut ? szFolder.substr(0, 35) + "..." : szFolder;
        CFolderDialog dlg(szFolder.c_str(), BIF_RETURNONLYFSDIRS, Owner());
        bool bTitle = false, bStatus = false;
        HWND hOwnerSeen = nullptr;
        CModalDriver driver([&] {
            HWND hBrowser = dlg.GetBrowserWindow();
            if (hBrowser == nullptr || !IsWindowVisible(hBrowser)) return false;
            hOwnerSeen = GetWindow(hBrowser, GW_OWNER);
            bTitle = HasStatic(hBrowser, "Current Selection");
            bStatus = HasStatic(hBrowser, szShown);
            Click(hBrowser, IDCANCEL);
            return true;
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_FALSE(driver.TimedOut());
        EXPECT_EQ(hOwnerSeen, Owner());
        EXPECT_TRUE(bTitle);
        EXPECT_TRUE(bStatus) << szShown;
        EXPECT_TRUE(SameFolder(dlg.GetFolderPath(), szFolder)) << dlg.GetFolderPath();
        EXPECT_EQ(dlg.GetBrowserWindow(), nullptr);
    }
}

struct result_case {
    const char* szHow;
    int nButton;
    INT_PTR nResult;
};

TEST_F(FolderChooser, OkChoosesTheSelectionAndCancelKeepsTheLastOneSeen) {
    std::string szStart = MakeFolder(szRoot.size() + 6);
    std::string szOther = MakeFolder(szRoot.size() + 8);
    for (result_case c :
         {result_case{"OK", IDOK, IDOK}, result_case{"Cancel", IDCANCEL, IDCANCEL}}) {
        SCOPED_TRACE(c.szHow);
        CFolderDialog dlg(szStart.c_str(), BIF_RETURNONLYFSDIRS, nullptr);
        HWND hOwnerSeen = reinterpret_cast<HWND>(1);
        bool bStatus = false;
        int nStep = 0;
        CModalDriver driver([&] {
            HWND hBrowser = dlg.GetBrowserWindow();
            if (hBrowser == nullptr || !IsWindowVisible(hBrowser)) return false;
            if (nStep++ == 0) {
                hOwnerSeen = GetWindow(hBrowser, GW_OWNER);
                SendMessageA(hBrowser, BFFM_SETSELECTIONA, TRUE,
                             reinterpret_cast<LPARAM>(szOther.c_str()));
                return false;
            }
            bStatus = HasStatic(hBrowser, CFolderDialog::ShortenForDisplay(szOther));
            Click(hBrowser, c.nButton);
            return true;
        });
        EXPECT_EQ(dlg.DoModal(), c.nResult);
        EXPECT_FALSE(driver.TimedOut());
        EXPECT_EQ(hOwnerSeen, nullptr);  // built without a parent: no owner
        EXPECT_TRUE(bStatus);
        // OK: the chosen folder; Cancel: the one the last selection change stored.
        EXPECT_TRUE(SameFolder(dlg.GetFolderPath(), szOther)) << dlg.GetFolderPath();
    }
}

TEST_F(FolderChooser, AnItemOutsideTheFileSystemIsNoChoice) {
    CFolderDialog dlg(szRoot.c_str(), 0, Owner());
    LPITEMIDLIST pidlComputer = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &pidlComputer), S_OK);
    int nStep = 0;
    CModalDriver driver([&] {
        HWND hBrowser = dlg.GetBrowserWindow();
        if (hBrowser == nullptr || !IsWindowVisible(hBrowser)) return false;
        if (nStep++ == 0) {
            SendMessageA(hBrowser, BFFM_SETSELECTIONA, FALSE,
                         reinterpret_cast<LPARAM>(pidlComputer));
            return false;
        }
        Click(hBrowser, IDOK);
        return true;
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(dlg.GetFolderPath(), "");  // the selection change stored no path
    CoTaskMemFree(pidlComputer);
}

TEST_F(FolderChooser, TheBrowserDrawsItself) {
    CFolderDialog dlg(szRoot.c_str(), BIF_RETURNONLYFSDIRS, Owner());
    int nColours = 0;
    CModalDriver driver([&] {
        HWND hBrowser = dlg.GetBrowserWindow();
        if (hBrowser == nullptr || !IsWindowVisible(hBrowser)) return false;
        nColours = TamberonTest::CountRenderedColours(hBrowser);
        Click(hBrowser, IDCANCEL);
        return true;
    });
    dlg.DoModal();
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_GE(nColours, 3);
}

}  // namespace
