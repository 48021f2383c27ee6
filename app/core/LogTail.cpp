// LogTail.cpp - CLogTail.
#include "LogTail.h"

#include <algorithm>

namespace Tamberon {

CLogTail::read_plan CLogTail::Plan(std::int64_t nSize) const {
    bool bAfresh = nShownSize < 0 || nSize < nShownSize || nSize - nShownSize > nTailBytes;
    return {bAfresh ? std::max<std::int64_t>(0, nSize - nTailBytes) : nShownSize, bAfresh};
}

std::optional<std::string_view> CLogTail::Take(std::string_view bytes, const read_plan& plan) {
    // A fresh read that starts inside the file starts inside a line: that cut line is left out
    // (when its end has been read).
    std::size_t nFrom = 0;
    if (plan.bAfresh && plan.nStart > 0) {
        std::size_t nBreak = bytes.find('\n');
        if (nBreak != std::string_view::npos) nFrom = nBreak + 1;
    }
    std::size_t nLast = bytes.rfind('\n');
    std::size_t nEnd = nLast == std::string_view::npos ? 0 : nLast + 1;
    nEnd = std::max(nFrom, nEnd);
    nShownSize = plan.nStart + static_cast<std::int64_t>(nEnd);
    if (nEnd <= nFrom) return std::nullopt;
    return bytes.substr(nFrom, nEnd - nFrom - 1);
}

}  // namespace Tamberon
