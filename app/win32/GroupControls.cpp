// GroupControls.cpp - the groups' control helpers.
#include "GroupControls.h"

#include <algorithm>
#include <commctrl.h>
#include <cstring>
#include <vector>

namespace Tamberon::Win32 {
namespace {

constexpr UINT_PTR kEnterSubclass = 0x7E01;

LRESULT CALLBACK EnterProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam,
                           UINT_PTR nSubclassId, DWORD_PTR nCommandId) {
    switch (nMessage) {
        case WM_GETDLGCODE:
            // Enter is the edit's own: the dialog manager leaves it to the edit.
            if (lParam != 0 && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
                reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
                return DLGC_WANTALLKEYS | DefSubclassProc(hWnd, nMessage, wParam, lParam);
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                SendMessageA(GetParent(hWnd), WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(nCommandId), BN_CLICKED), 0);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == '\r') return 0;  // no beep
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hWnd, &EnterProc, nSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(hWnd, nMessage, wParam, lParam);
}

LRESULT CALLBACK KeepEnterProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam,
                               UINT_PTR nSubclassId, DWORD_PTR) {
    if (nMessage == WM_GETDLGCODE && lParam != 0 &&
        reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
        reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
        return DLGC_WANTALLKEYS | DefSubclassProc(hWnd, nMessage, wParam, lParam);
    }
    if (nMessage == WM_NCDESTROY) RemoveWindowSubclass(hWnd, &KeepEnterProc, nSubclassId);
    return DefSubclassProc(hWnd, nMessage, wParam, lParam);
}

}  // namespace

std::string WindowText(HWND hWnd) {
    int nLength = GetWindowTextLengthA(hWnd);
    std::string szText(static_cast<std::size_t>(std::max(nLength, 0)) + 1, '\0');
    int nCopied = GetWindowTextA(hWnd, szText.data(), static_cast<int>(szText.size()));
    szText.resize(static_cast<std::size_t>(std::max(nCopied, 0)));
    return szText;
}

void AddListColumn(HWND hList, int nColumn, const char* szHeading, int nWidthDlu, HWND hDialog,
                   bool bRight) {
    RECT width{0, 0, nWidthDlu, 0};
    MapDialogRect(hDialog, &width);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    column.fmt = bRight ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.cx = width.right;
    column.pszText = const_cast<char*>(szHeading);
    column.iSubItem = nColumn;
    SendMessageA(hList, LVM_INSERTCOLUMNA, static_cast<WPARAM>(nColumn),
                 reinterpret_cast<LPARAM>(&column));
    if (nWidthDlu == 0) {
        SendMessageA(hList, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(nColumn),
                     LVSCW_AUTOSIZE_USEHEADER);
    }
}

void CopyItemText(const std::string& szText, void* pBuffer, int cchBuffer, bool bWide) {
    if (pBuffer == nullptr || cchBuffer <= 0) return;
    if (!bWide) {
        std::size_t nCopy = std::min(szText.size(), static_cast<std::size_t>(cchBuffer) - 1);
        std::memcpy(pBuffer, szText.data(), nCopy);
        static_cast<char*>(pBuffer)[nCopy] = '\0';
        return;
    }
    int nWide =
        MultiByteToWideChar(CP_UTF8, 0, szText.data(), static_cast<int>(szText.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<std::size_t>(std::max(nWide, 0)) + 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, szText.data(), static_cast<int>(szText.size()), wide.data(),
                        nWide);
    std::size_t nCopy = std::min(static_cast<std::size_t>(std::max(nWide, 0)),
                                 static_cast<std::size_t>(cchBuffer) - 1);
    auto* pWide = static_cast<wchar_t*>(pBuffer);
    std::memcpy(pWide, wide.data(), nCopy * sizeof(wchar_t));
    pWide[nCopy] = L'\0';
}

void SendEnterAsCommand(HWND hEdit, int nCommandId) {
    SetWindowSubclass(hEdit, &EnterProc, kEnterSubclass, static_cast<DWORD_PTR>(nCommandId));
}

void KeepEnterKey(HWND hControl) {
    SetWindowSubclass(hControl, &KeepEnterProc, kEnterSubclass + 1, 0);
}

void CMessageLine::Show(const std::string& szText, bool bErrorText) {
    bError = bErrorText;
    SetWindowTextA(hWnd, szText.c_str());
    InvalidateRect(hWnd, nullptr, TRUE);
}

INT_PTR CMessageLine::OnCtlColor(HDC hDC, HWND hControl) const {
    if (hControl != hWnd || hWnd == nullptr) return 0;
    SetTextColor(hDC, bError ? RGB(0xB0, 0x00, 0x20) : GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(hDC, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}

}  // namespace Tamberon::Win32
