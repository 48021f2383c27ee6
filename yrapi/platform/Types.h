// Types.h - the small value types every YRAPI interface is written in.
// Thread-safety: plain types and constants only.
#pragma once

#include <cstdint>

namespace YRAPI {

/// Unsigned 32-bit integer: time-outs, periods, tick readings, thread identifiers, exit codes.
/// On Windows it is the platform's own DWORD (unsigned long, 32 bits there): a program that
/// includes <windows.h> and says `using namespace YRAPI;` names one type with DWORD, and hands
/// the library's values to the system's calls unchanged; printf formats them with %lu there
/// (%u on Linux). <windows.h> may come before or after the yrapi headers: where its macros
/// of the same names (INFINITE, THREAD_PRIORITY_..., STILL_ACTIVE) are already defined, the
/// library's constants are not declared again and the macros, of the same values, stand for
/// them. Such a program names them unqualified (INFINITE, not YRAPI::INFINITE).
#if defined(_WIN32)
using DWORD = unsigned long;
#else
using DWORD = std::uint32_t;
#endif
static_assert(sizeof(DWORD) == 4, "DWORD has 32 bits");

/// A time-out that never runs out.
#ifndef INFINITE
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
#endif

}  // namespace YRAPI
