// FetchPanelTest.cpp - the HTTP group against a loopback server: the fetch runs off the GUI
// thread while the event loop keeps turning, a second fetch is refused while one runs, a
// failure says what happened, and bad input is refused without a request.
#include "FetchPanel.h"
#include "MessageLine.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using YRAPI::test::CLoopbackHttpServer;
using YRAPI::test::http_answer;
using YRAPI::test::http_request;

class CFetchPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void fetchRunsWhileTheEventLoopTurns() {
        CLoopbackHttpServer server([](const http_request&) {
            http_answer answer;
            answer.szBody = "hello from the loopback";
            answer.delay = std::chrono::milliseconds(300);
            return answer;
        });
        CFetchPanel panel(nullptr);
        panel.UrlEdit()->setText(QString::fromStdString(server.Url("/hello")));
        panel.TimeoutEdit()->setText("5000");
        QSignalSpy ended(&panel, &CFetchPanel::FetchEnded);
        int nTicks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] { ++nTicks; });
        tick.start(10);
        QVERIFY(panel.Fetch());
        QVERIFY(panel.BusyBar()->isVisibleTo(&panel));
        QVERIFY(!panel.Fetch());
        QVERIFY(panel.Message()->IsError());
        QVERIFY(panel.Message()->text().contains("still running"));
        QVERIFY(ended.wait(20000));
        // The fetch takes its fixed 500 ms and the server's 300 ms, all spent in the loop.
        QVERIFY2(nTicks >= 20, qPrintable(QString::number(nTicks)));
        QCOMPARE(panel.ResultView()->toPlainText(), QStringLiteral("hello from the loopback"));
        QVERIFY(!panel.BusyBar()->isVisibleTo(&panel));
        QVERIFY(!panel.Message()->IsError());
        QCOMPARE(server.Requests().size(), 1u);
    }

    void failureSaysNoTextCameWithinTheTimeout() {
        CLoopbackHttpServer server([](const http_request&) {
            http_answer answer;
            answer.nStatus = 404;
            answer.szBody = "not here";
            return answer;
        });
        CFetchPanel panel(nullptr);
        panel.UrlEdit()->setText(QString::fromStdString(server.Url("/missing")));
        panel.TimeoutEdit()->setText("3000");
        QSignalSpy ended(&panel, &CFetchPanel::FetchEnded);
        QVERIFY(panel.Fetch());
        QVERIFY(ended.wait(20000));
        QVERIFY(panel.Message()->IsError());
        QVERIFY2(panel.Message()->text().contains("no text within 3000 ms"),
                 qPrintable(panel.Message()->text()));
        QVERIFY(panel.ResultView()->toPlainText().isEmpty());
    }

    void badInputIsRefusedWithoutARequest_data() {
        QTest::addColumn<QString>("szUrl");  // "%1" stands for the server's address
        QTest::addColumn<QString>("szTimeout");
        QTest::addColumn<QString>("szNeedle");
        QTest::newRow("not http") << "ftp://127.0.0.1/file"
                                  << "1000"
                                  << "http:// or https://";
        QTest::newRow("no URL") << ""
                                << "1000"
                                << "http:// or https://";
        QTest::newRow("no host") << "http:///path"
                                 << "1000"
                                 << "host name";
        QTest::newRow("time-out 0") << "%1"
                                    << "0"
                                    << "Time-out \"0\" is not valid";
        QTest::newRow("time-out text") << "%1"
                                       << "soon"
                                       << "from 1 to 60000";
        QTest::newRow("time-out empty") << "%1"
                                        << " "
                                        << "Time-out is empty";
    }
    void badInputIsRefusedWithoutARequest() {
        QFETCH(QString, szUrl);
        QFETCH(QString, szTimeout);
        QFETCH(QString, szNeedle);
        CLoopbackHttpServer server([](const http_request&) { return http_answer{}; });
        CFetchPanel panel(nullptr);
        panel.UrlEdit()->setText(szUrl.replace("%1", QString::fromStdString(server.Url("/"))));
        panel.TimeoutEdit()->setText(szTimeout);
        QVERIFY(!panel.Fetch());
        QVERIFY(!panel.IsBusy());
        QVERIFY(panel.Message()->IsError());
        QVERIFY2(panel.Message()->text().contains(szNeedle), qPrintable(panel.Message()->text()));
        QTest::qWait(50);
        QVERIFY(server.Requests().empty());
    }
};

QTEST_MAIN(CFetchPanelTest)
#include "FetchPanelTest.moc"
