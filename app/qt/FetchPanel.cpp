// FetchPanel.cpp - CFetchPanel.
#include "FetchPanel.h"

#include "FetchWorker.h"
#include "MessageLine.h"
#include "core/FetchText.h"

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
    pMessage->ShowInfo(
        QString::fromStdString(Tamberon::CancellingText(szRunningUrl.toStdString())));
    return true;
}

bool CFetchPanel::Fetch() {
    if (pWorker->IsBusy()) {
        pMessage->ShowError(
            QString::fromStdString(Tamberon::FetchRunningText(szRunningUrl.toStdString())));
        return false;
    }
    Tamberon::fetch_input input =
        Tamberon::CheckFetchInput(pUrl->text().toStdString(), pTimeout->text().toStdString());
    if (!input.szProblem.empty()) {
        pMessage->ShowError(QString::fromStdString(input.szProblem));
        if (input.eField == Tamberon::fetch_input::Field::Timeout) {
            pTimeout->setFocus();
        } else {
            pUrl->setFocus();
        }
        return false;
    }
    QString szUrl = QString::fromStdString(input.szUrl);
    if (!pWorker->Start(szUrl, input.dwTimeoutMs)) return false;
    szRunningUrl = szUrl;
    nRunningTimeoutMs = input.dwTimeoutMs;
    pBusy->setVisible(true);
    pFetch->setText(tr("&Cancel"));
    pMessage->ShowInfo(
        QString::fromStdString(Tamberon::FetchingText(input.szUrl, input.dwTimeoutMs)));
    return true;
}

void CFetchPanel::OnFinished(bool bText, const QString& szText, qint64 nBytes, qint64 nElapsedMs) {
    pCancelAgain->stop();
    pBusy->setVisible(false);
    pFetch->setText(tr("F&etch"));
    pFetch->setEnabled(true);
    const YRAPI::fetch_report& report = pWorker->LastReport();
    std::string szUrl = szRunningUrl.toStdString();
    auto dwTimeoutMs = static_cast<YRAPI::DWORD>(nRunningTimeoutMs);
    QString szStatus = QString::fromStdString(
        Tamberon::FetchStatusLine(szUrl, report, dwTimeoutMs, static_cast<std::size_t>(nBytes)));
    if (bText) {
        pResult->setPlainText(szText);
        pMessage->ShowInfo(szStatus);
    } else {
        pResult->clear();
        pMessage->ShowError(szStatus);
    }
    Tamberon::LogFetchEnd(szUrl, bText, static_cast<std::size_t>(nBytes), nElapsedMs, report,
                          dwTimeoutMs);
    emit FetchEnded();
}
