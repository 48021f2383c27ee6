// FetchText.h - the words the HTTP group shows for a fetch: what happened (from the fetcher's
// report), how long the exchange took beside the fetcher's fixed wait, how much of the body is
// on show, and which charset the answer declared for its text. No toolkit: any front end
// shows these lines as they are.
//
// Thread-safety: pure functions, any thread.
#pragma once

#include <yrapi/net/HttpAsync.h>

#include <cstddef>
#include <string>

namespace Tamberon {

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
