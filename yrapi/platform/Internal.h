// Internal.h - private to the platform layer: what its backends share with the test seams.
#pragma once

#include <yrapi/platform/Testing.h>
#include <yrapi/platform/Types.h>

namespace YRAPI::platform::detail {

/// True when a refusal of this kind is armed; consumes one.
bool ConsumeFault(testing::Fault fault);

/// The tick source a test installed, or null for the real counter.
DWORD (*TickSource())();

}  // namespace YRAPI::platform::detail
