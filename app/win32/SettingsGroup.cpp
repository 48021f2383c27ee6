// SettingsGroup.cpp - CSettingsGroup.
#include "SettingsGroup.h"

#include "resource.h"

#include <yrapi/text/ConfigFileThread.h>

#include <algorithm>
#include <commctrl.h>
#include <commdlg.h>
#include <vector>

using Tamberon::Win32::WindowText;

namespace {

// The file chooser lives in comdlg32, which the program loads only when the user browses (it
// is not needed at start).
using get_open_file_name = BOOL(WINAPI*)(LPOPENFILENAMEA);

void InitListControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);
}

}  // namespace

CSettingsGroup::CSettingsGroup() : CSettingsGroup(YRAPI::GetConfigFileThread()) {}

CSettingsGroup::CSettingsGroup(CConfigFileThread& table)
    : CGroupPane(IDD_SETTINGS_GROUP), table(table) {
    InitListControls();
}

CSettingsGroup::~CSettingsGroup() {
    // The worker posts to a window that is gone by now, or soon: its message is dropped.
    view.reset();
}

void CSettingsGroup::OnInitDialog() {
    hList = GetDlgItem(hWnd, IDC_SETTINGS_LIST);
    message.Attach(GetDlgItem(hWnd, IDC_SETTINGS_STATUS));
    SendMessageA(hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
    Tamberon::Win32::AddListColumn(hList, 0, "Name", 100, hWnd);
    Tamberon::Win32::AddListColumn(hList, 1, "Value", 0, hWnd);
    Tamberon::Win32::SendEnterAsCommand(GetDlgItem(hWnd, IDC_SETTINGS_PATH), IDC_SETTINGS_LOAD);
    Tamberon::Win32::KeepEnterKey(hList);
    HWND hTarget = hWnd;
    Tamberon::ISettingsViewSink& sink = *this;
    view = std::make_unique<Tamberon::CSettingsView>(
        table, sink, [hTarget] { PostMessageA(hTarget, kDeliver, 0, 0); });
    SendMessageA(hList, LVM_SETITEMCOUNT, view->RowCount(), LVSICF_NOSCROLL);
    SetDlgItemTextA(hWnd, IDC_SETTINGS_RELOAD, view->ReloadText().c_str());
    message.ShowInfo(Tamberon::NoFileText());
}

std::string CSettingsGroup::FileFilter() {
    std::string szPatterns = Tamberon::ConfigFilePatterns();
    std::string szSpec = szPatterns;
    for (char& c : szSpec) {
        if (c == ' ') c = ';';
    }
    std::string szFilter = "Configuration files (" + szPatterns + ")";
    szFilter += '\0';
    szFilter += szSpec;
    szFilter += '\0';
    szFilter += "All files (*.*)";
    szFilter += '\0';
    szFilter += "*.*";
    szFilter += '\0';
    return szFilter;
}

bool CSettingsGroup::Load() {
    std::string szTyped = WindowText(GetDlgItem(hWnd, IDC_SETTINGS_PATH));
    char szFull[MAX_PATH * 4] = {};
    DWORD nFull =
        szTyped.empty() ? 0 : GetFullPathNameA(szTyped.c_str(), sizeof(szFull), szFull, nullptr);
    std::string szPath = nFull > 0 && nFull < sizeof(szFull) ? std::string(szFull) : szTyped;
    std::string szWhy =
        szPath.empty() ? "there is no such file" : Tamberon::SettingsFileProblem(szPath);
    if (!szWhy.empty()) {
        message.ShowError(Tamberon::LoadRefusedText(szPath, szWhy));
        return false;
    }
    if (!view->Load(szPath)) {
        message.ShowError(Tamberon::LoadBusyText());
        return false;
    }
    message.ShowInfo(Tamberon::LoadingText(szPath));
    return true;
}

void CSettingsGroup::Browse() {
    HMODULE hDialogs = LoadLibraryA("comdlg32.dll");
    if (hDialogs == nullptr) return;
    auto pfnOpen = reinterpret_cast<get_open_file_name>(
        reinterpret_cast<void*>(GetProcAddress(hDialogs, "GetOpenFileNameA")));
    if (pfnOpen != nullptr) {
        std::string szFilter = FileFilter();
        std::string szTitle = Tamberon::ChooseFileTitle();
        std::vector<char> file(MAX_PATH * 4, '\0');
        std::string szCurrent =
            view->File().empty() ? WindowText(GetDlgItem(hWnd, IDC_SETTINGS_PATH)) : view->File();
        szCurrent.copy(file.data(), file.size() - 1);
        OPENFILENAMEA choice{};
        choice.lStructSize = sizeof(choice);
        choice.hwndOwner = GetAncestor(hWnd, GA_ROOT);
        choice.lpstrFilter = szFilter.c_str();
        choice.lpstrFile = file.data();
        choice.nMaxFile = static_cast<DWORD>(file.size());
        choice.lpstrTitle = szTitle.c_str();
        choice.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
        if (pfnOpen(&choice)) {
            SetDlgItemTextA(hWnd, IDC_SETTINGS_PATH, file.data());
            Load();
        }
    }
    FreeLibrary(hDialogs);
}

void CSettingsGroup::OnBusyChanged(bool bBusy) {
    HWND hBusy = GetDlgItem(hWnd, IDC_SETTINGS_BUSY);
    SendMessageA(hBusy, PBM_SETMARQUEE, bBusy ? TRUE : FALSE, 30);
    ShowWindow(hBusy, bBusy ? SW_SHOWNA : SW_HIDE);
    ShowWindow(GetDlgItem(hWnd, IDC_SETTINGS_RELOAD), bBusy ? SW_HIDE : SW_SHOWNA);
    EnableWindow(GetDlgItem(hWnd, IDC_SETTINGS_LOAD), bBusy ? FALSE : TRUE);
    EnableWindow(GetDlgItem(hWnd, IDC_SETTINGS_BROWSE), bBusy ? FALSE : TRUE);
}

void CSettingsGroup::OnRowsChanged(std::size_t nFirst, std::size_t nLast) {
    SendMessageA(hList, LVM_REDRAWITEMS, nFirst, static_cast<LPARAM>(nLast));
}

void CSettingsGroup::OnRowsAdding(std::size_t, std::size_t) {}

void CSettingsGroup::OnRowsAdded() {
    // Rows are only added at the end: the ones shown, and an open editor, stay put.
    SendMessageA(hList, LVM_SETITEMCOUNT, view->RowCount(),
                 LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void CSettingsGroup::OnLoadEnded(bool bLoaded, const std::string& szPath) {
    if (!bLoaded) {
        message.ShowError(Tamberon::LoadRefusedText(szPath, Tamberon::WhyNotLoaded(szPath)));
        return;
    }
    SetDlgItemTextA(hWnd, IDC_SETTINGS_PATH, szPath.c_str());
    message.ShowInfo(Tamberon::LoadedText(view->DefinedCount()));
    if (!bPolling) {
        // The table changes only by loads: it is looked at once a file has been loaded.
        SetTimer(hWnd, kPollTimer, 250, nullptr);
        bPolling = true;
    }
    SetDlgItemTextA(hWnd, IDC_SETTINGS_RELOAD, view->ReloadText().c_str());
}

void CSettingsGroup::OnReloaded() {
    SetDlgItemTextA(hWnd, IDC_SETTINGS_RELOAD, view->ReloadText().c_str());
}

int CSettingsGroup::SelectedRow() const {
    return static_cast<int>(SendMessageA(hList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         LVNI_FOCUSED | LVNI_SELECTED));
}

bool CSettingsGroup::BeginEdit(int nRow) {
    if (view == nullptr || nRow < 0 || static_cast<std::size_t>(nRow) >= view->RowCount()) {
        return false;
    }
    if (hEditor != nullptr) EndEdit(true);
    SendMessageA(hList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(nRow), FALSE);
    RECT cell{};
    cell.top = 1;  // the value's column
    cell.left = LVIR_BOUNDS;
    if (SendMessageA(hList, LVM_GETSUBITEMRECT, static_cast<WPARAM>(nRow),
                     reinterpret_cast<LPARAM>(&cell)) == 0) {
        return false;
    }
    RECT client;
    GetClientRect(hList, &client);
    cell.right = std::min(cell.right, client.right);
    nEditRow = nRow;
    hEditor =
        CreateWindowExA(0, "EDIT", view->Value(static_cast<std::size_t>(nRow)).c_str(),
                        WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, cell.left, cell.top - 1,
                        cell.right - cell.left, cell.bottom - cell.top + 2, hList,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_SETTINGS_EDITOR)),
                        GetModuleHandleA(nullptr), nullptr);
    if (hEditor == nullptr) return false;
    SendMessageA(hEditor, WM_SETFONT, SendMessageA(hList, WM_GETFONT, 0, 0), FALSE);
    ++nEditorSerial;
    SetWindowSubclass(hEditor, &CSettingsGroup::EditorProc, static_cast<UINT_PTR>(nEditorSerial),
                      reinterpret_cast<DWORD_PTR>(this));
    SendMessageA(hEditor, EM_SETSEL, 0, -1);
    SetFocus(hEditor);
    return true;
}

void CSettingsGroup::EndEdit(bool bSave) {
    if (hEditor == nullptr) return;
    HWND hClosing = hEditor;
    int nRow = nEditRow;
    hEditor = nullptr;
    nEditRow = -1;
    std::string szValue = WindowText(hClosing);
    if (GetFocus() == hClosing) SetFocus(hList);
    DestroyWindow(hClosing);
    if (!bSave || static_cast<std::size_t>(nRow) >= view->RowCount()) return;
    Tamberon::settings_edit outcome = view->Edit(static_cast<std::size_t>(nRow), szValue);
    if (outcome.bChanged) {
        message.ShowInfo(outcome.szText);
        SendMessageA(hList, LVM_REDRAWITEMS, static_cast<WPARAM>(nRow), nRow);
        SetDlgItemTextA(hWnd, IDC_SETTINGS_RELOAD, view->ReloadText().c_str());
    } else {
        message.ShowError(outcome.szText);
    }
}

LRESULT CALLBACK CSettingsGroup::EditorProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR nSubclassId, DWORD_PTR pGroup) {
    auto* pThis = reinterpret_cast<CSettingsGroup*>(pGroup);
    auto nSerial = static_cast<LPARAM>(nSubclassId);
    switch (nMessage) {
        case WM_GETDLGCODE:
            // Enter and Esc are the editor's, not the main dialog's (which would end).
            return DLGC_WANTALLKEYS | DefSubclassProc(hWnd, nMessage, wParam, lParam);
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                PostMessageA(pThis->hWnd, kEndEdit, wParam == VK_RETURN ? 1 : 0, nSerial);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == '\r' || wParam == 0x1B) return 0;  // no beep
            break;
        case WM_KILLFOCUS:
            // Leaving the editor keeps what was typed.
            PostMessageA(pThis->hWnd, kEndEdit, 1, nSerial);
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hWnd, &CSettingsGroup::EditorProc, nSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(hWnd, nMessage, wParam, lParam);
}

INT_PTR CSettingsGroup::OnNotify(const NMHDR* pHeader) {
    if (pHeader->hwndFrom != hList) return FALSE;
    auto answer = [this](LRESULT nResult) {
        SetWindowLongPtrA(hWnd, DWLP_MSGRESULT, nResult);
        return TRUE;
    };
    if (Tamberon::Win32::AnswerDispInfo(pHeader, [this](int nItem, int nColumn) -> std::string {
            if (nItem < 0 || static_cast<std::size_t>(nItem) >= view->RowCount()) return {};
            auto nRow = static_cast<std::size_t>(nItem);
            return nColumn == 0 ? view->Name(nRow) : view->Value(nRow);
        })) {
        return TRUE;
    }
    switch (pHeader->code) {
        case NM_CUSTOMDRAW: {
            const auto* pDraw = reinterpret_cast<const NMLVCUSTOMDRAW*>(pHeader);
            if (pDraw->nmcd.dwDrawStage == CDDS_PREPAINT) return answer(CDRF_NOTIFYITEMDRAW);
            if (pDraw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
                // Names the current file does not define are kept from before: greyed.
                if (view->IsKept(static_cast<std::size_t>(pDraw->nmcd.dwItemSpec))) {
                    const_cast<NMLVCUSTOMDRAW*>(pDraw)->clrText = GetSysColor(COLOR_GRAYTEXT);
                }
                return answer(CDRF_DODEFAULT);
            }
            return answer(CDRF_DODEFAULT);
        }
        case LVN_GETINFOTIPA: {
            const auto* pTip = reinterpret_cast<const NMLVGETINFOTIPA*>(pHeader);
            Tamberon::Win32::CopyItemText(view->RowTip(static_cast<std::size_t>(pTip->iItem)),
                                          pTip->pszText, pTip->cchTextMax, false);
            return TRUE;
        }
        case LVN_GETINFOTIPW: {
            const auto* pTip = reinterpret_cast<const NMLVGETINFOTIPW*>(pHeader);
            Tamberon::Win32::CopyItemText(view->RowTip(static_cast<std::size_t>(pTip->iItem)),
                                          pTip->pszText, pTip->cchTextMax, true);
            return TRUE;
        }
        case NM_DBLCLK: {
            const auto* pClick = reinterpret_cast<const NMITEMACTIVATE*>(pHeader);
            if (pClick->iItem >= 0) BeginEdit(pClick->iItem);
            return TRUE;
        }
        case LVN_KEYDOWN: {
            const auto* pKey = reinterpret_cast<const NMLVKEYDOWN*>(pHeader);
            if (pKey->wVKey == VK_F2 || pKey->wVKey == VK_RETURN) BeginEdit(SelectedRow());
            return TRUE;
        }
        default:
            return FALSE;
    }
}

INT_PTR CSettingsGroup::OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_SETTINGS_LOAD:
                    Load();
                    return TRUE;
                case IDC_SETTINGS_BROWSE:
                    Browse();
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_NOTIFY:
            return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
        case WM_TIMER:
            if (wParam == kPollTimer) view->Refresh();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return message.OnCtlColor(reinterpret_cast<HDC>(wParam),
                                      reinterpret_cast<HWND>(lParam));
        case kDeliver:
            view->Deliver();
            return TRUE;
        case kEndEdit:
            if (lParam == nEditorSerial) EndEdit(wParam != 0);
            return TRUE;
        case WM_DESTROY:
            if (bPolling) KillTimer(hWnd, kPollTimer);
            bPolling = false;
            return FALSE;
        default:
            return FALSE;
    }
}
