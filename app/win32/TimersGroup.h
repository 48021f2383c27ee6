// TimersGroup.h - CTimersGroup, the main dialog's timer group on the core's timer rows
// (core/TimerList.h): an interval and a count (checked as the core says; a bad field gets the
// focus and the message line says why), Add, the timers in a report list whose firing counts
// a GUI timer refreshes every 100 ms while one runs, and Remove for the selected timer.
//
// Threads and messages: the firings are counted on the timer service's thread in atomics the
// list reads on WM_TIMER; nothing is posted. Thread-safety: GUI thread only. Ownership: the
// main dialog owns the group; its CTimerList removes the timers it added when the group goes.
#pragma once

#include "GroupControls.h"
#include "GroupPane.h"
#include "core/TimerList.h"

class CTimersGroup : public CGroupPane {
  public:
    CTimersGroup();

    /// Checks the fields and adds a timer; false (with a message) when the input is bad or
    /// the board takes no more.
    bool AddTimer();
    /// Removes the selected timer; false when none is selected.
    bool RemoveSelected();
    /// Reads the firing counts into the list.
    void Refresh();

    const Tamberon::CTimerList& Timers() const { return timers; }
    const Tamberon::Win32::CMessageLine& Message() const { return message; }

  protected:
    void OnInitDialog() override;
    INT_PTR OnMessage(UINT nMessage, WPARAM wParam, LPARAM lParam) override;

  private:
    static constexpr UINT_PTR kRefreshTimer = 1;

    int SelectedRow() const;
    void Select(int nRow);

    Tamberon::CTimerList timers;
    Tamberon::Win32::CMessageLine message;
    HWND hList = nullptr;
    bool bRefreshing = false;
};
