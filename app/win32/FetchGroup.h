// FetchGroup.h - CFetchGroup, the main dialog's HTTP fetch group (template IDD_FETCH_GROUP):
// a URL, a time-out in ms and Fetch (Enter in either field fetches too). The fetch runs on the
// core's CFetchJob; while it runs a marquee bar moves and the button reads Cancel and cancels
// it, and a second fetch is refused with a message. The result is the fetched text (decoded by
// its declared charset) and a status line that says what happened and how long the exchange
// took (the core's words; errors in red).
//
// Thread-safety: GUI thread only. The job's callback runs on the job's thread and only posts
// kFetchEnded to the group's window, with a heap copy of the outcome as lParam that the
// receiver frees. Lifetime: when the group's window goes (WM_DESTROY), a running fetch is
// cancelled and its thread joined, and an outcome posted but not yet received is freed, so no
// thread outlives the window it posts to and nothing leaks.
#pragma once

#include "GroupPane.h"
#include "GroupText.h"
#include "core/FetchJob.h"

#include <memory>
#include <string>

class CFetchGroup : public CGroupPane {
  public:
    /// Posted by the job's thread: lParam is a Tamberon::fetch_outcome* the receiver frees.
    static constexpr UINT kFetchEnded = kPostedBase;
    /// While a cancel has not reached the fetcher yet, it is repeated this often (ms).
    static constexpr UINT kCancelAgainMs = 50;

    CFetchGroup();
    ~CFetchGroup() override;

    /// Checks the fields and starts a fetch; false (with a message) when the input is bad or a
    /// fetch already runs.
    bool Fetch();
    /// Cancels the running fetch (its outcome follows); false when none runs.
    bool Cancel();
    bool IsBusy() const { return bBusy; }
    /// Whether the status line shows an error.
    bool IsMessageError() const { return message.IsError(); }

  protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

  private:
    void OnFetchEnded(std::unique_ptr<Tamberon::fetch_outcome> pOutcome);
    void ShowBusy(bool bShow);
    /// Cancels and joins a running fetch, then frees an outcome posted but not received.
    void EndJob();
    HWND Item(int nId) const { return GetDlgItem(hWnd, nId); }

    std::unique_ptr<Tamberon::CFetchJob> pJob;
    bool bBusy = false;
    std::string szRunningUrl;
    YRAPI::DWORD dwRunningTimeoutMs = 0;
    CStatusLine message;
};
