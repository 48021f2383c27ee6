// NumberInput.cpp - number fields.
#include "NumberInput.h"

#include <charconv>
#include <string_view>

namespace Tamberon {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<long long> ReadNumber(const std::string& szText, long long nMin, long long nMax,
                                    const std::string& szField, std::string* pszMessage) {
    std::string_view text = Trimmed(szText);
    std::string_view digits = text;
    // One sign only: from_chars takes a minus but no plus, and "+-5" is no number.
    const bool bPlus = !digits.empty() && digits.front() == '+';
    if (bPlus) digits.remove_prefix(1);
    long long nValue = 0;
    bool bOk = false;
    if (!digits.empty() && digits.front() != '+' && !(bPlus && digits.front() == '-')) {
        auto [pEnd, error] = std::from_chars(digits.data(), digits.data() + digits.size(), nValue);
        bOk = error == std::errc() && pEnd == digits.data() + digits.size();
    }
    if (bOk && nValue >= nMin && nValue <= nMax) return nValue;
    std::string szRange =
        "enter a whole number from " + std::to_string(nMin) + " to " + std::to_string(nMax);
    if (text.empty()) {
        *pszMessage = szField + " is empty: " + szRange;
    } else {
        *pszMessage = szField + " \"" + std::string(text) + "\" is not valid: " + szRange;
    }
    return std::nullopt;
}

}  // namespace Tamberon
