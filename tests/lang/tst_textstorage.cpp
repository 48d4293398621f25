// Tests of the text store: lookups by built-in text, translations by position, and the main window's texts.
#include "app/U_MainDlgTexts.h"
#include "lang/C_TextStorage.h"

#include <QTest>

class TestTextStorage : public QObject {
    Q_OBJECT

private slots:
    void translate_data()
    {
        QTest::addColumn<QStringList>("builtIn");
        QTest::addColumn<QStringList>("translated");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("expected");
        const QStringList store { "Load a picture first", "Done !", "unused", "Kenya", "done !" };
        const QStringList french { "Chargez une image", "Terminé !", "unused", "Kenya (fr)", "Fini" };
        QTest::newRow("not in the store") << store << french << "Argentina - Passport" << "Argentina - Passport";
        QTest::newRow("translated") << store << french << "Load a picture first" << "Chargez une image";
        QTest::newRow("letter case ignored") << store << french << "load a picture first" << "Chargez une image";
        QTest::newRow("first of two equal keys") << store << french << "DONE !" << "Terminé !";
        QTest::newRow("unused keeps the built-in text") << store << QStringList { "a", "b", "c", "unused" } << "Kenya"
                                                      << "Kenya";
        QTest::newRow("empty translation") << store << QStringList { "" } << "Load a picture first" << "";
        QTest::newRow("Unused is a real translation")
            << store << QStringList { "Unused" } << "Load a picture first" << "Unused";
        QTest::newRow("nothing applied, other case") << store << store << "kenya" << "Kenya";
    }

    void translate()
    {
        QFETCH(QStringList, builtIn);
        QFETCH(QStringList, translated);
        QFETCH(QString, asked);
        QFETCH(QString, expected);
        TTextStorage ts(nullptr, "ts", builtIn);
        // A language file replaces the lines it carries, position by position, and nothing else.
        QStringList items = ts.Items();
        for (qsizetype i = 0; i < std::min(items.size(), translated.size()); ++i)
            items[i] = translated[i];
        ts.SetItems(items);
        QCOMPARE(ts.Translate(asked), expected);
        QCOMPARE(ts.DefaultItems(), builtIn);
    }

    void shortTranslationKeepsTheRest()
    {
        TTextStorage ts(nullptr, "ts", { "France", "Spain", "Canada" });
        ts.SetItems({ "Frankreich", "Spanien", "Canada" });
        ts.SetItems({ "Francia", "Spain", "Canada" });
        QCOMPARE(ts.Translate("France"), QString("Francia"));
        QCOMPARE(ts.Translate("Spain"), QString("Spain"));
    }

    void itemsPropertyWritesOnlyTheCurrentTexts()
    {
        TTextStorage ts(nullptr, "ts", { "Albania" });
        QVERIFY(ts.setProperty("Items", QStringList { "Albanie" }));
        QCOMPARE(ts.Translate("Albania"), QString("Albanie"));
        QCOMPARE(ts.DefaultItems(), QStringList { "Albania" });
    }

    void mainWindowTexts()
    {
        const QStringList& texts = MainDlgBuiltInTexts();
        QCOMPARE(texts.size(), kMainDlgTextCount);
        QVERIFY(texts[0].startsWith("No printer found ! Brevlin needs at least a printer"));
        QCOMPARE(texts[33], QString("Jamaica"));
        QCOMPARE(texts[34], QString("unused"));
        QCOMPARE(texts[35], QString("Kenya"));
        QCOMPARE(texts[72], QString("Done !"));
        QCOMPARE(texts[77], QString("Japan - ID"));
        QCOMPARE(texts.count("unused"), 1);
    }
};

QTEST_GUILESS_MAIN(TestTextStorage)
#include "tst_textstorage.moc"
