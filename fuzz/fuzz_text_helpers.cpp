// fuzz_text_helpers.cpp - the text helpers on any input, with destination buffers sized
// exactly (heap blocks, so that AddressSanitizer sees a byte written past them). The first
// two bytes choose the sizes and the delimiter; the rest is the text.
#include "yrapi/text/TextHelpers.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    unsigned nDstSize = data[0];
    char delim = static_cast<char>(data[1]);
    std::string text(reinterpret_cast<const char*>(data + 2), size - 2);
    const char* src = text.c_str();
    std::size_t nLength = std::strlen(src);

    {
        auto dst = std::make_unique<char[]>(nDstSize > 0 ? nDstSize : 1);
        int n = YRAPI::CopyText(nDstSize > 0 ? dst.get() : nullptr, nDstSize, src);
        if (nDstSize > 0) {
            std::size_t nExpected = nLength < nDstSize ? nLength : nDstSize - 1;
            if (static_cast<std::size_t>(n) != nExpected || std::strlen(dst.get()) != nExpected ||
                std::memcmp(dst.get(), src, nExpected) != 0) {
                __builtin_trap();
            }
        } else if (n != 0) {
            __builtin_trap();
        }
    }
    {
        auto dst = std::make_unique<char[]>(nDstSize > 0 ? nDstSize : 1);
        std::size_t nSpan = YRAPI::CopyUntil(src, dst.get(), nDstSize, delim);
        const char* pDelim = delim != '\0' ? std::strchr(src, delim) : nullptr;
        std::size_t nExpected =
            pDelim != nullptr ? static_cast<std::size_t>(pDelim - src) : nLength;
        if (nSpan != nExpected) __builtin_trap();
        if (nDstSize > 0 && std::strlen(dst.get()) > nDstSize - 1) __builtin_trap();
    }
    {
        // The unbounded form, with room for the whole text as its callers must give.
        auto dst = std::make_unique<char[]>(nLength + 1);
        int n = YRAPI::CopyUntil(src, dst.get(), delim);
        if (static_cast<std::size_t>(n) != std::strlen(dst.get())) __builtin_trap();
    }
    {
        auto s = std::make_unique<char[]>(nLength + 1);
        std::memcpy(s.get(), src, nLength + 1);
        YRAPI::TrimLeftSpaces(s.get());
        if (s[0] == ' ') __builtin_trap();
        YRAPI::TrimRightSpaces(s.get());
        std::size_t n = std::strlen(s.get());
        if (n > 0 && s[n - 1] == ' ') __builtin_trap();
    }
    {
        auto s = std::make_unique<char[]>(nLength + 1);
        std::memcpy(s.get(), src, nLength + 1);
        char set[3] = {' ', delim, '\0'};
        char* p = YRAPI::TrimChars(s.get(), set);
        if (p < s.get() || p > s.get() + nLength) __builtin_trap();
        std::size_t n = std::strlen(p);
        if (n > 0 && (p[0] == ' ' || p[n - 1] == ' ')) __builtin_trap();
    }
    return 0;
}
