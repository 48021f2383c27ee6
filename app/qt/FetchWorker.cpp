// FetchWorker.cpp - CFetchWorker.
#include "FetchWorker.h"

#include "core/FetchText.h"

#include <QByteArray>
#include <QMetaObject>
#include <QStringDecoder>

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

CFetchWorker::~CFetchWorker() = default;

void CFetchWorker::Cancel() { job.Cancel(); }

bool CFetchWorker::Start(const QString& szUrl, YRAPI::DWORD dwTimeoutMs) {
    if (bBusy.exchange(true)) return false;
    bool bStarted =
        job.Start(szUrl.toStdString(), dwTimeoutMs, [this](const Tamberon::fetch_outcome& outcome) {
            QByteArray body(outcome.szBody.data(), static_cast<qsizetype>(outcome.szBody.size()));
            QString szText =
                outcome.bText ? DecodeBody(body, outcome.report.szContentType) : QString();
            bool bText = outcome.bText;
            qint64 nBytes = body.size();
            qint64 nElapsedMs = outcome.nElapsedMs;
            YRAPI::fetch_report report = outcome.report;
            // The job's destructor joins this thread before the object goes, so the object is
            // alive here; the queued call runs on the object's thread.
            QMetaObject::invokeMethod(
                this,
                [this, bText, szText, nBytes, nElapsedMs, report] {
                    lastReport = report;
                    bBusy.store(false);
                    emit Finished(bText, szText, nBytes, nElapsedMs);
                },
                Qt::QueuedConnection);
        });
    if (!bStarted) bBusy.store(false);
    return bStarted;
}
