// GroupText.h - what the console groups share to show the core's texts in native controls:
// UTF-8 texts (the core's) in and out of controls through the wide calls, so that any script
// survives whatever the system's code page; the line ends a multi-line edit wants; a fetched
// body's text by the charset its answer declared; lines appended to a view that keeps the
// reader's place; Enter in an edit as a click of a button of the group; and the status line,
// whose errors show in red.
//
// Thread-safety: GUI thread only (the functions that take no window are pure).
#pragma once

#include <string>
#include <string_view>
#include <windows.h>

namespace GroupText {

/// UTF-8 to UTF-16; a byte that is no UTF-8 becomes U+FFFD.
std::wstring Widen(std::string_view szUtf8);
/// UTF-16 to UTF-8.
std::string Narrow(std::wstring_view szWide);

/// A control's text, as UTF-8.
std::string GetText(HWND hWnd);
/// Sets a control's text from UTF-8.
void SetText(HWND hWnd, std::string_view szUtf8);

/// Lines for a multi-line edit: every line break (LF or CR LF) as CR LF.
std::wstring EditLines(std::wstring_view szText);

/// A body's text by the charset that szContentType declares; without one (or one the system
/// does not know), UTF-8, or Latin-1 when the bytes are no UTF-8.
std::wstring DecodeBody(std::string_view body, const char* szContentType);

/// Replaces the lines of a read-only multi-line edit and shows their end.
void ReplaceLines(HWND hEdit, std::wstring_view szLines);
/// Appends lines (without a final line break) on lines of their own. The view keeps the
/// reader's place: its first visible line, its column and its selection, or follows the end
/// when it showed the end. The oldest lines go when the view holds more than nMaxChars.
void AppendLines(HWND hEdit, std::wstring_view szLines, int nMaxChars = 512 * 1024);

/// The notification code of the WM_COMMAND that EnterCommands sends.
constexpr WORD kEnterPressed = 0x0EE0;

/// Enter in hEdit sends the edit's parent WM_COMMAND with nCommandId and kEnterPressed,
/// instead of going to the main dialog (whose default action ends it).
void EnterCommands(HWND hEdit, int nCommandId);

/// Gives the keyboard focus to a control the way a dialog does (its root dialog's
/// WM_NEXTDLGCTL), so that the default button follows.
void FocusControl(HWND hControl);

}  // namespace GroupText

/// A group's status line: a static control showing what an action did, or why it was refused
/// (in red).
class CStatusLine {
  public:
    void Attach(HWND hStatic) { hWnd = hStatic; }
    void Show(const std::string& szUtf8, bool bIsError);
    bool IsError() const { return bError; }
    std::string Text() const { return GroupText::GetText(hWnd); }

    /// The group's WM_CTLCOLORSTATIC: colours the status line; FALSE for other controls.
    INT_PTR OnCtlColor(HDC hDC, HWND hControl) const;

  private:
    HWND hWnd = nullptr;
    bool bError = false;
};
