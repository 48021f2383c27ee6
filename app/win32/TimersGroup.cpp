// TimersGroup.cpp - CTimersGroup.
#include "TimersGroup.h"

#include "resource.h"

#include <commctrl.h>

using Tamberon::CTimerList;
using Tamberon::Win32::WindowText;

CTimersGroup::CTimersGroup() : CGroupPane(IDD_TIMERS_GROUP) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
}

void CTimersGroup::OnInitDialog() {
    hList = GetDlgItem(hWnd, IDC_TIMERS_LIST);
    message.Attach(GetDlgItem(hWnd, IDC_TIMERS_STATUS));
    SetDlgItemTextA(hWnd, IDC_TIMERS_INTERVAL, "250");
    SetDlgItemTextA(hWnd, IDC_TIMERS_COUNT, "-1");
    SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    Tamberon::Win32::AddListColumn(hList, CTimerList::kNumber,
                                   CTimerList::Heading(CTimerList::kNumber), 40, hWnd);
    Tamberon::Win32::AddListColumn(hList, CTimerList::kInterval,
                                   CTimerList::Heading(CTimerList::kInterval), 60, hWnd, true);
    Tamberon::Win32::AddListColumn(hList, CTimerList::kCount,
                                   CTimerList::Heading(CTimerList::kCount), 50, hWnd, true);
    Tamberon::Win32::AddListColumn(hList, CTimerList::kFired,
                                   CTimerList::Heading(CTimerList::kFired), 0, hWnd, true);
    Tamberon::Win32::SendEnterAsCommand(GetDlgItem(hWnd, IDC_TIMERS_INTERVAL), IDC_TIMERS_ADD);
    Tamberon::Win32::SendEnterAsCommand(GetDlgItem(hWnd, IDC_TIMERS_COUNT), IDC_TIMERS_ADD);
}

int CTimersGroup::SelectedRow() const {
    return static_cast<int>(
        SendMessageA(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void CTimersGroup::Select(int nRow) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (nRow >= 0) {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(nRow),
                     reinterpret_cast<LPARAM>(&item));
        SendMessageA(hList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(nRow), FALSE);
    }
    EnableWindow(GetDlgItem(hWnd, IDC_TIMERS_REMOVE), nRow >= 0 ? TRUE : FALSE);
}

bool CTimersGroup::AddTimer() {
    Tamberon::timer_add outcome = timers.Add(WindowText(GetDlgItem(hWnd, IDC_TIMERS_INTERVAL)),
                                             WindowText(GetDlgItem(hWnd, IDC_TIMERS_COUNT)));
    if (!outcome.bAdded) {
        message.ShowError(outcome.szText);
        if (outcome.nBadField >= 0) {
            HWND hField =
                GetDlgItem(hWnd, outcome.nBadField == 0 ? IDC_TIMERS_INTERVAL : IDC_TIMERS_COUNT);
            SendMessageA(GetParent(hWnd), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hField), TRUE);
        }
        return false;
    }
    SendMessageA(hList, LVM_SETITEMCOUNT, timers.Size(), LVSICF_NOSCROLL);
    Select(static_cast<int>(timers.Size()) - 1);
    message.ShowInfo(outcome.szText);
    if (!bRefreshing) {
        SetTimer(hWnd, kRefreshTimer, 100, nullptr);
        bRefreshing = true;
    }
    return true;
}

bool CTimersGroup::RemoveSelected() {
    int nRow = SelectedRow();
    if (nRow < 0) return false;
    message.ShowInfo(timers.Remove(static_cast<std::size_t>(nRow)));
    SendMessageA(hList, LVM_SETITEMCOUNT, timers.Size(), LVSICF_NOSCROLL);
    int nCount = static_cast<int>(timers.Size());
    // The next timer takes the removed one's place in the selection, as the list's own
    // deletion would do.
    Select(nRow < nCount ? nRow : nCount - 1);
    InvalidateRect(hList, nullptr, TRUE);
    Refresh();
    return true;
}

void CTimersGroup::Refresh() {
    bool bRunning = timers.Refresh();
    if (timers.Size() > 0) {
        SendMessageA(hList, LVM_REDRAWITEMS, 0, static_cast<LPARAM>(timers.Size() - 1));
    }
    // Nothing to count: no wake-ups.
    if (!bRunning && bRefreshing) {
        KillTimer(hWnd, kRefreshTimer);
        bRefreshing = false;
    }
}

INT_PTR CTimersGroup::OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            if (LOWORD(wParam) == IDC_TIMERS_ADD) {
                AddTimer();
                return TRUE;
            }
            if (LOWORD(wParam) == IDC_TIMERS_REMOVE) {
                RemoveSelected();
                return TRUE;
            }
            return FALSE;
        case WM_NOTIFY: {
            const auto* pHeader = reinterpret_cast<const NMHDR*>(lParam);
            if (pHeader->hwndFrom != hList) return FALSE;
            if (Tamberon::Win32::AnswerDispInfo(pHeader, [this](int nItem, int nColumn) {
                    return nItem < 0 ? std::string()
                                     : timers.Text(static_cast<std::size_t>(nItem), nColumn);
                })) {
                return TRUE;
            }
            if (pHeader->code == LVN_ITEMCHANGED) {
                EnableWindow(GetDlgItem(hWnd, IDC_TIMERS_REMOVE),
                             SelectedRow() >= 0 ? TRUE : FALSE);
                return TRUE;
            }
            return FALSE;
        }
        case WM_TIMER:
            if (wParam == kRefreshTimer) Refresh();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return message.OnCtlColor(reinterpret_cast<HDC>(wParam),
                                      reinterpret_cast<HWND>(lParam));
        case WM_DESTROY:
            if (bRefreshing) KillTimer(hWnd, kRefreshTimer);
            bRefreshing = false;
            return FALSE;
        default:
            return FALSE;
    }
}
