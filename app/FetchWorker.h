// FetchWorker.h - CFetchWorker, one HTTP fetch at a time (CMyHttpAsync::Fetch, which blocks for
// 500 ms plus up to its time-out) on a thread of its own, so that the GUI never waits for the
// network. The outcome reaches the GUI thread as the queued signal Finished.
//
// Thread-safety: Start, IsBusy and the destructor are called on the object's (GUI) thread. The
// worker thread touches only its own copies of the request, the atomic busy flag and the
// event it posts to the object's thread. Ownership: the worker owns its CMyHttpAsync and
// frees the fetched text with FreeResult before it posts a copy.
//
// Lifetime: the destructor waits for a fetch under way to end (at most 500 ms plus its
// time-out, as CMyHttpAsync cannot be cancelled from outside); a posted outcome that has not
// been delivered by then is dropped with the object.
#pragma once

#include <yrapi/platform/Types.h>

#include <QObject>
#include <QString>

#include <atomic>
#include <thread>

class CFetchWorker : public QObject {
    Q_OBJECT

  public:
    explicit CFetchWorker(QObject* pParent);
    ~CFetchWorker() override;

    /// Starts fetching szUrl with a time-out of dwTimeoutMs; false (nothing started) while a
    /// fetch runs.
    bool Start(const QString& szUrl, YRAPI::DWORD dwTimeoutMs);

    bool IsBusy() const { return bBusy.load(); }

  signals:
    /// On the object's thread: bText when the fetch gave a text (szText), after nElapsedMs.
    void Finished(bool bText, const QString& szText, qint64 nElapsedMs);

  private:
    std::thread worker;
    std::atomic<bool> bBusy{false};  // set by Start, cleared on the GUI thread with the outcome
};
