// Tests of the picture adjustments: greyscale and sepia pixels, and the quarter turn.
#include "sheet/Adjustments.h"

#include <QTest>

class TestAdjustments : public QObject {
    Q_OBJECT

private slots:
    void pixels_data()
    {
        QTest::addColumn<QRgb>("in");
        QTest::addColumn<QRgb>("grey");
        QTest::addColumn<QRgb>("sepia");
        QTest::newRow("white") << qRgb(255, 255, 255) << qRgb(255, 255, 255) << qRgb(255, 255, 239);
        QTest::newRow("red") << qRgb(255, 0, 0) << qRgb(60, 60, 60) << qRgb(100, 89, 69);
        QTest::newRow("green") << qRgb(0, 255, 0) << qRgb(173, 173, 173) << qRgb(196, 175, 136);
        QTest::newRow("blue") << qRgb(0, 0, 255) << qRgb(20, 20, 20) << qRgb(48, 43, 33);
        QTest::newRow("transparent black") << qRgba(0, 0, 0, 0) << qRgb(0, 0, 0) << qRgb(0, 0, 0);
        // R' = 13.51, G' = 12.03, B' = 9.37.
        QTest::newRow("dark grey") << qRgb(10, 10, 10) << qRgb(10, 10, 10) << qRgb(14, 12, 9);
    }

    void pixels()
    {
        QFETCH(QRgb, in);
        QFETCH(QRgb, grey);
        QFETCH(QRgb, sepia);
        QCOMPARE(GreyPixel(in), grey);
        QCOMPARE(SepiaPixel(in), sepia);
    }

    void wholePictures()
    {
        QImage picture(3, 2, QImage::Format_ARGB32);
        picture.fill(qRgb(255, 0, 0));
        picture.setPixel(2, 1, qRgb(0, 0, 255));
        QImage grey = picture;
        ApplyGreyscale(grey);
        QCOMPARE(grey.pixel(0, 0), qRgb(60, 60, 60));
        QCOMPARE(grey.pixel(2, 1), qRgb(20, 20, 20));
        QImage sepia = picture;
        ApplySepia(sepia);
        QCOMPARE(sepia.pixel(1, 1), qRgb(100, 89, 69));
    }

    void quarterTurn()
    {
        QImage picture(400, 300, QImage::Format_ARGB32);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 400; ++x)
                picture.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
        const QImage turned = RotateQuarter(picture);
        QCOMPARE(turned.size(), QSize(300, 400));
        // Pixel (x, y) moves to (H - 1 - y, x): the top-left corner goes to the top-right.
        QCOMPARE(turned.pixel(299, 0), picture.pixel(0, 0));
        QCOMPARE(turned.pixel(300 - 1 - 17, 123), picture.pixel(123, 17));
        QImage back = turned;
        for (int i = 0; i < 3; ++i)
            back = RotateQuarter(back);
        QCOMPARE(back, picture);
    }
};

QTEST_GUILESS_MAIN(TestAdjustments)
#include "tst_adjustments.moc"
