// FetchText.cpp - the HTTP group's words.
#include "FetchText.h"

#include "InputRules.h"

#include <yrapi/log/LogInterface.h>

#include <cctype>
#include <optional>
#include <string_view>

namespace Tamberon {
namespace {

const char* StatusPhrase(int nStatus) {
    switch (nStatus) {
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 410:
            return "Gone";
        case 429:
            return "Too Many Requests";
        case 500:
            return "Internal Server Error";
        case 501:
            return "Not Implemented";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return nullptr;
    }
}

std::string Lower(std::string_view text) {
    std::string szLower(text);
    for (char& c : szLower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return szLower;
}

}  // namespace

fetch_input CheckFetchInput(const std::string& szUrlText, const std::string& szTimeoutText) {
    fetch_input input;
    input.szUrl = TrimBlanks(szUrlText);
    input.szProblem = UrlProblem(input.szUrl);
    if (!input.szProblem.empty()) {
        input.eField = fetch_input::Field::Url;
        return input;
    }
    std::optional<long long> nTimeout =
        ReadNumber(szTimeoutText, 1, kMaxFetchTimeoutMs, "Time-out", &input.szProblem);
    if (!nTimeout) {
        input.eField = fetch_input::Field::Timeout;
        return input;
    }
    input.dwTimeoutMs = static_cast<YRAPI::DWORD>(*nTimeout);
    return input;
}

std::string FetchingText(const std::string& szUrl, YRAPI::DWORD dwTimeoutMs) {
    return "Fetching " + szUrl + " (at most " + std::to_string(dwTimeoutMs) +
           " ms after the fixed " + std::to_string(YRAPI::CMyHttpAsync::kFixedWaitMs) + " ms)...";
}

std::string CancellingText(const std::string& szUrl) {
    return "Cancelling the fetch of " + szUrl + "...";
}

std::string FetchRunningText(const std::string& szUrl) {
    return "A fetch of " + szUrl + " is still running; wait for it or cancel it.";
}

void LogFetchEnd(const std::string& szUrl, bool bText, std::size_t nBytes, std::int64_t nElapsedMs,
                 const YRAPI::fetch_report& report, YRAPI::DWORD dwTimeoutMs) {
    if (bText) {
        YRAPI::CYRLogInterface::Log(4, "Tamberon: fetched %s, %lld bytes in %lld ms", szUrl.c_str(),
                                    static_cast<long long>(nBytes),
                                    static_cast<long long>(nElapsedMs));
    } else {
        YRAPI::CYRLogInterface::Log(2, "Tamberon: no text from %s: %s", szUrl.c_str(),
                                    FetchReason(report, dwTimeoutMs).c_str());
    }
}

std::string GroupDigits(unsigned long long n) {
    std::string szDigits = std::to_string(n);
    for (std::ptrdiff_t i = static_cast<std::ptrdiff_t>(szDigits.size()) - 3; i > 0; i -= 3) {
        szDigits.insert(static_cast<std::size_t>(i), 1, ',');
    }
    return szDigits;
}

std::string FetchReason(const YRAPI::fetch_report& report, YRAPI::DWORD dwTimeoutMs) {
    using YRAPI::FetchOutcome;
    switch (report.eOutcome) {
        case FetchOutcome::None:
            return "no fetch yet";
        case FetchOutcome::Text:
            return "text";
        case FetchOutcome::TimedOut:
            return "no answer within " + std::to_string(dwTimeoutMs) + " ms";
        case FetchOutcome::Cancelled:
            return "cancelled";
        case FetchOutcome::NameNotResolved:
            return "host name not found";
        case FetchOutcome::ConnectionRefused:
            return "connection refused";
        case FetchOutcome::ConnectionFailed:
            return "no connection";
        case FetchOutcome::TlsFailure:
            return "TLS failed (handshake or certificate)";
        case FetchOutcome::HttpStatus: {
            std::string szReason = "HTTP " + std::to_string(report.nHttpStatus);
            if (const char* szPhrase = StatusPhrase(report.nHttpStatus)) {
                szReason += std::string(" (") + szPhrase + ")";
            }
            return szReason;
        }
        case FetchOutcome::EmptyBody:
            return "empty body";
        case FetchOutcome::TooManyRedirects:
            return "too many redirects";
    }
    return "unknown outcome";
}

std::string FetchStatusLine(const std::string& szUrl, const YRAPI::fetch_report& report,
                            YRAPI::DWORD dwTimeoutMs, std::size_t nShownBytes) {
    // What happened comes first: a long URL may not fit on the line.
    std::string szTime = std::to_string(report.dwExchangeMs) + " ms beside the fixed " +
                         std::to_string(YRAPI::CMyHttpAsync::kFixedWaitMs) + " ms wait";
    std::string szWhat;
    if (report.eOutcome != YRAPI::FetchOutcome::Text) {
        szWhat = FetchReason(report, dwTimeoutMs) + ", after " + szTime;
        szWhat[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(szWhat[0])));
    } else if (!report.bTruncated) {
        szWhat = GroupDigits(nShownBytes) + " bytes in " + szTime;
    } else {
        std::string szWhole = report.nBytesReceived > nShownBytes
                                  ? GroupDigits(report.nBytesReceived) + " bytes received"
                                  : std::string("a longer body");
        szWhat =
            "The first " + GroupDigits(nShownBytes) + " bytes of " + szWhole + ", in " + szTime;
    }
    return szWhat + ": " + szUrl;
}

std::string DeclaredCharset(const char* szContentType) {
    if (szContentType == nullptr) return {};
    std::string_view type = szContentType;
    std::string szLower = Lower(type);
    std::size_t nAt = 0;
    while ((nAt = szLower.find("charset", nAt)) != std::string::npos) {
        // A parameter: after a ';' and blanks.
        std::size_t nBefore = nAt;
        while (nBefore > 0 && (szLower[nBefore - 1] == ' ' || szLower[nBefore - 1] == '\t')) {
            --nBefore;
        }
        std::size_t nEq = nAt + 7;
        while (nEq < szLower.size() && (szLower[nEq] == ' ' || szLower[nEq] == '\t')) ++nEq;
        if (nBefore == 0 || szLower[nBefore - 1] != ';' || nEq >= szLower.size() ||
            szLower[nEq] != '=') {
            nAt += 7;
            continue;
        }
        std::size_t nStart = nEq + 1;
        while (nStart < type.size() && (type[nStart] == ' ' || type[nStart] == '\t')) ++nStart;
        std::size_t nEnd = nStart;
        if (nStart < type.size() && type[nStart] == '"') {
            ++nStart;
            nEnd = type.find('"', nStart);
            if (nEnd == std::string_view::npos) nEnd = type.size();
        } else {
            while (nEnd < type.size() && type[nEnd] != ';' && type[nEnd] != ' ' &&
                   type[nEnd] != '\t') {
                ++nEnd;
            }
        }
        return std::string(type.substr(nStart, nEnd - nStart));
    }
    return {};
}

}  // namespace Tamberon
