// Tests of what leaves the engine: the photo painted from a picture, bands, views and sheet files.
#include "platform/VirtualPage.h"
#include "sheet/IDPrinter.h"
#include "sheet/JpegSheetEncoder.h"
#include "sheet/Resample.h"
#include "sheet/SheetRenderer.h"
#include "sheet/SheetWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using platform::PageMetrics;

namespace {

// A small 300-dpi page with offsets, uneven gaps and a partly filled last row.
struct Sheet {
    platform::VirtualPage page { PageMetrics { 1000, 1400, 12, 7, 300, 300 } };
    TIDPrinter engine { page };
    Sheet(int count = 5)
    {
        engine.SetPhotoSize(25, 30);  // 295 x 354 dots
        engine.SetCount(count);
        for (int y = 0; y < engine.Photo().height(); ++y)
            for (int x = 0; x < engine.Photo().width(); ++x)
                engine.Photo().setPixel(x, y, qRgb(x % 251, y % 241, (x * 7 + y) % 256));
    }
    SheetRenderer Renderer() const { return SheetRenderer(engine.Layout(), engine.Photo()); }
};

// Nearest neighbour of a whole page, one pixel at a time: the view must show exactly this.
QImage ScaledReference(const QImage& page, QSize view)
{
    QImage out(view, QImage::Format_RGB888);
    for (int vy = 0; vy < view.height(); ++vy)
        for (int vx = 0; vx < view.width(); ++vx)
            out.setPixel(vx, vy,
                page.pixel(int((2LL * vx + 1) * page.width() / (2LL * view.width())),
                    int((2LL * vy + 1) * page.height() / (2LL * view.height()))));
    return out;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestSheetOutput : public QObject {
    Q_OBJECT

private slots:
    void photoTarget_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("stretch");
        QTest::addColumn<QRect>("target");
        QTest::newRow("stretch fills") << QSize(4000, 3000) << true << QRect(0, 0, 826, 1062);
        QTest::newRow("wide picture: full width") << QSize(4000, 3000) << false << QRect(0, 0, 826, 620);
        QTest::newRow("tall picture: full height") << QSize(1000, 4000) << false << QRect(0, 0, 266, 1062);
        QTest::newRow("same proportions") << QSize(1652, 2124) << false << QRect(0, 0, 826, 1062);
        // Each of these is an exact tie: 619.5 -> 620, 265.5 -> 266, 206.5 -> 206.
        QTest::newRow("tie to even") << QSize(40, 10) << false << QRect(0, 0, 826, 206);
    }

    void photoTarget()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, stretch);
        QFETCH(QRect, target);
        QCOMPARE(PhotoTarget(QSize(826, 1062), picture, stretch), target);
    }

    void fillPhoto()
    {
        QImage picture(400, 100, QImage::Format_ARGB32);
        picture.fill(qRgb(200, 30, 60));
        QImage photo(100, 100, QImage::Format_ARGB32);
        FillPhoto(photo, picture, false);
        QCOMPARE(photo.pixel(50, 10), qRgb(200, 30, 60));
        QCOMPARE(photo.pixel(99, 24), qRgb(200, 30, 60));
        QCOMPARE(photo.pixel(50, 25), qRgb(255, 255, 255));  // below the picture the photo stays white
        FillPhoto(photo, picture, true);
        QCOMPARE(photo.pixel(50, 99), qRgb(200, 30, 60));
    }

    void shrinkingDoesNotAlias()
    {
        // One-pixel stripes reduced eightfold: a filter that only looks at 2 x 2 pixels would keep pure
        // black or white columns; a widened one averages them to grey.
        QImage stripes(800, 80, QImage::Format_ARGB32);
        for (int x = 0; x < 800; ++x)
            for (int y = 0; y < 80; ++y)
                stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        QImage photo(100, 10, QImage::Format_ARGB32);
        ResampleInto(photo, photo.rect(), stripes);
        for (int x = 1; x < 99; ++x)
            QVERIFY2(qAbs(qRed(photo.pixel(x, 5)) - 128) <= 2, qPrintable(QString::number(qRed(photo.pixel(x, 5)))));
    }

    void enlargingIsBilinear()
    {
        QImage two(2, 1, QImage::Format_ARGB32);
        two.setPixel(0, 0, qRgb(0, 0, 0));
        two.setPixel(1, 0, qRgb(200, 100, 40));
        QImage four(4, 1, QImage::Format_ARGB32);
        ResampleInto(four, four.rect(), two);
        // Centres at -0.25, 0.25, 0.75, 1.25 of the source: 0, 1/4, 3/4, 1 of the way.
        QCOMPARE(four.pixel(0, 0), qRgb(0, 0, 0));
        QCOMPARE(four.pixel(1, 0), qRgb(50, 25, 10));
        QCOMPARE(four.pixel(2, 0), qRgb(150, 75, 30));
        QCOMPARE(four.pixel(3, 0), qRgb(200, 100, 40));
    }

    void bandsMakeThePage()
    {
        const Sheet sheet;
        const SheetRenderer renderer = sheet.Renderer();
        const QImage page = renderer.RenderPage();
        QCOMPARE(page.size(), QSize(1000, 1400));
        // Places: (12, 7), (12 + 295 + 86, 7), ... with three columns and three rows.
        const SheetLayout& layout = renderer.Layout();
        QCOMPARE(layout.columns, 3);
        QCOMPARE(layout.rows, 3);
        QCOMPARE(int(layout.places.size()), 5);
        for (const QPoint& place : layout.places) {
            QCOMPARE(page.pixel(place), sheet.engine.Photo().pixel(0, 0));
            QCOMPARE(page.pixel(place + QPoint(294, 353)), sheet.engine.Photo().pixel(294, 353));
            QCOMPARE(page.pixel(place - QPoint(1, 0)), qRgb(255, 255, 255));
        }
        const QPoint empty = layout.places[2] + QPoint(0, layout.photoHeight + layout.gapY);
        QCOMPARE(page.pixel(empty + QPoint(10, 10)), qRgb(255, 255, 255));
        // Odd band heights and offsets give the same rows.
        QImage band(1000, 37, QImage::Format_RGB888);
        for (int y = 0; y < 1400; y += 37) {
            const int rows = std::min(37, 1400 - y);
            renderer.RenderRows(y, rows, band.bits(), band.bytesPerLine());
            QCOMPARE(band.copy(0, 0, 1000, rows), page.copy(0, y, 1000, rows));
        }
    }

    void viewIsTheScaledPage_data()
    {
        QTest::addColumn<QSize>("view");
        QTest::newRow("quarter") << QSize(250, 350);
        QTest::newRow("odd") << QSize(97, 211);
        QTest::newRow("enlarged") << QSize(1203, 1500);
        QTest::newRow("one pixel") << QSize(1, 1);
    }

    void viewIsTheScaledPage()
    {
        QFETCH(QSize, view);
        const Sheet sheet;
        const SheetRenderer renderer = sheet.Renderer();
        const QImage page = renderer.RenderPage();
        QCOMPARE(renderer.RenderView(view), ScaledReference(page, view));
    }

    void files_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("lossless");
        QTest::newRow("jpeg") << "sheet.jpg" << false;
        QTest::newRow("png") << "sheet.png" << true;
        QTest::newRow("bmp") << "Sheet.BMP" << true;
    }

    void files()
    {
        QFETCH(QString, name);
        QFETCH(bool, lossless);
        QTemporaryDir dir;
        const Sheet sheet;
        const SheetRenderer renderer = sheet.Renderer();
        const QString path = dir.filePath(name);
        QCOMPARE(WriteSheetFile(path, *SheetFileTypeFor(path), renderer), QString());
        QImageReader reader(path);
        const QImage read = reader.read();
        QCOMPARE(read.size(), QSize(1000, 1400));
        // 300 dpi is 11811 dots a metre; readers round what the file holds.
        QVERIFY2(qAbs(read.dotsPerMeterX() - 11811) <= 1, qPrintable(QString::number(read.dotsPerMeterX())));
        QVERIFY(qAbs(read.dotsPerMeterY() - 11811) <= 1);
        const QImage expected = renderer.RenderPage().convertToFormat(QImage::Format_RGB32);
        if (lossless) {
            QCOMPARE(read.convertToFormat(QImage::Format_RGB32), expected);
        } else {
            const QPoint inside = renderer.Layout().places[1] + QPoint(100, 100);
            const QRgb a = read.pixel(inside);
            const QRgb b = expected.pixel(inside);
            QVERIFY(qAbs(qRed(a) - qRed(b)) < 16 && qAbs(qGreen(a) - qGreen(b)) < 16);
            const QByteArray bytes = ReadAll(path);
            QVERIFY(bytes.contains(QByteArray("\xFF\xC0", 2)));   // baseline frame
            QVERIFY(!bytes.contains(QByteArray("\xFF\xC2", 2)));  // never progressive
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { name });
    }

    void jpegSlicesDecodeAsOneStream_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<int>("threads");
        QTest::newRow("three slices") << QSize(1000, 1400) << 3;
        QTest::newRow("short last slice") << QSize(700, 517) << 4;
        QTest::newRow("more threads than slices") << QSize(400, 300) << 8;
        QTest::newRow("rows of restart markers wrap past RST7") << QSize(320, 2200) << 2;
    }

    void jpegSlicesDecodeAsOneStream()
    {
        // Cut into slices on several threads, the page must decode to exactly the pixels of one stream.
        QFETCH(QSize, page);
        QFETCH(int, threads);
        platform::VirtualPage printer(PageMetrics { page.width(), page.height(), 9, 5, 300, 300 });
        TIDPrinter engine(printer);
        engine.SetPhotoSize(20, 25);
        engine.SetCount(100);
        for (int y = 0; y < engine.Photo().height(); ++y)
            for (int x = 0; x < engine.Photo().width(); ++x)
                engine.Photo().setPixel(x, y, qRgb((x * 3) % 256, (y * 5) % 256, (x ^ y) % 256));
        const SheetRenderer renderer(engine.Layout(), engine.Photo());
        QByteArray single;
        QBuffer one(&single);
        one.open(QIODevice::WriteOnly);
        WriteJpegSheet(one, renderer, 1);
        QByteArray sliced;
        QBuffer many(&sliced);
        many.open(QIODevice::WriteOnly);
        WriteJpegSheet(many, renderer, threads);
        const QImage a = QImage::fromData(single, "JPG");
        const QImage b = QImage::fromData(sliced, "JPG");
        QCOMPARE(b.size(), page);
        QCOMPARE(b, a);
        // Decoders forgive a wrong restart number; the file must not need forgiving: RST0..RST7 in turn,
        // one after every row of 16-pixel MCUs but the last.
        int expected = 0;
        int markers = 0;
        for (qsizetype i = 0; i + 1 < sliced.size(); ++i) {
            const auto byte = uchar(sliced[i + 1]);
            if (uchar(sliced[i]) != 0xFF || byte < 0xD0 || byte > 0xD7)
                continue;
            QCOMPARE(int(byte - 0xD0), expected);
            expected = (expected + 1) % 8;
            ++markers;
        }
        QCOMPARE(markers, (page.height() + 15) / 16 - 1);
    }

    void pdfPageIsThePaper()
    {
        QTemporaryDir dir;
        const Sheet sheet;
        const QString path = dir.filePath("sheet.pdf");
        QCOMPARE(WriteSheetFile(path, SheetFileType::Pdf, sheet.Renderer()), QString());
        const QByteArray pdf = ReadAll(path);
        QVERIFY(pdf.startsWith("%PDF"));
        // (1000 + 2 x 12) x (1400 + 2 x 7) dots at 300 dpi in points: 245.76 x 339.36, which the PDF writer
        // keeps to whole points.
        QVERIFY(pdf.contains("/MediaBox [0 0 246.000000 339.000000]"));
        // One photo bitmap, drawn five times.
        QCOMPARE(pdf.count("/Subtype /Image"), 1);
    }

    void unwritableFolder()
    {
        QTemporaryDir dir;
        const Sheet sheet;
        const QString error = WriteSheetFile(dir.filePath("missing/sheet.jpg"), SheetFileType::Jpeg, sheet.Renderer());
        QVERIFY2(error.contains("cannot be written"), qPrintable(error));
        QVERIFY(QDir(dir.path()).isEmpty());
    }

    void fullMediumLeavesNothingHalfWritten_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("jpeg") << "old.jpg";
        QTest::newRow("png") << "old.png";
        QTest::newRow("bmp") << "old.bmp";
    }

    void fullMediumLeavesNothingHalfWritten()
    {
        // A file-size limit makes every write past 64 KiB fail, as a full medium does, even for root.
        QFETCH(QString, name);
        QTemporaryDir dir;
        const Sheet sheet;
        const QString existing = dir.filePath(name);
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("previous sheet");
        file.close();
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString error = WriteSheetFile(existing, *SheetFileTypeFor(existing), sheet.Renderer());
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY2(error.contains("cannot be written"), qPrintable(error));
        QCOMPARE(ReadAll(existing), QByteArray("previous sheet"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList { name });
    }
};

int main(int argc, char** argv)
{
    // PDF pages need the GUI layer's fonts; the offscreen platform is enough.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestSheetOutput test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sheetoutput.moc"
