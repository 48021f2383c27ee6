// KeyboardTest.cpp - the main dialog from the keyboard and a screen reader: Tab and Shift+Tab
// leave the settings table, the mnemonic of a disabled button types nothing into the field
// that has the focus, the window menu's entries have mnemonics, and every control that can
// take the focus has an accessible name.
#include "ConfigPanel.h"
#include "TamberonDlg.h"
#include "TimerPanel.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QtTest>

class CKeyboardTest : public QObject {
    Q_OBJECT

  private slots:
    void tabLeavesTheSettingsTable_data() {
        QTest::addColumn<bool>("bBackward");
        QTest::newRow("Tab") << false;
        QTest::newRow("Shift+Tab") << true;
    }
    void tabLeavesTheSettingsTable() {
        QFETCH(bool, bBackward);
        CTamberonDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QTableView* pTable = dlg.ConfigPanel()->Table();
        pTable->setFocus();
        QTRY_VERIFY(pTable->hasFocus());
        QTest::keyClick(pTable, Qt::Key_Tab, bBackward ? Qt::ShiftModifier : Qt::NoModifier);
        QVERIFY(!pTable->hasFocus());
        QVERIFY(QApplication::focusWidget() != nullptr);
    }

    void disabledMnemonicTypesNothing_data() {
        QTest::addColumn<int>("nKey");
        QTest::newRow("Alt+R, Remove disabled") << int(Qt::Key_R);
        QTest::newRow("Alt+Z, no such mnemonic") << int(Qt::Key_Z);
    }
    void disabledMnemonicTypesNothing() {
        QFETCH(int, nKey);
        CTamberonDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QLineEdit* pCount = dlg.TimerPanel()->CountEdit();
        pCount->setFocus();
        QTRY_VERIFY(pCount->hasFocus());
        QString szBefore = pCount->text();
        QTest::keyClick(pCount, static_cast<Qt::Key>(nKey), Qt::AltModifier);
        QCOMPARE(pCount->text(), szBefore);
        QTest::keyClick(pCount, Qt::Key_5);  // plain keys still type
        QCOMPARE(pCount->text(), szBefore + "5");
    }

    void windowMenuEntriesHaveMnemonics() {
        CTamberonDlg dlg;
        for (QAction* pAction : dlg.WindowMenu()->actions()) {
            if (pAction->isSeparator()) continue;
            QVERIFY2(pAction->text().contains('&'), qPrintable(pAction->text()));
        }
    }

    void everyFocusableControlHasAnAccessibleName() {
        CTamberonDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QStringList missing;
        QSet<QString> names;
        int nControls = 0;
        for (QWidget* pWidget : dlg.findChildren<QWidget*>()) {
            if (pWidget->focusPolicy() == Qt::NoFocus || !pWidget->isVisibleTo(&dlg)) continue;
            if (pWidget->focusProxy() != nullptr) continue;  // its proxy is the control
            ++nControls;
            QAccessibleInterface* pInterface = QAccessible::queryAccessibleInterface(pWidget);
            QString szName = pInterface ? pInterface->text(QAccessible::Name) : QString();
            szName.remove('&');
            if (szName.trimmed().isEmpty()) {
                missing << QString::fromLatin1(pWidget->metaObject()->className()) + " " +
                               pWidget->objectName();
            } else if (qobject_cast<QAbstractButton*>(pWidget) != nullptr) {
                // Two buttons of one name cannot be told apart.
                QVERIFY2(!names.contains(szName), qPrintable(szName));
                names.insert(szName);
            }
        }
        QVERIFY(nControls >= 15);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(", ")));
    }
};

QTEST_MAIN(CKeyboardTest)
#include "KeyboardTest.moc"
