// FolderDialog.h - CFolderDialog, the reusable folder chooser: it fills a browse_info record,
// runs a CFolderBrowser with it and keeps the folder chosen. While the browser runs, the
// selection is shown shortened in its status line (the status flag is always set), and each
// selection change is stored, so that after Cancel the chooser still knows the folder the
// user last looked at.
//
// Thread-safety: GUI thread only. Ownership: the chooser owns its record and texts; the
// browser exists only during DoModal (pBrowser is null outside it).
#pragma once

#include "FolderBrowser.h"

#include <QModelIndex>
#include <QString>

class QWidget;

class CFolderDialog {
  public:
    /// A chooser that starts at szFolder (none when empty), with nFlags (BIF_STATUSTEXT is
    /// always added) and owned by pParent's window (none when null).
    explicit CFolderDialog(const QString& szFolder = QString(), unsigned nFlags = 0,
                           QWidget* pParent = nullptr);
    virtual ~CFolderDialog();

    CFolderDialog(const CFolderDialog&) = delete;
    CFolderDialog& operator=(const CFolderDialog&) = delete;

    /// Runs the browser. IDOK when the user chose a folder that is a local folder: it becomes
    /// the selected folder. Otherwise IDCANCEL, and the selected folder is what the last
    /// selection change stored (the initial folder when none did).
    virtual int DoModal();

    /// The browser has started: selects the initial folder and shows it shortened.
    virtual void OnInitialized();

    /// The selection changed to item: stores its path and shows it shortened.
    virtual void OnSelChanged(const QModelIndex& item);

    /// Every browser event: stores the browser, then BFFM_INITIALIZED goes to OnInitialized
    /// and BFFM_SELCHANGED to OnSelChanged; other events do nothing. Always 0.
    virtual int OnBrowseEvent(CFolderBrowser* pBrowser, unsigned nEvent, const QModelIndex& item);

    const QString& GetFolderPath() const { return szSelectedFolder; }
    const QString& GetInitialFolder() const { return szInitialFolder; }
    const QString& GetDisplayName() const { return szDisplayName; }
    const browse_info& GetBrowseInfo() const { return bi; }

    /// szPath as the status line shows it (the core's rule: whole up to its short length in
    /// characters, else cut).
    static QString ShortenForDisplay(const QString& szPath);

  protected:
    browse_info bi;
    QString szInitialFolder;
    QString szSelectedFolder;
    QString szDisplayName;
    QString szPath;                      // the latest item converted to a path
    CFolderBrowser* pBrowser = nullptr;  // the running browser, from its first event on

  private:
    static int BrowseCallback(CFolderBrowser* pBrowser, unsigned nEvent, const QModelIndex& item,
                              void* pData);
};
