// TimerPanel.h - CTimerPanel, the main dialog's timer group: add a timer (interval, count) on
// the process-wide timer service, watch its firings counted live, remove it.
//
// The rows, their texts and the input checks are the core's CTimerList; this panel shows them.
//
// Thread-safety: GUI thread only; the firings are read from the timer board's atomics by a
// GUI timer, never delivered as events. Ownership: belongs to its Qt parent; removes the
// timers it added when it goes.
#pragma once

#include <QGroupBox>

#include <memory>

namespace Tamberon {
class CTimerList;
}

class CMessageLine;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

class CTimerPanel : public QGroupBox {
    Q_OBJECT

  public:
    explicit CTimerPanel(QWidget* pParent);
    ~CTimerPanel() override;

    /// Checks the fields and adds a timer; false (with a message) when the input is bad or
    /// the service takes no more.
    bool AddTimer();

    /// Removes the selected timer; false when none is selected.
    bool RemoveSelected();

    /// Reads the firing counts into the list.
    void Refresh();

    QLineEdit* IntervalEdit() const { return pInterval; }
    QLineEdit* CountEdit() const { return pCount; }
    QTreeWidget* List() const { return pList; }
    CMessageLine* Message() const { return pMessage; }

  private:
    QLineEdit* pInterval;
    QLineEdit* pCount;
    QPushButton* pAdd;
    QPushButton* pRemove;
    QTreeWidget* pList;
    CMessageLine* pMessage;
    QTimer* pRefresh;
    std::unique_ptr<Tamberon::CTimerList> timers;  // the rows; item i shows row i
};
