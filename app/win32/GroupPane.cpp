// GroupPane.cpp - CGroupPane.
#include "GroupPane.h"

CGroupPane::~CGroupPane() {
    if (hWnd != nullptr) DestroyWindow(hWnd);
}

HWND CGroupPane::Create(HWND hParent, int nPlaceId) {
    HWND hPlace = GetDlgItem(hParent, nPlaceId);
    if (hPlace == nullptr) return nullptr;
    if (CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(nTemplateId), hParent,
                           &CGroupPane::DialogProc, reinterpret_cast<LPARAM>(this)) == nullptr) {
        return nullptr;
    }
    RECT place;
    GetWindowRect(hPlace, &place);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&place), 2);
    // In the frame's place in z-order, which is the dialog's tab order, and under its id.
    SetWindowPos(hWnd, hPlace, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOACTIVATE);
    DestroyWindow(hPlace);
    SetWindowLongPtrA(hWnd, GWLP_ID, nPlaceId);
    ShowWindow(hWnd, SW_SHOWNA);
    return hWnd;
}

INT_PTR CGroupPane::OnMessage(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK CGroupPane::DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    if (nMessage == WM_INITDIALOG) {
        auto* pPane = reinterpret_cast<CGroupPane*>(lParam);
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pPane->hWnd = hWnd;
        pPane->OnInitDialog();
        return FALSE;
    }
    auto* pPane = reinterpret_cast<CGroupPane*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    if (pPane == nullptr) return FALSE;
    if (nMessage == WM_NCDESTROY) {
        pPane->OnMessage(nMessage, wParam, lParam);
        pPane->hWnd = nullptr;
        return FALSE;
    }
    return pPane->OnMessage(nMessage, wParam, lParam);
}
