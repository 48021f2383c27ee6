// MessageFormatTest.cpp - the front-end's formatting gives byte for byte what vsnprintf gives:
// the same text, the same terminator, the same result, for every buffer size.
#include "yrapi/log/MessageFormat.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <limits>
#include <string>
#include <sys/types.h>

namespace YRAPI::detail {
namespace {

using FormatFn = int (*)(char*, std::size_t, const char*, va_list);

int Format(FormatFn pfnFormat, char* out, std::size_t nSize, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    int n = pfnFormat(out, nSize, fmt, args);
    va_end(args);
    return n;
}

// Both formatters into 1024-byte buffers pre-filled with '#', at every size from 0 to the log
// line's 1024, so that a cut falls inside every piece: the buffers and results must agree.
template <class... Args>
void ExpectSameAsVsnprintf(const char* fmt, Args... args) {
    const int nErrno = errno;  // for %m
    for (std::size_t nSize = 0; nSize <= 1024; ++nSize) {
        std::string ours(1024, '#'), theirs(1024, '#');
        errno = nErrno;
        int nOurs = Format(&FormatMessage, ours.data(), nSize, fmt, args...);
        errno = nErrno;
        int nTheirs = Format(&std::vsnprintf, theirs.data(), nSize, fmt, args...);
        EXPECT_EQ(nOurs, nTheirs) << fmt << " size " << nSize;
        EXPECT_EQ(ours, theirs) << fmt << " size " << nSize;
    }
}

TEST(FormatMessage, CommonDirectivesGiveVsnprintfsText) {
    ExpectSameAsVsnprintf("");
    ExpectSameAsVsnprintf("plain text, 100%% done, %%%%");
    // Integers of every length.
    ExpectSameAsVsnprintf("%d|%i|%d|%d|%ld|%ld", 0, -1, INT_MIN, INT_MAX, LONG_MIN, LONG_MAX);
    ExpectSameAsVsnprintf("%lld %lli %zd %zd", LLONG_MIN, 12345678901234LL, ssize_t{-7},
                          std::numeric_limits<ssize_t>::max());
    ExpectSameAsVsnprintf("%u %u %x %X %lu %lx", 0u, UINT_MAX, 0xBEEFu, 0xBEEFu, ULONG_MAX,
                          0xABCDEF0123ul);
    ExpectSameAsVsnprintf("%llu %llX %zu %zx", ULLONG_MAX, 1ull, ~std::size_t{0}, std::size_t{255});
    // Width and flags.
    ExpectSameAsVsnprintf("[%5d][%-5d][%05d][%-05d][%0d]", 42, 42, 42, 42, 42);
    ExpectSameAsVsnprintf("[%5d][%05d][%-5d][%2d]", -42, -42, -42, -12345);
    ExpectSameAsVsnprintf("[%08x][%8X][%-8x][%01u]", 0xABCu, 0xABCu, 0xABCu, 7u);
    ExpectSameAsVsnprintf("[%10s][%-10s][%2s]", "abc", "abc", "abcdef");
    ExpectSameAsVsnprintf("[%3c][%-3c][%c]", 'x', 'y', 'z');
    ExpectSameAsVsnprintf("[%--5d][%00005d]", 1, 2);
    ExpectSameAsVsnprintf("[%9999d]", 1);
    // Strings and characters, one of them an embedded terminator.
    ExpectSameAsVsnprintf("user %s from %s, session %d [%s]", "alice", "10.0.0.1", 7, "");
    ExpectSameAsVsnprintf("%c%c%c before %c after", 'a', 256 + 'b', -1, 0);
}

TEST(FormatMessage, EverythingElseGivesTheCLibrarysText) {
    ExpectSameAsVsnprintf("%s", static_cast<const char*>(nullptr));
    ExpectSameAsVsnprintf("%5.2f|%g|%e", 3.14159, 1e10, -0.5);
    ExpectSameAsVsnprintf("%.3s|%.*s|%*d", "abcdef", 2, "xyz", 6, 5);
    ExpectSameAsVsnprintf("%+d|% d|%#x|%#o|%o", 5, 5, 255u, 8u, 8u);
    ExpectSameAsVsnprintf("%hd|%hhu|%jd|%td", 70000, 300, std::intmax_t{-3}, std::ptrdiff_t{4});
    ExpectSameAsVsnprintf("%2$s %1$s", "world", "hello");
    ExpectSameAsVsnprintf("%p", static_cast<void*>(nullptr));
    ExpectSameAsVsnprintf("%ls|%lc", L"wide", static_cast<wint_t>(L'w'));
    ExpectSameAsVsnprintf("[%10000d]", 1);  // a width past the common set's limit
    ExpectSameAsVsnprintf("%05s|%0c", "ab", 'c');
    errno = EINVAL;
    ExpectSameAsVsnprintf("%m");
    // A directive the common set leaves to the C library after it has formatted some text.
    ExpectSameAsVsnprintf("%d %s %.1f", 1, "two", 3.0);
}

TEST(FormatMessage, LongOutputIsCutLikeVsnprintfAndANullBufferOnlyMeasures) {
    std::string s(3000, 'q');
    ExpectSameAsVsnprintf("%s-%d-%s", s.c_str(), 12, s.c_str());
    EXPECT_EQ(Format(&FormatMessage, nullptr, 0, "%s-%d-%s", s.c_str(), 12, s.c_str()), 6004);
}

}  // namespace
}  // namespace YRAPI::detail
