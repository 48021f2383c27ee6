// MessageFormat.h - private to yrapi/log: the log front-end's printf-style formatting.
//
// FormatMessage gives exactly what std::vsnprintf gives, but formats the common conversions
// itself: the C library's vsnprintf costs more than the rest of a log call together. Anything
// outside that common set is handed to std::vsnprintf whole, so the result never differs.
// Thread-safety: a pure function of its arguments (and, through vsnprintf, of the locale).
#pragma once

#include <cstdarg>
#include <cstddef>

namespace YRAPI::detail {

/// As std::vsnprintf(out, nSize, fmt, args): writes at most nSize - 1 characters and a
/// terminator (nothing when nSize is 0) and returns the length the whole text would have,
/// or a negative value on an output error. Formats itself: literal text, "%%", and the
/// conversions d, i, u, x, X (with no length, l, ll or z), s and c, with the flags '-' and
/// '0' (the latter for numbers) and a literal width up to 9999. Any other directive, a null
/// string for %s, or a text of INT_MAX characters or more goes to std::vsnprintf.
int FormatMessage(char* out, std::size_t nSize, const char* fmt, va_list args);

}  // namespace YRAPI::detail
