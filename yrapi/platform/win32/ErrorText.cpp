// win32/ErrorText.cpp - the platform layer's last error, and the system's texts from
// FormatMessage.
//
// The last error is kept per thread by this layer, as on POSIX: each failing Win32 call of the
// backend copies the system's code into it (win32::KeepSystemError), so that the C runtime's
// and other libraries' calls made in between cannot overwrite the reason before the caller asks
// for it. SetLastError sets the system's value too.
#include "yrapi/platform/ErrorText.h"

#include "yrapi/platform/win32/Win32.h"

#include <string>

namespace YRAPI::platform {
namespace {
thread_local DWORD tLastError = 0;
}

DWORD GetLastError() { return tLastError; }

void SetLastError(DWORD code) {
    tLastError = code;
    ::SetLastError(code);
}

std::string ErrorText(DWORD code) {
    char* pText = nullptr;
    ::DWORD nLength = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, /*dwLanguageId=*/0, reinterpret_cast<char*>(&pText), 0, nullptr);
    std::string text;
    if (nLength != 0 && pText != nullptr) text.assign(pText, nLength);
    if (pText != nullptr) ::LocalFree(pText);
    // System texts end with a line break (and some with blanks before it).
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    if (text.empty()) text = "Unknown error " + std::to_string(code);
    return text;
}

}  // namespace YRAPI::platform
