// TextHelpers.h - the library's bounded text helpers on NUL-terminated single-byte strings:
// copies that always terminate their destination, and trimming in place.
// Thread-safety: plain functions on caller-owned buffers; concurrent calls on different
// buffers are safe. Nothing is allocated and nothing is owned.
#pragma once

#include <cstddef>

namespace YRAPI {

/// Copies src into dst of dstSize bytes. Null dst or src, or dstSize 0: copies nothing and
/// returns 0. A src shorter than dstSize is copied whole with its terminator and its length
/// returned; a longer one is cut: all dstSize bytes are zeroed, the first dstSize - 1
/// characters copied, and dstSize - 1 returned. The result is always terminated.
int CopyText(char* dst, unsigned dstSize, const char* src);

/// Copies src up to, not including, the first delim (or its end) into dst, terminates dst and
/// returns the number of characters copied: the index of delim in src, or the length of src.
/// dst must have room for all of that plus the terminator; callers that cannot promise it use
/// the bounded overload below. Null src writes an empty dst (when dst is given) and returns 0.
int CopyUntil(const char* src, char* dst, char delim);

/// Bounded CopyUntil: copies at most dstSize - 1 of those characters (nothing for dstSize 0)
/// and terminates dst, but returns the index of delim in src, or the length of src, also when
/// the copy was cut, so that a caller can step over the whole span.
std::size_t CopyUntil(const char* src, char* dst, std::size_t dstSize, char delim);

/// Moves the string to the front of s past its leading space characters (0x20 only; other
/// white space stays). Null s does nothing.
void TrimLeftSpaces(char* s);

/// Overwrites trailing space characters (0x20 only) with NUL. Null s does nothing.
void TrimRightSpaces(char* s);

/// Returns s unchanged when it is null or empty. Otherwise returns a pointer to the first
/// character of s that is not in set (the end of s when all are), and overwrites with NUL the
/// characters of set at the end of s, walking back and stopping at the first one not in set
/// or at the returned character. Leading characters are skipped, not moved. A null set is the
/// empty set.
char* TrimChars(char* s, const char* set);

}  // namespace YRAPI
