// Tests of the sheet engine: dots from millimetres, how many photos fit, and where they are drawn.
#include "platform/VirtualPage.h"
#include "sheet/IDPrinter.h"

#include <QTest>

using platform::PageMetrics;
using platform::VirtualPage;

namespace {

PageMetrics Page(int width, int height, int offsetX, int offsetY, int dpiX, int dpiY)
{
    return PageMetrics { width, height, offsetX, offsetY, dpiX, dpiY };
}

QList<QPoint> DrawnAt(const VirtualPage& page)
{
    QList<QPoint> points;
    for (const auto& draw : page.Draws())
        points << draw.at;
    return points;
}

}  // namespace

class TestIDPrinter : public QObject {
    Q_OBJECT

private slots:
    void mmToDots_data()
    {
        QTest::addColumn<int>("mm");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("dots");
        QTest::newRow("35 mm at 600") << 35 << 600 << 826;
        QTest::newRow("45 mm at 600") << 45 << 600 << 1062;
        QTest::newRow("35 mm at 300") << 35 << 300 << 413;
        QTest::newRow("45 mm at 300") << 45 << 300 << 531;
        QTest::newRow("254 mm at 100 is exact") << 254 << 100 << 1000;
        QTest::newRow("35 mm at 1200") << 35 << 1200 << 1653;
        QTest::newRow("no resolution") << 35 << 0 << 0;
        QTest::newRow("negative length") << -35 << 600 << 0;
    }

    void mmToDots()
    {
        QFETCH(int, mm);
        QFETCH(int, dpi);
        QFETCH(int, dots);
        QCOMPARE(MmToDots(mm, dpi), dots);
    }

    void fitCount_data()
    {
        QTest::addColumn<int>("area");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("count");
        QTest::newRow("two widths exactly: they would touch") << 1652 << 826 << 1;
        QTest::newRow("one dot more") << 1653 << 826 << 2;
        QTest::newRow("three would leave 1 dot for 2 gaps") << 2479 << 826 << 2;
        QTest::newRow("five") << 4640 << 826 << 5;
        QTest::newRow("smaller than one photo") << 825 << 826 << 0;
        QTest::newRow("one exactly") << 826 << 826 << 1;
        QTest::newRow("negative area") << -10 << 826 << 0;
        QTest::newRow("empty photo") << 1000 << 0 << 0;
    }

    void fitCount()
    {
        QFETCH(int, area);
        QFETCH(int, size);
        QFETCH(int, count);
        QCOMPARE(FitCount(area, size), count);
    }

    void metricsFollowThePrinter()
    {
        VirtualPage page(Page(4960, 7015, 20, 30, 600, 300));
        TIDPrinter engine(page);
        QCOMPARE(engine.PhotoWidthMm(), 35);
        QCOMPARE(engine.PhotoHeightMm(), 45);
        QCOMPARE(engine.Count(), 0);
        QCOMPARE(engine.AreaWidth(), 4920);
        QCOMPARE(engine.AreaHeight(), 6955);
        // Width from the horizontal resolution, height from the vertical one.
        QCOMPARE(engine.Photo().size(), QSize(826, 531));
        page.SetMetrics(Page(2480, 3507, 0, 0, 300, 300));
        QCOMPARE(engine.Photo().size(), QSize(826, 531));  // nothing changes before the next update
        engine.SetPhotoSize(50, 50);
        QCOMPARE(engine.Photo().size(), QSize(590, 590));
        QCOMPARE(engine.ColumnCount(), 4);
        QCOMPARE(engine.RowCount(), 5);
        QCOMPARE(engine.Capacity(), 20);
    }

    void sameSizeKeepsThePixels()
    {
        VirtualPage page(Page(4960, 7015, 0, 0, 600, 600));
        TIDPrinter engine(page);
        engine.Photo().fill(Qt::red);
        engine.SetPhotoSize(35, 45);
        engine.UpdateMetrics();
        QCOMPARE(engine.Photo().pixel(10, 10), qRgb(255, 0, 0));
    }

    void drawSheet_data()
    {
        QTest::addColumn<PageMetrics>("metrics");
        QTest::addColumn<int>("count");
        QTest::addColumn<QList<QPoint>>("places");
        // 300 dpi, 35 x 45 mm: 413 x 531 dots.
        const PageMetrics twoByFour = Page(413 * 2 + 11, 531 * 4 + 3, 0, 0, 300, 300);
        QTest::newRow("count 3 on 2 x 4: a full row, then one at the left")
            << twoByFour << 3 << QList<QPoint> { { 0, 0 }, { 424, 0 }, { 0, 532 } };
        QTest::newRow("count above capacity draws the capacity") << twoByFour << 100
                                                                 << QList<QPoint> { { 0, 0 }, { 424, 0 }, { 0, 532 },
                                                                        { 424, 532 }, { 0, 1064 }, { 424, 1064 },
                                                                        { 0, 1596 }, { 424, 1596 } };
        QTest::newRow("offsets move the first photo and shrink the area")
            << Page(413 * 2 + 11 + 40, 531 + 60, 20, 30, 300, 300) << 2 << QList<QPoint> { { 20, 30 }, { 444, 30 } };
        QTest::newRow("one column stays at the left edge")
            << Page(826, 531 * 2 + 1, 5, 0, 300, 300) << 5 << QList<QPoint> { { 5, 0 }, { 5, 532 } };
        QTest::newRow("count 0 draws nothing") << twoByFour << 0 << QList<QPoint> {};
        QTest::newRow("page too small draws nothing") << Page(400, 5000, 0, 0, 300, 300) << 4 << QList<QPoint> {};
    }

    void drawSheet()
    {
        QFETCH(PageMetrics, metrics);
        QFETCH(int, count);
        QFETCH(QList<QPoint>, places);
        VirtualPage page(metrics);
        TIDPrinter engine(page);
        engine.SetCount(count);
        engine.Photo().fill(qRgb(10, 20, 30));
        platform::Canvas& canvas = page.BeginJob("sheet");
        engine.DrawSheet(canvas);
        page.EndJob();
        QCOMPARE(DrawnAt(page), places);
        for (const auto& draw : page.Draws()) {
            QCOMPARE(draw.bitmap.format(), QImage::Format_RGB888);
            QCOMPARE(draw.bitmap.size(), engine.Photo().size());
            QCOMPARE(draw.bitmap.pixel(5, 5), qRgb(10, 20, 30));
            // Converted once a sheet: every place gets the very same bitmap.
            QCOMPARE(draw.bitmap.cacheKey(), page.Draws().front().bitmap.cacheKey());
        }
    }

    void emptyPhotoDrawsNothing()
    {
        VirtualPage page(Page(4960, 7015, 0, 0, 600, 600));
        TIDPrinter engine(page);
        engine.SetCount(4);
        engine.SetPhotoSize(0, 45);
        QVERIFY(engine.Photo().isNull());
        engine.PrintSheet();
        QCOMPARE(page.JobCount(), 1);
        QVERIFY(page.Draws().empty());
    }

    void printSheetIsOneJobWithFreshMetrics()
    {
        VirtualPage page(Page(4960, 7015, 0, 0, 600, 600));
        TIDPrinter engine(page);
        engine.SetCount(2);
        // A different printer chosen since the last format change takes effect on the next sheet.
        page.SetMetrics(Page(2480, 3507, 10, 10, 300, 300));
        engine.PrintSheet("Brevlin");
        QCOMPARE(page.JobCount(), 1);
        QCOMPARE(page.LastJobTitle(), QString("Brevlin"));
        QCOMPARE(DrawnAt(page), (QList<QPoint> { { 10, 10 }, { 10 + 413 + 98, 10 } }));
        QCOMPARE(engine.Photo().size(), QSize(413, 531));
    }

    void unqueryablePrinterFailsCreation()
    {
        class Broken : public VirtualPage {
        public:
            Broken() : VirtualPage({}) { }
            PageMetrics Metrics() const override { throw platform::PrinterError("no printer"); }
        } broken;
        QVERIFY_THROWS_EXCEPTION(platform::PrinterError, TIDPrinter { broken });
    }
};

QTEST_GUILESS_MAIN(TestIDPrinter)
#include "tst_idprinter.moc"
