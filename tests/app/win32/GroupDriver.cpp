// GroupDriver.cpp - the console groups' test helpers.
#include "GroupDriver.h"

#include <commctrl.h>
#include <vector>

namespace TamberonTest {

std::string ListText(HWND hList, int nItem, int nColumn) {
    char szText[1024] = {};
    LVITEMA item{};
    item.iSubItem = nColumn;
    item.pszText = szText;
    item.cchTextMax = sizeof(szText);
    SendMessageA(hList, LVM_GETITEMTEXTA, static_cast<WPARAM>(nItem),
                 reinterpret_cast<LPARAM>(&item));
    return szText;
}

int ListCount(HWND hList) { return static_cast<int>(SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0)); }

int FindListRow(HWND hList, const std::string& szText) {
    for (int i = 0; i < ListCount(hList); ++i) {
        if (ListText(hList, i, 0) == szText) return i;
    }
    return -1;
}

void SelectListRow(HWND hList, int nItem) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hList, LVM_SETITEMSTATE, static_cast<WPARAM>(nItem),
                 reinterpret_cast<LPARAM>(&item));
}

bool PumpUntil(HWND hDialog, const std::function<bool()>& pfnDone, DWORD nTimeoutMs) {
    DWORD dwEnd = GetTickCount() + nTimeoutMs;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (hDialog != nullptr && IsWindow(hDialog) && IsDialogMessageA(hDialog, &msg)) {
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (pfnDone()) return true;
        if (static_cast<LONG>(GetTickCount() - dwEnd) >= 0) return pfnDone();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PostKey(HWND hControl, WPARAM nKey) {
    UINT nScan = MapVirtualKeyA(static_cast<UINT>(nKey), 0);
    PostMessageA(hControl, WM_KEYDOWN, nKey, 1 | (static_cast<LPARAM>(nScan) << 16));
    PostMessageA(hControl, WM_KEYUP, nKey, 1 | (static_cast<LPARAM>(nScan) << 16) | (3L << 30));
}

std::string LayoutProblem(HWND hGroup, const std::vector<std::pair<int, int>>& sharing) {
    RECT group;
    GetWindowRect(hGroup, &group);
    std::vector<std::pair<int, RECT>> children;
    for (HWND hChild = GetWindow(hGroup, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(hChild, &rect);
        int nId = GetDlgCtrlID(hChild);
        if (rect.left < group.left || rect.top < group.top || rect.right > group.right ||
            rect.bottom > group.bottom) {
            return "control " + std::to_string(nId) + " reaches out of the group";
        }
        children.emplace_back(nId, rect);
    }
    auto allowed = [&](int a, int b) {
        for (const auto& [x, y] : sharing) {
            if ((x == a && y == b) || (x == b && y == a)) return true;
        }
        return false;
    };
    for (std::size_t i = 0; i < children.size(); ++i) {
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            RECT overlap;
            const RECT& a = children[i].second;
            const RECT& b = children[j].second;
            // The group box frames the others: it is left out.
            bool bFrame = (a.left == group.left && a.top == group.top) ||
                          (b.left == group.left && b.top == group.top);
            if (!bFrame && IntersectRect(&overlap, &a, &b) &&
                !allowed(children[i].first, children[j].first)) {
                return "controls " + std::to_string(children[i].first) + " and " +
                       std::to_string(children[j].first) + " overlap";
            }
        }
    }
    return {};
}

}  // namespace TamberonTest
