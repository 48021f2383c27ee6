// TraceThread.h - the file side of levelled logging: CYRLOGTraceThread, the writer that drains
// the process-wide log record queue into the log file (echoing each line on standard output),
// and RotateLogFile, which shifts the file through nine numbered generations.
//
// Thread-safety: the built-in table's _Open starts one writer and _Close stops and frees it;
// they take turns under a lock of their own, so any thread may call them. The log stream is used
// only by the writer during a pass and by _Close once the writer's thread has ended, never by both
// at once. The queue is shared with every producer under its own mutex, taken once per record.
//
// Ownership: the built-in table owns the writer between _Open and _Close. A writer always
// lets its thread end before it is freed: it is never ended by force, since a forced end
// would lose the lines of the pass under way; its longest wait is one pass of 2000 lines.
#pragma once

#include <yrapi/platform/Types.h>
#include <yrapi/threads/BaseThread.h>

namespace YRAPI {

/// The log writer. Each pass rotates the file when it has reached its maximum size, appends up
/// to kLinesPerPass queued lines and closes the file again; passes are 2 seconds apart.
/// Start it with Start(true): nothing resumes a writer created suspended, and stopping one
/// would wait for it forever.
class CYRLOGTraceThread : public CBaseThread {
  public:
    /// Lines written by one pass at most; the rest wait for the next pass.
    static constexpr DWORD kLinesPerPass = 2000;

    CYRLOGTraceThread() = default;

    /// Stops the thread as StopAfterPass(200) does, then frees the object.
    ~CYRLOGTraceThread() override;

    /// One writing pass, then Idle(2000) (or a plain 100 ms sleep after a pass that had lines
    /// but no usable file, whose lines are discarded). Always true.
    bool Step() override;

    /// Requests a stop and waits nTimeout ms for the thread's end; if it has not ended by then
    /// (it is in the middle of a pass), waits on without limit until it has left its loop, so
    /// that afterwards neither the log stream nor the queue is touched by the writer.
    void StopAfterPass(DWORD nTimeout);
};

/// Moves the generations of szFileName up by one: the base is the name up to and including
/// its last "." (a "." in a folder name counts too), generation n is the base followed by the
/// digit n; generation 9 is deleted, 8 .. 1 are renamed to 9 .. 2 and the live file becomes
/// generation 1. A name without "." is never rotated, and nothing is deleted or shifted when
/// the live file or any existing generation cannot be renamed now (platform::CanRenameFile; on
/// Windows, for instance, a generation that a viewer holds open without sharing its deletion).
/// Other failures are ignored (a missing generation is skipped).
void RotateLogFile(const char* szFileName);

}  // namespace YRAPI
