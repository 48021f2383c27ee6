// TamberonDlg.cpp - CTamberonDlg.
#include "TamberonDlg.h"

#include "AboutDlg.h"
#include "FetchGroup.h"
#include "FolderDialog.h"
#include "LogGroup.h"
#include "SettingsGroup.h"
#include "TimersGroup.h"
#include "core/SysCommand.h"
#include "resource.h"

#include <yrapi/net/SocketStartup.h>

#include <windows.h>
#include <winsock2.h>

namespace {

HICON LoadAppIcon(int nMetricX, int nMetricY) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME),
                                         IMAGE_ICON, GetSystemMetrics(nMetricX),
                                         GetSystemMetrics(nMetricY), LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

CTamberonDlg::CTamberonDlg(HWND hParent)
    : hParent(hParent),
      hIcon(LoadAppIcon(SM_CXICON, SM_CYICON)),
      hSmallIcon(LoadAppIcon(SM_CXSMICON, SM_CYSMICON)) {}

CTamberonDlg::~CTamberonDlg() {
    if (hWnd != nullptr && !bModal) DestroyWindow(hWnd);
}

INT_PTR CTamberonDlg::DoModal() {
    bModal = true;
    INT_PTR nResult =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TAMBERON_DIALOG), hParent,
                        &CTamberonDlg::DialogProc, reinterpret_cast<LPARAM>(this));
    hWnd = nullptr;
    return nResult;
}

HWND CTamberonDlg::Create() {
    bModal = false;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TAMBERON_DIALOG),
                              hParent, &CTamberonDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CTamberonDlg::IsAboutCommand(WPARAM nID) { return Tamberon::IsAboutCommand(nID); }

POINT CTamberonDlg::IconOrigin(const RECT& client, int cxIcon, int cyIcon) {
    int nWidth = client.right - client.left;
    int nHeight = client.bottom - client.top;
    return POINT{(nWidth - cxIcon + 1) / 2, (nHeight - cyIcon + 1) / 2};
}

BOOL CTamberonDlg::OnInitDialog() {
    std::string szAboutMenu = LoadResString(IDS_ABOUTBOX);
    HMENU hSysMenu = GetSystemMenu(hWnd, FALSE);
    if (hSysMenu != nullptr && !szAboutMenu.empty()) {
        AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, szAboutMenu.c_str());
    }
    SendMessageA(hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    SendMessageA(hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hSmallIcon));
    // The window shows as soon as this returns (its template is WS_VISIBLE); the host's name
    // and addresses (the socket layer and the resolver) and the console groups come from a
    // message that the dialog's loop takes next, before the first paint. A start thus shows
    // the window without waiting for them, and the first picture has them all.
    PostMessageA(hWnd, kFinishStart, 0, 0);
    // The focus starts on the dialog's action rather than in a read-only field.
    SetFocus(GetDlgItem(hWnd, IDC_CHOOSE_FOLDER));
    return FALSE;
}

void CTamberonDlg::FillHostGroup() {
    char szHostName[256] = {};
    if (gethostname(szHostName, sizeof(szHostName) - 1) != 0) szHostName[0] = '\0';
    SetDlgItemTextA(hWnd, IDC_HOST_NAME, szHostName);

    const YRAPI::CSocketStartup& sockets = YRAPI::GetSocketStartup();
    std::string szAddresses;
    for (int i = 0; i < sockets.nAddrCount; ++i) {
        if (i > 0) szAddresses += ", ";
        szAddresses += sockets.szAddrList[i];
    }
    SetDlgItemTextA(hWnd, IDC_HOST_ADDRESSES, szAddresses.empty() ? "none" : szAddresses.c_str());
}

void CTamberonDlg::CreateGroups() {
    groups.clear();
    auto add = [this](int nPlaceId, std::unique_ptr<CGroupPane> pGroup) {
        if (pGroup->Create(hWnd, nPlaceId) != nullptr) {
            groups.emplace_back(nPlaceId, std::move(pGroup));
        }
    };
    add(IDC_SETTINGS_PLACE, std::make_unique<CSettingsGroup>());
    add(IDC_TIMERS_PLACE, std::make_unique<CTimersGroup>());
    add(IDC_FETCH_PLACE, std::make_unique<CFetchGroup>());
    add(IDC_LOG_PLACE, std::make_unique<CLogGroup>());
}

CGroupPane* CTamberonDlg::GetGroup(int nPlaceId) const {
    for (const auto& [nId, pGroup] : groups) {
        if (nId == nPlaceId) return pGroup.get();
    }
    return nullptr;
}

bool CTamberonDlg::OnSysCommand(WPARAM nID, LPARAM) {
    if (!IsAboutCommand(nID)) return false;
    CAboutDlg dlgAbout(hWnd);
    dlgAbout.DoModal();
    return true;
}

bool CTamberonDlg::OnPaint() {
    if (!IsIconic(hWnd)) return false;
    PAINTSTRUCT paint;
    HDC hDC = BeginPaint(hWnd, &paint);
    SendMessageA(hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    RECT client;
    GetClientRect(hWnd, &client);
    ptLastIcon = IconOrigin(client, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    ++nIconPaints;
    DrawIcon(hDC, ptLastIcon.x, ptLastIcon.y, hIcon);
    EndPaint(hWnd, &paint);
    return true;
}

HICON CTamberonDlg::OnQueryDragIcon() { return hIcon; }

std::string CTamberonDlg::LoadResString(UINT nID) const {
    char szText[256] = {};
    LoadStringA(GetModuleHandleA(nullptr), nID, szText, sizeof(szText));
    return szText;
}

void CTamberonDlg::OnChooseFolder() {
    CFolderDialog dlg(szFolder.empty() ? nullptr : szFolder.c_str(), BIF_RETURNONLYFSDIRS, hWnd);
    if (dlg.DoModal() != IDOK) return;
    szFolder = dlg.GetFolderPath();
    SetDlgItemTextA(hWnd, IDC_FOLDER, szFolder.c_str());
}

void CTamberonDlg::End(INT_PTR nResult) {
    if (bModal) {
        EndDialog(hWnd, nResult);
    } else {
        DestroyWindow(hWnd);
    }
}

INT_PTR CTamberonDlg::HandleMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case kFinishStart:
            FillHostGroup();
            CreateGroups();
            return TRUE;
        case WM_SYSCOMMAND:
            if (!OnSysCommand(wParam, lParam)) return FALSE;
            SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, 0);
            return TRUE;
        case WM_PAINT:
            return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            // One of the messages whose answer a dialog procedure returns itself.
            return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDCANCEL:
                case IDOK:
                    End(LOWORD(wParam));
                    return TRUE;
                case IDC_CHOOSE_FOLDER:
                    if (HIWORD(wParam) == BN_CLICKED) OnChooseFolder();
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_DESTROY:
            return FALSE;
        case WM_NCDESTROY:
            // The groups' windows went with the dialog's.
            groups.clear();
            hWnd = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK CTamberonDlg::DialogProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    if (nMessage == WM_INITDIALOG) {
        auto* pDlg = reinterpret_cast<CTamberonDlg*>(lParam);
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDlg->hWnd = hWnd;
    }
    auto* pDlg = reinterpret_cast<CTamberonDlg*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    if (pDlg == nullptr) return FALSE;
    return pDlg->HandleMessage(nMessage, wParam, lParam);
}
