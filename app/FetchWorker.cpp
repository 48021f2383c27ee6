// FetchWorker.cpp - CFetchWorker.
#include "FetchWorker.h"

#include <yrapi/net/HttpAsync.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <QMetaObject>

CFetchWorker::CFetchWorker(QObject* pParent) : QObject(pParent) {}

CFetchWorker::~CFetchWorker() {
    if (worker.joinable()) worker.join();
}

bool CFetchWorker::Start(const QString& szUrl, YRAPI::DWORD dwTimeoutMs) {
    if (bBusy.exchange(true)) return false;
    // The previous worker has posted its outcome and is ending, or has ended.
    if (worker.joinable()) worker.join();
    QByteArray url = szUrl.toUtf8();
    worker = std::thread([this, url, dwTimeoutMs] {
        QElapsedTimer clock;
        clock.start();
        bool bText = false;
        QString szText;
        {
            YRAPI::CMyHttpAsync fetcher;
            char* pText = fetcher.Fetch(url.constData(), dwTimeoutMs);
            if (pText != nullptr) {
                bText = true;
                szText = QString::fromUtf8(pText);
                YRAPI::CMyHttpAsync::FreeResult(pText);
            }
        }
        qint64 nElapsedMs = clock.elapsed();
        // The destructor joins this thread before the object goes, so the object is alive
        // here; the queued call runs on the object's thread.
        QMetaObject::invokeMethod(
            this,
            [this, bText, szText, nElapsedMs] {
                bBusy.store(false);
                emit Finished(bText, szText, nElapsedMs);
            },
            Qt::QueuedConnection);
    });
    return true;
}
