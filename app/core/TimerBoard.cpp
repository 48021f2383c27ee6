// TimerBoard.cpp - the dialog's timer slots.
#include "TimerBoard.h"

#include <yrapi/platform/Time.h>
#include <yrapi/threads/Timer.h>

#include <array>
#include <atomic>

namespace Tamberon {
namespace {

struct timer_slot {
    YRAPI::timer_item item;             // the listed record; written only while unlisted
    std::atomic<std::uint64_t> nState;  // generation (high 32 bits) and firings (low 32 bits)
    bool bUsed;                         // GUI thread only
};

// Static, trivially destructible and never freed: a late firing always finds valid memory.
constinit std::array<timer_slot, kMaxTimers> gSlots{};

// On the timer thread: counts the firing when the slot still holds the generation that the
// record was listed with.
void OnFire(std::uintptr_t nSlot, std::uintptr_t nGeneration, YRAPI::DWORD) {
    std::atomic<std::uint64_t>& state = gSlots[nSlot].nState;
    std::uint64_t nOld = state.load();
    while ((nOld >> 32) == nGeneration && !state.compare_exchange_weak(nOld, nOld + 1)) {
    }
}

}  // namespace

std::optional<int> AddBoardTimer(std::uint32_t dwIntervalMs, std::int32_t nCount) {
    YRAPI::CTimerThread* pService = YRAPI::GetTimerService();
    if (pService == nullptr) return std::nullopt;
    for (int nSlot = 0; nSlot < kMaxTimers; ++nSlot) {
        timer_slot& slot = gSlots[nSlot];
        if (slot.bUsed) continue;
        // A new generation with no firings; late firings of the slot's last timer miss it.
        std::uint64_t nGeneration = (slot.nState.load() >> 32) + 1;
        slot.nState.store((nGeneration & 0xFFFFFFFFu) << 32);
        slot.item = YRAPI::timer_item{static_cast<std::uintptr_t>(nSlot),
                                      static_cast<std::uintptr_t>(nGeneration & 0xFFFFFFFFu),
                                      YRAPI::platform::GetTickCount() + dwIntervalMs,
                                      dwIntervalMs,
                                      nCount,
                                      &OnFire};
        if (!pService->AddTimer(&slot.item)) return std::nullopt;
        slot.bUsed = true;
        return nSlot;
    }
    return std::nullopt;
}

bool RemoveBoardTimer(int nSlot) {
    if (nSlot < 0 || nSlot >= kMaxTimers || !gSlots[nSlot].bUsed) return false;
    if (YRAPI::CTimerThread* pService = YRAPI::GetTimerService()) {
        pService->RemoveTimer(&gSlots[nSlot].item);
    }
    gSlots[nSlot].bUsed = false;
    return true;
}

std::uint32_t BoardTimerFired(int nSlot) {
    if (nSlot < 0 || nSlot >= kMaxTimers || !gSlots[nSlot].bUsed) return 0;
    return static_cast<std::uint32_t>(gSlots[nSlot].nState.load() & 0xFFFFFFFFu);
}

}  // namespace Tamberon
