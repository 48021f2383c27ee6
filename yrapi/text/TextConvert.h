// TextConvert.h - private to yrapi/text: decimal text to int and long, as atoi and atol read
// it (leading white space, an optional sign, digits up to the first other character; 0 when
// there are none), but defined for every input: a number out of range is clamped to the
// type's limits, where atoi and atol would be undefined.
#pragma once

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace YRAPI::detail {

inline long TextToLong(const char* szText) {
    // strtol keeps errno from a previous call unless it fails itself; the result alone says
    // all we need (it is clamped to LONG_MIN / LONG_MAX on overflow).
    int nSavedErrno = errno;
    long n = std::strtol(szText, nullptr, 10);
    errno = nSavedErrno;
    return n;
}

inline int TextToInt(const char* szText) {
    long n = TextToLong(szText);
    if (n > INT_MAX) return INT_MAX;
    if (n < INT_MIN) return INT_MIN;
    return static_cast<int>(n);
}

}  // namespace YRAPI::detail
