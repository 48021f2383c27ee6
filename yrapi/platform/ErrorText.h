// ErrorText.h - the calling thread's last platform error and its text.
// Thread-safety: the last error is per thread; ErrorText may be called from any thread.
#pragma once

#include <yrapi/platform/Types.h>

#include <string>

namespace YRAPI::platform {

/// The error code of the calling thread's latest failed platform call (0 when none failed).
DWORD GetLastError();

/// Records code as the calling thread's last error.
void SetLastError(DWORD code);

/// The system's text for an error code, without a trailing line break. A code the system has
/// no message for gives "Unknown error <code>".
std::string ErrorText(DWORD code);

}  // namespace YRAPI::platform
