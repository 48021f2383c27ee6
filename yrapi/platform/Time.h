// Time.h - the 32-bit millisecond tick counter and the non-alertable sleep.
// Thread-safety: every function may be called from any thread at any time.
#pragma once

#include <yrapi/platform/Types.h>

namespace YRAPI::platform {

/// Milliseconds since an arbitrary start, as 32 bits: the counter wraps every 2^32 ms, so
/// compare two readings only through their unsigned 32-bit difference. This is the library's
/// one tick reading; tests replace its source with testing::SetTickSource.
DWORD GetTickCount();

/// Blocks the calling thread for at least dwMilliseconds. Signals do not shorten the sleep.
/// Sleep(0) yields the processor.
void Sleep(DWORD dwMilliseconds);

}  // namespace YRAPI::platform
