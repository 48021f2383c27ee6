// SettingsTableTest.cpp - the settings table: it follows the file's reloads by the
// configuration thread, edits set the table, and the configuration group says why a file
// could not be loaded.
#include "ConfigPanel.h"
#include "MessageLine.h"
#include "SettingsModel.h"
#include "tests/support/TempDir.h"

#include <yrapi/text/ConfigFileThread.h>

#include <QtTest>

#include <filesystem>

using YRAPI::test::CTempDir;
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
        QVERIFY(!panel.Message()->IsError());
        QVERIFY(
            panel.Model()->match(panel.Model()->index(0, 0), Qt::DisplayRole, "panel.key").size() ==
            1);
    }
};

QTEST_MAIN(CSettingsTableTest)
#include "SettingsTableTest.moc"
