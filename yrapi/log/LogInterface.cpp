// LogInterface.cpp - the log front-end and the built-in log table.
#include "yrapi/log/LogInterface.h"

#include "yrapi/log/LogState.h"
#include "yrapi/log/MessageFormat.h"
#include "yrapi/platform/Thread.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cxxabi.h>

namespace YRAPI {
namespace detail {

constinit LogState gLogState;

LogState& GetLogState() { return gLogState; }

}  // namespace detail

namespace {

// Formatting the local time is the costly part of a line, and it changes once a second: each
// thread keeps "? [YYYY-MM-DD hh:mm:ss] " for the second it last saw.
struct PrefixCache {
    std::time_t tSecond = -1;
    std::size_t nLength = 0;
    char szPrefix[48] = {};
};
thread_local PrefixCache tPrefix;

void Append(char* out, std::size_t nLimit, std::size_t& nPos, const char* src, std::size_t nLen) {
    std::size_t n = nLimit - nPos < nLen ? nLimit - nPos : nLen;
    std::memcpy(out + nPos, src, n);
    nPos += n;
}

// FormatLogLine for an outSize of at least 1; returns the line's length.
std::size_t BuildLine(char* out, std::size_t outSize, int nTraceLevel, const char* text) {
    if (text == nullptr) text = "";
    std::time_t tNow = std::time(nullptr);
    PrefixCache& cache = tPrefix;
    if (tNow != cache.tSecond) {
        std::tm local{};
        localtime_r(&tNow, &local);
        char szStamp[80];
        std::snprintf(szStamp, sizeof szStamp, "%4d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        szStamp[30] = '\0';  // the stamp's limit; only a year past 9999 comes near it
        int n = std::snprintf(cache.szPrefix, sizeof cache.szPrefix, "  [%s] ", szStamp);
        cache.nLength = static_cast<std::size_t>(n);
        cache.tSecond = tNow;
    }
    cache.szPrefix[0] = nTraceLevel == 1 ? 'X' : (nTraceLevel == 2 ? '!' : ' ');
    const std::size_t nLimit = outSize - 1;
    std::size_t nPos = 0;
    Append(out, nLimit, nPos, cache.szPrefix, cache.nLength);
    Append(out, nLimit, nPos, text, strnlen(text, nLimit - nPos));
    Append(out, nLimit, nPos, "\n", 1);
    out[nPos] = '\0';
    return nPos;
}

void BuiltinLog(int nTraceLevel, const char* Comment) {
    if (static_cast<DWORD>(nTraceLevel) >
        detail::gLogState.dwTraceLevel.load(std::memory_order_relaxed)) {
        return;
    }
    // The line is built in place and only the bytes it uses (with its terminator) are copied
    // into the queue's slot; the reader never looks past the terminator.
    alignas(yr_log_str) char line[sizeof(yr_log_str)];
    std::size_t nUsed = BuildLine(line, sizeof line, nTraceLevel, Comment) + 1;
    GetLogQueue().PushPrefix(reinterpret_cast<const yr_log_str*>(line), nUsed, INFINITE);
}

void BuiltinLogEx(int /*nReserved*/, int nTraceLevel, const char* Comment) {
    BuiltinLog(nTraceLevel, Comment);
}

void Reserved() {}

constinit yr_log_api gBuiltinApi = {
    &detail::BuiltinOpen, &detail::BuiltinClose, &Reserved, &Reserved,
    &BuiltinLog,          &BuiltinLogEx,         &Reserved, &Reserved,
};

constinit yr_log_api* gActiveApi = &gBuiltinApi;

}  // namespace

yr_log_api* GetLogApi() { return gActiveApi; }

char* FormatLogLine(char* out, int outSize, int nTraceLevel, const char* text) {
    if (out != nullptr && outSize >= 1)
        BuildLine(out, static_cast<std::size_t>(outSize), nTraceLevel, text);
    return out;
}

void CYRLogInterface::Log(int nTraceLevel, const char* fmt, ...) {
    if (fmt == nullptr) return;
    // A line is queued whole or not at all: no forced end acts inside (the local time's
    // reading may open files under the C runtime's time-zone lock).
    platform::CDeferForcedEnd defer;
    char szMessage[1024];
    va_list args;
    va_start(args, fmt);
    int n = detail::FormatMessage(szMessage, sizeof szMessage, fmt, args);
    va_end(args);
    if (n < 0) szMessage[0] = '\0';
    yr_log_api* p = GetLogApi();
    if (p == nullptr || p->_Log == nullptr) return;
    try {
        p->_Log(nTraceLevel, szMessage);
    } catch (abi::__forced_unwind&) {
        throw;  // a thread ended by force must finish unwinding
    } catch (...) {
        std::printf("CYRLogInterface::Log (*p->_Log)(nTraceLevel, Comment) ERROR!");
    }
}

}  // namespace YRAPI
