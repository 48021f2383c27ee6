// FetchWorker.h - CFetchWorker, one HTTP fetch at a time (CMyHttpAsync::Fetch, which blocks for
// 500 ms plus up to its time-out) on a thread of its own, so that the GUI never waits for the
// network. The outcome, with the fetcher's report of what happened, reaches the GUI thread as
// the queued signal Finished. A running fetch can be cancelled at once.
//
// Thread-safety: Start, Cancel, IsBusy, LastReport and the destructor are called on the
// object's (GUI) thread. The worker thread touches only its own copies of the request, the
// fields under mutex and the event it posts to the object's thread. Lock order: mutex before
// the fetcher's own locks (Cancel is called under it); the worker never calls the fetcher
// while holding it. Ownership: the worker owns its CMyHttpAsync (on its stack) and frees the
// fetched text with FreeResult before it posts a copy.
//
// Lifetime: the destructor cancels a fetch under way and waits for the worker, which ends
// within about 100 ms of the cancel; a posted outcome that has not been delivered by then is
// dropped with the object.
#pragma once

#include <yrapi/net/HttpAsync.h>
#include <yrapi/platform/Types.h>

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

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
    /// Cancels the running fetch; REQUIRES: mutex held.
    void CancelLocked();

    std::thread worker;
    std::atomic<bool> bBusy{false};  // set by Start, cleared on the GUI thread with the outcome
    std::mutex mutex;
    std::condition_variable ended;
    YRAPI::CMyHttpAsync* pRunning = nullptr;  // guarded by mutex: the worker's fetcher
    bool bCancel = false;                     // guarded by mutex: a cancel was asked for
    bool bEnded = true;                       // guarded by mutex: the worker is done
    YRAPI::fetch_report lastReport;           // GUI thread
};
