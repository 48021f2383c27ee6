// LogPanelTest.cpp - the log group: an opened log's lines show up in the view, the tail keeps
// the reader's place, a folder deleted under an open log is reported, the group closes a log
// it opened when it goes, and bad input is refused with a message.
#include "LogPanel.h"
#include "MessageLine.h"
#include "tests/support/TempDir.h"

#include <yrapi/log/LogInterface.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <memory>

using YRAPI::test::CTempDir;
using YRAPI::test::ReadFile;

class CLogPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void openedLogShowsItsNewestLines() {
        CTempDir dir;
        YRAPI::test::WriteFile(dir.File("view.log"), "old 1\nold 2\nold 3\n");
        CLogPanel panel(nullptr);
        panel.FolderEdit()->setText(QString::fromStdString(dir.Path()));
        panel.FileEdit()->setText("view.log");
        QVERIFY(panel.OpenLog());
        QVERIFY(panel.IsOpen());
        QVERIFY(!panel.OpenLog());
        YRAPI::CYRLogInterface::Log(4, "probe line %d", 1);
        // The writer appends every 2 s; the group looks at the file every 500 ms.
        QTRY_VERIFY_WITH_TIMEOUT(panel.LinesView()->toPlainText().contains("probe line 1"), 10000);
        QVERIFY2(panel.LinesView()->toPlainText().startsWith("old 1\nold 2\nold 3\n"),
                 qPrintable(panel.LinesView()->toPlainText()));
        QVERIFY(panel.CloseLog());
        QVERIFY(!panel.IsOpen());
        QVERIFY(panel.LinesView()->toPlainText().contains("Tamberon: log closed"));
    }

    void tailKeepsTheReadersPlace_data() {
        QTest::addColumn<bool>("bAtBottom");
        QTest::newRow("reading above the end") << false;
        QTest::newRow("following the end") << true;
    }
    void tailKeepsTheReadersPlace() {
        QFETCH(bool, bAtBottom);
        CTempDir dir;
        CLogPanel panel(nullptr);
        panel.resize(500, 400);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        panel.FolderEdit()->setText(QString::fromStdString(dir.Path()));
        QVERIFY(panel.OpenLog());
        std::string path = panel.LogFilePath().toStdString();
        auto append = [&](int nFirst) {
            std::ofstream file(path, std::ios::app);
            for (int i = nFirst; i < nFirst + 60; ++i) {
                file << "line " << i << " " << std::string(300, 'w') << "\n";
            }
        };
        append(0);
        panel.RefreshLines();
        QTest::qWait(50);
        QScrollBar* pVertical = panel.LinesView()->verticalScrollBar();
        QScrollBar* pHorizontal = panel.LinesView()->horizontalScrollBar();
        QVERIFY(pVertical->maximum() > 20 && pHorizontal->maximum() > 100);
        QVERIFY(pVertical->isVisible() && pHorizontal->isVisible());
        pHorizontal->setValue(100);
        pVertical->setValue(bAtBottom ? pVertical->maximum() : 10);
        append(60);
        QTest::qWait(20);
        panel.RefreshLines();
        QTest::qWait(50);  // the view lays the new lines out
        QVERIFY(panel.LinesView()->blockCount() >= 120);
        QVERIFY(pVertical->isVisible());
        QCOMPARE(pHorizontal->value(), 100);
        if (bAtBottom) {
            QCOMPARE(pVertical->value(), pVertical->maximum());
        } else {
            QCOMPARE(pVertical->value(), 10);
        }
        QVERIFY(panel.CloseLog());
    }

    void folderGoneUnderAnOpenLogIsReported() {
        CTempDir dir;
        std::string folder = dir.File("logs");
        std::filesystem::create_directory(folder);
        CLogPanel panel(nullptr);
        panel.FolderEdit()->setText(QString::fromStdString(folder));
        QVERIFY(panel.OpenLog());
        QVERIFY(!panel.Message()->IsError());
        QVERIFY2(panel.Message()->text().contains(panel.LogFilePath()),
                 qPrintable(panel.Message()->text()));
        std::filesystem::remove_all(folder);
        QTRY_VERIFY_WITH_TIMEOUT(panel.Message()->IsError(), 5000);
        QVERIFY2(panel.Message()->text().contains("is gone: log lines are lost"),
                 qPrintable(panel.Message()->text()));
        std::filesystem::create_directory(folder);
        QTRY_VERIFY_WITH_TIMEOUT(!panel.Message()->IsError(), 5000);
        QVERIFY(panel.Message()->text().startsWith("Open:"));
        QVERIFY(panel.CloseLog());
    }

    void groupClosesTheLogItOpenedWhenItGoes() {
        CTempDir dir;
        auto pPanel = std::make_unique<CLogPanel>(nullptr);
        pPanel->FolderEdit()->setText(QString::fromStdString(dir.Path()));
        QVERIFY(pPanel->OpenLog());
        YRAPI::CYRLogInterface::Log(4, "last words");
        std::string path = pPanel->LogFilePath().toStdString();
        pPanel.reset();
        // Closing writes what was queued, before it returns.
        QVERIFY(ReadFile(path).find("last words") != std::string::npos);
    }

    void badInputIsRefused_data() {
        QTest::addColumn<QString>("szFolder");  // "%1" stands for a fresh folder
        QTest::addColumn<QString>("szFile");
        QTest::addColumn<QString>("szMaxSize");
        QTest::addColumn<QString>("szNeedle");
        QTest::newRow("vanished folder") << "%1/gone"
                                         << "t.log"
                                         << "1048576"
                                         << "does not exist";
        QTest::newRow("a file for a folder") << "%1/file.txt"
                                             << "t.log"
                                             << "1048576"
                                             << "is a file, not a folder";
        QTest::newRow("folder without write permission") << "/proc"
                                                         << "t.log"
                                                         << "1048576"
                                                         << "Cannot write";
        QTest::newRow("a path for a file name") << "%1"
                                                << "a/b.log"
                                                << "1048576"
                                                << "plain file name";
        QTest::newRow("max size text") << "%1"
                                       << "t.log"
                                       << "big"
                                       << "Max size \"big\" is not valid";
        QTest::newRow("max size too small") << "%1"
                                            << "t.log"
                                            << "10"
                                            << "from 1024";
    }
    void badInputIsRefused() {
        QFETCH(QString, szFolder);
        QFETCH(QString, szFile);
        QFETCH(QString, szMaxSize);
        QFETCH(QString, szNeedle);
        CTempDir dir;
        YRAPI::test::WriteFile(dir.File("file.txt"), "not a folder\n");
        CLogPanel panel(nullptr);
        panel.FolderEdit()->setText(szFolder.replace("%1", QString::fromStdString(dir.Path())));
        panel.FileEdit()->setText(szFile);
        panel.MaxSizeEdit()->setText(szMaxSize);
        QVERIFY(!panel.OpenLog());
        QVERIFY(!panel.IsOpen());
        QVERIFY(panel.Message()->IsError());
        QVERIFY2(panel.Message()->text().contains(szNeedle), qPrintable(panel.Message()->text()));
    }
};

QTEST_MAIN(CLogPanelTest)
#include "LogPanelTest.moc"
