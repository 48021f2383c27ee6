// RenderTest.cpp - every dialog of the utility renders to an image that is not blank: many
// colours, and a good share of pixels unlike the background.
#include "AboutDlg.h"
#include "FolderBrowser.h"
#include "FolderDialog.h"
#include "TamberonDlg.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QtTest>

#include <memory>

namespace {

// How many colours the image holds and what share of it differs from its commonest colour.
std::pair<int, double> Spread(const QImage& image) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
    }
    int nMost = 0;
    for (int n : counts) nMost = std::max(nMost, n);
    double dArea = static_cast<double>(image.width()) * image.height();
    return {static_cast<int>(counts.size()), dArea > 0 ? 1.0 - nMost / dArea : 0.0};
}

}  // namespace

class CRenderTest : public QObject {
    Q_OBJECT

  private slots:
    void everyDialogDrawsItsContent_data() {
        QTest::addColumn<QString>("szDialog");
        QTest::newRow("main dialog") << "main";
        QTest::newRow("About box") << "about";
        QTest::newRow("folder browser") << "browser";
    }
    void everyDialogDrawsItsContent() {
        QFETCH(QString, szDialog);
        CFolderDialog chooser(QDir::tempPath());
        std::unique_ptr<QDialog> pDialog;
        if (szDialog == u"main") pDialog = std::make_unique<CTamberonDlg>();
        if (szDialog == u"about") pDialog = std::make_unique<CAboutDlg>();
        if (szDialog == u"browser")
            pDialog = std::make_unique<CFolderBrowser>(chooser.GetBrowseInfo());
        pDialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(pDialog.get()));
        QTest::qWait(100);  // the browser's model reads the root folder in the background
        QImage image = pDialog->grab().toImage();
        QVERIFY(image.width() >= 200 && image.height() >= 50);
        auto [nColours, dShare] = Spread(image);
        QVERIFY2(nColours >= 16 && dShare >= 0.02,
                 qPrintable(QStringLiteral("%1 colours, %2 of the pixels off the background")
                                .arg(nColours)
                                .arg(dShare)));
        pDialog->hide();
    }
};

QTEST_MAIN(CRenderTest)
#include "RenderTest.moc"
