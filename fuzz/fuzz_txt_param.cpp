// fuzz_txt_param.cpp - CTxtParam::Parse on any text, then lookups of names taken from it.
// Checks that every value read back is terminated within its field and the caller's buffer.
#include "yrapi/text/TxtParam.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated copy
    YRAPI::CTxtParam params;
    params.Parse(text.c_str());
    if (params.GetCount() < 0) __builtin_trap();

    // Look up the text before each "=" (cut at the first line break), as a user would.
    std::size_t nStart = 0;
    for (int nLookups = 0; nLookups < 16 && nStart < text.size(); ++nLookups) {
        std::size_t nEquals = text.find('=', nStart);
        if (nEquals == std::string::npos) break;
        std::size_t nLineStart = text.rfind('\n', nEquals);
        nLineStart =
            nLineStart == std::string::npos || nLineStart < nStart ? nStart : nLineStart + 1;
        std::string name = text.substr(nLineStart, nEquals - nLineStart);
        char buf[300];
        std::memset(buf, 'x', sizeof buf);
        int nSize = static_cast<int>(size % 300);
        if (params.GetString(name.c_str(), buf, nSize)) {
            if (nSize > 0 && std::strlen(buf) >= static_cast<std::size_t>(nSize)) __builtin_trap();
        }
        int nValue = 0;
        params.GetInt(name.c_str(), &nValue);
        nStart = nEquals + 1;
    }
    params.Clear();
    if (params.GetCount() != 0) __builtin_trap();
    return 0;
}
