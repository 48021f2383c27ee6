// FolderDialog.h - CFolderDialog, the reusable folder chooser on the shell's folder browser
// (SHBrowseForFolder). The browser always shows a status line (BIF_STATUSTEXT is always added)
// with the selection shortened for display, and each selection change is stored, so that
// after Cancel the chooser still knows the folder the user last looked at.
//
// Paths are the A calls' text: UTF-8 under the program's manifest (Windows 10 1903 and later),
// the system's code page before that.
//
// Thread-safety: GUI thread only. DoModal initialises COM (apartment-threaded) on its thread
// the first time, for the rest of the thread's life.
// Ownership: the chooser owns its record and buffers; the browser window exists only during
// DoModal, and its item lists are freed through the shell's allocator.
#pragma once

#include <shlobj.h>
#include <string>
#include <windows.h>

class CFolderDialog {
  public:
    /// A chooser that starts at szFolder (none when null), with dwFlags (BIF_STATUSTEXT is
    /// always added) and owned by hParent (none when null).
    explicit CFolderDialog(const char* szFolder = nullptr, UINT dwFlags = 0,
                           HWND hParent = nullptr);
    virtual ~CFolderDialog();

    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    /// Runs the browser. IDOK when the user chose a folder of the file system: it becomes the
    /// selected folder. Otherwise IDCANCEL, and the selected folder is what the last selection
    /// change stored (the initial folder when none did).
    virtual INT_PTR DoModal();

    /// The browser has started: selects the initial folder and shows it shortened.
    virtual void OnInitialized();

    /// The selection changed to pidl: stores its path (empty for an item that is not a
    /// folder of the file system) and shows it shortened.
    virtual void OnSelChanged(LPCITEMIDLIST pidl);

    /// Every browser event: stores the browser's window, then BFFM_INITIALIZED goes to
    /// OnInitialized and BFFM_SELCHANGED to OnSelChanged; other events do nothing. Always 0.
    virtual int OnBrowseEvent(HWND hWnd, UINT nEvent, LPARAM lParam);

    const std::string& GetFolderPath() const { return szSelectedFolder; }
    const std::string& GetInitialFolder() const { return szInitialFolder; }
    const char* GetDisplayName() const { return szDisplayName; }
    const BROWSEINFOA& GetBrowseInfo() const { return bi; }
    /// The running browser's window, from its first event until DoModal returns; else null.
    HWND GetBrowserWindow() const { return hBrowser; }

    /// szPath as the status line shows it (the core's rule: whole up to its short length in
    /// characters, UTF-8 sequences counting as one, else cut and marked with "...").
    static std::string ShortenForDisplay(const std::string& szPath);

  protected:
    BROWSEINFOA bi;
    std::string szInitialFolder;
    std::string szSelectedFolder;
    char szDisplayName[MAX_PATH];
    char szPath[MAX_PATH];  // the latest item converted to a path
    HWND hBrowser = nullptr;

  private:
    static int CALLBACK BrowseCallbackProc(HWND hWnd, UINT nEvent, LPARAM lParam, LPARAM lpData);
};
