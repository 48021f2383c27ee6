// FetchGroupTest.cpp - the HTTP fetch group in the real main dialog, driven through its
// controls against loopback servers: a fetch shows the body and the status line, a refused
// connection or an error status shows the reason, Cancel during a slow answer ends the fetch
// at once, bad input is refused with its message, Enter in the URL field fetches, closing the
// dialog during a fetch ends it, and the group draws.
#include "FetchGroup.h"
#include "FetchLogIds.h"
#include "GroupDriver.h"
#include "TamberonDlg.h"
#include "WindowDriver.h"
#include "resource.h"
#include "tests/support/LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <commctrl.h>
#include <functional>
#include <string>

namespace {

using YRAPI::test::CLoopbackHttpServer;
using YRAPI::test::http_answer;
using YRAPI::test::http_request;

using TamberonTest::PumpUntil;

// The main dialog, shown, with its fetch group.
struct fetch_dialog {
    CTamberonDlg dlg;
    HWND hGroup = nullptr;
    CFetchGroup* pGroup = nullptr;

    fetch_dialog() {
        if (dlg.Create() == nullptr) return;
        ShowWindow(dlg.GetSafeHwnd(), SW_SHOW);
        TamberonTest::PumpMessages(20);  // the groups come from a posted message
        pGroup = dynamic_cast<CFetchGroup*>(dlg.GetGroup(IDC_FETCH_PLACE));
        if (pGroup != nullptr) hGroup = pGroup->GetSafeHwnd();
    }
    HWND Item(int nId) const { return GetDlgItem(hGroup, nId); }
    std::string Text(int nId) const { return TamberonTest::WindowText(Item(nId)); }
    void Type(int nId, const std::string& szText) const {
        SetWindowTextA(Item(nId), szText.c_str());
    }
    void Click() const { SendMessageW(Item(IDC_FETCH_BUTTON), BM_CLICK, 0, 0); }
};

http_answer Answer(const http_request& request) {
    http_answer answer;
    if (request.szTarget == "/hello") {
        answer.headers = {"Content-Type: text/plain; charset=utf-8"};
        answer.szBody = "hello\nworld";
    } else if (request.szTarget == "/latin1") {
        answer.headers = {"Content-Type: text/plain; charset=ISO-8859-1"};
        answer.szBody = "caf\xe9";
    } else if (request.szTarget == "/slow") {
        answer.szBody = "late";
        answer.delay = std::chrono::seconds(15);
    } else {
        answer.nStatus = 404;
        answer.szBody = "not here";
    }
    return answer;
}

TEST(FetchGroup, AFetchShowsTheBodyOrTheReasonOnTheStatusLine) {
    CLoopbackHttpServer server(Answer);
    std::string szClosed = CLoopbackHttpServer(Answer).Url("/");  // nothing listens there
    struct test_case {
        std::string szUrl;
        const char* szBody;    // the view's text
        const char* szStatus;  // the status line begins so
        bool bError;
    };
    const test_case cases[] = {
        {server.Url("/hello"), "hello\r\nworld", "11 bytes in ", false},
        {server.Url("/latin1"), "caf\xc3\xa9", "4 bytes in ", false},
        {server.Url("/missing"), "", "HTTP 404 (Not Found), after ", true},
        {szClosed, "", "Connection refused, after ", true},
    };
    fetch_dialog d;
    ASSERT_NE(d.pGroup, nullptr);
    for (const test_case& c : cases) {
        d.Type(IDC_FETCH_URL, c.szUrl);
        d.Type(IDC_FETCH_TIMEOUT, "5000");
        // Something on show from before is replaced.
        SetWindowTextA(d.Item(IDC_FETCH_BODY), "old");
        d.Click();
        ASSERT_TRUE(d.pGroup->IsBusy()) << c.szUrl << ": " << d.Text(IDC_FETCH_MESSAGE);
        EXPECT_TRUE(IsWindowVisible(d.Item(IDC_FETCH_BUSY)));
        EXPECT_EQ(d.Text(IDC_FETCH_BUTTON), "Canc&el");
        EXPECT_EQ(d.Text(IDC_FETCH_MESSAGE).rfind("Fetching " + c.szUrl, 0), 0u);
        ASSERT_TRUE(PumpUntil([&] { return !d.pGroup->IsBusy(); })) << c.szUrl;
        std::wstring szBody(256, L'\0');
        szBody.resize(
            static_cast<std::size_t>(GetWindowTextW(d.Item(IDC_FETCH_BODY), szBody.data(), 256)));
        EXPECT_EQ(GroupText::Narrow(szBody), c.szBody) << c.szUrl;
        std::string szStatus = d.Text(IDC_FETCH_MESSAGE);
        EXPECT_EQ(szStatus.rfind(c.szStatus, 0), 0u) << szStatus;
        EXPECT_TRUE(szStatus.ends_with(": " + c.szUrl)) << szStatus;
        EXPECT_EQ(d.pGroup->IsMessageError(), c.bError) << szStatus;
        EXPECT_FALSE(IsWindowVisible(d.Item(IDC_FETCH_BUSY)));
        EXPECT_EQ(d.Text(IDC_FETCH_BUTTON), "F&etch");
    }
}

TEST(FetchGroup, CancelDuringASlowAnswerEndsItPromptly) {
    CLoopbackHttpServer server(Answer);
    fetch_dialog d;
    ASSERT_NE(d.pGroup, nullptr);
    d.Type(IDC_FETCH_URL, server.Url("/slow"));
    d.Type(IDC_FETCH_TIMEOUT, "20000");
    d.Click();
    ASSERT_TRUE(d.pGroup->IsBusy());
    // A second fetch is refused while this one runs.
    EXPECT_FALSE(d.pGroup->Fetch());
    EXPECT_NE(d.Text(IDC_FETCH_MESSAGE).find("is still running"), std::string::npos);
    ASSERT_TRUE(PumpUntil([&] { return !server.Requests().empty(); }));
    auto start = std::chrono::steady_clock::now();
    d.Click();  // the button reads Cancel now
    EXPECT_NE(d.Text(IDC_FETCH_MESSAGE).find("Cancelling the fetch of"), std::string::npos);
    ASSERT_TRUE(PumpUntil([&] { return !d.pGroup->IsBusy(); }));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(5));  // the answer would take 15 s
    std::string szStatus = d.Text(IDC_FETCH_MESSAGE);
    EXPECT_EQ(szStatus.rfind("Cancelled, after ", 0), 0u) << szStatus;
    EXPECT_TRUE(d.pGroup->IsMessageError());
    EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_FETCH_BUTTON)));
    EXPECT_EQ(d.Text(IDC_FETCH_BUTTON), "F&etch");
}

TEST(FetchGroup, BadInputIsRefusedWithItsMessage) {
    CLoopbackHttpServer server(Answer);
    struct test_case {
        std::string szUrl;
        const char* szTimeout;
        const char* szMessage;  // a part of it
    };
    const test_case cases[] = {
        {"", "3000", "URL is empty: enter an http:// or https:// address."},
        {"ftp://127.0.0.1/x", "3000", "is not an http:// or https:// address"},
        {"http://a b/", "3000", "holds a space"},
        {server.Url("/hello"), "0",
         "Time-out \"0\" is not valid: enter a whole number from 1 to 60000"},
        {server.Url("/hello"), "", "Time-out is empty"},
    };
    fetch_dialog d;
    ASSERT_NE(d.pGroup, nullptr);
    for (const test_case& c : cases) {
        d.Type(IDC_FETCH_URL, c.szUrl);
        d.Type(IDC_FETCH_TIMEOUT, c.szTimeout);
        d.Click();
        EXPECT_FALSE(d.pGroup->IsBusy()) << c.szUrl;
        EXPECT_TRUE(d.pGroup->IsMessageError()) << c.szUrl;
        EXPECT_NE(d.Text(IDC_FETCH_MESSAGE).find(c.szMessage), std::string::npos)
            << d.Text(IDC_FETCH_MESSAGE);
    }
    TamberonTest::PumpMessages(200);
    EXPECT_TRUE(server.Requests().empty());
}

TEST(FetchGroup, EnterInTheUrlFieldFetchesAndLeavesTheDialogOpen) {
    CLoopbackHttpServer server(Answer);
    fetch_dialog d;
    ASSERT_NE(d.pGroup, nullptr);
    d.Type(IDC_FETCH_URL, server.Url("/hello"));
    HWND hUrl = d.Item(IDC_FETCH_URL);
    SetFocus(hUrl);
    // As the dialog's message loop hands a key press on: the dialog manager first.
    auto pressEnter = [&] {
        MSG msg{hUrl, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
        if (!IsDialogMessageW(d.dlg.GetSafeHwnd(), &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    };
    pressEnter();
    ASSERT_NE(d.dlg.GetSafeHwnd(), nullptr);
    EXPECT_TRUE(d.pGroup->IsBusy());
    // Enter again while it runs is a second fetch, refused (not a cancel).
    pressEnter();
    EXPECT_TRUE(d.pGroup->IsBusy());
    EXPECT_NE(d.Text(IDC_FETCH_MESSAGE).find("is still running"), std::string::npos)
        << d.Text(IDC_FETCH_MESSAGE);
    ASSERT_TRUE(PumpUntil([&] { return !d.pGroup->IsBusy(); }));
    EXPECT_NE(d.dlg.GetSafeHwnd(), nullptr);
    EXPECT_EQ(d.Text(IDC_FETCH_MESSAGE).rfind("11 bytes in ", 0), 0u) << d.Text(IDC_FETCH_MESSAGE);
}

TEST(FetchGroup, ClosingTheDialogDuringAFetchEndsIt) {
    CLoopbackHttpServer server(Answer);
    auto start = std::chrono::steady_clock::now();
    {
        fetch_dialog d;
        ASSERT_NE(d.pGroup, nullptr);
        d.Type(IDC_FETCH_URL, server.Url("/slow"));
        d.Type(IDC_FETCH_TIMEOUT, "20000");
        d.Click();
        ASSERT_TRUE(d.pGroup->IsBusy());
        ASSERT_TRUE(PumpUntil([&] { return !server.Requests().empty(); }));
        DestroyWindow(d.dlg.GetSafeHwnd());
        EXPECT_EQ(d.dlg.GetSafeHwnd(), nullptr);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    // Nothing was left to reach a window that has gone.
    TamberonTest::PumpMessages(200);
}

TEST(FetchGroup, TheGroupDraws) {
    fetch_dialog d;
    ASSERT_NE(d.pGroup, nullptr);
    TamberonTest::PumpMessages(100);
    EXPECT_GE(TamberonTest::CountRenderedColours(d.hGroup), 3);
    RECT rect;
    GetClientRect(d.hGroup, &rect);
    EXPECT_GT(rect.right, 100);
    EXPECT_GT(rect.bottom, 50);
}

}  // namespace
