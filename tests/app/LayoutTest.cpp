// LayoutTest.cpp - the main dialog's layout holds: a long message never widens the window, a
// message appearing moves nothing, messages never draw over their neighbours at the minimum
// size, and a remembered geometry larger than the screen is clamped to it.
#include "FetchPanel.h"
#include "LogPanel.h"
#include "MessageLine.h"
#include "TamberonDlg.h"
#include "TimerPanel.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QtTest>

namespace {

// A URL of 316 characters with no place to break a line.
QString LongUrl() { return "http://example.org/" + QString(297, 'a'); }

QRect InDialog(const QWidget* pWidget, const QWidget* pDialog) {
    return QRect(pWidget->mapTo(pDialog, QPoint(0, 0)), pWidget->size());
}

}  // namespace

class CLayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { QSettings().clear(); }

    void longMessageDoesNotWidenTheWindow_data() {
        QTest::addColumn<QString>("szGroup");
        QTest::newRow("fetch") << "fetch";
        QTest::newRow("log") << "log";
    }
    void longMessageDoesNotWidenTheWindow() {
        QFETCH(QString, szGroup);
        CTamberonDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QSize before = dlg.size();
        int nMinimumWidth = dlg.minimumSizeHint().width();
        CMessageLine* pMessage = nullptr;
        if (szGroup == u"fetch") {
            dlg.FetchPanel()->UrlEdit()->setText(LongUrl() + " b");  // refused: holds a space
            QVERIFY(!dlg.FetchPanel()->Fetch());
            pMessage = dlg.FetchPanel()->Message();
        } else {
            dlg.LogPanel()->FolderEdit()->setText("/" + QString(255, 'f'));
            QVERIFY(!dlg.LogPanel()->OpenLog());
            pMessage = dlg.LogPanel()->Message();
        }
        QTest::qWait(50);
        QVERIFY(pMessage->text().size() > 255);
        QCOMPARE(dlg.size(), before);
        QCOMPARE(dlg.minimumSizeHint().width(), nMinimumWidth);
        QVERIFY(pMessage->IsElided());
        QCOMPARE(pMessage->toolTip(), pMessage->text());
    }

    void messageAppearingMovesNothing() {
        CTamberonDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        int nTail = dlg.LogPanel()->LinesView()->height();
        int nResult = dlg.FetchPanel()->ResultView()->height();
        dlg.FetchPanel()->Message()->ShowError("A message appears.");
        dlg.TimerPanel()->Message()->ShowInfo("Another one.");
        QTest::qWait(50);
        QCOMPARE(dlg.LogPanel()->LinesView()->height(), nTail);
        QCOMPARE(dlg.FetchPanel()->ResultView()->height(), nResult);
    }

    void messagesKeepOffTheirNeighboursAtTheMinimumSize() {
        CTamberonDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.FetchPanel()->Message()->ShowError(LongUrl());
        dlg.LogPanel()->Message()->ShowError(LongUrl());
        dlg.resize(dlg.minimumSizeHint());
        QTest::qWait(50);
        QCOMPARE(dlg.size(), dlg.minimumSizeHint());
        QRect message = InDialog(dlg.LogPanel()->Message(), &dlg);
        QRect tail = InDialog(dlg.LogPanel()->LinesView(), &dlg);
        QVERIFY2(!message.intersects(tail),
                 qPrintable(QStringLiteral("message %1,%2 %3x%4 over the tail %5,%6 %7x%8")
                                .arg(message.x())
                                .arg(message.y())
                                .arg(message.width())
                                .arg(message.height())
                                .arg(tail.x())
                                .arg(tail.y())
                                .arg(tail.width())
                                .arg(tail.height())));
        QVERIFY(dlg.FetchPanel()->Message()->height() >=
                dlg.FetchPanel()->Message()->sizeHint().height());
        // The largest size still shows whole in its field.
        QLineEdit* pMaxSize = dlg.LogPanel()->MaxSizeEdit();
        QVERIFY(pMaxSize->width() >= pMaxSize->fontMetrics().horizontalAdvance("2147483647"));
        QLineEdit* pInterval = dlg.TimerPanel()->IntervalEdit();
        QVERIFY(pInterval->width() >= pInterval->fontMetrics().horizontalAdvance("3600000"));
    }

    void rememberedGeometryIsClampedToTheScreen() {
        QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        {
            CTamberonDlg dlgBig;
            dlgBig.setGeometry(available.x() + 40, available.y() + 30, available.width() * 3,
                               available.height() * 2);
            dlgBig.done(0);  // saves the geometry
        }
        CTamberonDlg dlg;
        QSize limit = available.size().expandedTo(dlg.minimumSizeHint());
        QVERIFY2(dlg.width() <= limit.width() && dlg.height() <= limit.height(),
                 qPrintable(QStringLiteral("%1x%2 on %3x%4")
                                .arg(dlg.width())
                                .arg(dlg.height())
                                .arg(available.width())
                                .arg(available.height())));
        QVERIFY(available.contains(dlg.geometry().topLeft()));
    }

    void clampKeepsTheWindowOnTheScreen_data() {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<QRect>("expected");
        QRect screen(0, 0, 1280, 800);
        Q_UNUSED(screen);
        QTest::newRow("fits") << QRect(100, 100, 600, 400) << QRect(100, 100, 600, 400);
        QTest::newRow("too wide") << QRect(100, 100, 2674, 400) << QRect(0, 100, 1280, 400);
        QTest::newRow("off to the right")
            << QRect(1000, 500, 600, 400) << QRect(680, 400, 600, 400);
        QTest::newRow("above and left") << QRect(-50, -20, 600, 400) << QRect(0, 0, 600, 400);
        QTest::newRow("below the minimum") << QRect(0, 0, 100, 50) << QRect(0, 0, 300, 200);
    }
    void clampKeepsTheWindowOnTheScreen() {
        QFETCH(QRect, window);
        QFETCH(QRect, expected);
        QCOMPARE(ClampToScreen(window, QRect(0, 0, 1280, 800), QSize(300, 200)), expected);
    }
};

QTEST_MAIN(CLayoutTest)
#include "LayoutTest.moc"
