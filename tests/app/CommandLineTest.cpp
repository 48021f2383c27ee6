// CommandLineTest.cpp - the program before Qt starts: --help and --version without a display,
// and one clear line on standard error with exit code 1 when no display can be used.
#include <QProcess>
#include <QtTest>

class CCommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void answersWithoutADisplay_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QStringList>("environment");  // "NAME=value", or "NAME" to remove it
        QTest::addColumn<int>("nExitCode");
        QTest::addColumn<QString>("szStdout");  // a part of it; "" for none at all
        QTest::addColumn<QString>("szStderr");  // a part of its one line; "" for none at all
        QStringList noDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
        QTest::newRow("--version") << QStringList{"--version"} << noDisplay << 0 << "Tamberon 1.0\n"
                                   << "";
        QTest::newRow("--help") << QStringList{"--help"} << noDisplay << 0 << "xvfb-run tamberon"
                                << "";
        QTest::newRow("no display at all") << QStringList{} << noDisplay << 1 << ""
                                           << "neither DISPLAY nor WAYLAND_DISPLAY";
        QTest::newRow("an X display that cannot be opened")
            << QStringList{} << (noDisplay + QStringList{"DISPLAY=:4711"}) << 1 << ""
            << "cannot open the X display \":4711\"";
        QTest::newRow("xcb asked for, no display")
            << QStringList{} << (noDisplay + QStringList{"QT_QPA_PLATFORM=xcb"}) << 1 << ""
            << "no display";
        QTest::newRow("a Wayland display without its socket")
            << QStringList{"-platform", "wayland"}
            << (noDisplay + QStringList{"WAYLAND_DISPLAY=not-there"}) << 1 << ""
            << "no Wayland display";
    }
    void answersWithoutADisplay() {
        QFETCH(QStringList, args);
        QFETCH(QStringList, environment);
        QFETCH(int, nExitCode);
        QFETCH(QString, szStdout);
        QFETCH(QString, szStderr);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& szEntry : environment) {
            int nEquals = szEntry.indexOf('=');
            if (nEquals < 0) {
                env.remove(szEntry);
            } else {
                env.insert(szEntry.left(nEquals), szEntry.mid(nEquals + 1));
            }
        }
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(TAMBERON_PROGRAM), args);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), nExitCode);
        QString szOut = QString::fromUtf8(program.readAllStandardOutput());
        QString szErr = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(szStdout.isEmpty() ? szOut.isEmpty() : szOut.contains(szStdout),
                 qPrintable(szOut));
        if (szStderr.isEmpty()) {
            QVERIFY2(szErr.isEmpty(), qPrintable(szErr));
        } else {
            QCOMPARE(szErr.count('\n'), 1);
            QVERIFY2(szErr.endsWith('\n') && szErr.contains(szStderr) && szErr.contains("xvfb-run"),
                     qPrintable(szErr));
        }
    }
};

QTEST_MAIN(CCommandLineTest)
#include "CommandLineTest.moc"
