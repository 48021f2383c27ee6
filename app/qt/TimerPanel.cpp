// TimerPanel.cpp - CTimerPanel.
#include "TimerPanel.h"

#include "InputCheck.h"
#include "MessageLine.h"
#include "core/TimerBoard.h"

#include <yrapi/log/LogInterface.h>

#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

// Columns of the list; the item's data in kNumber holds the timer's slot.
enum { kNumber, kInterval, kCount, kFired, kColumns };
constexpr int kSlotRole = Qt::UserRole;       // -1 once a finished timer's slot is freed
constexpr int kTotalRole = Qt::UserRole + 1;  // the timer's count, -1 for no end
constexpr int kFinalRole = Qt::UserRole + 2;  // the firings of a finished timer

QString Firings(std::uint32_t nFired) {
    return nFired == 1 ? QCoreApplication::translate("Tamberon", "1 firing")
                       : QCoreApplication::translate("Tamberon", "%1 firings").arg(nFired);
}

// The firings of the timer in pItem so far.
std::uint32_t FiredOf(const QTreeWidgetItem* pItem) {
    int nSlot = pItem->data(kNumber, kSlotRole).toInt();
    return nSlot < 0 ? pItem->data(kNumber, kFinalRole).toUInt() : Tamberon::BoardTimerFired(nSlot);
}

}  // namespace

CTimerPanel::CTimerPanel(QWidget* pParent) : QGroupBox(tr("Timers"), pParent) {
    pInterval = new QLineEdit(QStringLiteral("250"), this);
    auto* pIntervalLabel = new QLabel(tr("&Interval (ms):"), this);
    pIntervalLabel->setBuddy(pInterval);
    pCount = new QLineEdit(QStringLiteral("-1"), this);
    pCount->setToolTip(tr("How many times the timer fires; -1 fires without end."));
    auto* pCountLabel = new QLabel(tr("&Count:"), this);
    pCountLabel->setBuddy(pCount);
    int nDigitWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    // Room for the largest values (3600000 and 1000000), however narrow the window.
    pInterval->setMinimumWidth(nDigitWidth * 9);
    pCount->setMinimumWidth(nDigitWidth * 9);
    pInterval->setMaximumWidth(nDigitWidth * 10);
    pCount->setMaximumWidth(nDigitWidth * 10);
    pAdd = new QPushButton(tr("&Add"), this);
    pAdd->setAutoDefault(false);
    pRemove = new QPushButton(tr("&Remove"), this);
    pRemove->setAutoDefault(false);
    pRemove->setEnabled(false);
    pList = new QTreeWidget(this);
    pList->setRootIsDecorated(false);
    pList->setColumnCount(kColumns);
    pList->setHeaderLabels({tr("Timer"), tr("Interval"), tr("Count"), tr("Fired")});
    pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int nColumn = kInterval; nColumn < kColumns; ++nColumn) {
        pList->headerItem()->setTextAlignment(nColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    pList->header()->setStretchLastSection(true);
    pList->setMinimumHeight(fontMetrics().height() * 5);
    pList->setAccessibleName(tr("Timers"));
    pMessage = new CMessageLine(this);

    auto* pLayout = new QGridLayout(this);
    pLayout->addWidget(pIntervalLabel, 0, 0);
    pLayout->addWidget(pInterval, 0, 1);
    pLayout->addWidget(pCountLabel, 0, 2);
    pLayout->addWidget(pCount, 0, 3);
    pLayout->addWidget(pAdd, 0, 5);
    pLayout->addWidget(pList, 1, 0, 1, 6);
    pLayout->addWidget(pRemove, 2, 5);
    pLayout->addWidget(pMessage, 2, 0, 1, 5);
    pLayout->setColumnStretch(4, 1);
    pLayout->setRowStretch(1, 1);

    connect(pAdd, &QPushButton::clicked, this, &CTimerPanel::AddTimer);
    connect(pInterval, &QLineEdit::returnPressed, this, &CTimerPanel::AddTimer);
    connect(pCount, &QLineEdit::returnPressed, this, &CTimerPanel::AddTimer);
    connect(pRemove, &QPushButton::clicked, this, &CTimerPanel::RemoveSelected);
    connect(pList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* pCurrent) { pRemove->setEnabled(pCurrent != nullptr); });
    setTabOrder(pAdd, pList);
    setTabOrder(pList, pRemove);
    pRefresh = new QTimer(this);
    pRefresh->setInterval(100);
    connect(pRefresh, &QTimer::timeout, this, &CTimerPanel::Refresh);
}

CTimerPanel::~CTimerPanel() {
    for (int i = 0; i < pList->topLevelItemCount(); ++i) {
        int nSlot = pList->topLevelItem(i)->data(kNumber, kSlotRole).toInt();
        if (nSlot >= 0) Tamberon::RemoveBoardTimer(nSlot);
    }
}

bool CTimerPanel::AddTimer() {
    QString szError;
    std::optional<long long> nInterval =
        ReadNumber(pInterval->text(), 1, 3600000, tr("Interval (ms)"), &szError);
    if (!nInterval) {
        pMessage->ShowError(szError);
        pInterval->setFocus();
        return false;
    }
    std::optional<long long> nCount =
        ReadNumber(pCount->text(), -1, 1000000, tr("Count"), &szError);
    if (!nCount || *nCount == 0) {
        pMessage->ShowError(nCount ? tr("Count: 0 would never fire; enter -1 (no end) or a "
                                        "number from 1 to 1000000")
                                   : szError);
        pCount->setFocus();
        return false;
    }
    std::optional<int> nSlot = Tamberon::AddBoardTimer(static_cast<std::uint32_t>(*nInterval),
                                                       static_cast<std::int32_t>(*nCount));
    if (!nSlot) {
        pMessage->ShowError(tr("No timer added: at most %1 timers run at once; remove one first.")
                                .arg(Tamberon::kMaxTimers));
        return false;
    }
    int nNumber = nNextNumber++;
    auto* pItem = new QTreeWidgetItem(pList);
    pItem->setText(kNumber, QStringLiteral("#%1").arg(nNumber));
    pItem->setData(kNumber, kSlotRole, *nSlot);
    pItem->setData(kNumber, kTotalRole, static_cast<int>(*nCount));
    pItem->setText(kInterval, tr("%1 ms").arg(*nInterval));
    pItem->setText(kCount, *nCount < 0 ? tr("no end") : QString::number(*nCount));
    pItem->setText(kFired, QStringLiteral("0"));
    for (int nColumn = kInterval; nColumn < kColumns; ++nColumn) {
        pItem->setTextAlignment(nColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    pList->setCurrentItem(pItem);
    pMessage->ShowInfo(tr("Timer #%1 added.").arg(nNumber));
    YRAPI::CYRLogInterface::Log(4, "Tamberon: timer #%d added, every %lld ms, count %lld", nNumber,
                                *nInterval, *nCount);
    pRefresh->start();
    return true;
}

bool CTimerPanel::RemoveSelected() {
    QTreeWidgetItem* pItem = pList->currentItem();
    if (pItem == nullptr) return false;
    int nSlot = pItem->data(kNumber, kSlotRole).toInt();
    std::uint32_t nFired = FiredOf(pItem);
    if (nSlot >= 0) Tamberon::RemoveBoardTimer(nSlot);
    QString szName = pItem->text(kNumber);
    pMessage->ShowInfo(tr("Timer %1 removed after %2.").arg(szName, Firings(nFired)));
    QByteArray name = szName.toUtf8();
    YRAPI::CYRLogInterface::Log(4, "Tamberon: timer %s removed after %u firings", name.constData(),
                                nFired);
    delete pItem;  // a QTreeWidgetItem is owned by its list, which lets it go when deleted
    Refresh();
    return true;
}

void CTimerPanel::Refresh() {
    bool bRunning = false;
    for (int i = 0; i < pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* pItem = pList->topLevelItem(i);
        int nSlot = pItem->data(kNumber, kSlotRole).toInt();
        std::uint32_t nFired = FiredOf(pItem);
        int nTotal = pItem->data(kNumber, kTotalRole).toInt();
        bool bDone = nTotal > 0 && nFired >= static_cast<std::uint32_t>(nTotal);
        if (bDone && nSlot >= 0) {
            // Finished: its slot goes back to the board for the next timer.
            Tamberon::RemoveBoardTimer(nSlot);
            pItem->setData(kNumber, kSlotRole, -1);
            pItem->setData(kNumber, kFinalRole, nFired);
        }
        bRunning = bRunning || !bDone;
        QString szFired = QString::number(nFired);
        if (bDone) szFired += tr(" (done)");
        if (pItem->text(kFired) != szFired) pItem->setText(kFired, szFired);
    }
    // Nothing to count: no wake-ups.
    if (!bRunning) pRefresh->stop();
}
