// Testing.h - seams for tests: a replaceable tick source and injected platform refusals.
// Both are always compiled in and cost one relaxed atomic load on the paths they guard.
// Thread-safety: any thread may arm or disarm them; each armed refusal is consumed once.
#pragma once

#include <yrapi/platform/Types.h>

namespace YRAPI::platform::testing {

/// GetTickCount() returns source() from now on; nullptr restores the real counter.
void SetTickSource(DWORD (*source)());

/// The platform calls whose refusal a test can inject.
enum class Fault {
    MutexCreate,      ///< creation of any kernel mutex (each CMutex and a queue's own)
    SemaphoreCreate,  ///< creation of a queue's semaphore
    ThreadCreate,     ///< creation of a thread
    ThreadWait,       ///< the wait for a thread's end
    ThreadTerminate,  ///< the forced end of a thread
    ThreadPriority,   ///< a change of a thread's priority
    FileRename,       ///< the check that a file could be renamed (CanRenameFile)
};

/// The next `times` calls of that kind fail as a platform refusal would (with a platform
/// error code for GetLastError()); times 0 disarms the fault.
void FailNext(Fault fault, unsigned times = 1);

}  // namespace YRAPI::platform::testing
