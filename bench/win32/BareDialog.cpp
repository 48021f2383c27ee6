// BareDialog.cpp - the floor of the Win32 start benchmark: a program that shows one dialog with
// one line of text from a resource script, with the platform's own calls and nothing else (no
// common controls, no COM, no library), and ends when the dialog is closed (the close button,
// WM_CLOSE, or Esc).
#include <windows.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMessage, WPARAM wParam, LPARAM /*lParam*/) {
    switch (uMessage) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
                EndDialog(hDlg, 0);
                return TRUE;
            }
            break;
        case WM_CLOSE:
            EndDialog(hDlg, 0);
            return TRUE;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE /*hPrev*/, LPSTR /*szCmdLine*/, int /*nShow*/) {
    return DialogBoxParamA(hInstance, MAKEINTRESOURCEA(100), nullptr, DialogProc, 0) < 0 ? 1 : 0;
}
