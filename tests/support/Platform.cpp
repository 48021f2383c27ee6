// Platform.cpp - test helpers about the system the tests run on.
#include "tests/support/Platform.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace YRAPI::test {

bool RunningUnderWine() {
#if defined(_WIN32)
    // Wine's ntdll names its version; Windows' has no such export.
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll != nullptr && GetProcAddress(hNtdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace YRAPI::test
