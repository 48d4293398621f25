// Tests of the large scratch buffers: growth keeps what was written, and pictures on them behave.
#include "platform/BigBuffer.h"

#include <QTest>

#include <cstring>

class TestBigBuffer : public QObject {
    Q_OBJECT

private slots:
    void growingKeepsTheBytes()
    {
        platform::BigBuffer buffer(1000);
        buffer.resize(1000);
        QVERIFY(std::all_of(buffer.data(), buffer.data() + 1000, [](uint8_t b) { return b == 0; }));
        std::memset(buffer.data(), 0x5A, 1000);
        // Far past the reserve: the block moves, the bytes come along, the new ones are zero.
        buffer.resize(size_t(9) << 20);
        QCOMPARE(buffer.size(), size_t(9) << 20);
        QCOMPARE(buffer.data()[999], uint8_t(0x5A));
        QCOMPARE(buffer.data()[1000], uint8_t(0));
        QCOMPARE(buffer.data()[(size_t(9) << 20) - 1], uint8_t(0));
        platform::BigBuffer moved = std::move(buffer);
        QCOMPARE(moved.data()[0], uint8_t(0x5A));
        QVERIFY(buffer.data() == nullptr);
    }

    void pictures()
    {
        QImage image = platform::NewBigImage(301, 7, QImage::Format_RGB888);
        QCOMPARE(image.size(), QSize(301, 7));
        QCOMPARE(image.bytesPerLine() % 4, 0);
        image.fill(Qt::red);
        const QImage copy = image;
        image.setPixel(0, 0, qRgb(0, 0, 255));  // detaches: the copy keeps its pixels
        QCOMPARE(copy.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(300, 6), qRgb(255, 0, 0));
        QVERIFY(platform::NewBigImage(0, 10, QImage::Format_ARGB32).isNull());
    }
};

QTEST_GUILESS_MAIN(TestBigBuffer)
#include "tst_bigbuffer.moc"
