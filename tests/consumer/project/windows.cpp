// windows.cpp - a Windows program that includes the library's headers, then <windows.h>, and
// says `using namespace YRAPI;`: DWORD then names one type, the platform's, and the library's
// values go to the system's calls and to printf's %lu as they are. Exit code 0 when all is as
// expected.
#include <yrapi/yrapi.h>

// After the yrapi headers, as the README asks (its macros would replace the library's names).
// clang-format off
#include <windows.h>
// clang-format on

#include <cstdio>
#include <type_traits>

using namespace YRAPI;

static_assert(std::is_same_v<YRAPI::DWORD, ::DWORD>, "YRAPI::DWORD is the platform's DWORD");

int main() {
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
