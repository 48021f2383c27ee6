// win32/Time.cpp - the system's tick counter and its non-alertable sleep.
#include "yrapi/platform/Time.h"

#include "yrapi/platform/Internal.h"
#include "yrapi/platform/win32/Win32.h"

namespace YRAPI::platform {

DWORD GetTickCount() {
    if (DWORD(*source)() = detail::TickSource()) return source();
    return ::GetTickCount();  // wraps every 2^32 ms (49.7 days), as callers expect
}

void Sleep(DWORD dwMilliseconds) {
    // Not alertable: no queued APC or I/O completion routine runs here or ends it early.
    win32::CTerminableWait wait;
    ::SleepEx(dwMilliseconds, FALSE);
}

}  // namespace YRAPI::platform
