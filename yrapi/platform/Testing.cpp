// Testing.cpp - the test seams of the platform layer, common to every backend.
#include "yrapi/platform/Testing.h"

#include "yrapi/platform/Internal.h"

#include <array>
#include <atomic>

namespace YRAPI::platform {
namespace {

constexpr std::size_t kFaultKinds = 7;

// Constant-initialised, so the seams work during static initialisation too.
std::atomic<DWORD (*)()> gTickSource{nullptr};
std::array<std::atomic<unsigned>, kFaultKinds> gArmedFaults{};
// Set while any fault is armed, so the normal path costs one relaxed load.
std::atomic<bool> gAnyFaultArmed{false};

}  // namespace

namespace testing {

void SetTickSource(DWORD (*source)()) { gTickSource.store(source); }

void FailNext(Fault fault, unsigned times) {
    gArmedFaults[static_cast<std::size_t>(fault)].store(times);
    bool bAny = false;
    for (auto& armed : gArmedFaults) bAny = bAny || armed.load() != 0;
    gAnyFaultArmed.store(bAny);
}

}  // namespace testing

namespace detail {

bool ConsumeFault(testing::Fault fault) {
    if (!gAnyFaultArmed.load(std::memory_order_relaxed)) return false;
    auto& armed = gArmedFaults[static_cast<std::size_t>(fault)];
    unsigned n = armed.load();
    while (n != 0) {
        if (armed.compare_exchange_weak(n, n - 1)) return true;
    }
    return false;
}

DWORD (*TickSource())() { return gTickSource.load(std::memory_order_relaxed); }

}  // namespace detail
}  // namespace YRAPI::platform
