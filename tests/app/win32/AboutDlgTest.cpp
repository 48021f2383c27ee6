// AboutDlgTest.cpp - the About box as the user meets it: its title, icon, text line, font and
// size in dialog units, OK as the default button, and that it draws.
#include "AboutDlg.h"
#include "WindowDriver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using TamberonTest::CModalDriver;
using TamberonTest::FindThreadWindow;
using TamberonTest::WindowText;

struct about_box_view {
    std::string szVersion;
    bool bHasIcon = false;
    LRESULT nDefaultId = 0;
    std::string szFont;
    SIZE clientSize{};
    RECT templateSize{};
    int nColours = 0;
};

TEST(AboutBox, ShowsTheIconTheVersionAndADefaultOk) {
    about_box_view view;
    CAboutDlg dlg;
    CModalDriver driver([&] {
        HWND hAbout = FindThreadWindow("About Tamberon");
        if (hAbout == nullptr) return false;
        view.szVersion = WindowText(GetDlgItem(hAbout, IDC_ABOUT_VERSION));
        view.bHasIcon = SendMessageA(GetDlgItem(hAbout, IDC_ABOUT_ICON), STM_GETICON, 0, 0) != 0;
        view.nDefaultId = LOWORD(SendMessageA(hAbout, DM_GETDEFID, 0, 0));
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hAbout, WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
        view.szFont = font.lfFaceName;
        RECT client;
        GetClientRect(hAbout, &client);
        view.clientSize = {client.right, client.bottom};
        view.templateSize = {0, 0, 235, 55};
        MapDialogRect(hAbout, &view.templateSize);
        view.nColours = TamberonTest::CountRenderedColours(hAbout);
        SendMessageA(GetDlgItem(hAbout, IDOK), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_EQ(view.szVersion, "Tamberon Version 1.0");
    EXPECT_TRUE(view.bHasIcon);
    EXPECT_EQ(view.nDefaultId, IDOK);
    EXPECT_EQ(view.szFont, "MS Sans Serif");
    EXPECT_EQ(view.clientSize.cx, view.templateSize.right);
    EXPECT_EQ(view.clientSize.cy, view.templateSize.bottom);
    EXPECT_GE(view.nColours, 3);
}

TEST(AboutBox, EnterAndEscEndIt) {
    struct key_case {
        WPARAM nKey;
        INT_PTR nResult;
    };
    for (key_case c : {key_case{VK_RETURN, IDOK}, key_case{VK_ESCAPE, IDCANCEL}}) {
        CAboutDlg dlg;
        CModalDriver driver([&] {
            HWND hAbout = FindThreadWindow("About Tamberon");
            if (hAbout == nullptr) return false;
            PostMessageA(GetFocus(), WM_KEYDOWN, c.nKey, 0);
            return true;
        });
        EXPECT_EQ(dlg.DoModal(), c.nResult);
        EXPECT_FALSE(driver.TimedOut());
    }
}

}  // namespace
