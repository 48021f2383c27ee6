// Types.h - the small value types every YRAPI interface is written in.
// Thread-safety: plain types and constants only.
#pragma once

#include <cstdint>

namespace YRAPI {

/// Unsigned 32-bit integer: time-outs, periods, tick readings, thread identifiers, exit codes.
using DWORD = std::uint32_t;

/// A time-out that never runs out.
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;

}  // namespace YRAPI
