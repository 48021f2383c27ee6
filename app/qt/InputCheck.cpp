// InputCheck.cpp - number fields, read by the core.
#include "InputCheck.h"

#include "core/NumberInput.h"

std::optional<long long> ReadNumber(const QString& szText, long long nMin, long long nMax,
                                    const QString& szField, QString* pszMessage) {
    std::string szMessage;
    std::optional<long long> nValue =
        Tamberon::ReadNumber(szText.toStdString(), nMin, nMax, szField.toStdString(), &szMessage);
    if (!nValue) *pszMessage = QString::fromStdString(szMessage);
    return nValue;
}
