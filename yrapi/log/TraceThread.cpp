// TraceThread.cpp - the log writer, the rotation of the log file and the built-in table's
// _Open and _Close.
#include "yrapi/log/TraceThread.h"

#include "yrapi/log/LogInterface.h"
#include "yrapi/log/LogState.h"
#include "yrapi/platform/File.h"
#include "yrapi/platform/Thread.h"
#include "yrapi/platform/Time.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>

namespace YRAPI {
namespace {

// Size of the named file in bytes; 0 when it cannot be read (missing, not a file, no right).
std::uint64_t FileSize(const char* szFileName) {
    std::error_code ec;
    std::uintmax_t nSize = std::filesystem::file_size(szFileName, ec);
    return ec ? 0 : static_cast<std::uint64_t>(nSize);
}

// Pops up to nMax records and writes each to standard output, then to pStream. Returns the
// number written. The queue's lock is held only inside each Pop, never during output.
DWORD DrainQueue(std::FILE* pStream, DWORD nMax) {
    TCQueue<yr_log_str>& queue = GetLogQueue();
    yr_log_str record;
    // Only a line's text and terminator are copied out of its 1024-byte slot; the last byte
    // of the buffer is only ever written by a slot without a terminator, and is reset below.
    auto usedBytes = [](const yr_log_str& slot) {
        return strnlen(slot.text, sizeof slot.text - 1) + 1;
    };
    DWORD n = 0;
    while (n < nMax && queue.PopPrefix(&record, usedBytes, INFINITE)) {
        record.text[sizeof record.text - 1] = '\0';
        // fputs writes the same bytes as printf("%s") without parsing a format.
        std::fputs(record.text, stdout);
        std::fputs(record.text, pStream);
        ++n;
    }
    return n;
}

// Ends a pass or a close that wrote lines: the file is closed (and so flushed) and standard
// output is flushed, so that the echo of a pass is complete even when standard output is a
// fully buffered pipe or file.
void CloseStream(detail::LogState& state) {
    std::fflush(state.pStream);
    std::fclose(state.pStream);
    state.pStream = nullptr;
    std::fflush(stdout);
}

// Opens the log file for appending when no stream is open and a name is set, writes up to
// nMax queued lines, and closes the stream. False (nothing taken) when there is no stream.
bool WritePending(detail::LogState& state, DWORD nMax) {
    // Up to 2000 lines in one go: a 64 KiB buffer makes that a few write calls, where the
    // default buffer of one 4 KiB block would make one every 40 lines or so. It lives until
    // the stream is closed below.
    constexpr std::size_t kBufferBytes = 65536;
    std::unique_ptr<char[]> pBuffer;
    if (state.pStream == nullptr && state.szFileName[0] != '\0') {
        state.pStream = std::fopen(state.szFileName, "a+");
        if (state.pStream != nullptr) pBuffer.reset(new (std::nothrow) char[kBufferBytes]);
        if (pBuffer != nullptr) std::setvbuf(state.pStream, pBuffer.get(), _IOFBF, kBufferBytes);
    }
    if (state.pStream == nullptr) return false;
    DrainQueue(state.pStream, nMax);
    CloseStream(state);
    return true;
}

}  // namespace

CYRLOGTraceThread::~CYRLOGTraceThread() {
    // The base destructor would end a worker that still runs by force after a second; the
    // writer is let finish its pass instead, so that no line it has taken is lost.
    StopAfterPass(200);
}

void CYRLOGTraceThread::StopAfterPass(DWORD nTimeout) {
    if (Stop(nTimeout)) return;
    // Stop failed: the writer is still in its pass (a pass writes at most kLinesPerPass lines
    // and then sees the stop at once), the wait failed, or the worker recorded StateEnded just
    // before the wait, which makes the wait report false. StateEnded is its last act after
    // its loop, so from then on it touches neither the stream nor the queue; its remaining
    // return is awaited by the base destructor. Without a thread there is nothing to wait for.
    while (HasThread() && GetState() != StateEnded && !Stop(INFINITE)) {
    }
}

bool CYRLOGTraceThread::Step() {
    detail::LogState& state = detail::GetLogState();
    if (GetLogQueue().count.load() != 0) {
        platform::CDeferForcedEnd defer;  // a pass is written whole; its Idle may be cut
        // The size is tested once, at the start of a pass with work: the file may exceed the
        // maximum by one pass's output before it is rotated.
        if (FileSize(state.szFileName) >= state.dwMaxFileSize.load()) {
            RotateLogFile(state.szFileName);
        }
        if (!WritePending(state, kLinesPerPass)) {
            // No usable file: the pending lines are discarded on purpose, so that the queue
            // does not grow without bound, and the file is tried again soon.
            GetLogQueue().Clear();
            platform::Sleep(100);
            return true;
        }
    }
    Idle(2000);
    return true;
}

void RotateLogFile(const char* szFileName) {
    if (szFileName == nullptr) return;
    const char* pDot = std::strrchr(szFileName, '.');
    if (pDot == nullptr) return;
    // Built in a std::string rather than a fixed buffer, so that a long name can never be cut
    // into the name of some other file.
    const std::string base(szFileName, static_cast<std::size_t>(pDot - szFileName) + 1);
    // Shifting the generations only makes room for the live file: when it cannot be moved (a
    // read-only folder, a file held open elsewhere), shifting anyway would drop generation 9
    // on every pass with work and erase the history in nine passes while the live file grows.
    if (!platform::CanRenameFile(szFileName)) return;
    auto generation = [&base](int n) { return base + static_cast<char>('0' + n); };
    // The same holds for every generation that the pass deletes or moves. On Windows a viewer
    // that holds, say, generation 3 open without sharing its deletion stops the renames from 3
    // down (a rename there never replaces a name), so a pass that went ahead would delete
    // generation 9 and shift 8 .. 4 up on every pass with work, while the live file stays and
    // grows. So the whole chain is checked first; a missing generation is no obstacle.
    for (int n = 1; n <= 9; ++n) {
        const std::string szName = generation(n);
        std::error_code ec;
        bool bExists = std::filesystem::exists(std::filesystem::symlink_status(szName, ec));
        if (bExists && !platform::CanRenameFile(szName.c_str())) return;
    }
    std::remove(generation(9).c_str());
    for (int n = 8; n >= 1; --n) std::rename(generation(n).c_str(), generation(n + 1).c_str());
    std::rename(szFileName, generation(1).c_str());
}

namespace detail {
namespace {

// Serialises _Open, _Close and the end at exit, so that any thread may open or close the log,
// also while the process ends. Never destroyed: it may be needed in the last destructor.
std::mutex& ControlLock() {
    static std::mutex* const pLock = new std::mutex;
    return *pLock;
}

}  // namespace

void BuiltinOpen(const char* szFileName, int nTraceLevel, int nMaxFileSize) {
    platform::CDeferForcedEnd defer;  // completes before the caller can be ended by force
    std::lock_guard<std::mutex> hold(ControlLock());
    LogState& state = GetLogState();
    // After the process-wide objects have ended no writer may start: nothing would stop it.
    if (state.pWriter != nullptr || state.bEnded.load()) return;
    std::memset(state.szFileName, 0, sizeof state.szFileName);
    if (szFileName != nullptr) {
        std::strncpy(state.szFileName, szFileName, sizeof state.szFileName - 1);
    }
    state.dwTraceLevel.store(static_cast<DWORD>(nTraceLevel));
    state.dwMaxFileSize.store(static_cast<DWORD>(nMaxFileSize));
    // A constructor that throws (the state lock refused) leaves the log closed.
    state.pWriter = new CYRLOGTraceThread();
    state.pWriter->Start(true);
}

void BuiltinClose() {
    // Completes before the caller can be ended by force: cut short in its wait for the
    // writer, it would free the writer and leave the log pointing at it.
    platform::CDeferForcedEnd defer;
    std::lock_guard<std::mutex> hold(ControlLock());
    LogState& state = GetLogState();
    if (state.pWriter == nullptr) return;
    std::unique_ptr<CYRLOGTraceThread> pWriter(state.pWriter);
    // Stop(200) first, as every close does. A writer that has not ended by then is in the
    // middle of a pass; it is waited for rather than ended by force, because a forced end
    // would lose the lines it has taken and could leave the stream half written. Only after
    // its loop has ended does this thread touch the stream and the queue.
    pWriter->StopAfterPass(200);
    TCQueue<yr_log_str>& queue = GetLogQueue();
    // Only the lines queued by now are written: with other threads still logging, "until
    // the queue is empty" might never come. Later lines stay queued for the next _Open.
    // Without a usable file they all stay queued.
    DWORD nPending = queue.count.load();
    if (nPending != 0) WritePending(state, nPending);
    pWriter.reset();
    state.pWriter = nullptr;
}

void EndLogAtExit() {
    {
        std::lock_guard<std::mutex> hold(ControlLock());
        GetLogState().bEnded.store(true);
    }
    BuiltinClose();
    GetLogQueue().Retire();
}

}  // namespace detail
}  // namespace YRAPI
