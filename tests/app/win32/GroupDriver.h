// GroupDriver.h - helpers for the console groups' tests: read a list view's cells, wait for a
// condition while the dialogs run, press a key as the dialog manager sees it, and check that a
// group's controls lie inside it without overlapping.
//
// Thread-safety: the test's GUI thread.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

namespace TamberonTest {

/// The text of a list view's cell.
std::string ListText(HWND hList, int nItem, int nColumn);
/// The number of items of a list view.
int ListCount(HWND hList);
/// The row whose first column reads szText, or -1.
int FindListRow(HWND hList, const std::string& szText);
/// Selects and focuses row nItem of a list view (only it).
void SelectListRow(HWND hList, int nItem);

/// Runs the thread's messages (through the dialog manager of hDialog) until pfnDone is true or
/// nTimeoutMs has passed; pfnDone's last answer.
bool PumpUntil(HWND hDialog, const std::function<bool()>& pfnDone, DWORD nTimeoutMs = 20000);
/// The same without a dialog manager: messages go straight to their windows.
inline bool PumpUntil(const std::function<bool()>& pfnDone, DWORD nTimeoutMs = 20000) {
    return PumpUntil(nullptr, pfnDone, nTimeoutMs);
}

/// Posts a key press (down and up) to hControl, to be read by the loop of PumpUntil, which
/// hands it to the dialog manager of hDialog first, as a real key press would be.
void PostKey(HWND hControl, WPARAM nKey);

/// Empty when every visible child of hGroup lies inside it and no two overlap (but those of
/// the pairs allowed, ids given as {a, b} pairs); otherwise what is wrong.
std::string LayoutProblem(HWND hGroup, const std::vector<std::pair<int, int>>& sharing = {});

}  // namespace TamberonTest
