// FetchPanel.h - CFetchPanel, the main dialog's HTTP group: a URL, a time-out in ms and
// Fetch (Enter in either field fetches too). The fetch runs on a CFetchWorker; while it runs
// a busy bar moves, the button reads Cancel and cancels it, and a second fetch is refused with
// a message. The result is the fetched text (decoded by its declared charset) and a status
// line that says what happened (the answer's status, a refused connection, the time-out...)
// and how long the exchange took.
//
// Thread-safety: GUI thread only; the worker's outcome arrives as a queued signal.
// Ownership: belongs to its Qt parent, and owns its worker (see CFetchWorker for the wait at
// destruction).
#pragma once

#include "core/FetchText.h"

#include <QGroupBox>

class CFetchWorker;
class CMessageLine;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class CFetchPanel : public QGroupBox {
    Q_OBJECT

  public:
    /// The largest time-out the field takes, in ms.
    static constexpr int kMaxTimeoutMs = static_cast<int>(Tamberon::kMaxFetchTimeoutMs);

    explicit CFetchPanel(QWidget* pParent);

    /// Checks the fields and starts a fetch; false (with a message) when the input is bad or
    /// a fetch already runs.
    bool Fetch();

    bool IsBusy() const;

    /// Cancels the running fetch (FetchEnded follows); false when none runs.
    bool Cancel();

    QLineEdit* UrlEdit() const { return pUrl; }
    QLineEdit* TimeoutEdit() const { return pTimeout; }
    QPushButton* FetchButton() const { return pFetch; }
    QProgressBar* BusyBar() const { return pBusy; }
    QPlainTextEdit* ResultView() const { return pResult; }
    CMessageLine* Message() const { return pMessage; }

  signals:
    /// A fetch ended and its outcome is on show.
    void FetchEnded();

  private:
    void OnFinished(bool bText, const QString& szText, qint64 nBytes, qint64 nElapsedMs);
    void OnButton();

    CFetchWorker* pWorker;
    QLineEdit* pUrl;
    QLineEdit* pTimeout;
    QPushButton* pFetch;
    QProgressBar* pBusy;
    QPlainTextEdit* pResult;
    CMessageLine* pMessage;
    QTimer* pCancelAgain;  // repeats a cancel until the worker has seen it
    QString szRunningUrl;
    qint64 nRunningTimeoutMs = 0;
};
