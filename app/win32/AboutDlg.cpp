// AboutDlg.cpp - CAboutDlg.
#include "AboutDlg.h"

#include "resource.h"

INT_PTR CAboutDlg::DoModal() {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUTBOX), hParent,
                           &CAboutDlg::DialogProc, 0);
}

INT_PTR CALLBACK CAboutDlg::DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM) {
    switch (nMessage) {
        case WM_INITDIALOG:
            return TRUE;  // the focus goes to the default button, OK
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                EndDialog(hWnd, LOWORD(wParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}
