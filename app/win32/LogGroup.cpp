// LogGroup.cpp - CLogGroup.
#include "LogGroup.h"

#include "FetchLogIds.h"
#include "FolderDialog.h"
#include "core/InputRules.h"
#include "resource.h"

#include <optional>
#include <shlobj.h>

namespace {

constexpr UINT_PTR kRefreshTimer = 1;

// The system's folder for temporary files, without its last separator.
std::string TempFolder() {
    wchar_t szPath[MAX_PATH + 1] = {};
    DWORD dwLength = GetTempPathW(MAX_PATH + 1, szPath);
    if (dwLength == 0 || dwLength > MAX_PATH) return {};
    std::wstring szFolder(szPath, dwLength);
    while (szFolder.size() > 3 && (szFolder.back() == L'\\' || szFolder.back() == L'/')) {
        szFolder.pop_back();
    }
    return GroupText::Narrow(szFolder);
}

}  // namespace

CLogGroup::CLogGroup() : CGroupPane(IDD_LOG_GROUP) {}

CLogGroup::~CLogGroup() {
    // While this object is whole, so that WM_DESTROY reaches OnMessage.
    if (hWnd != nullptr) DestroyWindow(hWnd);
}

void CLogGroup::OnInitDialog() {
    message.Attach(Item(IDC_LOG_MESSAGE));
    GroupText::SetText(Item(IDC_LOG_FOLDER), TempFolder());
    GroupText::SetText(Item(IDC_LOG_FILE), Tamberon::CLogSession::kDefaultFileName);
    GroupText::SetText(Item(IDC_LOG_MAX_SIZE), Tamberon::CLogSession::kDefaultMaxSize);
    GroupText::SetText(Item(IDC_LOG_LEVEL), std::to_string(Tamberon::CLogSession::kDefaultLevel));
    SendMessageW(Item(IDC_LOG_LEVEL), EM_LIMITTEXT, 2, 0);
    SendMessageW(Item(IDC_LOG_LINES), EM_LIMITTEXT, 0, 0);
    GroupText::EnterCommands(Item(IDC_LOG_FILE), IDC_LOG_OPEN);
    GroupText::EnterCommands(Item(IDC_LOG_LEVEL), IDC_LOG_OPEN);
    GroupText::EnterCommands(Item(IDC_LOG_MAX_SIZE), IDC_LOG_OPEN);
    UpdateControls();
}

std::string CLogGroup::LogFilePath() const {
    return Tamberon::CLogSession::LogFilePath(GroupText::GetText(Item(IDC_LOG_FOLDER)),
                                              GroupText::GetText(Item(IDC_LOG_FILE)));
}

void CLogGroup::ShowMessage(const Tamberon::log_message& status) {
    if (!status.szText.empty()) message.Show(status.szText, status.bError);
}

bool CLogGroup::OpenLog() {
    if (session.IsOpen()) return false;
    std::string szProblem;
    std::optional<long long> nLevel =
        Tamberon::ReadNumber(GroupText::GetText(Item(IDC_LOG_LEVEL)), 1, 9, "Level", &szProblem);
    if (!nLevel) {
        message.Show(szProblem, true);
        GroupText::FocusControl(Item(IDC_LOG_LEVEL));
        return false;
    }
    Tamberon::log_settings settings{
        GroupText::GetText(Item(IDC_LOG_FOLDER)), GroupText::GetText(Item(IDC_LOG_FILE)),
        static_cast<int>(*nLevel), GroupText::GetText(Item(IDC_LOG_MAX_SIZE))};
    Tamberon::log_message status;
    bool bOpened = session.Open(settings, &status);
    ShowMessage(status);
    if (!bOpened) {
        using Field = Tamberon::log_message::Field;
        if (status.eField == Field::Folder) GroupText::FocusControl(Item(IDC_LOG_FOLDER));
        if (status.eField == Field::FileName) GroupText::FocusControl(Item(IDC_LOG_FILE));
        if (status.eField == Field::MaxSize) GroupText::FocusControl(Item(IDC_LOG_MAX_SIZE));
        return false;
    }
    SetTimer(hWnd, kRefreshTimer, Tamberon::CLogSession::kRefreshMs, nullptr);
    UpdateControls();
    RefreshLines();
    return true;
}

bool CLogGroup::CloseLog() {
    Tamberon::log_message status;
    if (!session.Close(&status)) return false;
    KillTimer(hWnd, kRefreshTimer);
    ShowMessage(status);
    RefreshLines();
    UpdateControls();
    return true;
}

void CLogGroup::RefreshLines() {
    Tamberon::log_refresh refresh = session.Refresh();
    if (refresh.bNewStatus) ShowMessage(refresh.status);
    using Kind = Tamberon::tail_update::Kind;
    HWND hLines = Item(IDC_LOG_LINES);
    std::wstring szLines = GroupText::EditLines(GroupText::Widen(refresh.lines.szText));
    switch (refresh.lines.eKind) {
        case Kind::None:
            break;
        case Kind::Afresh:
        case Kind::Unreadable:
            GroupText::ReplaceLines(hLines, szLines);
            break;
        case Kind::Append:
            GroupText::AppendLines(hLines, szLines);
            break;
    }
}

void CLogGroup::ChooseFolder() {
    std::string szFolder = Tamberon::TrimBlanks(GroupText::GetText(Item(IDC_LOG_FOLDER)));
    std::string szProblem = Tamberon::FolderProblem(szFolder);
    if (!szFolder.empty() && !szProblem.empty()) {
        message.Show(Tamberon::CLogSession::ChooserStartsWithoutText(szProblem), true);
        szFolder.clear();
    }
    CFolderDialog dlg(szFolder.empty() ? nullptr : szFolder.c_str(), BIF_RETURNONLYFSDIRS,
                      GetAncestor(hWnd, GA_ROOT));
    if (dlg.DoModal() != IDOK) return;
    GroupText::SetText(Item(IDC_LOG_FOLDER), dlg.GetFolderPath());
    message.Show(Tamberon::CLogSession::FolderChosenText(dlg.GetFolderPath()), false);
}

void CLogGroup::UpdateControls() {
    bool bOpen = session.IsOpen();
    // The focus leaves a button that is about to be disabled for its partner.
    HWND hFocus = GetFocus();
    if (bOpen && (hFocus == Item(IDC_LOG_OPEN) || hFocus == Item(IDC_LOG_BROWSE))) {
        GroupText::FocusControl(Item(IDC_LOG_CLOSE));
    }
    if (!bOpen && hFocus == Item(IDC_LOG_CLOSE)) GroupText::FocusControl(Item(IDC_LOG_OPEN));
    EnableWindow(Item(IDC_LOG_OPEN), !bOpen);
    EnableWindow(Item(IDC_LOG_CLOSE), bOpen);
    EnableWindow(Item(IDC_LOG_BROWSE), !bOpen);
    for (int nId : {IDC_LOG_FOLDER, IDC_LOG_FILE, IDC_LOG_LEVEL, IDC_LOG_MAX_SIZE}) {
        SendMessageW(Item(nId), EM_SETREADONLY, bOpen ? TRUE : FALSE, 0);
    }
}

INT_PTR CLogGroup::OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) {
    switch (nMessage) {
        case WM_COMMAND:
            // Enter in the file name or size field opens the log, unless it is open.
            if (LOWORD(wParam) == IDC_LOG_OPEN && HIWORD(wParam) == GroupText::kEnterPressed) {
                if (!session.IsOpen()) OpenLog();
                return TRUE;
            }
            if (HIWORD(wParam) != BN_CLICKED) return FALSE;
            switch (LOWORD(wParam)) {
                case IDC_LOG_OPEN:
                    OpenLog();
                    return TRUE;
                case IDC_LOG_CLOSE:
                    CloseLog();
                    return TRUE;
                case IDC_LOG_BROWSE:
                    ChooseFolder();
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_TIMER:
            if (wParam == kRefreshTimer) RefreshLines();
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return message.OnCtlColor(reinterpret_cast<HDC>(wParam),
                                      reinterpret_cast<HWND>(lParam));
        case WM_DESTROY: {
            KillTimer(hWnd, kRefreshTimer);
            Tamberon::log_message status;
            session.Close(&status);
            return FALSE;
        }
        default:
            return FALSE;
    }
}
