// FetchGroup.cpp - CFetchGroup.
#include "FetchGroup.h"

#include "FetchLogIds.h"
#include "core/FetchText.h"
#include "resource.h"

#include <commctrl.h>

namespace {

constexpr UINT_PTR kCancelTimer = 1;
constexpr int kMaxUrlChars = 1023;  // the fetcher's limit for a URL

}  // namespace

CFetchGroup::CFetchGroup()
    : CGroupPane(IDD_FETCH_GROUP), pJob(std::make_unique<Tamberon::CFetchJob>()) {}

CFetchGroup::~CFetchGroup() {
    // While this object is whole, so that WM_DESTROY reaches OnMessage and ends the job.
    if (hWnd != nullptr) DestroyWindow(hWnd);
}

void CFetchGroup::OnInitDialog() {
    message.Attach(Item(IDC_FETCH_MESSAGE));
    SendMessageW(Item(IDC_FETCH_URL), EM_LIMITTEXT, kMaxUrlChars, 0);
    SendMessageW(Item(IDC_FETCH_URL), EM_SETCUEBANNER, FALSE,
                 reinterpret_cast<LPARAM>(L"http://example.org/"));
    SetWindowTextW(Item(IDC_FETCH_TIMEOUT), L"3000");
    SendMessageW(Item(IDC_FETCH_BODY), EM_LIMITTEXT, 0, 0);
    GroupText::EnterCommands(Item(IDC_FETCH_URL), IDC_FETCH_BUTTON);
    GroupText::EnterCommands(Item(IDC_FETCH_TIMEOUT), IDC_FETCH_BUTTON);
}

bool CFetchGroup::Fetch() {
    if (bBusy) {
        message.Show(Tamberon::FetchRunningText(szRunningUrl), true);
        return false;
    }
    Tamberon::fetch_input input = Tamberon::CheckFetchInput(
        GroupText::GetText(Item(IDC_FETCH_URL)), GroupText::GetText(Item(IDC_FETCH_TIMEOUT)));
    if (!input.szProblem.empty()) {
        message.Show(input.szProblem, true);
        GroupText::FocusControl(Item(input.eField == Tamberon::fetch_input::Field::Timeout
                                         ? IDC_FETCH_TIMEOUT
                                         : IDC_FETCH_URL));
        return false;
    }
    if (!pJob) return false;
    HWND hTarget = hWnd;
    bool bStarted = pJob->Start(
        input.szUrl, input.dwTimeoutMs, [hTarget](const Tamberon::fetch_outcome& outcome) {
            // On the job's thread: a copy goes to the GUI thread.
            auto pCopy = std::make_unique<Tamberon::fetch_outcome>(outcome);
            if (PostMessageW(hTarget, kFetchEnded, 0, reinterpret_cast<LPARAM>(pCopy.get()))) {
                (void)pCopy.release();  // the receiver frees it
            }
        });
    if (!bStarted) return false;
    bBusy = true;
    szRunningUrl = input.szUrl;
    dwRunningTimeoutMs = input.dwTimeoutMs;
    ShowBusy(true);
    message.Show(Tamberon::FetchingText(input.szUrl, input.dwTimeoutMs), false);
    return true;
}

bool CFetchGroup::Cancel() {
    if (!bBusy || !pJob) return false;
    pJob->Cancel();
    // A cancel that reaches the fetcher before its fetch has begun is forgotten by it.
    SetTimer(hWnd, kCancelTimer, kCancelAgainMs, nullptr);
    EnableWindow(Item(IDC_FETCH_BUTTON), FALSE);
    message.Show(Tamberon::CancellingText(szRunningUrl), false);
    return true;
}

void CFetchGroup::ShowBusy(bool bShow) {
    HWND hBusy = Item(IDC_FETCH_BUSY);
    ShowWindow(hBusy, bShow ? SW_SHOWNA : SW_HIDE);
    SendMessageW(hBusy, PBM_SETMARQUEE, bShow ? TRUE : FALSE, 30);
    SetWindowTextW(Item(IDC_FETCH_BUTTON), bShow ? L"Canc&el" : L"F&etch");
    if (!bShow) EnableWindow(Item(IDC_FETCH_BUTTON), TRUE);
}

void CFetchGroup::OnFetchEnded(std::unique_ptr<Tamberon::fetch_outcome> pOutcome) {
    KillTimer(hWnd, kCancelTimer);
    bBusy = false;
    ShowBusy(false);
    std::string szStatus = Tamberon::FetchStatusLine(szRunningUrl, pOutcome->report,
                                                     dwRunningTimeoutMs, pOutcome->szBody.size());
    HWND hBody = Item(IDC_FETCH_BODY);
    if (pOutcome->bText) {
        std::wstring szText = GroupText::EditLines(
            GroupText::DecodeBody(pOutcome->szBody, pOutcome->report.szContentType));
        SetWindowTextW(hBody, szText.c_str());
        message.Show(szStatus, false);
    } else {
        SetWindowTextW(hBody, L"");
        message.Show(szStatus, true);
    }
    Tamberon::LogFetchEnd(szRunningUrl, pOutcome->bText, pOutcome->szBody.size(),
                          pOutcome->nElapsedMs, pOutcome->report, dwRunningTimeoutMs);
}

void CFetchGroup::EndJob() {
    KillTimer(hWnd, kCancelTimer);
    pJob.reset();  // cancels a running fetch and joins its thread
    MSG msg;
    while (PeekMessageW(&msg, hWnd, kFetchEnded, kFetchEnded, PM_REMOVE)) {
        std::unique_ptr<Tamberon::fetch_outcome> pDropped(
            reinterpret_cast<Tamberon::fetch_outcome*>(msg.lParam));
    }
    bBusy = false;
}

INT_PTR CFetchGroup::OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_COMMAND:
            if (LOWORD(wParam) != IDC_FETCH_BUTTON) return FALSE;
            // Enter in a field fetches (refused while a fetch runs); the button toggles.
            if (HIWORD(wParam) == GroupText::kEnterPressed) {
                Fetch();
                return TRUE;
            }
            if (HIWORD(wParam) == BN_CLICKED) {
                if (bBusy) {
                    Cancel();
                } else {
                    Fetch();
                }
                return TRUE;
            }
            return FALSE;
        case WM_TIMER:
            if (wParam == kCancelTimer && pJob) pJob->Cancel();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return message.OnCtlColor(reinterpret_cast<HDC>(wParam),
                                      reinterpret_cast<HWND>(lParam));
        case kFetchEnded:
            OnFetchEnded(std::unique_ptr<Tamberon::fetch_outcome>(
                reinterpret_cast<Tamberon::fetch_outcome*>(lParam)));
            return TRUE;
        case WM_DESTROY:
            EndJob();
            return FALSE;
        default:
            return FALSE;
    }
}
