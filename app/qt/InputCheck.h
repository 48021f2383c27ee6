// InputCheck.h - reading the dialog's number fields: a whole number within a range, or a
// message that says what the field expects. The dialog shows the message instead of acting.
//
// Thread-safety: pure functions, any thread.
#pragma once

#include <QString>

#include <optional>

/// The whole number in szText (blanks around it allowed) when it lies from nMin to nMax;
/// otherwise none, and *pszMessage says "<szField>: ..." what is expected.
std::optional<long long> ReadNumber(const QString& szText, long long nMin, long long nMax,
                                    const QString& szField, QString* pszMessage);
