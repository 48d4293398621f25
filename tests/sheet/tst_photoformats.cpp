// Tests of the photo format catalogue: labels, reading them back, and the sizes the sheet engine gets.
#include "app/U_MainDlgTexts.h"
#include "lang/C_TextStorage.h"
#include "sheet/PhotoFormats.h"

#include <QTest>

namespace {

QString Same(const QString& text)
{
    return text;
}

}  // namespace

class TestPhotoFormats : public QObject {
    Q_OBJECT

private slots:
    void catalogue_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("widthMm");
        QTest::addColumn<int>("heightMm");
        QTest::newRow("first") << 0 << "40 x 50 mm (Albania)" << 40 << 50;
        QTest::newRow("inch, decimal comma") << 1 << "1,5 x 1,5 in (Argentina)" << 38 << 38;
        QTest::newRow("Colombia") << 17 << "1,5 x 2,5 in (Colombia)" << 38 << 63;
        QTest::newRow("default") << 19 << "35 x 45 mm (Czech Republic)" << 35 << 45;
        QTest::newRow("Estonia before Equator") << 21 << "40 x 50 mm (Estonia)" << 40 << 50;
        QTest::newRow("Equator") << 22 << "35 x 45 mm (Equator)" << 35 << 45;
        QTest::newRow("Italy - Passport") << 35 << "40 x 40 mm (Italy - Passport)" << 40 << 40;
        QTest::newRow("Japan - Visa before ID") << 38 << "35 x 45 mm (Japan - Visa)" << 35 << 45;
        QTest::newRow("Turkey small") << 66 << "35 x 45 mm (Turkey)" << 35 << 45;
        QTest::newRow("Turkey large") << 67 << "45 x 60 mm (Turkey)" << 45 << 60;
        QTest::newRow("United States") << 69 << "2 x 2 in (United States)" << 50 << 50;
        QTest::newRow("last") << 71 << "35 x 45 mm (Zimbabwe)" << 35 << 45;
    }

    void catalogue()
    {
        QFETCH(int, index);
        QFETCH(QString, label);
        QFETCH(int, widthMm);
        QFETCH(int, heightMm);
        const QStringList labels = BuildFormatLabels(Same);
        QCOMPARE(labels.size(), 72);
        QCOMPARE(labels[index], label);
        const auto format = ParseFormatLabel(labels[index]);
        QVERIFY(format);
        QCOMPARE(SheetSizeMm(*format), (SizeMm { widthMm, heightMm }));
    }

    void everyEntryParsesAndMaskOnlyFor35x45mm()
    {
        const QStringList labels = BuildFormatLabels(Same);
        int masks = 0;
        for (int i = 0; i < kFormatCount; ++i) {
            const auto format = ParseFormatLabel(labels[i]);
            QVERIFY2(format, qPrintable(labels[i]));
            const bool is35x45mm = labels[i].startsWith("35 x 45 mm");
            QCOMPARE(NormMaskAllowed(format), is35x45mm);
            masks += is35x45mm;
        }
        QCOMPARE(masks, 36);
        QVERIFY(!NormMaskAllowed(std::nullopt));
    }

    void countriesAreTranslatedThroughTheMainStore()
    {
        // Every country text but "Argentina - Passport" is a built-in text of the main window, so a typo in
        // either table would leave that country untranslated.
        const QStringList& builtIn = MainDlgBuiltInTexts();
        for (const FormatEntry& entry : kPhotoFormats) {
            const QString country = QString::fromLatin1(entry.country);
            if (country != "Argentina - Passport")
                QVERIFY2(builtIn.contains(country), qPrintable(country));
        }
        TTextStorage ts(nullptr, "main_ts", builtIn);
        QStringList items = ts.Items();
        items[builtIn.indexOf("Czech Republic")] = "Tschechien";
        items[builtIn.indexOf("Turkey")] = "Türkei";
        ts.SetItems(items);
        const QStringList labels = BuildFormatLabels([&](const QString& t) { return ts.Translate(t); });
        QCOMPARE(labels[19], QString("35 x 45 mm (Tschechien)"));
        QCOMPARE(labels[66], QString("35 x 45 mm (Türkei)"));
        QCOMPARE(labels[67], QString("45 x 60 mm (Türkei)"));
        QCOMPARE(labels[2], QString("40 x 40 mm (Argentina - Passport)"));
        QCOMPARE(ParseFormatLabel(labels[67])->height, 60.0f);
    }

    void parse_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<QString>("unit");
        QTest::newRow("mm") << "40 x 50 mm (Albania)" << true << 40.0f << 50.0f << "mm";
        QTest::newRow("decimal comma") << "1,5 x 2,5 in (Colombia)" << true << 1.5f << 2.5f << "in";
        QTest::newRow("decimal point") << "1.5 x 2 in (X)" << true << 1.5f << 2.0f << "in";
        QTest::newRow("spaces and controls") << " \t35x45mm\t (Y)" << true << 35.0f << 45.0f << "mm";
        QTest::newRow("translated country with parentheses") << "35 x 45 mm (Foo (bar))" << true << 35.0f << 45.0f
                                                             << "mm";
        QTest::newRow("no parenthesis") << "35 x 45 mm" << false << 0.0f << 0.0f << "";
        QTest::newRow("unit in capitals") << "35 x 45 MM (Z)" << false << 0.0f << 0.0f << "";
        QTest::newRow("unknown unit") << "35 x 45 cm (Z)" << false << 0.0f << 0.0f << "";
        QTest::newRow("capital X") << "35 X 45 mm (Z)" << false << 0.0f << 0.0f << "";
        QTest::newRow("zero area") << "0 x 45 mm (Z)" << false << 0.0f << 0.0f << "";
        QTest::newRow("negative") << "-35 x 45 mm (Z)" << false << 0.0f << 0.0f << "";
        QTest::newRow("not a number") << "a x 45 mm (Z)" << false << 0.0f << 0.0f << "";
        QTest::newRow("two commas") << "1,5,5 x 45 mm (Z)" << false << 0.0f << 0.0f << "";
        QTest::newRow("empty") << "" << false << 0.0f << 0.0f << "";
        QTest::newRow("only a unit") << "mm (Z)" << false << 0.0f << 0.0f << "";
    }

    void parse()
    {
        QFETCH(QString, label);
        QFETCH(bool, ok);
        // The user's locale has a decimal comma and a thousands dot: parsing must not depend on it.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto format = ParseFormatLabel(label);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(bool(format), ok);
        if (!ok)
            return;
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(QString, unit);
        QCOMPARE(format->width, width);
        QCOMPARE(format->height, height);
        QCOMPARE(format->unit, unit);
        QCOMPARE(format->label, label);
    }

    void millimetres_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("widthMm");
        QTest::addColumn<int>("heightMm");
        QTest::newRow("inches truncate") << "2 x 2,5 in (A)" << 50 << 63;
        QTest::newRow("ties to even") << "40,5 x 45,5 mm (A)" << 40 << 46;
        QTest::newRow("nearest") << "40,6 x 45,4 mm (A)" << 41 << 45;
    }

    void millimetres()
    {
        QFETCH(QString, label);
        QFETCH(int, widthMm);
        QFETCH(int, heightMm);
        QCOMPARE(SheetSizeMm(*ParseFormatLabel(label)), (SizeMm { widthMm, heightMm }));
    }

    void inchToMm()
    {
        QCOMPARE(InchToMm(2.0), 50);
        QCOMPARE(InchToMm(1.5), 38);
        QCOMPARE(InchToMm(2.5), 63);
        QCOMPARE(InchToMm(10.0), 254);
        QCOMPARE(InchToMm(0.0), 0);
    }
};

QTEST_GUILESS_MAIN(TestPhotoFormats)
#include "tst_photoformats.moc"
