// FolderDialogTest.cpp - the folder chooser: its record (flags, owner, titles), the shortened
// status line, and its results when OK or Cancel is pressed by code.
#include "FolderBrowser.h"
#include "FolderDialog.h"
#include "Resources.h"
#include "tests/support/TempDir.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <functional>

namespace {

// A chooser that records its status line and, once the browser has started, runs a script
// on it (the user's part), after the browser's own start-up.
class CScriptedChooser : public CFolderDialog {
  public:
    using CFolderDialog::CFolderDialog;
    std::function<void(CFolderBrowser*)> pfnScript;
    QString szStatusAtStart;

    void OnInitialized() override {
        CFolderDialog::OnInitialized();
        szStatusAtStart = pBrowser->StatusLabel()->text();
        CFolderBrowser* pWindow = pBrowser;
        QTimer::singleShot(0, pWindow, [this, pWindow] {
            if (pfnScript) pfnScript(pWindow);
        });
        QTimer::singleShot(5000, pWindow, [pWindow] { pWindow->done(QDialog::Rejected); });
    }
};

}  // namespace

class CFolderDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void recordHoldsFlagsOwnerAndTitles_data() {
        QTest::addColumn<unsigned>("nFlags");
        QTest::addColumn<unsigned>("nExpected");
        QTest::addColumn<bool>("bParent");
        QTest::newRow("no flags, no parent") << 0u << 0x4u << false;
        QTest::newRow("extra flags keep the status line") << 0x41u << 0x45u << true;
        QTest::newRow("status flag given") << 0x4u << 0x4u << true;
    }
    void recordHoldsFlagsOwnerAndTitles() {
        QFETCH(unsigned, nFlags);
        QFETCH(unsigned, nExpected);
        QFETCH(bool, bParent);
        QDialog parent;
        CFolderDialog chooser(QDir::tempPath(), nFlags, bParent ? &parent : nullptr);
        const browse_info& info = chooser.GetBrowseInfo();
        QCOMPARE(info.nFlags, nExpected);
        QCOMPARE(info.pOwner, bParent ? &parent : nullptr);
        QCOMPARE(info.szTitle, QStringLiteral("Current Selection"));
        CFolderBrowser browser(info);
        QCOMPARE(browser.windowTitle(), QStringLiteral("Browse for Folder"));
        QCOMPARE(browser.TitleLabel()->text(), QStringLiteral("Current Selection"));
        QVERIFY(browser.StatusLabel()->isVisibleTo(&browser));
        QCOMPARE(browser.parentWidget(), bParent ? &parent : nullptr);
    }

    void statusLineShortensPathsOver35Characters_data() {
        QTest::addColumn<int>("nLength");
        QTest::addColumn<bool>("bCut");
        QTest::newRow("35 characters, whole") << 35 << false;
        QTest::newRow("36 characters, cut") << 36 << true;
    }
    void statusLineShortensPathsOver35Characters() {
        QFETCH(int, nLength);
        QFETCH(bool, bCut);
        YRAPI::test::CTempDir dir;
        int nName = nLength - static_cast<int>(dir.Path().size()) - 1;
        QVERIFY(nName > 0);
        QString szPath = QString::fromStdString(dir.File(std::string(nName, 'f')));
        QVERIFY(QDir().mkpath(szPath));
        QCOMPARE(szPath.size(), nLength);
        CScriptedChooser chooser(szPath);
        chooser.pfnScript = [](CFolderBrowser* pBrowser) { pBrowser->reject(); };
        QCOMPARE(chooser.DoModal(), IDCANCEL);
        QCOMPARE(chooser.szStatusAtStart, bCut ? szPath.left(35) + "..." : szPath);
        QCOMPARE(CFolderDialog::ShortenForDisplay(szPath), chooser.szStatusAtStart);
    }

    void okAndCancelGiveTheirResults_data() {
        QTest::addColumn<bool>("bInitial");
        QTest::addColumn<bool>("bSelectSub");
        QTest::addColumn<bool>("bRemoveSub");
        QTest::addColumn<bool>("bOk");
        QTest::addColumn<int>("nResult");
        QTest::addColumn<QString>("szExpected");  // "initial", "sub" or ""
        QTest::newRow("OK on another folder") << true << true << false << true << IDOK << "sub";
        QTest::newRow("Cancel keeps the last selection")
            << true << true << false << false << IDCANCEL << "sub";
        QTest::newRow("Cancel at once keeps the initial folder")
            << true << false << false << false << IDCANCEL << "initial";
        QTest::newRow("Cancel without an initial folder")
            << false << false << false << false << IDCANCEL << "";
        QTest::newRow("OK on a folder that vanished")
            << true << true << true << true << IDCANCEL << "sub";
    }
    void okAndCancelGiveTheirResults() {
        QFETCH(bool, bInitial);
        QFETCH(bool, bSelectSub);
        QFETCH(bool, bRemoveSub);
        QFETCH(bool, bOk);
        QFETCH(int, nResult);
        QFETCH(QString, szExpected);
        YRAPI::test::CTempDir dir;
        QString szInitial = QString::fromStdString(dir.Path());
        QString szSub = QString::fromStdString(dir.File("sub"));
        QVERIFY(QDir().mkpath(szSub));
        QDialog parent;
        CScriptedChooser chooser(bInitial ? szInitial : QString(), 0, &parent);
        chooser.pfnScript = [&](CFolderBrowser* pBrowser) {
            if (bSelectSub) QVERIFY(pBrowser->SetSelection(szSub));
            if (bRemoveSub) std::filesystem::remove(szSub.toStdString());
            bOk ? pBrowser->accept() : pBrowser->reject();
        };
        QCOMPARE(chooser.DoModal(), nResult);
        QString szFolder = szExpected == u"sub"       ? szSub
                           : szExpected == u"initial" ? szInitial
                                                      : QString();
        QCOMPARE(chooser.GetFolderPath(), szFolder);
        if (nResult == IDOK) QCOMPARE(chooser.GetDisplayName(), QStringLiteral("sub"));
    }

    void vanishedSelectionIsShownGoneAndRefused() {
        YRAPI::test::CTempDir dir;
        QString szInitial = QString::fromStdString(dir.Path());
        QString szGone = QString::fromStdString(dir.File("b-gone"));
        QString szOther = QString::fromStdString(dir.File("c-other"));
        QVERIFY(QDir().mkpath(szGone));
        QVERIFY(QDir().mkpath(szOther));
        CScriptedChooser chooser(szInitial);
        bool bStayed = false;
        QString szStatus;
        chooser.pfnScript = [&](CFolderBrowser* pBrowser) {
            QPushButton* pOk = pBrowser->Buttons()->button(QDialogButtonBox::Ok);
            QVERIFY(pBrowser->SetSelection(szGone));
            QTRY_VERIFY_WITH_TIMEOUT(pOk->isEnabled(), 5000);
            std::filesystem::remove(szGone.toStdString());
            // The model sees the folder go and moves its selection, to the one neighbour: no
            // choice of the user's. Choosing that neighbour then is.
            QTRY_VERIFY_WITH_TIMEOUT(!pOk->isEnabled(), 5000);
            szStatus = pBrowser->StatusLabel()->text();
            QTest::keyClick(pBrowser, Qt::Key_Return);
            pBrowser->accept();
            bStayed = pBrowser->isVisible() && pBrowser->result() != QDialog::Accepted;
            QVERIFY(pBrowser->SetSelection(szOther));
            QVERIFY(pOk->isEnabled());
            pOk->click();
        };
        QCOMPARE(chooser.DoModal(), IDOK);
        QVERIFY(bStayed);
        QVERIFY2(szStatus.startsWith("Gone:"), qPrintable(szStatus));
        QCOMPARE(chooser.GetFolderPath(), szOther);
    }
};

QTEST_MAIN(CFolderDialogTest)
#include "FolderDialogTest.moc"
