// WindowDriver.h - helpers that drive the front end's real dialogs from inside the test
// process: find this thread's windows, read texts back, run steps from a timer while a modal
// dialog's own loop runs, and render a window to check that it draws something.
//
// Thread-safety: the GUI thread of the test, which owns the dialogs; one CModalDriver at a time.
#pragma once

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

namespace TamberonTest {

/// This thread's visible top-level window titled szTitle, or null.
HWND FindThreadWindow(const char* szTitle);

/// A window's text.
std::string WindowText(HWND hWnd);

/// The texts of hParent's descendants of window class szClass, in z-order.
std::vector<std::string> ChildTexts(HWND hParent, const char* szClass);

/// The first descendant of hParent of class szClass whose text is szText, or null.
HWND FindChild(HWND hParent, const char* szClass, const char* szText);

/// Calls pfnStep every 20 ms from a thread timer, which a modal dialog's loop dispatches, until
/// it returns true. After nTimeoutMs it gives up: it cancels the modal windows of this thread
/// (so that a broken dialog fails the test instead of hanging it) and TimedOut() is true.
class CModalDriver {
  public:
    explicit CModalDriver(std::function<bool()> pfnStep, DWORD nTimeoutMs = 20000);
    ~CModalDriver();
    CModalDriver(const CModalDriver&) = delete;
    CModalDriver& operator=(const CModalDriver&) = delete;

    bool Done() const { return bDone; }
    bool TimedOut() const { return bTimedOut; }

  private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Tick();

    std::function<bool()> pfnStep;
    DWORD dwDeadline;
    UINT_PTR nTimer = 0;
    bool bDone = false;
    bool bTimedOut = false;
};

/// Renders hWnd with PrintWindow and counts the distinct colours of the picture; 0 when it
/// cannot be rendered. A drawn dialog has its face, its frame and its texts: several colours.
int CountRenderedColours(HWND hWnd);

/// Lets the dialogs process what is queued (paints, posted messages) for about nMs.
void PumpMessages(DWORD nMs);

}  // namespace TamberonTest
