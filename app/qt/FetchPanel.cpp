// FetchPanel.cpp - CFetchPanel.
#include "FetchPanel.h"

#include "FetchWorker.h"
#include "InputCheck.h"
#include "MessageLine.h"
#include "core/FetchText.h"
#include "core/InputRules.h"

#include <yrapi/log/LogInterface.h>
#include <yrapi/net/HttpAsync.h>

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

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
    pFetch = new QPushButton(tr("&Cancel"), this);
    pFetch->setAutoDefault(false);
    // As wide as its wider text, so that the row does not move when the text changes.
    int nCancelWidth = pFetch->sizeHint().width();
    pFetch->setText(tr("F&etch"));
    pFetch->setMinimumWidth(std::max(nCancelWidth, pFetch->sizeHint().width()));
    pBusy = new QProgressBar(this);
    pBusy->setRange(0, 0);  // a moving bar: how long a fetch takes is not known
    pBusy->setTextVisible(false);
    pBusy->setMaximumHeight(fontMetrics().height() * 3 / 4);
    pBusy->setAccessibleName(tr("Fetching"));
    pBusy->setVisible(false);
    pResult = new QPlainTextEdit(this);
    pResult->setReadOnly(true);
    pResult->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    pResult->setPlaceholderText(tr("The fetched text shows here."));
    pResult->setMinimumHeight(fontMetrics().height() * 5);
    pResult->setAccessibleName(tr("Fetched text"));
    pMessage = new CMessageLine(this);
    pCancelAgain = new QTimer(this);
    pCancelAgain->setInterval(50);
    connect(pCancelAgain, &QTimer::timeout, this, [this] { pWorker->Cancel(); });

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

    connect(pFetch, &QPushButton::clicked, this, &CFetchPanel::OnButton);
    connect(pUrl, &QLineEdit::returnPressed, this, &CFetchPanel::Fetch);
    connect(pTimeout, &QLineEdit::returnPressed, this, &CFetchPanel::Fetch);
    connect(pWorker, &CFetchWorker::Finished, this, &CFetchPanel::OnFinished);
}

bool CFetchPanel::IsBusy() const { return pWorker->IsBusy(); }

void CFetchPanel::OnButton() {
    if (pWorker->IsBusy()) {
        Cancel();
    } else {
        Fetch();
    }
}

bool CFetchPanel::Cancel() {
    if (!pWorker->IsBusy()) return false;
    pWorker->Cancel();
    pCancelAgain->start();
    pFetch->setEnabled(false);
    pMessage->ShowInfo(tr("Cancelling the fetch of %1...").arg(szRunningUrl));
    return true;
}

bool CFetchPanel::Fetch() {
    if (pWorker->IsBusy()) {
        pMessage->ShowError(
            tr("A fetch of %1 is still running; wait for it or cancel it.").arg(szRunningUrl));
        return false;
    }
    QString szUrl = pUrl->text().trimmed();
    std::string szProblem = Tamberon::UrlProblem(szUrl.toStdString());
    if (!szProblem.empty()) {
        pMessage->ShowError(QString::fromStdString(szProblem));
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
    pFetch->setText(tr("&Cancel"));
    pMessage->ShowInfo(tr("Fetching %1 (at most %2 ms after the fixed %3 ms)...")
                           .arg(szUrl)
                           .arg(*nTimeout)
                           .arg(YRAPI::CMyHttpAsync::kFixedWaitMs));
    return true;
}

void CFetchPanel::OnFinished(bool bText, const QString& szText, qint64 nBytes, qint64 nElapsedMs) {
    pCancelAgain->stop();
    pBusy->setVisible(false);
    pFetch->setText(tr("F&etch"));
    pFetch->setEnabled(true);
    const YRAPI::fetch_report& report = pWorker->LastReport();
    QByteArray url = szRunningUrl.toUtf8();
    QString szStatus = QString::fromStdString(Tamberon::FetchStatusLine(
        url.toStdString(), report, static_cast<YRAPI::DWORD>(nRunningTimeoutMs),
        static_cast<std::size_t>(nBytes)));
    std::string szReason =
        Tamberon::FetchReason(report, static_cast<YRAPI::DWORD>(nRunningTimeoutMs));
    if (bText) {
        pResult->setPlainText(szText);
        pMessage->ShowInfo(szStatus);
        YRAPI::CYRLogInterface::Log(4, "Tamberon: fetched %s, %lld bytes in %lld ms",
                                    url.constData(), static_cast<long long>(nBytes),
                                    static_cast<long long>(nElapsedMs));
    } else {
        pResult->clear();
        pMessage->ShowError(szStatus);
        YRAPI::CYRLogInterface::Log(2, "Tamberon: no text from %s: %s", url.constData(),
                                    szReason.c_str());
    }
    emit FetchEnded();
}
