// FolderDialog.cpp - CFolderDialog.
#include "FolderDialog.h"

#include "core/PathText.h"

#include <cstring>

CFolderDialog::CFolderDialog(const char* szFolder, UINT dwFlags, HWND hParent)
    : szInitialFolder(szFolder != nullptr ? szFolder : ""), szDisplayName(), szPath() {
    std::memset(&bi, 0, sizeof(bi));
    bi.hwndOwner = hParent;
    bi.ulFlags = dwFlags | BIF_STATUSTEXT;
    bi.pszDisplayName = szDisplayName;
    bi.lpszTitle = "Current Selection";
    bi.lpfn = &CFolderDialog::BrowseCallbackProc;
    bi.lParam = reinterpret_cast<LPARAM>(this);
}

CFolderDialog::~CFolderDialog() = default;

INT_PTR CFolderDialog::DoModal() {
    // The shell's browser needs COM on this thread: started with the first browser, kept
    // (apartment-threaded) until the thread ends, so that a program that never browses does
    // not pay for it at start-up.
    thread_local const HRESULT hrCom =
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    (void)hrCom;
    szSelectedFolder = szInitialFolder;
    INT_PTR nResult = IDCANCEL;
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    if (pidl != nullptr) {
        if (SHGetPathFromIDListA(pidl, szPath)) {
            szSelectedFolder = szPath;
            nResult = IDOK;
        }
        IMalloc* pMalloc = nullptr;
        if (SUCCEEDED(SHGetMalloc(&pMalloc))) {
            pMalloc->Free(pidl);
            pMalloc->Release();
        }
    }
    hBrowser = nullptr;
    return nResult;
}

void CFolderDialog::OnInitialized() {
    SendMessageA(hBrowser, BFFM_SETSELECTIONA, TRUE,
                 reinterpret_cast<LPARAM>(szInitialFolder.c_str()));
    std::string szShown = ShortenForDisplay(szInitialFolder);
    SendMessageA(hBrowser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(szShown.c_str()));
}

void CFolderDialog::OnSelChanged(LPCITEMIDLIST pidl) {
    // A failed conversion (an item outside the file system) leaves no path behind it.
    if (!SHGetPathFromIDListA(pidl, szPath)) szPath[0] = '\0';
    szSelectedFolder = szPath;
    std::string szShown = ShortenForDisplay(szPath);
    SendMessageA(hBrowser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(szShown.c_str()));
}

int CFolderDialog::OnBrowseEvent(HWND hWnd, UINT nEvent, LPARAM lParam) {
    hBrowser = hWnd;
    switch (nEvent) {
        case BFFM_INITIALIZED:
            OnInitialized();
            break;
        case BFFM_SELCHANGED:
            OnSelChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
            break;
        default:
            break;
    }
    return 0;
}

std::string CFolderDialog::ShortenForDisplay(const std::string& szPath) {
    return Tamberon::ShortenForDisplay(szPath);
}

int CALLBACK CFolderDialog::BrowseCallbackProc(HWND hWnd, UINT nEvent, LPARAM lParam,
                                               LPARAM lpData) {
    reinterpret_cast<CFolderDialog*>(lpData)->OnBrowseEvent(hWnd, nEvent, lParam);
    return 0;
}
