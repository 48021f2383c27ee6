// FetchWorker.cpp - CFetchWorker.
#include "FetchWorker.h"

#include "core/FetchText.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QStringDecoder>

#include <chrono>
#include <cstring>

namespace {

// The body's text by the charset the answer declared; without one, UTF-8, or Latin-1 when
// the bytes are no UTF-8.
QString DecodeBody(const QByteArray& body, const char* szContentType) {
    std::string szCharset = Tamberon::DeclaredCharset(szContentType);
    if (!szCharset.empty()) {
        QStringDecoder decoder(szCharset.c_str());
        if (decoder.isValid()) return decoder.decode(body);
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString szText = utf8.decode(body);
    if (!utf8.hasError() || !szCharset.empty()) return szText;
    return QString::fromLatin1(body);
}

}  // namespace

CFetchWorker::CFetchWorker(QObject* pParent) : QObject(pParent) {}

CFetchWorker::~CFetchWorker() {
    {
        std::unique_lock<std::mutex> lock(mutex);
        // A cancel that reaches the fetcher before its fetch has begun is forgotten by it:
        // repeat it until the worker is done.
        while (!bEnded) {
            CancelLocked();
            ended.wait_for(lock, std::chrono::milliseconds(20));
        }
    }
    if (worker.joinable()) worker.join();
}

void CFetchWorker::CancelLocked() {
    bCancel = true;
    if (pRunning != nullptr) pRunning->Cancel();
}

void CFetchWorker::Cancel() {
    std::lock_guard<std::mutex> lock(mutex);
    if (!bEnded) CancelLocked();
}

bool CFetchWorker::Start(const QString& szUrl, YRAPI::DWORD dwTimeoutMs) {
    if (bBusy.exchange(true)) return false;
    // The previous worker has posted its outcome and is ending, or has ended.
    if (worker.joinable()) worker.join();
    {
        std::lock_guard<std::mutex> lock(mutex);
        bCancel = false;
        bEnded = false;
    }
    QByteArray url = szUrl.toUtf8();
    worker = std::thread([this, url, dwTimeoutMs] {
        QElapsedTimer clock;
        clock.start();
        bool bText = false;
        QByteArray body;
        YRAPI::fetch_report report;
        {
            YRAPI::CMyHttpAsync fetcher;
            bool bSkip = false;
            {
                std::lock_guard<std::mutex> lock(mutex);
                bSkip = bCancel;
                if (!bSkip) pRunning = &fetcher;
            }
            char* pText = bSkip ? nullptr : fetcher.Fetch(url.constData(), dwTimeoutMs);
            {
                std::lock_guard<std::mutex> lock(mutex);
                pRunning = nullptr;
            }
            report = fetcher.GetLastReport();
            if (bSkip) report.eOutcome = YRAPI::FetchOutcome::Cancelled;
            if (pText != nullptr) {
                bText = true;
                body = QByteArray(pText, static_cast<qsizetype>(std::strlen(pText)));
                YRAPI::CMyHttpAsync::FreeResult(pText);
            }
        }
        QString szText = bText ? DecodeBody(body, report.szContentType) : QString();
        qint64 nBytes = body.size();
        qint64 nElapsedMs = clock.elapsed();
        // The destructor waits for bEnded and joins this thread before the object goes, so
        // the object is alive here; the queued call runs on the object's thread.
        QMetaObject::invokeMethod(
            this,
            [this, bText, szText, nBytes, nElapsedMs, report] {
                lastReport = report;
                bBusy.store(false);
                emit Finished(bText, szText, nBytes, nElapsedMs);
            },
            Qt::QueuedConnection);
        std::lock_guard<std::mutex> lock(mutex);
        bEnded = true;
        ended.notify_all();
    });
    return true;
}
