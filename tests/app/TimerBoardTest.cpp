// TimerBoardTest.cpp - the dialog's timers on the process-wide service: firings are counted
// until the count runs out, a removed timer's slot starts again from zero, the board refuses
// a timer when it is full, and the timer group shows the firings live and refuses bad input.
#include "MessageLine.h"
#include "TimerPanel.h"
#include "core/TimerBoard.h"

#include <QLineEdit>
#include <QTreeWidget>
#include <QtTest>

#include <vector>

using namespace Tamberon;

class CTimerBoardTest : public QObject {
    Q_OBJECT

  private slots:
    void countsFiringsUntilTheCountRunsOut() {
        std::optional<int> nSlot = AddBoardTimer(5, 3);
        QVERIFY(nSlot.has_value());
        QTRY_COMPARE_WITH_TIMEOUT(BoardTimerFired(*nSlot), 3u, 5000);
        QTest::qWait(100);
        QCOMPARE(BoardTimerFired(*nSlot), 3u);
        QVERIFY(RemoveBoardTimer(*nSlot));
        QVERIFY(!RemoveBoardTimer(*nSlot));
    }

    void removedTimerStopsAndItsSlotStartsFromZero() {
        std::optional<int> nSlot = AddBoardTimer(1, -1);
        QVERIFY(nSlot.has_value());
        QTRY_VERIFY_WITH_TIMEOUT(BoardTimerFired(*nSlot) > 5, 5000);
        QVERIFY(RemoveBoardTimer(*nSlot));
        QCOMPARE(BoardTimerFired(*nSlot), 0u);
        std::optional<int> nAgain = AddBoardTimer(600000, 1);
        QCOMPARE(nAgain, nSlot);  // the first free slot
        QTest::qWait(50);
        QCOMPARE(BoardTimerFired(*nAgain), 0u);  // no late firing of the removed timer counts
        QVERIFY(RemoveBoardTimer(*nAgain));
    }

    void boardRefusesATimerWhenFull() {
        std::vector<int> taken;
        for (int i = 0; i < kMaxTimers; ++i) {
            std::optional<int> nSlot = AddBoardTimer(600000, 1);
            QVERIFY(nSlot.has_value());
            taken.push_back(*nSlot);
        }
        QVERIFY(!AddBoardTimer(600000, 1).has_value());
        for (int nSlot : taken) QVERIFY(RemoveBoardTimer(nSlot));
    }

    void groupShowsFiringsLive() {
        CTimerPanel panel(nullptr);
        panel.IntervalEdit()->setText("10");
        panel.CountEdit()->setText("5");
        QVERIFY(panel.AddTimer());
        QCOMPARE(panel.List()->topLevelItemCount(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(panel.List()->topLevelItem(0)->text(3),
                                  QStringLiteral("5 (done)"), 5000);
        QVERIFY(panel.RemoveSelected());
        QCOMPARE(panel.List()->topLevelItemCount(), 0);
        QVERIFY(panel.Message()->text().contains("after 5 firings"));
    }

    void groupRefusesBadInput_data() {
        QTest::addColumn<QString>("szInterval");
        QTest::addColumn<QString>("szCount");
        QTest::addColumn<QString>("szNeedle");
        QTest::newRow("interval text") << "fast"
                                       << "1"
                                       << "Interval (ms) \"fast\" is not valid";
        QTest::newRow("interval 0") << "0"
                                    << "1"
                                    << "from 1 to 3600000";
        QTest::newRow("count 0") << "10"
                                 << "0"
                                 << "0 would never fire";
        QTest::newRow("count -2") << "10"
                                  << "-2"
                                  << "from -1 to 1000000";
    }
    void groupRefusesBadInput() {
        QFETCH(QString, szInterval);
        QFETCH(QString, szCount);
        QFETCH(QString, szNeedle);
        CTimerPanel panel(nullptr);
        panel.IntervalEdit()->setText(szInterval);
        panel.CountEdit()->setText(szCount);
        QVERIFY(!panel.AddTimer());
        QCOMPARE(panel.List()->topLevelItemCount(), 0);
        QVERIFY(panel.Message()->IsError());
        QVERIFY2(panel.Message()->text().contains(szNeedle), qPrintable(panel.Message()->text()));
    }
};

QTEST_MAIN(CTimerBoardTest)
#include "TimerBoardTest.moc"
