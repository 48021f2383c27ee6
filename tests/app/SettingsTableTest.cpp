// SettingsTableTest.cpp - the settings table: it follows the file's reloads by the
// configuration thread, an edit is saved to the file and survives the thread's next load, a
// value the file cannot hold is refused, names the file does not define are shown as kept, a
// large file loads while the event loop turns, and the configuration group says why a file
// could not be loaded.
#include "ConfigPanel.h"
#include "MessageLine.h"
#include "SettingsModel.h"
#include "tests/support/TempDir.h"

#include <yrapi/text/ConfigFileThread.h>

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTableView>
#include <QtTest>

#include <filesystem>

using YRAPI::test::CTempDir;
using YRAPI::test::ReadFile;
using YRAPI::test::WriteFile;

namespace {

QString Cell(const CSettingsModel& model, int nRow, int nColumn) {
    return model.data(model.index(nRow, nColumn)).toString();
}

// Replaces a file in one step, so that a reload never reads half of it.
void ReplaceFile(const std::string& path, const std::string& content) {
    WriteFile(path + ".new", content);
    std::filesystem::rename(path + ".new", path);
}

}  // namespace

class CSettingsTableTest : public QObject {
    Q_OBJECT

  private slots:
    void tableFollowsTheReloads() {
        CTempDir dir;
        std::string path = dir.File("app.conf");
        WriteFile(path, "a=1\nb=2\n");
        CConfigFileThread table(50);
        QVERIFY(table.Load(path.c_str()));
        CSettingsModel model(table, nullptr);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(Cell(model, 0, 0) + Cell(model, 0, 1) + Cell(model, 1, 0) + Cell(model, 1, 1),
                 QStringLiteral("a1b2"));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        ReplaceFile(path, "a=10\nb=2\nc=3\n");
        QTRY_COMPARE_WITH_TIMEOUT((model.Refresh(), model.rowCount()), 3, 10000);
        QCOMPARE(Cell(model, 0, 1), QStringLiteral("10"));
        QCOMPARE(Cell(model, 2, 0) + Cell(model, 2, 1), QStringLiteral("c3"));
        QCOMPARE(changed.count(), 1);  // only the changed row
        QVERIFY(model.LoadsSeen() >= 1);
        QVERIFY(model.LastLoadSeen().isValid());
        QVERIFY(!model.Refresh());  // nothing new without a load
    }

    void editingAValueSetsTheTable() {
        CConfigFileThread table(600000);
        table.SetString("name", "old");
        CSettingsModel model(table, nullptr);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(0, 0), "renamed"));
        QVERIFY(model.setData(model.index(0, 1), "new value"));
        QCOMPARE(QString::fromUtf8(table.GetString("name", "")), QStringLiteral("new value"));
        QVERIFY(model.setData(model.index(0, 1), QString(600, 'v')));
        QCOMPARE(Cell(model, 0, 1), QString(511, 'v'));  // what the table kept
    }

    void groupSaysWhyAFileCannotBeLoaded_data() {
        QTest::addColumn<QString>("szName");  // inside a fresh folder
        QTest::addColumn<QString>("szNeedle");
        QTest::newRow("missing") << "missing.conf"
                                 << "there is no such file";
        QTest::newRow("a folder") << "folder"
                                  << "it is a folder";
        QTest::newRow("path too long") << QString(300, 'n') << "longer than 255";
    }
    void groupSaysWhyAFileCannotBeLoaded() {
        QFETCH(QString, szName);
        QFETCH(QString, szNeedle);
        CTempDir dir;
        std::filesystem::create_directory(dir.File("folder"));
        CConfigPanel panel(nullptr);
        QVERIFY(!panel.Load(QString::fromStdString(dir.File(szName.toStdString()))));
        QVERIFY(panel.Message()->IsError());
        QVERIFY2(panel.Message()->text().contains(szNeedle), qPrintable(panel.Message()->text()));
        QVERIFY(panel.LoadedFile().isEmpty());

        WriteFile(dir.File("good.conf"), "panel.key=here\n");
        QVERIFY(panel.Load(QString::fromStdString(dir.File("good.conf"))));
        QTRY_VERIFY_WITH_TIMEOUT(!panel.IsLoading(), 10000);
        QVERIFY(!panel.Message()->IsError());
        QVERIFY(
            panel.Model()->match(panel.Model()->index(0, 0), Qt::DisplayRole, "panel.key").size() ==
            1);
    }

    void editIsSavedAndSurvivesTheThreadsNextLoad() {
        CTempDir dir;
        std::string path = dir.File("edit.conf");
        WriteFile(path, "# head\na = 1 # note\nb=2\n");
        CConfigFileThread table(50);
        table.SetString("kept", "x");  // in the table, not in the file
        CSettingsModel model(table, nullptr);
        QSignalSpy ended(&model, &CSettingsModel::LoadEnded);
        QVERIFY(model.Load(QString::fromStdString(path)));
        QVERIFY(ended.wait(10000));
        QCOMPARE(ended.first().at(0).toBool(), true);
        QCOMPARE(model.rowCount(), 3);  // kept, a, b
        YRAPI::DWORD dwLoads = table.GetLoadCount();
        QVERIFY(model.setData(model.index(1, 1), "10"));
        QVERIFY(model.setData(model.index(0, 1), " y "));
        QCOMPARE(QString::fromStdString(ReadFile(path)),
                 QStringLiteral("# head\na = 10 # note\nb=2\nkept=y\n"));
        // The thread loads the file again (once after every load from code, and once for the
        // save; a load that began before the save is followed by one more): the edits stay.
        QTRY_VERIFY_WITH_TIMEOUT(table.GetLoadCount() >= dwLoads + 1, 10000);
        QTest::qWait(500);
        QTRY_VERIFY_WITH_TIMEOUT((model.Refresh(), !model.IsBusy()), 10000);
        QCOMPARE(Cell(model, 1, 1), QStringLiteral("10"));
        QCOMPARE(Cell(model, 0, 1), QStringLiteral("y"));
        QCOMPARE(QString::fromUtf8(table.GetString("a", "")), QStringLiteral("10"));
    }

    void valueTheFileCannotHoldIsRefused_data() {
        QTest::addColumn<QString>("szValue");
        QTest::addColumn<QString>("szNeedle");
        QTest::newRow("a colour") << "#ff0000"
                                  << "start a comment";
        QTest::newRow("a URL") << "http://example.org/"
                               << "start a comment";
        QTest::newRow("two lines") << "a\nb"
                                   << "line break";
    }
    void valueTheFileCannotHoldIsRefused() {
        QFETCH(QString, szValue);
        QFETCH(QString, szNeedle);
        CTempDir dir;
        std::string path = dir.File("refuse.conf");
        WriteFile(path, "color=red\n");
        CConfigFileThread table(600000);
        CSettingsModel model(table, nullptr);
        QSignalSpy ended(&model, &CSettingsModel::LoadEnded);
        QVERIFY(model.Load(QString::fromStdString(path)));
        QVERIFY(ended.wait(10000));
        QSignalSpy refused(&model, &CSettingsModel::EditRefused);
        QVERIFY(!model.setData(model.index(0, 1), szValue));
        QCOMPARE(refused.count(), 1);
        QVERIFY2(refused.first().at(0).toString().contains(szNeedle),
                 qPrintable(refused.first().at(0).toString()));
        QCOMPARE(ReadFile(path), std::string("color=red\n"));
        QCOMPARE(Cell(model, 0, 1), QStringLiteral("red"));
        QCOMPARE(QString::fromUtf8(table.GetString("color", "")), QStringLiteral("red"));
    }

    void namesTheFileDoesNotDefineAreShownAsKept() {
        CTempDir dir;
        WriteFile(dir.File("first.conf"), "a=1\nb=2\n");
        WriteFile(dir.File("second.conf"), "b=3\nc=4\n");
        CConfigFileThread table(600000);
        CSettingsModel model(table, nullptr);
        QSignalSpy ended(&model, &CSettingsModel::LoadEnded);
        QVERIFY(model.Load(QString::fromStdString(dir.File("first.conf"))));
        QVERIFY(ended.wait(10000));
        QVERIFY(model.Load(QString::fromStdString(dir.File("second.conf"))));
        QVERIFY(ended.wait(10000));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(Cell(model, 0, 0) + Cell(model, 1, 0) + Cell(model, 2, 0), QStringLiteral("abc"));
        QCOMPARE(model.DefinedCount(), 2);
        QVERIFY(!model.IsDefinedByFile(0));
        QVERIFY(model.IsDefinedByFile(1) && model.IsDefinedByFile(2));
        QVERIFY(model.data(model.index(0, 0), Qt::ForegroundRole).isValid());  // greyed
        QVERIFY(!model.data(model.index(1, 0), Qt::ForegroundRole).isValid());
        QVERIFY2(
            model.data(model.index(0, 1), Qt::ToolTipRole).toString().contains("Kept from before"),
            qPrintable(model.data(model.index(0, 1), Qt::ToolTipRole).toString()));
        QVERIFY(!model.data(model.index(2, 1), Qt::ToolTipRole).toString().contains("Kept"));
    }

    void loadOf60000SettingsLeavesTheEventLoopTurning() {
        CTempDir dir;
        std::string content;
        for (int i = 0; i < 60000; ++i) {
            content += "setting." + std::to_string(i) + " = value " + std::to_string(i) + "\n";
        }
        std::string path = dir.File("large.conf");
        WriteFile(path, content);
        CConfigPanel panel(nullptr);
        panel.resize(600, 400);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QElapsedTimer clock;
        qint64 nLastTick = 0, nLongestGap = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, [&] {
            qint64 nNow = clock.elapsed();
            nLongestGap = std::max(nLongestGap, nNow - nLastTick);
            nLastTick = nNow;
        });
        tick.start(10);
        clock.start();
        QVERIFY(panel.Load(QString::fromStdString(path)));
        // Load returns at once and the work goes on while the loop turns.
        QVERIFY(panel.IsLoading());
        QVERIFY(panel.BusyBar()->isVisibleTo(&panel));
        QTRY_VERIFY_WITH_TIMEOUT(!panel.IsLoading(), 60000);
        QTest::qWait(50);
        QVERIFY(panel.Model()->rowCount() >= 60000);
        QVERIFY(!panel.BusyBar()->isVisibleTo(&panel));
        QCOMPARE(panel.LoadedFile(), QString::fromStdString(path));
        QVERIFY2(nLongestGap < 1500, qPrintable(QString::number(nLongestGap)));
    }
};

QTEST_MAIN(CSettingsTableTest)
#include "SettingsTableTest.moc"
