// windows_first.cpp - the second unit of the Windows program, which includes <windows.h>
// BEFORE the library's headers: the library's INFINITE, THREAD_PRIORITY_... and STILL_ACTIVE
// then give way to the header's macros of the same names and values, and the library's own
// templates (the record queue) still compile and wait as they should.
// clang-format off
#include <windows.h>
// clang-format on

#include <yrapi/yrapi.h>

#include <cstdio>
#include <type_traits>

using namespace YRAPI;

static_assert(std::is_same_v<YRAPI::DWORD, ::DWORD>, "YRAPI::DWORD is the platform's DWORD");
static_assert(THREAD_PRIORITY_TIME_CRITICAL == 15 && THREAD_PRIORITY_IDLE == -15,
              "the header's priorities are the library's values");

bool WindowsFirstQueueRoundTrip() {
    TCQueue<int> queue(4, /*bSignalled=*/true, /*bLocked=*/true);
    int nIn = 7;
    int nOut = 0;
    if (!queue.Push(&nIn, INFINITE) || !queue.Pop(&nOut, INFINITE) || nOut != 7) {
        std::printf("windows: a queue used with the header's INFINITE gave %d\n", nOut);
        return false;
    }
    DWORD dwExitCode = 0;
    if (!::GetExitCodeThread(::GetCurrentThread(), &dwExitCode) || dwExitCode != STILL_ACTIVE) {
        std::printf("windows: the running thread's exit code is %lu\n", dwExitCode);
        return false;
    }
    return true;
}
