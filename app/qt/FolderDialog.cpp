// FolderDialog.cpp - CFolderDialog.
#include "FolderDialog.h"

#include "Resources.h"
#include "core/PathText.h"

#include <QCoreApplication>
#include <QWidget>

CFolderDialog::CFolderDialog(const QString& szFolder, unsigned nFlags, QWidget* pParent)
    : szInitialFolder(szFolder) {
    bi = browse_info{};
    bi.pOwner = pParent != nullptr ? pParent->window() : nullptr;
    bi.nFlags = nFlags | BIF_STATUSTEXT;
    bi.pszDisplayName = &szDisplayName;
    bi.szTitle = QCoreApplication::translate("CFolderDialog", "Current Selection");
    bi.pfnCallback = &CFolderDialog::BrowseCallback;
    bi.pData = this;
}

CFolderDialog::~CFolderDialog() = default;

int CFolderDialog::DoModal() {
    szSelectedFolder = szInitialFolder;
    int nResult = IDCANCEL;
    {
        CFolderBrowser browser(bi);
        QModelIndex item = browser.Run();
        if (item.isValid() && browser.PathFromItem(item, &szPath)) {
            szSelectedFolder = szPath;
            nResult = IDOK;
        }
    }
    pBrowser = nullptr;
    return nResult;
}

void CFolderDialog::OnInitialized() {
    pBrowser->SetSelection(szInitialFolder);
    pBrowser->SetStatusText(ShortenForDisplay(szInitialFolder));
}

void CFolderDialog::OnSelChanged(const QModelIndex& item) {
    // An item without a local path (the selection cleared) stores an empty path, as a failed
    // conversion leaves an empty path buffer.
    if (!pBrowser->PathFromItem(item, &szPath)) szPath.clear();
    szSelectedFolder = szPath;
    pBrowser->SetStatusText(ShortenForDisplay(szPath));
}

int CFolderDialog::OnBrowseEvent(CFolderBrowser* pBrowserWindow, unsigned nEvent,
                                 const QModelIndex& item) {
    pBrowser = pBrowserWindow;
    switch (nEvent) {
        case BFFM_INITIALIZED:
            OnInitialized();
            break;
        case BFFM_SELCHANGED:
            OnSelChanged(item);
            break;
        default:
            break;
    }
    return 0;
}

QString CFolderDialog::ShortenForDisplay(const QString& szPath) {
    return QString::fromStdString(Tamberon::ShortenForDisplay(szPath.toStdString()));
}

int CFolderDialog::BrowseCallback(CFolderBrowser* pBrowser, unsigned nEvent,
                                  const QModelIndex& item, void* pData) {
    return static_cast<CFolderDialog*>(pData)->OnBrowseEvent(pBrowser, nEvent, item);
}
