// ResourcesTest.cpp - the application icon as the windows load it: every size is there, and
// each size's raw pixels are those of its PNG (the source the raw pixels are made from).
#include "Resources.h"

#include <QImage>
#include <QPixmap>
#include <QtTest>

class CResourcesTest : public QObject {
    Q_OBJECT

  private slots:
    void iconSizesMatchTheirPngs_data() {
        QTest::addColumn<int>("nSize");
        for (int nSize : {16, 24, 32, 48, 64})
            QTest::newRow(qPrintable(QString::number(nSize))) << nSize;
    }
    void iconSizesMatchTheirPngs() {
        QFETCH(int, nSize);
        QIcon icon = Tamberon::LoadResIcon(IDR_MAINFRAME);
        QVERIFY(icon.availableSizes().contains(QSize(nSize, nSize)));
        QImage loaded = icon.pixmap(QSize(nSize, nSize))
                            .toImage()
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QImage png(QStringLiteral(TAMBERON_SOURCE_DIR "/icons/tamberon-%1.png").arg(nSize));
        QVERIFY(!png.isNull());
        QCOMPARE(loaded.size(), QSize(nSize, nSize));
        QCOMPARE(loaded, png.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
};

QTEST_MAIN(CResourcesTest)
#include "ResourcesTest.moc"
