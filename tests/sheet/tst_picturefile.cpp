// Tests of picture loading: JPEG and BMP, EXIF orientation, shrinking decode, and damaged or huge files.
#include "sheet/PictureFile.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A picture whose quadrants have clearly different colours, so any turn or mirror shows.
QImage Quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            image.setPixel(x, y, right ? (bottom ? qRgb(0, 0, 255) : qRgb(0, 255, 0)) : (bottom ? qRgb(255, 255, 0) : qRgb(255, 0, 0)));
        }
    return image;
}

QByteArray Encode(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

// An APP1 segment with a little-endian TIFF header and one directory entry: Orientation.
QByteArray WithOrientation(const QByteArray& jpeg, int orientation)
{
    QByteArray exif("Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24);
    exif.append(char(orientation)).append('\0').append(2, '\0').append(4, '\0');
    QByteArray segment("\xFF\xE1");
    const int length = int(exif.size()) + 2;
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(exif);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// The same JPEG, with the frame header claiming another size.
QByteArray WithFrameSize(QByteArray jpeg, int width, int height)
{
    const qsizetype sof = jpeg.indexOf("\xFF\xC0");
    jpeg[sof + 5] = char(height >> 8);
    jpeg[sof + 6] = char(height & 0xFF);
    jpeg[sof + 7] = char(width >> 8);
    jpeg[sof + 8] = char(width & 0xFF);
    return jpeg;
}

bool Near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 24 && qAbs(qGreen(a) - qGreen(b)) < 24 && qAbs(qBlue(a) - qBlue(b)) < 24;
}

}  // namespace

class TestPictureFile : public QObject {
    Q_OBJECT

private slots:
    void orientation_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRgb>("topLeft");
        QTest::addColumn<QRgb>("topRight");
        const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), yellow = qRgb(255, 255, 0), blue = qRgb(0, 0, 255);
        QTest::newRow("1 as stored") << 1 << QSize(64, 32) << red << green;
        QTest::newRow("2 mirrored") << 2 << QSize(64, 32) << green << red;
        QTest::newRow("3 half turn") << 3 << QSize(64, 32) << blue << yellow;
        QTest::newRow("4 flipped") << 4 << QSize(64, 32) << yellow << blue;
        QTest::newRow("5 transposed") << 5 << QSize(32, 64) << red << yellow;
        QTest::newRow("6 quarter turn") << 6 << QSize(32, 64) << yellow << red;
        QTest::newRow("7 transverse") << 7 << QSize(32, 64) << blue << green;
        QTest::newRow("8 three quarters") << 8 << QSize(32, 64) << green << blue;
    }

    void orientation()
    {
        QFETCH(int, orientation);
        QFETCH(QSize, size);
        QFETCH(QRgb, topLeft);
        QFETCH(QRgb, topRight);
        const PictureResult result = DecodePicture(WithOrientation(Encode(Quadrants(64, 32), "JPG"), orientation));
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.picture.size(), size);
        QCOMPARE(result.picture.format(), QImage::Format_ARGB32);
        QVERIFY(Near(result.picture.pixel(2, 2), topLeft));
        QVERIFY(Near(result.picture.pixel(size.width() - 3, 2), topRight));
        QCOMPARE(qAlpha(result.picture.pixel(0, 0)), 255);
    }

    void bitmapsByTheirSignature()
    {
        const QImage source = Quadrants(40, 30);
        const PictureResult result = DecodePicture(Encode(source, "BMP"));
        QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
        QCOMPARE(result.picture, source.convertToFormat(QImage::Format_ARGB32));
    }

    void shrinkingDecodeKeepsAtLeastTheAskedSize()
    {
        const QByteArray jpeg = Encode(Quadrants(800, 600), "JPG");
        const PictureResult full = DecodePicture(jpeg);
        QCOMPARE(full.picture.size(), QSize(800, 600));
        const PictureResult small = DecodePicture(jpeg, QSize(190, 140));
        QCOMPARE(small.picture.size(), QSize(200, 150));
        // The size asked for is upright: a quarter-turned picture shrinks by its stored height.
        const PictureResult turned = DecodePicture(WithOrientation(jpeg, 6), QSize(150, 390));
        QCOMPARE(turned.picture.size(), QSize(300, 400));
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray jpeg = Encode(Quadrants(256, 256), "JPG");
        QTest::newRow("empty") << QByteArray() << "empty";
        QTest::newRow("not a picture") << QByteArray("hello, world, this is text") << "cannot be read";
        QTest::newRow("truncated") << jpeg.left(jpeg.size() / 2) << "incomplete";
        QTest::newRow("30000 x 30000 header") << WithFrameSize(jpeg, 30000, 30000) << "too large: 30000 x 30000";
        QTest::newRow("damaged bitmap") << QByteArray("BM\x10\0\0\0garbage", 13) << "cannot be read";
        QByteArray hugeBitmap = Encode(Quadrants(4, 4), "BMP");
        hugeBitmap.replace(18, 8, QByteArray("\x30\x75\0\0\x30\x75\0\0", 8));
        QTest::newRow("30000 x 30000 bitmap header") << hugeBitmap << "too large";
    }

    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        const PictureResult result = DecodePicture(bytes);
        QVERIFY(result.picture.isNull());
        QVERIFY2(result.error.contains(error), qPrintable(result.error));
    }

    void missingFile()
    {
        QTemporaryDir dir;
        const PictureResult result = LoadPictureFile(dir.filePath("none.jpg"));
        QVERIFY(result.picture.isNull());
        QVERIFY2(result.error.contains("cannot be opened"), qPrintable(result.error));
    }

    void exifParserStaysInsideItsBuffer()
    {
        // Directory offsets and counts that point past the end are ignored.
        const QByteArray cases[] = {
            QByteArray("Exif\0\0II*\0\xFF\xFF\xFF\x7F", 14),
            QByteArray("Exif\0\0MM\0*\0\0\0\x08\xFF\xFF", 16),
            QByteArray("Exif\0\0II*\0\x08\0\0\0\x05\0\x12\x01", 18),
        };
        for (const QByteArray& data : cases)
            QVERIFY(!ExifOrientation(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())));
    }
};

QTEST_GUILESS_MAIN(TestPictureFile)
#include "tst_picturefile.moc"
