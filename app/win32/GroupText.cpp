// GroupText.cpp - the console groups' text helpers.
#include "GroupText.h"

#include "core/FetchText.h"

#include <algorithm>
#include <cctype>
#include <commctrl.h>
#include <cstdlib>
#include <vector>

namespace GroupText {
namespace {

std::wstring Latin1(std::string_view bytes) {
    std::wstring szText;
    szText.reserve(bytes.size());
    for (char c : bytes) szText.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    return szText;
}

// The text of bytes in code page nCodePage; false when the system cannot decode it (with
// bStrict: when a byte is invalid in it).
bool Decode(std::string_view bytes, UINT nCodePage, bool bStrict, std::wstring* pText) {
    pText->clear();
    if (bytes.empty()) return true;
    DWORD dwFlags = bStrict ? MB_ERR_INVALID_CHARS : 0;
    int nBytes = static_cast<int>(bytes.size());
    int nChars = MultiByteToWideChar(nCodePage, dwFlags, bytes.data(), nBytes, nullptr, 0);
    if (nChars <= 0) return false;
    pText->resize(static_cast<std::size_t>(nChars));
    return MultiByteToWideChar(nCodePage, dwFlags, bytes.data(), nBytes, pText->data(), nChars) ==
           nChars;
}

// The Windows code page of a charset name; 0 when there is none to use.
UINT CodePageOf(std::string szCharset) {
    for (char& c : szCharset) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (szCharset == "utf-8" || szCharset == "utf8") return CP_UTF8;
    if (szCharset == "iso-8859-1" || szCharset == "iso8859-1" || szCharset == "latin1" ||
        szCharset == "us-ascii" || szCharset == "ascii") {
        return 28591;
    }
    auto number = [&](std::string_view prefix) -> int {
        if (!szCharset.starts_with(prefix)) return 0;
        return std::atoi(szCharset.c_str() + prefix.size());
    };
    if (int n = number("windows-"); n >= 874 && n <= 1258) return static_cast<UINT>(n);
    if (int n = number("cp"); n >= 874 && n <= 1258) return static_cast<UINT>(n);
    if (int n = number("iso-8859-"); n >= 2 && n <= 15) return static_cast<UINT>(28590 + n);
    if (szCharset == "koi8-r") return 20866;
    if (szCharset == "shift_jis") return 932;
    return 0;
}

LRESULT CALLBACK EnterProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam, UINT_PTR nId,
                           DWORD_PTR nCommandId) {
    switch (nMessage) {
        case WM_GETDLGCODE:
            if (lParam != 0 && reinterpret_cast<const MSG*>(lParam)->message == WM_KEYDOWN &&
                reinterpret_cast<const MSG*>(lParam)->wParam == VK_RETURN) {
                return DefSubclassProc(hWnd, nMessage, wParam, lParam) | DLGC_WANTMESSAGE;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                SendMessageW(GetParent(hWnd), WM_COMMAND,
                             MAKEWPARAM(static_cast<WORD>(nCommandId), kEnterPressed),
                             reinterpret_cast<LPARAM>(hWnd));
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == '\r') return 0;  // no beep for the Enter taken above
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hWnd, &EnterProc, nId);
            break;
        default:
            break;
    }
    return DefSubclassProc(hWnd, nMessage, wParam, lParam);
}

}  // namespace

std::wstring Widen(std::string_view szUtf8) {
    std::wstring szText;
    Decode(szUtf8, CP_UTF8, /*bStrict=*/false, &szText);
    return szText;
}

std::string Narrow(std::wstring_view szWide) {
    if (szWide.empty()) return {};
    int nChars = static_cast<int>(szWide.size());
    int nBytes =
        WideCharToMultiByte(CP_UTF8, 0, szWide.data(), nChars, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0) return {};
    std::string szText(static_cast<std::size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, szWide.data(), nChars, szText.data(), nBytes, nullptr, nullptr);
    return szText;
}

std::string GetText(HWND hWnd) {
    int nLength = GetWindowTextLengthW(hWnd);
    if (nLength <= 0) return {};
    std::vector<wchar_t> text(static_cast<std::size_t>(nLength) + 1);
    int nRead = GetWindowTextW(hWnd, text.data(), nLength + 1);
    return Narrow(std::wstring_view(text.data(), static_cast<std::size_t>(std::max(nRead, 0))));
}

void SetText(HWND hWnd, std::string_view szUtf8) { SetWindowTextW(hWnd, Widen(szUtf8).c_str()); }

std::wstring EditLines(std::wstring_view szText) {
    std::wstring szLines;
    szLines.reserve(szText.size() + szText.size() / 16);
    for (std::size_t i = 0; i < szText.size(); ++i) {
        if (szText[i] == L'\n' && (i == 0 || szText[i - 1] != L'\r')) szLines.push_back(L'\r');
        szLines.push_back(szText[i]);
    }
    return szLines;
}

std::wstring DecodeBody(std::string_view body, const char* szContentType) {
    std::wstring szText;
    std::string szCharset = Tamberon::DeclaredCharset(szContentType);
    UINT nCodePage = szCharset.empty() ? 0 : CodePageOf(szCharset);
    if (nCodePage == 28591) return Latin1(body);
    if (nCodePage != 0 && Decode(body, nCodePage, /*bStrict=*/false, &szText)) return szText;
    if (Decode(body, CP_UTF8, /*bStrict=*/true, &szText)) return szText;
    return Latin1(body);
}

void ReplaceLines(HWND hEdit, std::wstring_view szLines) {
    SetWindowTextW(hEdit, std::wstring(szLines).c_str());
    SendMessageW(hEdit, WM_VSCROLL, SB_BOTTOM, 0);
}

void AppendLines(HWND hEdit, std::wstring_view szLines, int nMaxChars) {
    SendMessageW(hEdit, WM_SETREDRAW, FALSE, 0);
    auto nFirst = static_cast<int>(SendMessageW(hEdit, EM_GETFIRSTVISIBLELINE, 0, 0));
    SCROLLINFO vertical{sizeof(SCROLLINFO), SIF_ALL, 0, 0, 0, 0, 0};
    bool bFollow = !GetScrollInfo(hEdit, SB_VERT, &vertical) ||
                   vertical.nPos + static_cast<int>(vertical.nPage) > vertical.nMax;
    int nColumn = GetScrollPos(hEdit, SB_HORZ);
    DWORD dwSelStart = 0;
    DWORD dwSelEnd = 0;
    SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&dwSelStart),
                 reinterpret_cast<LPARAM>(&dwSelEnd));

    int nLength = GetWindowTextLengthW(hEdit);
    std::wstring szAdded = nLength > 0 ? L"\r\n" : L"";
    szAdded.append(szLines);
    SendMessageW(hEdit, EM_SETSEL, static_cast<WPARAM>(nLength), static_cast<LPARAM>(nLength));
    SendMessageW(hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(szAdded.c_str()));

    // Too much: the oldest lines go, down to three quarters of the limit.
    nLength = GetWindowTextLengthW(hEdit);
    if (nLength > nMaxChars) {
        auto nCutLine = static_cast<int>(SendMessageW(
            hEdit, EM_LINEFROMCHAR, static_cast<WPARAM>(nLength - nMaxChars / 4 * 3), 0));
        auto nCut = static_cast<DWORD>(SendMessageW(hEdit, EM_LINEINDEX, nCutLine + 1, 0));
        SendMessageW(hEdit, EM_SETSEL, 0, static_cast<LPARAM>(nCut));
        SendMessageW(hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
        nFirst = std::max(0, nFirst - nCutLine - 1);
        dwSelStart = dwSelStart > nCut ? dwSelStart - nCut : 0;
        dwSelEnd = dwSelEnd > nCut ? dwSelEnd - nCut : 0;
    }

    SendMessageW(hEdit, EM_SETSEL, dwSelStart, static_cast<LPARAM>(dwSelEnd));
    if (bFollow) {
        SendMessageW(hEdit, WM_VSCROLL, SB_BOTTOM, 0);
    } else {
        auto nNow = static_cast<int>(SendMessageW(hEdit, EM_GETFIRSTVISIBLELINE, 0, 0));
        SendMessageW(hEdit, EM_LINESCROLL, 0, nFirst - nNow);
    }
    if (GetScrollPos(hEdit, SB_HORZ) != nColumn) {
        SendMessageW(hEdit, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, nColumn), 0);
    }
    SendMessageW(hEdit, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hEdit, nullptr, TRUE);
}

void EnterCommands(HWND hEdit, int nCommandId) {
    SetWindowSubclass(hEdit, &EnterProc, 1, static_cast<DWORD_PTR>(nCommandId));
}

void FocusControl(HWND hControl) {
    HWND hRoot = GetAncestor(hControl, GA_ROOT);
    SendMessageW(hRoot, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(hControl), TRUE);
}

}  // namespace GroupText

void CStatusLine::Show(const std::string& szUtf8, bool bIsError) {
    bError = bIsError;
    GroupText::SetText(hWnd, szUtf8);
    InvalidateRect(hWnd, nullptr, TRUE);
}

INT_PTR CStatusLine::OnCtlColor(HDC hDC, HWND hControl) const {
    if (hControl != hWnd || hWnd == nullptr) return FALSE;
    SetTextColor(hDC, bError ? RGB(192, 0, 0) : GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(hDC, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
}
