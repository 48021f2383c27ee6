// LogPanelTest.cpp - the log group: an opened log's lines show up in the view, the group
// closes a log it opened when it goes, and bad input is refused with a message.
#include "LogPanel.h"
#include "MessageLine.h"
#include "tests/support/TempDir.h"

#include <yrapi/log/LogInterface.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

#include <filesystem>
#include <memory>

using YRAPI::test::CTempDir;
using YRAPI::test::ReadFile;

class CLogPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void openedLogShowsItsNewestLines() {
        CTempDir dir;
        CLogPanel panel(nullptr);
        panel.FolderEdit()->setText(QString::fromStdString(dir.Path()));
        panel.FileEdit()->setText("view.log");
        QVERIFY(panel.OpenLog());
        QVERIFY(panel.IsOpen());
        QVERIFY(!panel.OpenLog());
        YRAPI::CYRLogInterface::Log(4, "probe line %d", 1);
        // The writer appends every 2 s; the group looks at the file every 500 ms.
        QTRY_VERIFY_WITH_TIMEOUT(panel.LinesView()->toPlainText().contains("probe line 1"), 10000);
        QVERIFY(panel.CloseLog());
        QVERIFY(!panel.IsOpen());
        QVERIFY(panel.LinesView()->toPlainText().contains("Tamberon: log closed"));
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
