// FetchPanel.cpp - CFetchPanel.
#include "FetchPanel.h"

#include "FetchWorker.h"
#include "InputCheck.h"
#include "MessageLine.h"

#include <yrapi/log/LogInterface.h>
#include <yrapi/net/HttpAsync.h>

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>

CFetchPanel::CFetchPanel(QWidget* pParent) : QGroupBox(tr("HTTP fetch"), pParent) {
    pWorker = new CFetchWorker(this);
    pUrl = new QLineEdit(this);
    pUrl->setPlaceholderText(QStringLiteral("http://example.org/"));
    pUrl->setMaxLength(1023);
    auto* pUrlLabel = new QLabel(tr("&URL:"), this);
    pUrlLabel->setBuddy(pUrl);
    pTimeout = new QLineEdit(QStringLiteral("3000"), this);
    pTimeout->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10);
    auto* pTimeoutLabel = new QLabel(tr("&Time-out (ms):"), this);
    pTimeoutLabel->setBuddy(pTimeout);
    pFetch = new QPushButton(tr("F&etch"), this);
    pFetch->setAutoDefault(false);
    pBusy = new QProgressBar(this);
    pBusy->setRange(0, 0);  // a moving bar: how long a fetch takes is not known
    pBusy->setTextVisible(false);
    pBusy->setMaximumHeight(fontMetrics().height() * 3 / 4);
    pBusy->setVisible(false);
    pResult = new QPlainTextEdit(this);
    pResult->setReadOnly(true);
    pResult->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    pResult->setPlaceholderText(tr("The fetched text shows here."));
    pResult->setMinimumHeight(fontMetrics().height() * 5);
    pMessage = new CMessageLine(this);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pUrlLabel, 0, 0);
    pLayout->addWidget(pUrl, 0, 1, 1, 3);
    pLayout->addWidget(pTimeoutLabel, 1, 0);
    pLayout->addWidget(pTimeout, 1, 1);
    pLayout->addWidget(pBusy, 1, 2);
    pLayout->addWidget(pFetch, 1, 3);
    pLayout->addWidget(pResult, 2, 0, 1, 4);
    pLayout->addWidget(pMessage, 3, 0, 1, 4);
    pLayout->setColumnStretch(2, 1);
    pLayout->setRowStretch(2, 1);

    connect(pFetch, &QPushButton::clicked, this, &CFetchPanel::Fetch);
    connect(pUrl, &QLineEdit::returnPressed, this, &CFetchPanel::Fetch);
    connect(pTimeout, &QLineEdit::returnPressed, this, &CFetchPanel::Fetch);
    connect(pWorker, &CFetchWorker::Finished, this, &CFetchPanel::OnFinished);
}

bool CFetchPanel::IsBusy() const { return pWorker->IsBusy(); }

bool CFetchPanel::Fetch() {
    if (pWorker->IsBusy()) {
        pMessage->ShowError(
            tr("A fetch of %1 is still running; wait for it to end.").arg(szRunningUrl));
        return false;
    }
    QString szUrl = pUrl->text().trimmed();
    QUrl url(szUrl, QUrl::StrictMode);
    QString szScheme = url.scheme().toLower();
    if (szUrl.isEmpty() || !url.isValid() || (szScheme != u"http" && szScheme != u"https") ||
        url.host().isEmpty()) {
        pMessage->ShowError(
            tr("URL: \"%1\" is not an http:// or https:// address with a host name.").arg(szUrl));
        pUrl->setFocus();
        return false;
    }
    QString szError;
    std::optional<long long> nTimeout =
        ReadNumber(pTimeout->text(), 1, kMaxTimeoutMs, tr("Time-out"), &szError);
    if (!nTimeout) {
        pMessage->ShowError(szError);
        pTimeout->setFocus();
        return false;
    }
    if (!pWorker->Start(szUrl, static_cast<YRAPI::DWORD>(*nTimeout))) return false;
    szRunningUrl = szUrl;
    nRunningTimeoutMs = *nTimeout;
    pBusy->setVisible(true);
    pFetch->setEnabled(false);
    pMessage->ShowInfo(tr("Fetching %1 (at most %2 ms after the fixed %3 ms)...")
                           .arg(szUrl)
                           .arg(*nTimeout)
                           .arg(YRAPI::CMyHttpAsync::kFixedWaitMs));
    return true;
}

void CFetchPanel::OnFinished(bool bText, const QString& szText, qint64 nElapsedMs) {
    pBusy->setVisible(false);
    pFetch->setEnabled(true);
    QByteArray url = szRunningUrl.toUtf8();
    if (bText) {
        pResult->setPlainText(szText);
        pMessage->ShowInfo(
            tr("%1: %2 characters in %3 ms.").arg(szRunningUrl).arg(szText.size()).arg(nElapsedMs));
        YRAPI::CYRLogInterface::Log(4, "Tamberon: fetched %s, %d characters in %lld ms",
                                    url.constData(), static_cast<int>(szText.size()),
                                    static_cast<long long>(nElapsedMs));
    } else {
        pResult->clear();
        pMessage->ShowError(tr("%1: no text within %2 ms (no answer, an answer other than "
                               "200 OK, or an empty body).")
                                .arg(szRunningUrl)
                                .arg(nRunningTimeoutMs));
        YRAPI::CYRLogInterface::Log(2, "Tamberon: no text from %s within %lld ms", url.constData(),
                                    static_cast<long long>(nRunningTimeoutMs));
    }
    emit FetchEnded();
}
