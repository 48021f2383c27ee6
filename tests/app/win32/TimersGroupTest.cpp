// TimersGroupTest.cpp - the timer group in the main dialog, driven through its real controls:
// a timer added shows its firings as they grow and is removed, a bad field is refused with the
// reason, Enter in a field adds (and does not end the dialog), and the group draws with its
// controls inside it.
#include "GroupDriver.h"
#include "TamberonDlg.h"
#include "TimersGroup.h"
#include "WindowDriver.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <string>

namespace {

using TamberonTest::ListCount;
using TamberonTest::ListText;
using TamberonTest::PumpUntil;

struct dialog {
    CTamberonDlg dlg;
    HWND hDlg = nullptr;
    CTimersGroup* pGroup = nullptr;
    HWND hGroup = nullptr;
    HWND hList = nullptr;

    dialog() {
        hDlg = dlg.Create();
        TamberonTest::PumpMessages(20);  // the groups come from a posted message
        pGroup = static_cast<CTimersGroup*>(dlg.GetGroup(IDC_TIMERS_PLACE));
        if (pGroup != nullptr) hGroup = pGroup->GetSafeHwnd();
        hList = GetDlgItem(hGroup, IDC_TIMERS_LIST);
        ShowWindow(hDlg, SW_SHOW);
    }
    void Type(const char* szInterval, const char* szCount) {
        SetDlgItemTextA(hGroup, IDC_TIMERS_INTERVAL, szInterval);
        SetDlgItemTextA(hGroup, IDC_TIMERS_COUNT, szCount);
    }
    void Click(int nId) { SendMessageA(GetDlgItem(hGroup, nId), BM_CLICK, 0, 0); }
    std::string Status() const {
        return TamberonTest::WindowText(GetDlgItem(hGroup, IDC_TIMERS_STATUS));
    }
};

TEST(TimersGroup, ATimerShowsItsFiringsUntilItsCountRunsOutAndIsRemoved) {
    struct test_case {
        const char* szInterval;
        const char* szCount;
        std::string szIntervalText;
        std::string szCountText;
        std::string szFiredAtEnd;  // empty: it runs on; the count is seen growing
    };
    const test_case cases[] = {
        {"10", "5", "10 ms", "5", "5 (done)"},
        {"5", "-1", "5 ms", "no end", ""},
    };
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szCountText);
        dialog ui;
        ASSERT_NE(ui.pGroup, nullptr);
        EXPECT_EQ(TamberonTest::WindowText(GetDlgItem(ui.hGroup, IDC_TIMERS_INTERVAL)), "250");
        EXPECT_EQ(TamberonTest::WindowText(GetDlgItem(ui.hGroup, IDC_TIMERS_COUNT)), "-1");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(ui.hGroup, IDC_TIMERS_REMOVE)));
        ui.Type(test.szInterval, test.szCount);
        ui.Click(IDC_TIMERS_ADD);
        ASSERT_EQ(ListCount(ui.hList), 1);
        EXPECT_EQ(ListText(ui.hList, 0, 0), "#1");
        EXPECT_EQ(ListText(ui.hList, 0, 1), test.szIntervalText);
        EXPECT_EQ(ListText(ui.hList, 0, 2), test.szCountText);
        EXPECT_EQ(ui.Status(), "Timer #1 added.");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(ui.hGroup, IDC_TIMERS_REMOVE)));
        std::string szFired;
        if (test.szFiredAtEnd.empty()) {
            // The GUI timer refreshes the list: the count is seen to grow.
            ASSERT_TRUE(PumpUntil(ui.hDlg, [&] { return ListText(ui.hList, 0, 3) != "0"; }));
            std::string szFirst = ListText(ui.hList, 0, 3);
            ASSERT_TRUE(PumpUntil(ui.hDlg, [&] {
                return std::stoul(ListText(ui.hList, 0, 3)) > std::stoul(szFirst);
            }));
            szFired = ListText(ui.hList, 0, 3);
        } else {
            ASSERT_TRUE(
                PumpUntil(ui.hDlg, [&] { return ListText(ui.hList, 0, 3) == test.szFiredAtEnd; }));
        }
        ui.Click(IDC_TIMERS_REMOVE);
        EXPECT_EQ(ListCount(ui.hList), 0);
        EXPECT_EQ(ui.Status().rfind("Timer #1 removed after ", 0), 0u) << ui.Status();
        if (!test.szFiredAtEnd.empty()) {
            EXPECT_EQ(ui.Status(), "Timer #1 removed after 5 firings.");
        }
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(ui.hGroup, IDC_TIMERS_REMOVE)));
    }
}

TEST(TimersGroup, BadFieldsAreRefusedWithTheReason) {
    struct test_case {
        const char* szInterval;
        const char* szCount;
        std::string szStatus;
    };
    const test_case cases[] = {
        {"fast", "1", "Interval (ms) \"fast\" is not valid"},
        {"0", "1", "from 1 to 3600000"},
        {"10", "0", "Count: 0 would never fire"},
        {"10", "-2", "from -1 to 1000000"},
        {"10", "", "Count is empty"},
    };
    dialog ui;
    ASSERT_NE(ui.pGroup, nullptr);
    for (const test_case& test : cases) {
        SCOPED_TRACE(test.szStatus);
        ui.Type(test.szInterval, test.szCount);
        ui.Click(IDC_TIMERS_ADD);
        EXPECT_EQ(ListCount(ui.hList), 0);
        EXPECT_TRUE(ui.pGroup->Message().IsError());
        EXPECT_NE(ui.Status().find(test.szStatus), std::string::npos) << ui.Status();
    }
}

TEST(TimersGroup, EnterInAFieldAddsATimerAndKeepsTheDialog) {
    dialog ui;
    ASSERT_NE(ui.pGroup, nullptr);
    ui.Type("600000", "1");
    HWND hCount = GetDlgItem(ui.hGroup, IDC_TIMERS_COUNT);
    SetFocus(hCount);
    TamberonTest::PostKey(hCount, VK_RETURN);
    ASSERT_TRUE(PumpUntil(ui.hDlg, [&] { return ListCount(ui.hList) == 1; }));
    EXPECT_TRUE(IsWindow(ui.hDlg));
    EXPECT_FALSE(ui.pGroup->Message().IsError());
}

TEST(TimersGroup, DrawsWithItsControlsInsideIt) {
    dialog ui;
    ASSERT_NE(ui.pGroup, nullptr);
    TamberonTest::PumpMessages(100);
    EXPECT_GE(TamberonTest::CountRenderedColours(ui.hGroup), 3);
    EXPECT_EQ(TamberonTest::LayoutProblem(ui.hGroup), "");
    EXPECT_EQ(GetDlgCtrlID(ui.hGroup), IDC_TIMERS_PLACE);
}

}  // namespace
