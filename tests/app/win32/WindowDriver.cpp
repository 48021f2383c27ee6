// WindowDriver.cpp - the test helpers that drive real dialogs.
#include "WindowDriver.h"

#include <algorithm>
#include <set>

namespace TamberonTest {
namespace {

CModalDriver* pActiveDriver = nullptr;

struct find_window {
    const char* szTitle;
    HWND hFound;
};

BOOL CALLBACK FindTitled(HWND hWnd, LPARAM lParam) {
    auto* pFind = reinterpret_cast<find_window*>(lParam);
    if (IsWindowVisible(hWnd) && WindowText(hWnd) == pFind->szTitle) {
        pFind->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

struct child_texts {
    const char* szClass;
    std::vector<std::pair<HWND, std::string>> found;
};

BOOL CALLBACK CollectChild(HWND hWnd, LPARAM lParam) {
    auto* pTexts = reinterpret_cast<child_texts*>(lParam);
    char szClass[64] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    if (lstrcmpiA(szClass, pTexts->szClass) == 0)
        pTexts->found.emplace_back(hWnd, WindowText(hWnd));
    return TRUE;
}

BOOL CALLBACK CancelModal(HWND hWnd, LPARAM) {
    if (IsWindowVisible(hWnd) && IsWindowEnabled(hWnd)) PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

struct print_children {
    HDC hDC;
    LONG nLeft;
    LONG nTop;
};

BOOL CALLBACK PrintChild(HWND hWnd, LPARAM lParam) {
    auto* pPrint = reinterpret_cast<print_children*>(lParam);
    RECT rect;
    if (!IsWindowVisible(hWnd) || !GetWindowRect(hWnd, &rect)) return TRUE;
    POINT ptOld;
    SetViewportOrgEx(pPrint->hDC, rect.left - pPrint->nLeft, rect.top - pPrint->nTop, &ptOld);
    SendMessageA(hWnd, WM_PRINT, reinterpret_cast<WPARAM>(pPrint->hDC),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND);
    SetViewportOrgEx(pPrint->hDC, ptOld.x, ptOld.y, nullptr);
    return TRUE;
}

}  // namespace

HWND FindThreadWindow(const char* szTitle) {
    find_window find{szTitle, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindTitled, reinterpret_cast<LPARAM>(&find));
    return find.hFound;
}

std::string WindowText(HWND hWnd) {
    char szText[1024] = {};
    // WM_GETTEXT rather than GetWindowText, which does not read other processes' controls
    // and reads a static control's text the same way.
    SendMessageA(hWnd, WM_GETTEXT, sizeof(szText), reinterpret_cast<LPARAM>(szText));
    return szText;
}

std::vector<std::string> ChildTexts(HWND hParent, const char* szClass) {
    child_texts texts{szClass, {}};
    EnumChildWindows(hParent, &CollectChild, reinterpret_cast<LPARAM>(&texts));
    std::vector<std::string> result;
    for (auto& [hWnd, szText] : texts.found) result.push_back(szText);
    return result;
}

HWND FindChild(HWND hParent, const char* szClass, const char* szText) {
    child_texts texts{szClass, {}};
    EnumChildWindows(hParent, &CollectChild, reinterpret_cast<LPARAM>(&texts));
    for (auto& [hWnd, szFound] : texts.found) {
        if (szFound == szText) return hWnd;
    }
    return nullptr;
}

CModalDriver::CModalDriver(std::function<bool()> pfnStep, DWORD nTimeoutMs)
    : pfnStep(std::move(pfnStep)), dwDeadline(GetTickCount() + nTimeoutMs) {
    pActiveDriver = this;
    nTimer = SetTimer(nullptr, 0, 20, &CModalDriver::OnTimer);
}

CModalDriver::~CModalDriver() {
    if (nTimer != 0) KillTimer(nullptr, nTimer);
    if (pActiveDriver == this) pActiveDriver = nullptr;
}

void CALLBACK CModalDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (pActiveDriver != nullptr) pActiveDriver->Tick();
}

void CModalDriver::Tick() {
    if (bDone) return;
    if (static_cast<LONG>(GetTickCount() - dwDeadline) >= 0) {
        bTimedOut = true;
        bDone = true;
        KillTimer(nullptr, nTimer);
        nTimer = 0;
        EnumThreadWindows(GetCurrentThreadId(), &CancelModal, 0);
        return;
    }
    // A step may run a nested modal loop (a click that opens a box): no re-entry meanwhile.
    static bool bInStep = false;
    if (bInStep) return;
    bInStep = true;
    bool bFinished = pfnStep();
    bInStep = false;
    if (bFinished) {
        bDone = true;
        KillTimer(nullptr, nTimer);
        nTimer = 0;
    }
}

int CountRenderedColours(HWND hWnd) {
    RECT rect;
    if (!GetWindowRect(hWnd, &rect)) return 0;
    int nWidth = rect.right - rect.left;
    int nHeight = rect.bottom - rect.top;
    if (nWidth <= 0 || nHeight <= 0) return 0;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = nWidth;
    info.bmiHeader.biHeight = -nHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HDC hScreen = GetDC(nullptr);
    HDC hDC = CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = CreateDIBSection(hScreen, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    ReleaseDC(nullptr, hScreen);
    int nColours = 0;
    if (hBitmap != nullptr && pBits != nullptr) {
        HGDIOBJ hOld = SelectObject(hDC, hBitmap);
        // Start from a colour no dialog draws, so that an untouched picture is one colour.
        std::fill_n(static_cast<DWORD*>(pBits), static_cast<std::size_t>(nWidth) * nHeight,
                    0x00FF00FFu);
        if (PrintWindow(hWnd, hDC, 0)) {
            // Each control prints itself too, in its place (Wine's PrintWindow leaves the
            // children out; Windows draws them already, and printing them again changes nothing).
            print_children children{hDC, rect.left, rect.top};
            EnumChildWindows(hWnd, &PrintChild, reinterpret_cast<LPARAM>(&children));
            GdiFlush();
            std::set<DWORD> colours;
            const DWORD* pPixels = static_cast<const DWORD*>(pBits);
            for (int i = 0; i < nWidth * nHeight; ++i) colours.insert(pPixels[i] & 0xFFFFFFu);
            colours.erase(0x00FF00FFu);
            nColours = static_cast<int>(colours.size());
        }
        SelectObject(hDC, hOld);
        DeleteObject(hBitmap);
    }
    DeleteDC(hDC);
    return nColours;
}

void PumpMessages(DWORD nMs) {
    DWORD dwEnd = GetTickCount() + nMs;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(GetTickCount() - dwEnd) < 0);
}

}  // namespace TamberonTest
