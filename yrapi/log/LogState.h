// LogState.h - private to yrapi/log: the built-in log table's process-wide state, shared by
// the front-end (LogInterface.cpp) and the writer (TraceThread.cpp).
#pragma once

#include <yrapi/platform/Types.h>

#include <atomic>
#include <cstdio>

namespace YRAPI {
class CYRLOGTraceThread;
}

namespace YRAPI::detail {

struct LogState {
    std::atomic<DWORD> dwTraceLevel{4};         // lines with a higher level are dropped
    std::atomic<DWORD> dwMaxFileSize{1048576};  // rotation threshold in bytes
    char szFileName[256] = {};                  // written by _Open only while closed
    std::FILE* pStream = nullptr;               // used by the writer during a pass, or _Close
    CYRLOGTraceThread* pWriter = nullptr;       // non-null exactly while the log is open
    std::atomic<bool> bEnded{false};            // set at exit: _Open refuses from then on
};

/// The one LogState (constant-initialised, so usable at any time).
LogState& GetLogState();

/// The built-in table's _Open and _Close.
void BuiltinOpen(const char* szFileName, int nTraceLevel, int nMaxFileSize);
void BuiltinClose();

/// At exit, in the log queue's place among the process-wide objects: refuses further _Open,
/// closes an open log (its closing pass writes the queued lines) and retires the queue, which
/// drops every later line.
void EndLogAtExit();

}  // namespace YRAPI::detail
