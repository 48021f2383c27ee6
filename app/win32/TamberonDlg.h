// TamberonDlg.h - CTamberonDlg, the main dialog of the Win32 program (dialog resource 102):
// its frame (icon 128 large and small, the About entry on the system menu, the About command,
// the icon drawn while minimised, the drag icon) and its groups: the host's name and IPv4
// addresses, and a folder chosen with the shell's folder browser. Esc, the Close button and
// the close box end it.
//
// Thread-safety: GUI thread only. Ownership: the dialog owns nothing but its window; its
// icons are the module's shared ones.
#pragma once

#include "GroupPane.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

class CTamberonDlg {
  public:
    explicit CTamberonDlg(HWND hParent = nullptr);
    virtual ~CTamberonDlg();

    CTamberonDlg(const CTamberonDlg&) = delete;
    CTamberonDlg& operator=(const CTamberonDlg&) = delete;

    /// Runs the dialog modally (DialogBoxParam) until it ends; its result (IDCANCEL after
    /// Esc or the close box), or -1 when it cannot be created.
    INT_PTR DoModal();

    /// Creates the dialog without running it (the caller's message loop drives it); ending it
    /// destroys the window. The window, or null.
    HWND Create();

    /// The dialog's window while it exists; else null.
    HWND GetSafeHwnd() const { return hWnd; }
    /// The application icon, in the system's large or small icon size.
    HICON GetIcon(bool bLarge) const { return bLarge ? hIcon : hSmallIcon; }
    /// Where the icon was last drawn while minimised, and how many times.
    POINT GetLastIconOrigin() const { return ptLastIcon; }
    int GetIconPaintCount() const { return nIconPaints; }
    /// The folder last chosen with Choose Folder... (empty until one is).
    const std::string& GetFolder() const { return szFolder; }
    /// The console group that took the place of frame nPlaceId (IDC_*_PLACE), or null (also
    /// before the dialog's loop, or a caller's, has taken the message that creates them).
    CGroupPane* GetGroup(int nPlaceId) const;

    /// Whether system command nID opens the About box: taken as 16 bits and with its low four
    /// bits (the system's own) cleared, it is the About entry's id (so 16 to 31).
    static bool IsAboutCommand(WPARAM nID);
    /// Where an icon of cxIcon by cyIcon is drawn centred in a client area.
    static POINT IconOrigin(const RECT& client, int cxIcon, int cyIcon);

  protected:
    /// Adds the About entry to the system menu (unless its text is empty), sets the icons and
    /// posts the message on which the Host group is filled and the console groups are
    /// created, which the dialog's loop takes once the window shows. The focus starts on Choose
    /// Folder... (FALSE: it is set here).
    virtual BOOL OnInitDialog();
    /// The About command opens the About box; false for every other command, which then
    /// gets the default handling.
    virtual bool OnSysCommand(WPARAM nID, LPARAM lParam);
    /// While minimised, erases the icon's background and draws the icon centred; false
    /// otherwise (the dialog paints as usual).
    virtual bool OnPaint();
    /// The icon shown while the minimised window is dragged.
    virtual HICON OnQueryDragIcon();
    /// Choose Folder...: runs the folder chooser from the folder shown, shows the one chosen.
    virtual void OnChooseFolder();
    /// The text of string resource nID of the program ("" when there is none).
    virtual std::string LoadResString(UINT nID) const;

  private:
    /// Posted to itself by OnInitDialog: fill the Host group and create the console groups.
    static constexpr UINT kFinishStart = WM_APP + 1;

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT nMessage, WPARAM wParam, LPARAM lParam);
    void FillHostGroup();
    /// Creates the console groups, each over its frame.
    void CreateGroups();
    void End(INT_PTR nResult);

    HWND hParent;
    HWND hWnd = nullptr;
    HICON hIcon = nullptr;
    HICON hSmallIcon = nullptr;
    bool bModal = false;
    POINT ptLastIcon{};
    int nIconPaints = 0;
    std::string szFolder;
    std::vector<std::pair<int, std::unique_ptr<CGroupPane>>> groups;  // frame id, group
};
