// Tests of the main window's start-up and shutdown, on the offscreen platform with virtual printers.
#include "app/U_MainDlg.h"
#include "app/U_MsgDlg.h"
#include "platform/VirtualPage.h"
#include "support/U_Settings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A fresh user: XDG folders inside a temporary folder, a program folder of its own, no installed copy
// unless asked for.
struct User {
    QTemporaryDir home;
    QString programFolder;

    explicit User(bool installed)
    {
        for (const char* name : { "config", "data", "state", "system", "program" })
            QDir(home.path()).mkpath(name);
        qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
        qputenv("XDG_STATE_HOME", home.filePath("state").toUtf8());
        qputenv("XDG_DATA_DIRS", home.filePath("system").toUtf8());
        programFolder = home.filePath("program");
        if (installed) {
            QDir(home.path()).mkpath("data/applications");
            QFile entry(home.filePath("data/applications/brevlin.desktop"));
            entry.open(QIODevice::WriteOnly);
            entry.write("[Desktop Entry]\nName=Quillmoor Brevlin\nExec=brevlin\n");
        }
    }

    QString DataFolder() const { return home.filePath("data/Quillmoor/Brevlin/"); }
};

MainDlgEnvironment Environment(const User& user, QStringList printers, QStringList arguments = {})
{
    MainDlgEnvironment environment;
    environment.programFile = user.programFolder + "/brevlin";
    environment.arguments = arguments;
    environment.printers = [printers] { return printers; };
    environment.currentPrinter = [printers] { return printers.value(printers.size() - 1); };
    environment.openPrinter = [](const QString& name) -> std::unique_ptr<platform::Printer> {
        // An A4 page at 300 dpi with small offsets.
        return std::make_unique<platform::VirtualPage>(platform::PageMetrics { 2400, 3400, 40, 40, 300, 300 }, name);
    };
    return environment;
}

QStringList ReadLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    // Newest first in the file; oldest first here. Each line: level, tab, time, tab, message.
    std::reverse(lines.begin(), lines.end());
    for (QString& line : lines)
        line = line.section('\t', 2);
    return lines;
}

} // namespace

class TestMainDlg : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetMessageBoxAnswerer([this](QMessageBox& box) {
            m_boxes << box.text();
            return QMessageBox::Ok;
        });
        m_boxes.clear();
    }

    void startUpWritesTheHeaderAndRestoresTheFormat_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("selected");
        QTest::newRow("nothing stored") << QString() << 19;
        QTest::newRow("stored index") << "5" << 5;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("beyond the last") << "72" << 0;
        QTest::newRow("negative") << "-3" << 0;
    }

    void startUpWritesTheHeaderAndRestoresTheFormat()
    {
        QFETCH(QString, stored);
        QFETCH(int, selected);
        User user(true);
        if (!stored.isNull())
            QVERIFY(WriteProductSetting("PicFormatIdx", stored));
        {
            TMainDlg dlg(Environment(user, { "Office", "TestPDF" }, { "--first", "--second" }));
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QTRY_VERIFY(dlg.Started());
            const auto* formats = dlg.findChild<QComboBox*>("format_cmb");
            QCOMPARE(formats->count(), 72);
            QCOMPARE(formats->currentIndex(), selected);
            QCOMPARE(ReadProductSetting("PicFormatIdx"), QString::number(selected));
            QVERIFY(dlg.windowTitle().startsWith("Brevlin v"));
            QCOMPARE(dlg.findChild<QLabel*>("printer_pnl")->text(), QString("TestPDF"));
            // The slider's maximum is the sheet's capacity and it starts there.
            const auto* count = dlg.findChild<QSlider*>("num_trk");
            QCOMPARE(count->maximum(), dlg.SheetPrinter()->Capacity());
            QCOMPARE(count->value(), count->maximum());
            // A second activation starts nothing again.
            dlg.AppEvtActivate();
            dlg.close();
        }
        const QStringList log = ReadLog(user.DataFolder() + "Brevlin.log");
        QVERIFY2(log.size() >= 14, qPrintable(log.join('\n')));
        QCOMPARE(log[0], QString("Starting"));
        QCOMPARE(log[1], user.programFolder + "/brevlin");
        QVERIFY(log[2].startsWith("Brevlin v"));
        QVERIFY(log[3].startsWith("Linux : "));
        QVERIFY(log[4].startsWith("64Bits : "));
        QVERIFY(log[5].startsWith("Administrator : "));
        QCOMPARE(log[6], QString("Portable : No"));
        QCOMPARE(log[7], QString("--first"));
        QVERIFY(log[8].startsWith("OpenSSL : "));
        QCOMPARE(log[9], QString("2 printer(s) found"));
        QCOMPARE(log[10], QString("Printer 1 : Office"));
        QCOMPARE(log[11], QString("Printer 2 : TestPDF"));
        QCOMPARE(log[12], QString("Selected printer : (2) TestPDF"));
        QCOMPARE(log[13], QString("Scale mode : Stretch"));
        QCOMPARE(log.count("Starting"), 1);
        QVERIFY(log.contains("Selecting format : "
            + QString(selected == 19 ? "35 x 45 mm (Czech Republic)"
                    : selected == 5  ? "2 x 2 in (Bahamas)"
                                     : "40 x 50 mm (Albania)")));
    }

    void noPrinterSaysSoAndCloses()
    {
        User user(true);
        TMainDlg dlg(Environment(user, {}));
        dlg.show();
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY(m_boxes[0].startsWith("No printer found !"));
        QVERIFY(!dlg.Started());
        QVERIFY(dlg.SheetPrinter() == nullptr);
    }

    void portableRoundTrip_data()
    {
        QTest::addColumn<QString>("debugMode");
        QTest::addColumn<bool>("dataKept");
        QTest::newRow("data folder removed") << "0" << false;
        QTest::newRow("debug mode keeps it") << "1" << true;
    }

    void portableRoundTrip()
    {
        // Settings come from settings.ini at start, live in the store during the run, and go back at exit;
        // the store is emptied only after the export succeeded.
        QFETCH(QString, debugMode);
        QFETCH(bool, dataKept);
        User user(false);
        QFile ini(user.programFolder + "/settings.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            QString("[Settings]\nPicFormatIdx=67\nDebugMode=%1\n[Settings_DWORD]\nlangue=3\n").arg(debugMode).toUtf8());
        ini.close();
        {
            TMainDlg dlg(Environment(user, { "TestPDF" }));
            QCOMPARE(ReadProductSetting("PicFormatIdx"), QString("67"));
            dlg.show();
            QTRY_VERIFY(dlg.Started());
            dlg.findChild<QComboBox*>("format_cmb")->setCurrentIndex(13);
            dlg.format_cmbChange();
            dlg.close();
            // Exported, then removed from the store.
            QCOMPARE(ReadProductSetting("PicFormatIdx"), QString());
        }
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(ini.readAll());
        QVERIFY2(text.contains("PicFormatIdx=13") && text.contains("langue=3"), qPrintable(text));
        QCOMPARE(QFile::exists(user.DataFolder() + "Brevlin.log"), dataKept);
        QVERIFY(QFile::exists(user.programFolder + "/settings.ini"));
    }

    void failedExportKeepsTheStore()
    {
        User user(false);
        // settings.ini cannot be written: a folder stands in its place.
        QVERIFY(QDir(user.programFolder).mkdir("settings.ini"));
        {
            TMainDlg dlg(Environment(user, { "TestPDF" }));
            dlg.show();
            QTRY_VERIFY(dlg.Started());
            dlg.close();
        }
        QCOMPARE(ReadProductSetting("PicFormatIdx"), QString("19"));
    }

    void portableExitNeverEmptiesTheProgramFolder()
    {
        // No per-user data folder can be made (a file stands where its parent should be): the log and the
        // working copy fall back to the program's folder, which the portable exit must leave alone.
        User user(false);
        QFile blocker(user.home.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_DATA_HOME", blocker.fileName().toUtf8());
        QFile program(user.programFolder + "/brevlin");
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.close();
        {
            TMainDlg dlg(Environment(user, { "TestPDF" }));
            dlg.show();
            QTRY_VERIFY(dlg.Started());
            QCOMPARE(dlg.DataFolder(), user.programFolder + "/");
            dlg.close();
        }
        QVERIFY(QFile::exists(user.programFolder + "/brevlin"));
        QVERIFY(QFile::exists(user.programFolder + "/settings.ini"));
        QVERIFY(QFile::exists(user.programFolder + "/Brevlin.log"));
    }

private:
    QStringList m_boxes;
};

QTEST_MAIN(TestMainDlg)
#include "tst_maindlg.moc"
