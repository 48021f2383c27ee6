// posix/ErrorText.cpp - per-thread last error and errno texts.
#include "yrapi/platform/ErrorText.h"

#include <climits>
#include <cstring>
#include <string>

namespace YRAPI::platform {
namespace {
thread_local DWORD tLastError = 0;
}

DWORD GetLastError() { return tLastError; }

void SetLastError(DWORD code) { tLastError = code; }

std::string ErrorText(DWORD code) {
    // errno values are small positive ints; a code past INT_MAX would reach strerror_r as a
    // negative number and be named by that instead of by its own value.
    if (code > static_cast<DWORD>(INT_MAX)) return "Unknown error " + std::to_string(code);
    char buffer[256] = {};
    // The GNU strerror_r returns either buffer or a static text; it is thread-safe either way.
    const char* text = strerror_r(static_cast<int>(code), buffer, sizeof buffer);
    if (text == nullptr || *text == '\0') return "Unknown error " + std::to_string(code);
    return text;
}

}  // namespace YRAPI::platform
