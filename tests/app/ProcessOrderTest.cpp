// ProcessOrderTest.cpp - the application object's place among the process-wide objects: built
// first and destroyed last, while the library's objects keep their order (the timer service
// goes before the configuration thread, the socket start-up after the log queue). The end is
// watched in a child run of this program that only leaves main.
#include "TamberonApp.h"

#include <yrapi/ProcessObjects.h>

#include <QCoreApplication>
#include <QProcess>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kChildVariable = "TAMBERON_ORDER_CHILD";

// At exit stdio may already be torn down: write(2) each name as its destruction begins.
void ReportEnd(const char* szName) {
    std::string line = std::string("end: ") + szName + "\n";
    ssize_t nWritten = write(STDOUT_FILENO, line.data(), line.size());
    (void)nWritten;
}

}  // namespace

class CProcessOrderTest : public QObject {
    Q_OBJECT

  private slots:
    void applicationObjectIsBuiltFirst() {
        const char* names[16] = {};
        int nBuilt = YRAPI::testing::ProcessObjectsBuilt(names, 16);
        QStringList built;
        for (int i = 0; i < nBuilt && i < 16; ++i) built << names[i];
        QCOMPARE(built, (QStringList{"application object", "socket start-up", "first mutex",
                                     "log record queue", "second mutex",
                                     "configuration file thread", "timer service"}));
    }

    void applicationObjectIsDestroyedLast() {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kChildVariable, "1");
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        QStringList ends;
        for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
            if (line.startsWith("end: ")) ends << QString::fromUtf8(line.mid(5));
        }
        QCOMPARE(ends, (QStringList{"timer service", "configuration file thread", "second mutex",
                                    "log record queue", "first mutex", "socket start-up",
                                    "application object"}));
    }
};

int main(int argc, char** argv) {
    if (std::getenv(kChildVariable) != nullptr) {
        YRAPI::testing::SetProcessObjectObserver(&ReportEnd);
        return 0;  // the process-wide objects end after main, the application object last
    }
    QCoreApplication application(argc, argv);
    CProcessOrderTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ProcessOrderTest.moc"
