// AboutDlg.h - CAboutDlg, the About box (dialog resource 100): the application icon at the
// left, the line "Tamberon Version 1.0" beside it and a default OK button at the right. Enter,
// Esc and the close box end it, as the dialog manager's defaults do; it has no other handlers.
//
// Thread-safety: GUI thread only. Ownership: built on the caller's stack and run with DoModal.
#pragma once

#include <windows.h>

class CAboutDlg {
  public:
    explicit CAboutDlg(HWND hParent = nullptr) : hParent(hParent) {}
    virtual ~CAboutDlg() = default;

    CAboutDlg(const CAboutDlg&) = delete;
    CAboutDlg& operator=(const CAboutDlg&) = delete;

    /// Runs the box modally over the parent; IDOK or IDCANCEL, or -1 when it cannot be shown.
    virtual INT_PTR DoModal();

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);

    HWND hParent;
};
