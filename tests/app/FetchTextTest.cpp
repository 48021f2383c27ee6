// FetchTextTest.cpp - the words for a fetch: each outcome's reason, the status line (what
// happened first, the URL last, the time beside the fixed wait, a cut body), and the charset
// a Content-Type declares.
#include "core/FetchText.h"

#include <QtTest>

#include <cstring>

Q_DECLARE_METATYPE(YRAPI::FetchOutcome)

class CFetchTextTest : public QObject {
    Q_OBJECT

  private slots:
    void statusLineSaysWhatHappened_data() {
        QTest::addColumn<YRAPI::FetchOutcome>("eOutcome");
        QTest::addColumn<int>("nStatus");
        QTest::addColumn<bool>("bTruncated");
        QTest::addColumn<int>("nReceived");
        QTest::addColumn<int>("nShown");
        QTest::addColumn<QString>("szLine");
        using YRAPI::FetchOutcome;
        QTest::newRow("text") << FetchOutcome::Text << 200 << false << 1234 << 1234
                              << "1,234 bytes in 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("cut text")
            << FetchOutcome::Text << 200 << true << 52340 << 10239
            << "The first 10,239 bytes of 52,340 bytes received, in 7 ms beside the fixed 500 ms "
               "wait: U";
        QTest::newRow("cut, length unknown")
            << FetchOutcome::Text << 200 << true << 10239 << 10239
            << "The first 10,239 bytes of a longer body, in 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("404") << FetchOutcome::HttpStatus << 404 << false << 0 << 0
                             << "HTTP 404 (Not Found), after 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("599") << FetchOutcome::HttpStatus << 599 << false << 0 << 0
                             << "HTTP 599, after 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("time-out")
            << FetchOutcome::TimedOut << 0 << false << 0 << 0
            << "No answer within 3000 ms, after 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("refused")
            << FetchOutcome::ConnectionRefused << 0 << false << 0 << 0
            << "Connection refused, after 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("cancelled") << FetchOutcome::Cancelled << 0 << false << 0 << 0
                                   << "Cancelled, after 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("redirects")
            << FetchOutcome::TooManyRedirects << 0 << false << 0 << 0
            << "Too many redirects, after 7 ms beside the fixed 500 ms wait: U";
        QTest::newRow("TLS") << FetchOutcome::TlsFailure << 0 << false << 0 << 0
                             << "TLS failed (handshake or certificate), after 7 ms beside the "
                                "fixed 500 ms wait: U";
    }
    void statusLineSaysWhatHappened() {
        QFETCH(YRAPI::FetchOutcome, eOutcome);
        QFETCH(int, nStatus);
        QFETCH(bool, bTruncated);
        QFETCH(int, nReceived);
        QFETCH(int, nShown);
        QFETCH(QString, szLine);
        YRAPI::fetch_report report;
        report.eOutcome = eOutcome;
        report.nHttpStatus = nStatus;
        report.bTruncated = bTruncated;
        report.nBytesReceived = static_cast<std::size_t>(nReceived);
        report.dwExchangeMs = 7;
        QCOMPARE(QString::fromStdString(Tamberon::FetchStatusLine(
                     "U", report, 3000, static_cast<std::size_t>(nShown))),
                 szLine);
    }

    void declaredCharsetIsFound_data() {
        QTest::addColumn<QString>("szType");
        QTest::addColumn<QString>("szCharset");
        QTest::newRow("none") << "text/plain"
                              << "";
        QTest::newRow("plain") << "text/html; charset=ISO-8859-1"
                               << "ISO-8859-1";
        QTest::newRow("upper case, no blank") << "text/html;CHARSET=utf-8"
                                              << "utf-8";
        QTest::newRow("quoted") << "text/plain; charset=\"windows-1252\""
                                << "windows-1252";
        QTest::newRow("another parameter after") << "text/plain; charset=koi8-r; format=flowed"
                                                 << "koi8-r";
        QTest::newRow("not a parameter") << "text/x-charset=foo"
                                         << "";
    }
    void declaredCharsetIsFound() {
        QFETCH(QString, szType);
        QFETCH(QString, szCharset);
        QByteArray type = szType.toLatin1();
        QCOMPARE(QString::fromStdString(Tamberon::DeclaredCharset(type.constData())), szCharset);
    }
};

QTEST_MAIN(CFetchTextTest)
#include "FetchTextTest.moc"
