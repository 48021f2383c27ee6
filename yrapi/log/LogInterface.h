// LogInterface.h - the producing side of levelled logging: CYRLogInterface::Log, the table of
// log functions yr_log_api, and the process-wide log record queue.
//
// Thread-safety: Log may be called from any thread. The built-in _Log formats in the caller's
// thread and takes only the queue's mutex, for one copy; it never waits for the disk. The
// trace level and the maximum file size are atomics. _Open and _Close may be called from any
// thread: they take a lock of their own, one at a time (a _Close may wait that long for a
// writer in the middle of a pass).
//
// Lifetime: Log, FormatLogLine and the table's entries may be called at any moment of the
// process's life. A line logged once the process-wide objects have ended at exit is dropped,
// and _Open then refuses (a writer started then would outlive everything it uses).
#pragma once

#include <yrapi/log/Queue.h>

namespace YRAPI {

/// The table of log functions. The built-in table is the only one; GetLogApi() returns it.
struct yr_log_api {
    void (*_Open)(const char* szFileName, int nTraceLevel, int nMaxFileSize);
    void (*_Close)();
    void (*_Reserved3)();
    void (*_Reserved4)();
    void (*_Log)(int nTraceLevel, const char* Comment);
    void (*_LogEx)(int nReserved, int nTraceLevel, const char* Comment);  // first argument ignored
    void (*_Reserved7)();
    void (*_Reserved8)();
};

/// A class that logs may name this empty class as a base and call Log unqualified.
class CYRLogInterface {
  public:
    /// Formats a printf-style message (cut to 1023 characters) and hands it to the active
    /// table's _Log. A null format logs nothing. An exception from the table is caught and
    /// reported with a fixed line on standard output.
    static void Log(int nTraceLevel, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
};

/// The active log table (never null in this library).
yr_log_api* GetLogApi();

/// Builds "<tag> [<local time>] <text>\n" into out, at most outSize - 1 characters and
/// terminated; the tag is "X" for level 1, "!" for level 2 and a blank otherwise. Returns out.
/// Null out or outSize below 1 writes nothing; null text is taken as "".
char* FormatLogLine(char* out, int outSize, int nTraceLevel, const char* text);

/// The process-wide log record queue: capacity 128, not signalled, locked. Built on first use
/// and never destroyed; retired at exit (see ProcessObjects.h), after which it drops lines.
TCQueue<yr_log_str>& GetLogQueue();

}  // namespace YRAPI
