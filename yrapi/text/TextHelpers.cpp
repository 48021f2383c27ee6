// TextHelpers.cpp - the bounded text helpers.
#include "yrapi/text/TextHelpers.h"

#include <cstring>

namespace YRAPI {
namespace {

// A character of a NUL-terminated set; the terminator itself is never "in" the set (which a
// bare strchr would report).
bool InSet(const char* set, char c) { return c != '\0' && std::strchr(set, c) != nullptr; }

}  // namespace

int CopyText(char* dst, unsigned dstSize, const char* src) {
    if (dst == nullptr || src == nullptr || dstSize == 0) return 0;
    // strnlen: a long source is not read past what decides the outcome.
    std::size_t nLength = strnlen(src, dstSize);
    if (nLength < dstSize) {
        std::memcpy(dst, src, nLength + 1);
        return static_cast<int>(nLength);
    }
    std::memset(dst, 0, dstSize);
    std::memcpy(dst, src, dstSize - 1);
    return static_cast<int>(dstSize - 1);
}

int CopyUntil(const char* src, char* dst, char delim) {
    if (src == nullptr) {
        if (dst != nullptr) dst[0] = '\0';
        return 0;
    }
    int n = 0;
    while (src[n] != '\0' && src[n] != delim) {
        if (dst != nullptr) dst[n] = src[n];
        ++n;
    }
    if (dst != nullptr) dst[n] = '\0';
    return n;
}

std::size_t CopyUntil(const char* src, char* dst, std::size_t dstSize, char delim) {
    bool bCanWrite = dst != nullptr && dstSize > 0;
    if (src == nullptr) {
        if (bCanWrite) dst[0] = '\0';
        return 0;
    }
    const char* pEnd = src;
    while (*pEnd != '\0' && *pEnd != delim) ++pEnd;
    std::size_t nSpan = static_cast<std::size_t>(pEnd - src);
    if (bCanWrite) {
        std::size_t nCopy = nSpan < dstSize - 1 ? nSpan : dstSize - 1;
        std::memcpy(dst, src, nCopy);
        dst[nCopy] = '\0';
    }
    return nSpan;
}

void TrimLeftSpaces(char* s) {
    if (s == nullptr || s[0] != ' ') return;
    std::size_t nLead = std::strspn(s, " ");
    std::memmove(s, s + nLead, std::strlen(s + nLead) + 1);
}

void TrimRightSpaces(char* s) {
    if (s == nullptr) return;
    std::size_t n = std::strlen(s);
    while (n > 0 && s[n - 1] == ' ') s[--n] = '\0';
}

char* TrimChars(char* s, const char* set) {
    if (s == nullptr || s[0] == '\0' || set == nullptr) return s;
    char* pFirst = s;
    while (InSet(set, *pFirst)) ++pFirst;
    char* pLast = s + std::strlen(s) - 1;
    while (pLast > pFirst && InSet(set, *pLast)) *pLast-- = '\0';
    return pFirst;
}

}  // namespace YRAPI
