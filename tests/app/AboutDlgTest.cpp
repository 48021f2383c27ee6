// AboutDlgTest.cpp - the About box: its title, text line, icon at the left, default OK button
// at the right, and the keys that close it.
#include "AboutDlg.h"
#include "IconView.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

class CAboutDlgTest : public QObject {
    Q_OBJECT

  private slots:
    void showsTitleIconTextAndDefaultOk() {
        CAboutDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("About Tamberon"));
        QCOMPARE(dlg.VersionLabel()->text(), QStringLiteral("Tamberon Version 1.0"));
        QCOMPARE(dlg.OkButton()->text(), QStringLiteral("OK"));
        QVERIFY(dlg.OkButton()->isDefault());
        auto* pIcon = dlg.findChild<CIconView*>();
        QVERIFY(pIcon != nullptr);
        QVERIFY(pIcon->geometry().right() < dlg.VersionLabel()->geometry().left());
        QVERIFY(dlg.VersionLabel()->geometry().right() < dlg.OkButton()->geometry().left());
    }

    void enterAndEscapeClose_data() {
        QTest::addColumn<int>("nKey");
        QTest::addColumn<int>("nResult");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter") << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(QDialog::Rejected);
    }
    void enterAndEscapeClose() {
        QFETCH(int, nKey);
        QFETCH(int, nResult);
        CAboutDlg dlg;
        QTimer::singleShot(50, [&] {
            QWidget* pFocus = QApplication::focusWidget();
            QTest::keyClick(pFocus != nullptr ? pFocus : &dlg, static_cast<Qt::Key>(nKey));
        });
        QTimer::singleShot(5000, &dlg, [&] { dlg.done(99); });
        QCOMPARE(dlg.exec(), nResult);
    }
};

QTEST_MAIN(CAboutDlgTest)
#include "AboutDlgTest.moc"
