// FetchPanelTest.cpp - the HTTP group against a loopback server: the fetch runs off the GUI
// thread while the event loop keeps turning, a second fetch is refused while one runs, the
// status line says what happened, a running fetch is cancelled at once and closing the
// dialog does not wait for it, and bad input is refused without a request.
#include "FetchPanel.h"
#include "MessageLine.h"
#include "TamberonDlg.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

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

    void statusSaysWhatHappened_data() {
        QTest::addColumn<int>("nStatus");  // 0: a server that stays silent; -1: none at all
        QTest::addColumn<QString>("szBody");
        QTest::addColumn<QString>("szHeader");
        QTest::addColumn<bool>("bText");
        QTest::addColumn<QString>("szNeedle");
        QTest::addColumn<QString>("szShown");
        QTest::newRow("404") << 404 << "not here"
                             << "" << false << "HTTP 404"
                             << "";
        QTest::newRow("500") << 500 << "oops"
                             << "" << false << "HTTP 500"
                             << "";
        QTest::newRow("empty 200") << 200 << ""
                                   << "" << false << "Empty body"
                                   << "";
        QTest::newRow("refused") << -1 << ""
                                 << "" << false << "Connection refused"
                                 << "";
        QTest::newRow("silent") << 0 << ""
                                << "" << false << "No answer within 1000 ms"
                                << "";
        QTest::newRow("cut body") << 200 << QString(20000, 'x') << "" << true
                                  << "The first 10,239 bytes of" << QString(10239, 'x');
        QTest::newRow("Latin-1 text")
            << 200 << QStringLiteral("caf\u00e9") << "Content-Type: text/plain; charset=ISO-8859-1"
            << true << "4 bytes" << QStringLiteral("caf\u00e9");
    }
    void statusSaysWhatHappened() {
        QFETCH(int, nStatus);
        QFETCH(QString, szBody);
        QFETCH(QString, szHeader);
        QFETCH(bool, bText);
        QFETCH(QString, szNeedle);
        QFETCH(QString, szShown);
        std::string body = szBody.toLatin1().toStdString();
        std::string header = szHeader.toStdString();
        auto pServer = std::make_unique<CLoopbackHttpServer>([=](const http_request&) {
            http_answer answer;
            answer.nStatus = nStatus;
            answer.szBody = body;
            if (!header.empty()) answer.headers.push_back(header);
            if (nStatus == 0) answer.delay = std::chrono::milliseconds(20000);
            return answer;
        });
        QString szUrl = QString::fromStdString(pServer->Url("/what"));
        if (nStatus < 0) pServer.reset();  // nothing listens on its port any more
        CFetchPanel panel(nullptr);
        panel.UrlEdit()->setText(szUrl);
        panel.TimeoutEdit()->setText("1000");
        QSignalSpy ended(&panel, &CFetchPanel::FetchEnded);
        QVERIFY(panel.Fetch());
        QVERIFY(ended.wait(20000));
        QString szMessage = panel.Message()->text();
        QVERIFY2(szMessage.contains(szNeedle), qPrintable(szMessage));
        QVERIFY2(szMessage.contains("beside the fixed 500 ms wait"), qPrintable(szMessage));
        QCOMPARE(panel.Message()->IsError(), !bText);
        QCOMPARE(panel.ResultView()->toPlainText(), szShown);
    }

    void cancelEndsTheFetchAtOnce() {
        CLoopbackHttpServer server([](const http_request&) {
            http_answer answer;
            answer.delay = std::chrono::milliseconds(60000);  // accepts and stays silent
            return answer;
        });
        CFetchPanel panel(nullptr);
        panel.UrlEdit()->setText(QString::fromStdString(server.Url("/silent")));
        panel.TimeoutEdit()->setText("60000");
        QSignalSpy ended(&panel, &CFetchPanel::FetchEnded);
        QVERIFY(panel.Fetch());
        QCOMPARE(panel.FetchButton()->text(), QStringLiteral("&Cancel"));
        QVERIFY(panel.FetchButton()->isEnabled());
        QTest::qWait(1000);
        QElapsedTimer clock;
        clock.start();
        panel.FetchButton()->click();
        QVERIFY(ended.wait(5000));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(panel.Message()->text().startsWith("Cancelled"),
                 qPrintable(panel.Message()->text()));
        QCOMPARE(panel.FetchButton()->text(), QStringLiteral("F&etch"));
        QVERIFY(!panel.IsBusy());
    }

    void closingTheDialogDoesNotWaitForTheFetch_data() {
        QTest::addColumn<int>("nWaitMs");  // before the close: during the fixed wait, or after
        QTest::newRow("at once") << 0;
        QTest::newRow("after 1 s") << 1000;
    }
    void closingTheDialogDoesNotWaitForTheFetch() {
        QFETCH(int, nWaitMs);
        CLoopbackHttpServer server([](const http_request&) {
            http_answer answer;
            answer.delay = std::chrono::milliseconds(60000);
            return answer;
        });
        auto pDlg = std::make_unique<CTamberonDlg>();
        pDlg->FetchPanel()->UrlEdit()->setText(QString::fromStdString(server.Url("/silent")));
        pDlg->FetchPanel()->TimeoutEdit()->setText("60000");
        QVERIFY(pDlg->FetchPanel()->Fetch());
        if (nWaitMs > 0) QTest::qWait(nWaitMs);
        QElapsedTimer clock;
        clock.start();
        pDlg->reject();
        pDlg.reset();
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
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
        QTest::newRow("a space") << "http://example.org/a b"
                                 << "1000"
                                 << "holds a space";
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
