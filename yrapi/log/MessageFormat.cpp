// MessageFormat.cpp - the log front-end's printf-style formatting (see MessageFormat.h).
#include "yrapi/log/MessageFormat.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace YRAPI::detail {
namespace {

// Collects the output: keeps what fits in the caller's buffer and counts all of it.
class COutput {
  public:
    COutput(char* out, std::size_t nSize)
        : pOut(out), nRoom(nSize == 0 ? 0 : nSize - 1), bTerminate(nSize != 0) {}

    void Put(const char* p, std::size_t n) {
        std::size_t nCopy = n < nRoom - nPos ? n : nRoom - nPos;  // nPos never passes nRoom
        if (nCopy != 0) std::memcpy(pOut + nPos, p, nCopy);       // out may be null when nSize is 0
        nPos += nCopy;
        nTotal += n;
    }

    void Fill(char c, std::size_t n) {
        std::size_t nCopy = n < nRoom - nPos ? n : nRoom - nPos;
        if (nCopy != 0) std::memset(pOut + nPos, c, nCopy);
        nPos += nCopy;
        nTotal += n;
    }

    // Terminates the text; the whole length, or -1 when it does not fit in an int.
    long long Finish() {
        if (bTerminate) pOut[nPos] = '\0';
        return nTotal > static_cast<std::size_t>(INT_MAX) - 1 ? -1 : static_cast<long long>(nTotal);
    }

  private:
    char* pOut;
    std::size_t nRoom;  // characters that fit before the terminator
    bool bTerminate;    // false for a buffer of size 0
    std::size_t nPos = 0;
    std::size_t nTotal = 0;
};

enum class Length { None, Long, LongLong, Size };

struct Spec {
    bool bLeft = false;
    bool bZero = false;
    std::size_t nWidth = 0;
    Length length = Length::None;
};

void PutPadded(COutput& out, const Spec& spec, const char* pSign, std::size_t nSign,
               const char* pBody, std::size_t nBody, bool bNumber) {
    std::size_t nLen = nSign + nBody;
    if (spec.nWidth <= nLen) {  // the usual case: no padding
        if (nSign != 0) out.Put(pSign, nSign);
        out.Put(pBody, nBody);
        return;
    }
    std::size_t nPad = spec.nWidth - nLen;
    if (spec.bLeft) {
        out.Put(pSign, nSign);
        out.Put(pBody, nBody);
        out.Fill(' ', nPad);
    } else if (spec.bZero && bNumber) {
        out.Put(pSign, nSign);
        out.Fill('0', nPad);
        out.Put(pBody, nBody);
    } else {
        out.Fill(' ', nPad);
        out.Put(pSign, nSign);
        out.Put(pBody, nBody);
    }
}

// Digits of nValue in base kBase, written backwards ending at pEnd; returns the first digit.
template <unsigned kBase>
char* Digits(char* pEnd, unsigned long long nValue, const char* szDigits) {
    char* p = pEnd;
    do {
        *--p = szDigits[nValue % kBase];
        nValue /= kBase;
    } while (nValue != 0);
    return p;
}

void PutNumber(COutput& out, const Spec& spec, unsigned long long nValue, bool bNegative,
               char cConversion) {
    char buffer[24];
    char* pEnd = buffer + sizeof buffer;
    char* p = cConversion == 'x'   ? Digits<16>(pEnd, nValue, "0123456789abcdef")
              : cConversion == 'X' ? Digits<16>(pEnd, nValue, "0123456789ABCDEF")
                                   : Digits<10>(pEnd, nValue, "0123456789");
    PutPadded(out, spec, "-", bNegative ? 1 : 0, p, static_cast<std::size_t>(pEnd - p),
              /*bNumber=*/true);
}

// Formats what it can; -2 as soon as it meets a directive it leaves to vsnprintf.
constexpr long long kUnsupported = -2;

long long FormatCommon(char* out, std::size_t nSize, const char* fmt, va_list args) {
    COutput output(out, nSize);
    const char* p = fmt;
    for (;;) {
        const char* pPercent = std::strchr(p, '%');
        if (pPercent == nullptr) {
            output.Put(p, std::strlen(p));
            return output.Finish();
        }
        output.Put(p, static_cast<std::size_t>(pPercent - p));
        p = pPercent + 1;
        if (*p == '%') {
            output.Put("%", 1);
            ++p;
            continue;
        }
        Spec spec;
        for (;; ++p) {
            if (*p == '-') {
                spec.bLeft = true;
            } else if (*p == '0') {
                spec.bZero = true;
            } else {
                break;
            }
        }
        int nDigits = 0;
        while (*p >= '0' && *p <= '9') {
            if (++nDigits > 4) return kUnsupported;
            spec.nWidth = spec.nWidth * 10 + static_cast<std::size_t>(*p++ - '0');
        }
        if (*p == 'l') {
            ++p;
            spec.length = Length::Long;
            if (*p == 'l') {
                ++p;
                spec.length = Length::LongLong;
            }
        } else if (*p == 'z') {
            ++p;
            spec.length = Length::Size;
        }
        char cConversion = *p++;
        switch (cConversion) {
            case 'd':
            case 'i': {
                long long nValue;
                switch (spec.length) {
                    case Length::None:
                        nValue = va_arg(args, int);
                        break;
                    case Length::Long:
                        nValue = va_arg(args, long);
                        break;
                    case Length::LongLong:
                        nValue = va_arg(args, long long);
                        break;
                    default:
                        // The signed type of size_t's width (ssize_t): long on LP64 Linux, but
                        // long long on 64-bit Windows, where long has 32 bits.
                        nValue = va_arg(args, std::make_signed_t<std::size_t>);
                        break;
                }
                bool bNegative = nValue < 0;
                unsigned long long nMagnitude = bNegative
                                                    ? 0ULL - static_cast<unsigned long long>(nValue)
                                                    : static_cast<unsigned long long>(nValue);
                PutNumber(output, spec, nMagnitude, bNegative, 'd');
                break;
            }
            case 'u':
            case 'x':
            case 'X': {
                unsigned long long nValue;
                switch (spec.length) {
                    case Length::None:
                        nValue = va_arg(args, unsigned);
                        break;
                    case Length::Long:
                        nValue = va_arg(args, unsigned long);
                        break;
                    case Length::LongLong:
                        nValue = va_arg(args, unsigned long long);
                        break;
                    default:
                        nValue = va_arg(args, std::size_t);
                        break;
                }
                PutNumber(output, spec, nValue, false, cConversion);
                break;
            }
            case 's': {
                if (spec.length != Length::None || spec.bZero) return kUnsupported;
                const char* s = va_arg(args, const char*);
                if (s == nullptr) return kUnsupported;  // the C library's own text for it
                PutPadded(output, spec, "", 0, s, std::strlen(s), false);
                break;
            }
            case 'c': {
                if (spec.length != Length::None || spec.bZero) return kUnsupported;
                char c = static_cast<char>(static_cast<unsigned char>(va_arg(args, int)));
                PutPadded(output, spec, "", 0, &c, 1, false);
                break;
            }
            default:
                return kUnsupported;  // precision, '*', '$', other flags, lengths, conversions
        }
    }
}

}  // namespace

int FormatMessage(char* out, std::size_t nSize, const char* fmt, va_list args) {
    va_list common;
    va_copy(common, args);
    long long n = FormatCommon(out, nSize, fmt, common);
    va_end(common);
    if (n < 0) return std::vsnprintf(out, nSize, fmt, args);
    return static_cast<int>(n);
}

}  // namespace YRAPI::detail
