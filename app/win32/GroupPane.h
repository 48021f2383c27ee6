// GroupPane.h - CGroupPane, one console group of the main dialog: a child dialog made from a
// template of its own (style DS_CONTROL | WS_CHILD, so the main dialog's keyboard handling,
// mnemonics and tab order reach into it) and laid over a hidden frame that the main dialog's
// template keeps for it. Both templates are in dialog units, so the group follows the dialog
// font and the DPI as the rest of the dialog does.
//
// A group handles its own controls' messages; work done on other threads reaches it as a
// message posted to its window (kPostedBase and up), which its GUI thread drains.
//
// Thread-safety: GUI thread only, except GetSafeHwnd for a worker that posts to the group.
// Ownership: the main dialog owns its groups; a group's window is a child of the main dialog's
// and is destroyed with it.
#pragma once

#include <windows.h>

class CGroupPane {
  public:
    explicit CGroupPane(UINT nTemplateId) : nTemplateId(nTemplateId) {}
    virtual ~CGroupPane();

    CGroupPane(const CGroupPane&) = delete;
    CGroupPane& operator=(const CGroupPane&) = delete;

    /// Creates the group as a child of hParent in the place of the parent's control nPlaceId
    /// (a hidden frame, which it replaces: its rectangle, its place in the tab order and its
    /// id). The group's window, or null.
    HWND Create(HWND hParent, int nPlaceId);
    /// The group's window while it exists; else null.
    HWND GetSafeHwnd() const { return hWnd; }

    /// The first message id a group may post to itself from another thread.
    static constexpr UINT kPostedBase = WM_APP + 0x100;

  protected:
    /// The group's controls exist: fill them. The focus is the main dialog's to set.
    virtual void OnInitDialog() {}
    /// Every other message of the group's dialog procedure; FALSE for the default handling.
    virtual INT_PTR OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam);

    HWND hWnd = nullptr;

  private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);

    UINT nTemplateId;
};
