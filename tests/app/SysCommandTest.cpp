// SysCommandTest.cpp - the main dialog's frame: the system-command rule, the window menu with
// and without the About text, the keys and the close button that end the dialog, and the
// centring rule by which the window-menu button draws the icon.
#include "AboutDlg.h"
#include "IconView.h"
#include "Resources.h"
#include "TamberonDlg.h"
#include "WindowMenuButton.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <vector>

namespace {

// Records what reaches the default handling instead of doing it.
class CProbeDlg : public CTamberonDlg {
  public:
    std::vector<unsigned> defaults;

  protected:
    void DefaultSysCommand(unsigned nID) override { defaults.push_back(nID); }
};

// Runs fn while watching for a modal About box, which it closes; whether one opened.
bool OpensAboutBox(const std::function<void()>& fn) {
    bool bSeen = false;
    QTimer watch;
    watch.setInterval(10);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* pAbout = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            bSeen = true;
            pAbout->reject();
        }
    });
    watch.start();
    fn();
    return bSeen;
}

// The window menu as "text=id" entries and "-" for separators.
QStringList MenuEntries(QMenu* pMenu) {
    QStringList entries;
    for (QAction* pAction : pMenu->actions()) {
        entries << (pAction->isSeparator() ? QStringLiteral("-")
                                           : pAction->text() + QLatin1Char('=') +
                                                 QString::number(pAction->data().toUInt(), 16));
    }
    return entries;
}

// Sends a key where the keyboard would: to the focus widget.
void PressKey(QWidget* pWindow, Qt::Key nKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* pTarget = QApplication::focusWidget();
    QTest::keyClick(pTarget != nullptr ? pTarget : pWindow, nKey, modifiers);
}

}  // namespace

class CSysCommandTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { Tamberon::testing::OverrideString(IDS_ABOUTBOX, nullptr); }

    void aboutForIds16To31OnlyAfterTheCutTo16Bits_data() {
        QTest::addColumn<unsigned>("nID");
        QTest::addColumn<bool>("bAbout");
        QTest::newRow("15") << 15u << false;
        QTest::newRow("16") << 16u << true;
        QTest::newRow("31") << 31u << true;
        QTest::newRow("32") << 32u << false;
        QTest::newRow("0x10010: high word cut off") << 0x10010u << true;
        QTest::newRow("0x1000F") << 0x1000Fu << false;
        QTest::newRow("minimize") << SC_MINIMIZE << false;
        QTest::newRow("close") << SC_CLOSE << false;
    }
    void aboutForIds16To31OnlyAfterTheCutTo16Bits() {
        QFETCH(unsigned, nID);
        QFETCH(bool, bAbout);
        CProbeDlg dlg;
        QCOMPARE(OpensAboutBox([&] { dlg.OnSysCommand(nID); }), bAbout);
        QCOMPARE(dlg.defaults, bAbout ? std::vector<unsigned>{} : std::vector<unsigned>{nID});
    }

    void windowMenuHasAboutOnlyWithItsText_data() {
        QTest::addColumn<bool>("bEmptyText");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("string 101 set")
            << false << QStringList{"Mi&nimize=f020", "&Close=f060", "-", "&About Tamberon...=10"};
        QTest::newRow("string 101 empty") << true << QStringList{"Mi&nimize=f020", "&Close=f060"};
    }
    void windowMenuHasAboutOnlyWithItsText() {
        QFETCH(bool, bEmptyText);
        QFETCH(QStringList, entries);
        if (bEmptyText) Tamberon::testing::OverrideString(IDS_ABOUTBOX, "");
        CTamberonDlg dlg;
        QCOMPARE(MenuEntries(dlg.WindowMenu()), entries);
    }

    void menuEntriesAndAltSpaceWork() {
        CTamberonDlg dlg;
        dlg.show();
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QList<QAction*> actions = dlg.WindowMenu()->actions();
        // Alt+Space opens the window menu.
        bool bMenuShown = false;
        QTimer::singleShot(50, [&] {
            bMenuShown = QApplication::activePopupWidget() == dlg.WindowMenu();
            dlg.WindowMenu()->close();
        });
        PressKey(&dlg, Qt::Key_Space, Qt::AltModifier);
        QVERIFY(bMenuShown);
        QVERIFY(OpensAboutBox([&] { actions.last()->trigger(); }));
        actions.at(0)->trigger();
        QVERIFY(dlg.isMinimized());
        actions.at(1)->trigger();
        QVERIFY(!dlg.isVisible());
    }

    void escapeAndTheCloseButtonEndTheDialog_data() {
        QTest::addColumn<bool>("bEscape");
        QTest::newRow("Esc") << true;
        QTest::newRow("window close button") << false;
    }
    void escapeAndTheCloseButtonEndTheDialog() {
        QFETCH(bool, bEscape);
        CTamberonDlg dlg;
        QTimer::singleShot(100, [&] {
            if (bEscape) {
                PressKey(&dlg, Qt::Key_Escape);
            } else {
                dlg.close();  // what the window manager's close button asks for
            }
        });
        QTimer::singleShot(5000, &dlg, [&] { dlg.done(99); });  // bounds a failure
        QCOMPARE(dlg.exec(), static_cast<int>(QDialog::Rejected));
    }

    void everyMnemonicOfTheDialogIsItsOwn() {
        CTamberonDlg dlg;
        QStringList texts;
        for (auto* pLabel : dlg.findChildren<QLabel*>()) {
            if (pLabel->buddy() != nullptr) texts << pLabel->text();
        }
        for (auto* pButton : dlg.findChildren<QAbstractButton*>()) texts << pButton->text();
        QMap<QChar, QString> owners;
        int nMnemonics = 0;
        for (const QString& szText : texts) {
            int nAmp = szText.indexOf('&');
            if (nAmp < 0 || nAmp + 1 >= szText.size()) continue;
            QChar key = szText.at(nAmp + 1).toLower();
            QVERIFY2(!owners.contains(key), qPrintable(owners.value(key) + " and " + szText));
            owners.insert(key, szText);
            ++nMnemonics;
        }
        QVERIFY(nMnemonics >= 15);
    }

    void iconIsDrawnByTheCentringRule_data() {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<QPoint>("origin");
        QTest::newRow("even difference") << QSize(26, 26) << QPoint(5, 5);
        QTest::newRow("odd difference: extra pixel first") << QSize(27, 25) << QPoint(6, 5);
        QTest::newRow("wide and low") << QSize(40, 20) << QPoint(12, 2);
    }
    void iconIsDrawnByTheCentringRule() {
        QFETCH(QSize, area);
        QFETCH(QPoint, origin);
        QCOMPARE(IconOrigin(area, QSize(16, 16)), origin);
        CWindowMenuButton button(Tamberon::LoadResIcon(IDR_MAINFRAME), nullptr);
        QCOMPARE(button.style()->pixelMetric(QStyle::PM_SmallIconSize), 16);
        button.resize(area);
        QImage image = button.grab().toImage();
        QRgb background = image.pixel(0, 0);
        QRect drawn;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, y) != background) drawn |= QRect(x, y, 1, 1);
            }
        }
        QCOMPARE(drawn, QRect(origin, QSize(16, 16)));
    }
};

QTEST_MAIN(CSysCommandTest)
#include "SysCommandTest.moc"
