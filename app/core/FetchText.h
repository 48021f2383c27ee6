// FetchText.h - the words the HTTP group shows for a fetch: the check of its URL and time-out,
// the lines while it runs, what happened (from the fetcher's report), how long the exchange
// took beside the fetcher's fixed wait, how much of the body is on show, and which charset
// the answer declared for its text; and the log line that records its end. No toolkit: any
// front end shows these lines as they are.
//
// Thread-safety: pure functions, any thread (LogFetchEnd logs through the process's log).
#pragma once

#include <yrapi/net/HttpAsync.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace Tamberon {

/// The largest time-out the group takes, in ms.
constexpr long long kMaxFetchTimeoutMs = 60000;

/// The group's input, checked.
struct fetch_input {
    enum class Field { None, Url, Timeout };
    std::string szUrl;             // the URL, blanks around it trimmed
    YRAPI::DWORD dwTimeoutMs = 0;  // 1 to kMaxFetchTimeoutMs
    std::string szProblem;         // empty when the input will do; else what is wrong
    Field eField = Field::None;    // the field to fix
};

/// Checks the URL and time-out fields' texts (the URL first).
fetch_input CheckFetchInput(const std::string& szUrlText, const std::string& szTimeoutText);

/// The status line while a fetch of szUrl runs.
std::string FetchingText(const std::string& szUrl, YRAPI::DWORD dwTimeoutMs);
/// The status line once a cancel of that fetch was asked for.
std::string CancellingText(const std::string& szUrl);
/// Why a second fetch is refused while one of szUrl runs.
std::string FetchRunningText(const std::string& szUrl);

/// Logs a fetch's end: a text's size and time at level 4, else the reason at level 2.
void LogFetchEnd(const std::string& szUrl, bool bText, std::size_t nBytes, std::int64_t nElapsedMs,
                 const YRAPI::fetch_report& report, YRAPI::DWORD dwTimeoutMs);

/// n with a comma between each group of three digits: 10239 -> "10,239".
std::string GroupDigits(unsigned long long n);

/// What the report's outcome was, in a few words: "HTTP 404 (Not Found)", "connection
/// refused", "no answer within <dwTimeoutMs> ms", "empty body", "cancelled", ...
std::string FetchReason(const YRAPI::fetch_report& report, YRAPI::DWORD dwTimeoutMs);

/// The status line after a fetch of szUrl, what happened first and the URL last. For a text
/// (nShownBytes of it on show): its size, or "The first 10,239 bytes of ..." when the body was
/// cut; otherwise the reason. Both say how long the exchange took beside the fixed wait.
std::string FetchStatusLine(const std::string& szUrl, const YRAPI::fetch_report& report,
                            YRAPI::DWORD dwTimeoutMs, std::size_t nShownBytes);

/// The charset a Content-Type declares ("text/html; charset=ISO-8859-1" -> "ISO-8859-1"),
/// without quotes; empty when it declares none.
std::string DeclaredCharset(const char* szContentType);

}  // namespace Tamberon
