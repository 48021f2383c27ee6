// TimerList.h - CTimerList, the timer group's rows over the timer board (TimerBoard.h): a
// timer added from the group's two fields (checked, with the message that says what is
// wrong), its texts (number, interval, count, firings), the slot of a timer whose count ran
// out given back to the board, a timer removed. Rows keep their order; a front end shows row
// i of the list as item i of its own list.
//
// Thread-safety: the front end's thread only (the board's firings are read from atomics).
// Ownership: the list removes the timers it added when it goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Tamberon {

/// The outcome of CTimerList::Add: bAdded, and the text to show (an error when not added);
/// nBadField says which field to put the focus in when not added (0 the interval, 1 the
/// count, -1 neither).
struct timer_add {
    bool bAdded = false;
    int nBadField = -1;
    std::string szText;
};

class CTimerList {
  public:
    /// The list's columns, in order, and their headings.
    enum { kNumber, kInterval, kCount, kFired, kColumns };
    static const char* Heading(int nColumn);

    CTimerList() = default;
    ~CTimerList();
    CTimerList(const CTimerList&) = delete;
    CTimerList& operator=(const CTimerList&) = delete;

    /// Checks the interval (1 to 3600000 ms) and the count (-1 for no end, or 1 to 1000000)
    /// and adds a timer at the end of the list.
    timer_add Add(const std::string& szInterval, const std::string& szCount);

    /// Removes row nRow; the text that says so (empty when there is no such row).
    std::string Remove(std::size_t nRow);

    /// Reads the firings; a timer whose count ran out gives its slot back. True while a timer
    /// still runs (a front end's refresh timer may stop otherwise).
    bool Refresh();

    std::size_t Size() const { return rows.size(); }
    /// The text of row nRow in nColumn.
    std::string Text(std::size_t nRow, int nColumn) const;
    /// Firings of row nRow so far.
    std::uint32_t Fired(std::size_t nRow) const;

  private:
    struct row {
        int nNumber;
        int nSlot;  // -1 once a finished timer's slot is freed
        long long nIntervalMs;
        long long nCount;          // -1: no end
        std::uint32_t nFinal = 0;  // the firings of a finished timer
    };

    std::vector<row> rows;
    int nNextNumber = 1;
};

/// "1 firing", "N firings".
std::string FiringsText(std::uint32_t nFired);

}  // namespace Tamberon
