// windows.cpp - a Windows program that includes the library's headers, then <windows.h>, and
// says `using namespace YRAPI;`: DWORD then names one type, the platform's, and the library's
// values go to the system's calls and to printf's %lu as they are. Exit code 0 when all is as
// expected.
#include <yrapi/yrapi.h>

// After the yrapi headers here; windows_first.cpp includes it before them.
// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>
#include <type_traits>

using namespace YRAPI;

static_assert(std::is_same_v<YRAPI::DWORD, ::DWORD>, "YRAPI::DWORD is the platform's DWORD");

bool WindowsFirstQueueRoundTrip();  // windows_first.cpp

int main() {
    if (!WindowsFirstQueueRoundTrip()) return 1;
    DWORD dwSystem = ::GetTickCount();
    DWORD dwLibrary = platform::GetTickCount();
    DWORD dwExitCode = 0;  // filled through the system's LPDWORD
    if (!::GetExitCodeProcess(::GetCurrentProcess(), &dwExitCode) || dwExitCode != STILL_ACTIVE) {
        std::printf("windows: GetExitCodeProcess gave %lu\n", dwExitCode);
        return 1;
    }
    if (dwLibrary - dwSystem > 10000) {
        std::printf("windows: the ticks differ: %lu, %lu\n", dwSystem, dwLibrary);
        return 1;
    }
    std::printf("windows: one DWORD; ticks %lu and %lu\n", dwSystem, dwLibrary);
    return 0;
}
