// End-to-end tests of brevlin-sheet: its listings, the files it makes, its errors, and one real print job.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run Sheet(const QStringList& args, int timeoutMs = 60000)
{
    QProcess process;
    process.start(QStringLiteral(BREVLIN_SHEET), args);
    Run run;
    if (!process.waitForFinished(timeoutMs))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Left half red, right half blue: a turn or a colour change shows at once.
QString WritePicture(const QTemporaryDir& dir, int width = 600, int height = 800)
{
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, x < width / 2 ? qRgb(220, 20, 20) : qRgb(20, 20, 220));
    const QString path = dir.filePath("portrait.jpg");
    picture.save(path, "JPG", 95);
    return path;
}

QJsonObject Layout(const QStringList& pageArgs)
{
    const Run run = Sheet(QStringList { "layout", "--format", "19" } + pageArgs);
    return QJsonDocument::fromJson(run.out).object();
}

QPoint PointAt(const QJsonArray& pair)
{
    return { pair[0].toInt(), pair[1].toInt() };
}

bool IsRed(QRgb c)
{
    return qRed(c) > 150 && qGreen(c) < 90 && qBlue(c) < 90;
}

bool IsWhite(QRgb c)
{
    return qRed(c) > 235 && qGreen(c) > 235 && qBlue(c) > 235;
}

// Top-left corners of the red blocks of a rasterised sheet, row by row: each photo's left half is red.
QList<QPoint> RedBlocks(const QImage& image)
{
    QList<QPoint> corners;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (!IsRed(image.pixel(x, y)))
                continue;
            const bool leftEdge = x == 0 || !IsRed(image.pixel(x - 1, y));
            const bool topEdge = y == 0 || !IsRed(image.pixel(x, y - 1));
            if (leftEdge && topEdge && x + 2 < image.width() && y + 2 < image.height()
                && IsRed(image.pixel(x + 2, y + 2)))
                corners << QPoint(x, y);
        }
    return corners;
}

QImage Rasterise(const QString& pdf, int dpi, const QTemporaryDir& dir)
{
    const QString prefix = dir.filePath(QFileInfo(pdf).completeBaseName() + "-raster");
    QProcess::execute("pdftoppm", { "-r", QString::number(dpi), "-png", "-singlefile", pdf, prefix });
    return QImage(prefix + ".png");
}

}  // namespace

class TestSheetTool : public QObject {
    Q_OBJECT

private slots:
    void formats()
    {
        const Run run = Sheet({ "formats" });
        QCOMPARE(run.status, 0);
        const QList<QByteArray> lines = run.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 72);
        QCOMPARE(lines[0], QByteArray("0\t40 x 50 mm (Albania)\t40x50"));
        QCOMPARE(lines[17], QByteArray("17\t1,5 x 2,5 in (Colombia)\t38x63"));
        QCOMPARE(lines[69], QByteArray("69\t2 x 2 in (United States)\t50x50"));
        QCOMPARE(lines[71], QByteArray("71\t35 x 45 mm (Zimbabwe)\t35x45"));
    }

    void layoutOfAnA4Page()
    {
        const Run run = Sheet({ "layout", "--format", "19", "--paper", "A4", "--dpi", "600", "--count", "7" });
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith("{\"dpi\":[600,600],\"page_dots\":[4960,7015],\"offset_dots\":[0,0],"));
        const QJsonObject json = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(json["area_dots"].toArray(), (QJsonArray { 4960, 7015 }));
        QCOMPARE(json["photo_dots"].toArray(), (QJsonArray { 826, 1062 }));
        QCOMPARE(json["columns"].toInt(), 5);
        QCOMPARE(json["rows"].toInt(), 6);
        QCOMPARE(json["capacity"].toInt(), 30);
        QCOMPARE(json["gap_dots"].toArray(), (QJsonArray { 207, 128 }));
        const QJsonArray places = json["places"].toArray();
        QCOMPARE(places.size(), 7);
        QCOMPARE(PointAt(places[0].toArray()), QPoint(0, 0));
        QCOMPARE(PointAt(places[4].toArray()), QPoint(4 * (826 + 207), 0));
        QCOMPARE(PointAt(places[6].toArray()), QPoint(826 + 207, 1062 + 128));
    }

    void layoutWithMarginAndUnequalResolutions()
    {
        const QJsonObject json = Layout({ "--paper", "4x6in", "--dpi", "600,300", "--margin-mm", "3" });
        QCOMPARE(json["page_dots"].toArray(), (QJsonArray { 2400, 1800 }));
        QCOMPARE(json["offset_dots"].toArray(), (QJsonArray { 70, 35 }));
        QCOMPARE(json["photo_dots"].toArray(), (QJsonArray { 826, 531 }));
        QCOMPARE(PointAt(json["places"].toArray()[0].toArray()), QPoint(70, 35));
    }

    void pictureOptions_data()
    {
        // Points inside the first photo (413 x 531 dots at its place) and the colour expected there.
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QList<QPoint>>("points");
        QTest::addColumn<QList<QRgb>>("colours");
        const QRgb red = qRgb(220, 20, 20), blue = qRgb(20, 20, 220), white = qRgb(255, 255, 255);
        const QList<QPoint> corners { { 100, 120 }, { 310, 120 }, { 100, 420 }, { 310, 420 } };
        QTest::newRow("as loaded") << QStringList {} << corners << QList<QRgb> { red, blue, red, blue };
        QTest::newRow("greyscale") << QStringList { "--greyscale" } << corners
                                   << QList<QRgb> { qRgb(64, 64, 64), qRgb(37, 37, 37), qRgb(64, 64, 64),
                                          qRgb(37, 37, 37) };
        QTest::newRow("sepia") << QStringList { "--sepia" } << corners
                               << QList<QRgb> { qRgb(105, 94, 72), qRgb(62, 55, 43), qRgb(105, 94, 72),
                                      qRgb(62, 55, 43) };
        // A quarter turn clockwise puts the left (red) half on top.
        QTest::newRow("quarter turn") << QStringList { "--rotate", "1" } << corners
                                      << QList<QRgb> { red, red, blue, blue };
        QTest::newRow("three turns") << QStringList { "--rotate", "3" } << corners
                                     << QList<QRgb> { blue, blue, red, red };
        QTest::newRow("adjusted, then turned") << QStringList { "--rotate", "1", "--greyscale" } << corners
                                               << QList<QRgb> { qRgb(64, 64, 64), qRgb(64, 64, 64),
                                                      qRgb(37, 37, 37), qRgb(37, 37, 37) };
        // Turned, the picture is 800 x 600: kept in proportion it fills the width and 310 of the 531 rows.
        QTest::newRow("proportions kept") << QStringList { "--keep-proportions", "--rotate", "1" }
                                          << QList<QPoint> { { 200, 60 }, { 200, 250 }, { 200, 320 }, { 200, 500 } }
                                          << QList<QRgb> { red, blue, white, white };
    }

    void pictureOptions()
    {
        QFETCH(QStringList, options);
        QFETCH(QList<QPoint>, points);
        QFETCH(QList<QRgb>, colours);
        QTemporaryDir dir;
        const QString picture = WritePicture(dir);
        const QString out = dir.filePath("sheet.png");
        const Run run = Sheet(QStringList { "make", picture, "--format", "19", "--page-dots", "900,600",
                                  "--offset-dots", "10,20", "--dpi", "300", "--count", "1", "-o", out }
            + options);
        QCOMPARE(run.status, 0);
        QVERIFY(run.err.isEmpty());
        const QImage sheet(out);
        QCOMPARE(sheet.size(), QSize(900, 600));
        const QPoint origin(10, 20);
        for (qsizetype i = 0; i < points.size(); ++i) {
            const QRgb found = sheet.pixel(origin + points[i]);
            const QRgb wanted = colours[i];
            QVERIFY2(qAbs(qRed(found) - qRed(wanted)) <= 14 && qAbs(qGreen(found) - qGreen(wanted)) <= 14
                    && qAbs(qBlue(found) - qBlue(wanted)) <= 14,
                qPrintable(QString("point %1: %2").arg(i).arg(found, 0, 16)));
        }
        // Only one photo: the place to its right stays white.
        QVERIFY(IsWhite(sheet.pixel(origin + QPoint(413 + 50, 100))));
    }

    void pdfIsThePaperWithPhotosInPlace()
    {
        QTemporaryDir dir;
        const QString picture = WritePicture(dir);
        const QString out = dir.filePath("sheet.pdf");
        const QStringList page { "--page-dots", "1200,1700", "--offset-dots", "30,60", "--dpi", "300" };
        const Run run = Sheet(QStringList { "make", picture, "--format", "19", "-o", out } + page);
        QCOMPARE(run.status, 0);
        const QImage raster = Rasterise(out, 100, dir);
        // (1200 + 60) x (1700 + 120) dots at 300 dpi is 420 x 606.67 pixels at 100 dpi.
        QVERIFY2(qAbs(raster.width() - 420) <= 1 && qAbs(raster.height() - 607) <= 1,
            qPrintable(QString("%1 x %2").arg(raster.width()).arg(raster.height())));
        const QJsonArray places = Layout(page)["places"].toArray();
        const QList<QPoint> blocks = RedBlocks(raster);
        QCOMPARE(blocks.size(), places.size());
        for (int i = 0; i < blocks.size(); ++i) {
            const QPoint expected = (PointAt(places[i].toArray()) + QPoint(30, 60)) / 3;
            QVERIFY2((blocks[i] - expected).manhattanLength() <= 2,
                qPrintable(QString("photo %1 at %2,%3").arg(i).arg(blocks[i].x()).arg(blocks[i].y())));
        }
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        const QStringList page { "--paper", "A4", "--dpi", "300" };
        QTest::newRow("unknown format") << QStringList { "layout", "--format", "72" } + page << "unknown format 72";
        QTest::newRow("negative count") << QStringList { "layout", "--format", "1", "--count", "-1" } + page
                                        << "--count cannot be negative";
        QTest::newRow("unknown paper") << QStringList { "layout", "--format", "1", "--paper", "B17", "--dpi", "300" }
                                       << "unknown paper \"B17\"";
        QTest::newRow("unknown printer") << QStringList { "layout", "--format", "1", "--printer", "NoSuchPrinter" }
                                         << "NoSuchPrinter";
        QTest::newRow("page too small") << QStringList { "layout", "--format", "13", "--paper", "40x60mm", "--dpi",
                                               "300" }
                                        << "too small for one photo of 50 x 70 mm";
        QTest::newRow("no page") << QStringList { "layout", "--format", "1" } << "no page given";
        QTest::newRow("absurd resolution") << QStringList { "layout", "--format", "1", "--paper", "A4", "--dpi",
                                                  "100000" }
                                           << "--dpi needs";
        QTest::newRow("unreadable picture") << QStringList { "make", "@DIR@/none.jpg", "--format", "1", "-o",
                                                   "@DIR@/out.jpg" } + page
                                            << "cannot be opened";
        QTest::newRow("damaged picture") << QStringList { "make", "@DIR@/damaged.jpg", "--format", "1", "-o",
                                                "@DIR@/out.jpg" } + page
                                         << "incomplete";
        QTest::newRow("unwritable output") << QStringList { "make", "@DIR@/portrait.jpg", "--format", "1", "-o",
                                                  "@DIR@/missing/out.jpg" } + page
                                           << "cannot be written";
        QTest::newRow("unknown output type") << QStringList { "make", "@DIR@/portrait.jpg", "--format", "1", "-o",
                                                    "@DIR@/out.tiff" } + page
                                             << "must end in .jpg";
        QTest::newRow("unknown command") << QStringList { "frobnicate" } << "unknown command";
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString picture = WritePicture(dir);
        QFile full(picture);
        full.open(QIODevice::ReadOnly);
        QFile damaged(dir.filePath("damaged.jpg"));
        damaged.open(QIODevice::WriteOnly);
        damaged.write(full.readAll().left(2000));
        damaged.close();
        args.replaceInStrings("@DIR@", dir.path());
        const Run run = Sheet(args);
        QCOMPARE(run.status, 2);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.startsWith("brevlin-sheet: ") && run.err.contains(message.toUtf8()), run.err.constData());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList { "damaged.jpg", "portrait.jpg" }));
    }

    void printsOneSheetOnARealPrinter()
    {
        const QString pdfDir = qEnvironmentVariable("BREVLIN_PDF_DIR");
        if (pdfDir.isEmpty() || qEnvironmentVariableIsEmpty("CUPS_SERVER")) {
            if (qEnvironmentVariableIsSet("BREVLIN_REQUIRE_PRINTER"))
                QFAIL("the test printer is not running: start it with scripts/cups-sandbox.sh");
            QSKIP("no private CUPS scheduler: run the suite through scripts/test.sh");
        }
        QTemporaryDir dir;
        const QString picture = WritePicture(dir);
        const QDir out(pdfDir);
        const QStringList before = out.entryList({ "*.pdf" }, QDir::Files);
        const Run run = Sheet({ "print", picture, "--format", "19", "--count", "5", "--printer", "TestPDF" });
        QVERIFY2(run.status == 0, run.err.constData());

        // The job is spooled when the tool returns; the PDF appears when the backend is done.
        QString printed;
        QElapsedTimer waited;
        waited.start();
        while (printed.isEmpty() && waited.elapsed() < 120000) {
            for (const QString& name : out.entryList({ "*.pdf" }, QDir::Files, QDir::Time))
                if (!before.contains(name)) {
                    printed = out.filePath(name);
                    break;
                }
            if (printed.isEmpty())
                QTest::qWait(250);
        }
        QVERIFY2(!printed.isEmpty(), "no PDF came out of the test printer");
        QTest::qWait(500);  // the backend renames the finished file into place; give it a moment

        const QJsonObject layout = Layout({ "--printer", "TestPDF" });
        const int dpi = layout["dpi"].toArray()[0].toInt();
        QVERIFY(dpi > 0);
        const QPoint offset = PointAt(layout["offset_dots"].toArray());
        const QJsonArray places = layout["places"].toArray();
        const QImage raster = Rasterise(printed, 50, dir);
        QVERIFY(!raster.isNull());
        const QList<QPoint> blocks = RedBlocks(raster);
        QCOMPARE(blocks.size(), 5);
        for (int i = 0; i < 5; ++i) {
            const QPoint expected = (PointAt(places[i].toArray()) + offset) * 50 / dpi;
            QVERIFY2((blocks[i] - expected).manhattanLength() <= 3,
                qPrintable(QString("photo %1 at %2,%3, expected %4,%5")
                               .arg(i)
                               .arg(blocks[i].x())
                               .arg(blocks[i].y())
                               .arg(expected.x())
                               .arg(expected.y())));
        }
    }
};

QTEST_MAIN(TestSheetTool)
#include "tst_sheettool.moc"
