// InputCheck.cpp - number fields.
#include "InputCheck.h"

#include <QCoreApplication>

std::optional<long long> ReadNumber(const QString& szText, long long nMin, long long nMax,
                                    const QString& szField, QString* pszMessage) {
    bool bOk = false;
    long long nValue = szText.trimmed().toLongLong(&bOk);
    if (bOk && nValue >= nMin && nValue <= nMax) return nValue;
    QString szRange = QCoreApplication::translate("Tamberon", "enter a whole number from %1 to %2")
                          .arg(nMin)
                          .arg(nMax);
    if (szText.trimmed().isEmpty()) {
        *pszMessage =
            QCoreApplication::translate("Tamberon", "%1 is empty: %2").arg(szField, szRange);
    } else {
        *pszMessage = QCoreApplication::translate("Tamberon", "%1 \"%2\" is not valid: %3")
                          .arg(szField, szText.trimmed(), szRange);
    }
    return std::nullopt;
}
