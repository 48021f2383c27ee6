// TimerPanel.cpp - CTimerPanel.
#include "TimerPanel.h"

#include "MessageLine.h"
#include "core/TimerList.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

namespace {

using Tamberon::CTimerList;

QString Qs(const std::string& szText) { return QString::fromStdString(szText); }

}  // namespace

CTimerPanel::CTimerPanel(QWidget* pParent)
    : QGroupBox(tr("Timers"), pParent), timers(std::make_unique<CTimerList>()) {
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
    pList->setColumnCount(CTimerList::kColumns);
    QStringList headings;
    for (int nColumn = 0; nColumn < CTimerList::kColumns; ++nColumn) {
        headings << QString::fromUtf8(CTimerList::Heading(nColumn));
    }
    pList->setHeaderLabels(headings);
    pList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    for (int nColumn = CTimerList::kInterval; nColumn < CTimerList::kColumns; ++nColumn) {
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

CTimerPanel::~CTimerPanel() = default;  // the list removes its timers

bool CTimerPanel::AddTimer() {
    Tamberon::timer_add outcome =
        timers->Add(pInterval->text().toStdString(), pCount->text().toStdString());
    if (!outcome.bAdded) {
        pMessage->ShowError(Qs(outcome.szText));
        if (outcome.nBadField == 0) pInterval->setFocus();
        if (outcome.nBadField == 1) pCount->setFocus();
        return false;
    }
    std::size_t nRow = timers->Size() - 1;
    auto* pItem = new QTreeWidgetItem(pList);
    for (int nColumn = 0; nColumn < CTimerList::kColumns; ++nColumn) {
        pItem->setText(nColumn, Qs(timers->Text(nRow, nColumn)));
    }
    for (int nColumn = CTimerList::kInterval; nColumn < CTimerList::kColumns; ++nColumn) {
        pItem->setTextAlignment(nColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
    pList->setCurrentItem(pItem);
    pMessage->ShowInfo(Qs(outcome.szText));
    pRefresh->start();
    return true;
}

bool CTimerPanel::RemoveSelected() {
    QTreeWidgetItem* pItem = pList->currentItem();
    if (pItem == nullptr) return false;
    int nRow = pList->indexOfTopLevelItem(pItem);
    pMessage->ShowInfo(Qs(timers->Remove(static_cast<std::size_t>(nRow))));
    delete pItem;  // a QTreeWidgetItem is owned by its list, which lets it go when deleted
    Refresh();
    return true;
}

void CTimerPanel::Refresh() {
    bool bRunning = timers->Refresh();
    for (int i = 0; i < pList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* pItem = pList->topLevelItem(i);
        QString szFired = Qs(timers->Text(static_cast<std::size_t>(i), CTimerList::kFired));
        if (pItem->text(CTimerList::kFired) != szFired) pItem->setText(CTimerList::kFired, szFired);
    }
    // Nothing to count: no wake-ups.
    if (!bRunning) pRefresh->stop();
}
