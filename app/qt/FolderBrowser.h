// FolderBrowser.h - CFolderBrowser, the folder browser window: a tree of the local folders (a
// QFileSystemModel showing folders only), the caller's title text above it, a status line
// and OK and Cancel. It is driven through a browse_info record, as a shell's folder browser
// is: it reports its events (initialised, selection changed) to the record's callback, and
// the callback steers it with SetSelection and SetStatusText. A chosen folder that vanishes
// from the disk is shown as gone, and OK is refused until a folder that exists is chosen
// (the model moving the selection to a neighbour is no choice of the user's).
//
// Thread-safety: GUI thread only. The model reads folders on a thread of Qt's own and hands
// the results to the GUI thread. Ownership: built on the caller's stack for one Run; it
// owns its model and widgets.
#pragma once

#include <QDialog>
#include <QModelIndex>
#include <QString>

class CFolderBrowser;
class QDialogButtonBox;
class QFileSystemModel;
class QLabel;
class QTreeView;

/// A browser event: the browser, the event, its item (selection changed) and the caller's
/// value. The browser ignores the result.
using BrowseCallbackProc = int (*)(CFolderBrowser* pBrowser, unsigned nEvent,
                                   const QModelIndex& item, void* pData);

/// Browser events.
constexpr unsigned BFFM_INITIALIZED = 1;
constexpr unsigned BFFM_SELCHANGED = 2;

/// Browser flags: show a status line under the tree.
constexpr unsigned BIF_STATUSTEXT = 0x0004;

/// What a browser is asked to do.
struct browse_info {
    QWidget* pOwner = nullptr;          ///< the owner window, or none
    QString* pszDisplayName = nullptr;  ///< receives the chosen folder's name, if not null
    QString szTitle;                    ///< the text above the tree
    unsigned nFlags = 0;                ///< BIF_... flags
    BrowseCallbackProc pfnCallback = nullptr;
    void* pData = nullptr;  ///< handed to pfnCallback unchanged
};

class CFolderBrowser : public QDialog {
    Q_OBJECT

  public:
    /// A browser for info (which must outlive it), owned by info.pOwner's window.
    explicit CFolderBrowser(const browse_info& info);
    ~CFolderBrowser() override;

    /// Runs the browser modally: the chosen item after OK, an invalid index after Cancel.
    /// The item stays valid while the browser exists.
    QModelIndex Run();

    /// The selected item, or an invalid index.
    QModelIndex SelectedItem() const;

    /// Selects the folder at szPath and shows it; false when there is no such folder.
    bool SetSelection(const QString& szPath);

    /// Shows szText in the status line (when the browser has one).
    void SetStatusText(const QString& szText);

    /// The local folder path of item, in *pszPath; false when item is no existing local
    /// folder (a node without a path, or a folder that has gone).
    bool PathFromItem(const QModelIndex& item, QString* pszPath) const;

    /// OK: closes the browser only when the selected folder is the one the user chose and it
    /// still exists; otherwise the status line says so and the browser stays.
    void accept() override;

    /// False (and the status line says the folder is gone) when the folder the user chose
    /// last no longer exists.
    bool CheckChosen();

    QLabel* TitleLabel() const { return pTitle; }
    QLabel* StatusLabel() const { return pStatus; }
    QTreeView* Tree() const { return pTree; }
    QDialogButtonBox* Buttons() const { return pButtons; }

  protected:
    void showEvent(QShowEvent* pEvent) override;

  private:
    void Notify(unsigned nEvent, const QModelIndex& item);

    const browse_info& info;
    QFileSystemModel* pModel;
    QLabel* pTitle;
    QTreeView* pTree;
    QLabel* pStatus;
    QDialogButtonBox* pButtons;
    bool bInitialized = false;
    QString szChosen;         // the folder the user selected last, or empty
    bool bGone = false;       // szChosen has vanished (shown in the status line)
    bool bRowsGoing = false;  // between the model's announcement of removed rows and its end
    bool bClearing = false;   // while the browser clears the selection itself
};
