// NumberInput.h - reading the dialog's number fields: a whole number within a range, or a
// message that says what the field expects. The front end shows the message instead of
// acting. Texts are UTF-8.
//
// Thread-safety: pure functions, any thread.
#pragma once

#include <optional>
#include <string>

namespace Tamberon {

/// The whole number in szText (blanks around it allowed, a sign before it) when it lies from
/// nMin to nMax; otherwise none, and *pszMessage says "<szField>: ..." what is expected.
std::optional<long long> ReadNumber(const std::string& szText, long long nMin, long long nMax,
                                    const std::string& szField, std::string* pszMessage);

}  // namespace Tamberon
