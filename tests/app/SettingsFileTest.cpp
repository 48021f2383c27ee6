// SettingsFileTest.cpp - saving one setting into a configuration file: the value on the line
// that defines the name is replaced with comments, spacing, line endings and order kept, a
// name the file does not define is appended, values the file cannot hold are refused and
// leave it unchanged, a link is saved through, and the names a file defines are read by the
// table's own rules.
#include "core/SettingsFile.h"
#include "tests/support/TempDir.h"

#include <QtTest>

#include <filesystem>

using YRAPI::test::CTempDir;
using YRAPI::test::ReadFile;
using YRAPI::test::WriteFile;

class CSettingsFileTest : public QObject {
    Q_OBJECT

  private slots:
    void saveReplacesTheDefiningLineOrAppends_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("szName");
        QTest::addColumn<QByteArray>("szValue");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("comment and spacing kept")
            << QByteArray("# head\na = 1 # note\nb=2\n") << QByteArray("a") << QByteArray("10")
            << QByteArray("# head\na = 10 # note\nb=2\n");
        QTest::newRow("the last line wins") << QByteArray("a=1\na=2\n") << QByteArray("a")
                                            << QByteArray("3") << QByteArray("a=1\na=3\n");
        QTest::newRow("tabs and a // comment")
            << QByteArray("  key\t=\tval  // c\n") << QByteArray("key") << QByteArray("new")
            << QByteArray("  key\t=\tnew  // c\n");
        QTest::newRow("empty value")
            << QByteArray("k=\n") << QByteArray("k") << QByteArray("v") << QByteArray("k=v\n");
        QTest::newRow("comment right after =")
            << QByteArray("k=#c\n") << QByteArray("k") << QByteArray("v") << QByteArray("k=v#c\n");
        QTest::newRow("CR-LF kept, new name appended")
            << QByteArray("a=1\r\n") << QByteArray("b") << QByteArray("2")
            << QByteArray("a=1\r\nb=2\r\n");
        QTest::newRow("no final line break")
            << QByteArray("a=1") << QByteArray("b") << QByteArray("2") << QByteArray("a=1\nb=2\n");
        QTest::newRow("commented-out lines do not define")
            << QByteArray("// a=1\n#a=2\n") << QByteArray("a") << QByteArray("3")
            << QByteArray("// a=1\n#a=2\na=3\n");
        QTest::newRow("value with = and blanks trimmed")
            << QByteArray("url=x\n") << QByteArray("url") << QByteArray("  a=b  ")
            << QByteArray("url=a=b\n");
    }
    void saveReplacesTheDefiningLineOrAppends() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, szName);
        QFETCH(QByteArray, szValue);
        QFETCH(QByteArray, after);
        CTempDir dir;
        std::string path = dir.File("s.conf");
        WriteFile(path, before.toStdString());
        std::string szWhy;
        QVERIFY2(
            Tamberon::SaveSettingToFile(path, szName.toStdString(), szValue.toStdString(), &szWhy),
            szWhy.c_str());
        QCOMPARE(QByteArray::fromStdString(ReadFile(path)), after);
        QVERIFY(!std::filesystem::exists(path + ".saving~"));
        QVERIFY(Tamberon::NamesDefinedByFile(path).count(szName.toStdString()) == 1);
    }

    void valueTheFileCannotHoldLeavesItUnchanged_data() {
        QTest::addColumn<QByteArray>("szValue");
        QTest::addColumn<QString>("szNeedle");
        QTest::newRow("#") << QByteArray("#fff") << "start a comment";
        QTest::newRow("//") << QByteArray("a//b") << "start a comment";
        QTest::newRow("line break") << QByteArray("a\nb=c") << "line break";
        QTest::newRow("carriage return") << QByteArray("a\rb") << "line break";
    }
    void valueTheFileCannotHoldLeavesItUnchanged() {
        QFETCH(QByteArray, szValue);
        QFETCH(QString, szNeedle);
        CTempDir dir;
        std::string path = dir.File("s.conf");
        WriteFile(path, "a=1\n");
        QVERIFY(!Tamberon::SettingValueProblem(szValue.toStdString()).empty());
        std::string szWhy;
        QVERIFY(!Tamberon::SaveSettingToFile(path, "a", szValue.toStdString(), &szWhy));
        QVERIFY2(QString::fromStdString(szWhy).contains(szNeedle), szWhy.c_str());
        QCOMPARE(ReadFile(path), std::string("a=1\n"));
    }

    void saveGoesThroughALink() {
        CTempDir dir;
        std::string target = dir.File("real.conf");
        std::string link = dir.File("link.conf");
        WriteFile(target, "a=1\n");
        std::filesystem::create_symlink(target, link);
        std::string szWhy;
        QVERIFY(Tamberon::SaveSettingToFile(link, "a", "2", &szWhy));
        QVERIFY(std::filesystem::is_symlink(link));
        QCOMPARE(ReadFile(target), std::string("a=2\n"));
    }

    void namesDefinedFollowTheTablesRules() {
        CTempDir dir;
        std::string path = dir.File("n.conf");
        WriteFile(path, "p=1\r\nq = 2 # note\n// r=3\n\ts = 4\n=5\nk\nt=\ncolor=#f00\n" +
                            std::string(200, 'n') + "=long\n");
        auto names = Tamberon::NamesDefinedByFile(path);
        QCOMPARE(names.size(), std::size_t(6));
        for (const char* szName : {"p", "q", "s", "t", "color"}) {
            QVERIFY2(names.count(szName) == 1, szName);
        }
        QVERIFY(names.count(std::string(127, 'n')) == 1);  // cut as the table cuts it
        QVERIFY(Tamberon::NamesDefinedByFile(dir.File("missing.conf")).empty());
    }
};

QTEST_MAIN(CSettingsFileTest)
#include "SettingsFileTest.moc"
