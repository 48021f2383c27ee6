// GroupControls.h - small helpers the console groups share over the common controls: the
// text of a control, a list view's columns and its owner-data texts (the list asks for a
// cell's text as it draws it, so a group never copies its rows into the control), an edit
// whose Enter key runs a command of its group instead of the main dialog's default, and the
// group's message line (an error drawn in red).
//
// Thread-safety: GUI thread only.
#pragma once

#include <string>
#include <windows.h>
// After <windows.h>, which it needs.
#include <commctrl.h>

namespace Tamberon::Win32 {

/// A window's text (UTF-8 under the program's code page).
std::string WindowText(HWND hWnd);

/// Adds the report-view column nColumn headed szHeading, nWidthDlu dialog units of hDialog
/// wide (0: the rest of the list's width).
void AddListColumn(HWND hList, int nColumn, const char* szHeading, int nWidthDlu, HWND hDialog,
                   bool bRight = false);

/// Answers an owner-data list view's LVN_GETDISPINFOA or LVN_GETDISPINFOW (pHeader) with the
/// text that pfnText gives for the item and column asked. False for other notifications.
template <typename Text>
bool AnswerDispInfo(const NMHDR* pHeader, Text pfnText);

/// Copies szText (UTF-8) into a notification's text buffer, as wide text when bWide.
void CopyItemText(const std::string& szText, void* pBuffer, int cchBuffer, bool bWide);

/// From now on Enter in hEdit sends WM_COMMAND (nCommandId, BN_CLICKED) to hEdit's parent, and
/// does not reach the main dialog (which would end).
void SendEnterAsCommand(HWND hEdit, int nCommandId);

/// From now on the dialog manager leaves Enter in hControl (a list) to the control, which then
/// tells its parent (LVN_KEYDOWN), instead of pressing the main dialog's default.
void KeepEnterKey(HWND hControl);

/// A group's one-line message: info or error (red, through WM_CTLCOLORSTATIC).
class CMessageLine {
  public:
    void Attach(HWND hStatic) { hWnd = hStatic; }
    void ShowInfo(const std::string& szText) { Show(szText, false); }
    void ShowError(const std::string& szText) { Show(szText, true); }
    bool IsError() const { return bError; }
    std::string Text() const { return WindowText(hWnd); }
    /// The answer to the group's WM_CTLCOLORSTATIC for hControl, or 0 when not the line's.
    INT_PTR OnCtlColor(HDC hDC, HWND hControl) const;

  private:
    void Show(const std::string& szText, bool bErrorText);
    HWND hWnd = nullptr;
    bool bError = false;
};

template <typename Text>
bool AnswerDispInfo(const NMHDR* pHeader, Text pfnText) {
    if (pHeader->code == LVN_GETDISPINFOA) {
        auto* pInfo = reinterpret_cast<const NMLVDISPINFOA*>(pHeader);
        if ((pInfo->item.mask & LVIF_TEXT) == 0) return true;
        CopyItemText(pfnText(pInfo->item.iItem, pInfo->item.iSubItem), pInfo->item.pszText,
                     pInfo->item.cchTextMax, false);
        return true;
    }
    if (pHeader->code == LVN_GETDISPINFOW) {
        auto* pInfo = reinterpret_cast<const NMLVDISPINFOW*>(pHeader);
        if ((pInfo->item.mask & LVIF_TEXT) == 0) return true;
        CopyItemText(pfnText(pInfo->item.iItem, pInfo->item.iSubItem), pInfo->item.pszText,
                     pInfo->item.cchTextMax, true);
        return true;
    }
    return false;
}

}  // namespace Tamberon::Win32
