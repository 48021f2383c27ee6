// TimerBoard.h - the dialog's timers on the process-wide timer service: each one counts its
// firings in an atomic that the GUI reads when it repaints (a firing every millisecond would
// flood the GUI with events; the count cannot).
//
// Thread-safety: Add, Remove and Fired are called from the GUI thread. The service's callback
// runs on the timer thread at time-critical priority and touches one atomic word only.
// Ownership and lifetime: the records and counters live in a fixed table with static storage,
// never freed, because the service may deliver one more firing of a timer removed during a
// pass; a slot's generation, carried in the record, keeps such a late firing from counting
// for the next timer that reuses the slot.
#pragma once

#include <cstdint>
#include <optional>

namespace Tamberon {

/// How many timers the dialog can run at once.
constexpr int kMaxTimers = 16;

/// Lists a timer firing every dwIntervalMs (from dwIntervalMs from now), nCount times (-1:
/// without end) on the process-wide service. Its slot, or none when every slot is taken, the
/// service is gone, or it refuses the record.
std::optional<int> AddBoardTimer(std::uint32_t dwIntervalMs, std::int32_t nCount);

/// Unlists the timer in nSlot and frees the slot; false when the slot holds none.
bool RemoveBoardTimer(int nSlot);

/// Firings counted so far for the timer in nSlot (0 for a free slot).
std::uint32_t BoardTimerFired(int nSlot);

}  // namespace Tamberon
