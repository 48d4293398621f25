// Tests of the picture area and the program's drawings.
#include "app/Drawings.h"
#include "app/PictureView.h"

#include <QApplication>
#include <QTest>

class TestPictureView : public QObject {
    Q_OBJECT

private slots:
    void pictureRect_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("stretched") << QSize(400, 100) << true << QRect(0, 0, 151, 201);
        QTest::newRow("wide, top-left") << QSize(400, 100) << false << QRect(0, 0, 151, 38);
        QTest::newRow("tall, top-left") << QSize(100, 400) << false << QRect(0, 0, 50, 201);
    }

    void pictureRect()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, stretch);
        QFETCH(QRect, expected);
        TPictureView view;
        view.resize(151, 201);
        QImage image(picture, QImage::Format_ARGB32);
        image.fill(Qt::red);
        view.SetPicture(image);
        view.SetScaleMode(stretch ? TPictureView::ScaleMode::Stretch : TPictureView::ScaleMode::Resize);
        QCOMPARE(view.PictureRect(), expected);
        const QImage shown = view.Rendered();
        QCOMPARE(shown.pixel(expected.bottomRight() - QPoint(1, 1)), qRgb(255, 0, 0));
        if (!stretch)
            QCOMPARE(shown.pixel(150, 200), view.palette().button().color().rgb());
    }

    void layerLiesOverThePictureAtItsOpacity()
    {
        TPictureView view;
        view.resize(151, 201);
        QImage black(10, 10, QImage::Format_ARGB32);
        black.fill(Qt::black);
        view.SetPicture(black);
        QImage white(4, 4, QImage::Format_ARGB32);
        white.fill(Qt::white);
        view.SetLayer(white, QRect(0, 0, 151, 201), 120);
        QCOMPARE(view.Rendered().pixel(75, 100), qRgb(0, 0, 0));
        view.SetLayerVisible(true);
        // White at 120/255 over black.
        QVERIFY(qAbs(qRed(view.Rendered().pixel(75, 100)) - 120) <= 1);
    }

    void drawings()
    {
        const QImage mask = NormMaskDrawing();
        QCOMPARE(mask.size(), QSize(156, 205));
        QCOMPARE(mask.pixel(79, 40), qRgb(0, 0, 0));    // centre line
        QCOMPARE(mask.pixel(20, 18), qRgb(0, 0, 0));    // top of the head
        QCOMPARE(mask.pixel(20, 170), qRgb(0, 0, 0));   // chin
        QCOMPARE(mask.pixel(0, 100), qRgb(0, 0, 0));    // frame
        QCOMPARE(mask.pixel(10, 80), qRgb(255, 214, 160));  // eye band
        QCOMPARE(mask.pixel(10, 40), qRgb(255, 255, 255));
        const QImage placeholder = PlaceholderPicture();
        QCOMPARE(placeholder.size(), QSize(119, 157));
        QCOMPARE(placeholder.pixel(2, 2), qRgb(255, 255, 255));
        QVERIFY(placeholder.pixel(59, 60) != qRgb(255, 255, 255));
    }
};

QTEST_MAIN(TestPictureView)
#include "tst_pictureview.moc"
