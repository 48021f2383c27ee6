// FetchWorker.h - CFetchWorker, the Qt side of the core's fetch job (core/FetchJob.h): one
// HTTP fetch at a time on a thread of its own, so that the GUI never waits for the network.
// The outcome, its text decoded by the charset the answer declared, reaches the GUI thread as
// the queued signal Finished. A running fetch can be cancelled at once.
//
// Thread-safety: Start, Cancel, IsBusy, LastReport and the destructor are called on the
// object's (GUI) thread. The job's callback runs on its worker thread and only decodes the
// body and posts an event to the object's thread.
//
// Lifetime: the destructor cancels a fetch under way and waits for the worker (the job's
// destructor); a posted outcome that has not been delivered by then is dropped with the
// object.
#pragma once

#include "core/FetchJob.h"

#include <yrapi/net/HttpAsync.h>
#include <yrapi/platform/Types.h>

#include <QObject>
#include <QString>

#include <atomic>

class CFetchWorker : public QObject {
    Q_OBJECT

  public:
    explicit CFetchWorker(QObject* pParent);
    ~CFetchWorker() override;

    /// Starts fetching szUrl with a time-out of dwTimeoutMs; false (nothing started) while a
    /// fetch runs.
    bool Start(const QString& szUrl, YRAPI::DWORD dwTimeoutMs);

    /// Cancels the running fetch, if any: Finished follows soon, its report saying Cancelled.
    void Cancel();

    bool IsBusy() const { return bBusy.load(); }

    /// The report of the fetch that Finished told of last.
    const YRAPI::fetch_report& LastReport() const { return lastReport; }

  signals:
    /// On the object's thread: bText when the fetch gave a text (szText, decoded by the
    /// charset the answer declared; nBytes bytes of the body), after nElapsedMs.
    void Finished(bool bText, const QString& szText, qint64 nBytes, qint64 nElapsedMs);

  private:
    std::atomic<bool> bBusy{false};  // set by Start, cleared on the GUI thread with the outcome
    YRAPI::fetch_report lastReport;  // GUI thread
    // Last: destroyed first, so the worker has ended before the fields above go.
    Tamberon::CFetchJob job;
};
