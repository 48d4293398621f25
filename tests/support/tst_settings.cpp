// Tests of the product settings, the portable mode's import and export, the installed test and the
// VirtualStore clean-up, all inside the test's own home folder.
#include "platform/RegistryStore.h"
#include "support/U_Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using platform::RegistryStore;
using platform::RegistryType;
using platform::RegistryValue;

namespace {

const QString kMaker = QStringLiteral("SOFTWARE\\Quillmoor");
const QString kProduct = QStringLiteral("SOFTWARE\\Quillmoor\\Brevlin");

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The values of a key as "name=s:text", "name=i:number" or "name=b:size", in the key's order.
QStringList Describe(const std::optional<QList<RegistryValue>>& values)
{
    if (!values)
        return { QStringLiteral("(no key)") };
    QStringList lines;
    for (const RegistryValue& value : *values) {
        switch (value.type) {
        case RegistryType::String: lines += value.name + QStringLiteral("=s:") + value.text; break;
        case RegistryType::Integer: lines += value.name + QStringLiteral("=i:") + QString::number(value.integer); break;
        case RegistryType::Binary:
            lines += value.name + QStringLiteral("=b:") + QString::number(value.bytes.size());
            break;
        }
    }
    return lines;
}

QStringList ProductValues()
{
    return Describe(RegistryStore().Values(kProduct));
}

// The files below `folder`, as paths relative to it, sorted.
QStringList FilesBelow(const QString& folder)
{
    QStringList files;
    const QDir root(folder);
    QStringList pending { folder };
    while (!pending.isEmpty()) {
        const QDir dir(pending.takeFirst());
        for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (entry.isDir() && !entry.isSymLink())
                pending += entry.filePath();
            else
                files += root.relativeFilePath(entry.filePath());
        }
    }
    files.sort();
    return files;
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir* m_home = nullptr;
    QString m_ini;

    QString Home(const QString& path) const { return m_home->filePath(path); }

    void SetEnv(const char* name, const QString& value) const { qputenv(name, QFile::encodeName(value)); }

    // A product key as the program leaves it: two strings, the language, and a value of another type.
    void FillProductKey() const
    {
        RegistryStore store;
        QVERIFY(store.WriteString(kProduct, QStringLiteral("PicFormatIdx"), QStringLiteral("19")));
        QVERIFY(store.WriteBinary(kProduct, QStringLiteral("Blob"), QByteArray(4, '\1')));
        QVERIFY(store.WriteString(kProduct, QStringLiteral("DebugMode"), QStringLiteral("1")));
        QVERIFY(store.WriteInteger(kProduct, QStringLiteral("langue"), 3));
    }

private slots:
    void init()
    {
        // Everything the code under test reads or writes lies in the test's own folder, never in the home.
        m_home = new QTemporaryDir;
        SetEnv("HOME", m_home->path());
        SetEnv("XDG_CONFIG_HOME", Home(QStringLiteral("config")));
        SetEnv("XDG_DATA_HOME", Home(QStringLiteral("data")));
        SetEnv("XDG_DATA_DIRS", Home(QStringLiteral("share1")) + u':' + Home(QStringLiteral("share2")));
        SetEnv("XDG_STATE_HOME", Home(QStringLiteral("state")));
        m_ini = Home(QStringLiteral("program/settings.ini"));
        QVERIFY(QDir().mkpath(Home(QStringLiteral("program"))));
    }

    void cleanup()
    {
        delete m_home;
        m_home = nullptr;
    }

    void productSettings()
    {
        QCOMPARE(ReadProductSetting(QStringLiteral("PicFormatIdx")), QString());
        QVERIFY(RegistryStore().KeyExists(kProduct));  // reading opens the key, creating it
        QVERIFY(QFile::exists(Home(QStringLiteral("config/Quillmoor/registry.db"))));
        QVERIFY(WriteProductSetting(QStringLiteral("PicFormatIdx"), QStringLiteral("19")));
        QCOMPARE(ReadProductSetting(QStringLiteral("picformatidx")), QStringLiteral("19"));
        // The language is an integer: read as text it is not there.
        QVERIFY(
            RegistryStore().WriteInteger(QStringLiteral("Software\\Quillmoor\\Brevlin"), QStringLiteral("langue"), 3));
        QCOMPARE(ReadProductSetting(QStringLiteral("langue")), QString());
    }

    void productSettingInt_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("no format chosen") << -1 << "-1";
        QTest::newRow("zero") << 0 << "0";
        QTest::newRow("largest") << 2147483647 << "2147483647";
        QTest::newRow("smallest") << -2147483647 - 1 << "-2147483648";
    }

    void productSettingInt()
    {
        QFETCH(int, value);
        QFETCH(QString, text);
        QVERIFY(WriteProductSettingInt(QStringLiteral("PicFormatIdx"), value));
        QCOMPARE(ProductValues(), QStringList { "PicFormatIdx=s:" + text });
    }

    void makerKeyCleanUp_data()
    {
        QTest::addColumn<QString>("other");
        QTest::addColumn<bool>("makerKeyStays");
        QTest::newRow("nothing else") << "" << false;
        QTest::newRow("another program's path") << "value" << true;
        QTest::newRow("another product") << "product" << true;
    }

    void makerKeyCleanUp()
    {
        QFETCH(QString, other);
        QFETCH(bool, makerKeyStays);
        WriteMakerValue(QStringLiteral("Brevlin"), QStringLiteral("/media/usb/Brevlin/brevlin"));
        QCOMPARE(RegistryStore().ReadString(kMaker, QStringLiteral("brevlin")),
            QStringLiteral("/media/usb/Brevlin/brevlin"));
        QVERIFY(WriteProductSetting(QStringLiteral("PicFormatIdx"), QStringLiteral("4")));
        QVERIFY(RegistryStore().CreateKey(kProduct + QStringLiteral("\\Deeper")));
        if (other == QLatin1String("value"))
            WriteMakerValue(QStringLiteral("Other"), QStringLiteral("/opt/other"));
        if (other == QLatin1String("product"))
            QVERIFY(RegistryStore().WriteString(
                kMaker + QStringLiteral("\\Other"), QStringLiteral("x"), QStringLiteral("y")));

        DeleteMakerKeyIfEmpty();  // not empty yet
        DeleteProductKey(QString());  // would name the maker key itself
        QVERIFY(RegistryStore().KeyExists(kProduct));

        DeleteProductKey(QStringLiteral("Brevlin"));
        DeleteMakerValue(QStringLiteral("Brevlin"));
        DeleteMakerKeyIfEmpty();
        RegistryStore store;
        QVERIFY(!store.KeyExists(kProduct));
        QCOMPARE(store.ReadString(kMaker, QStringLiteral("Brevlin")), std::nullopt);
        QCOMPARE(store.KeyExists(kMaker), makerKeyStays);
        QVERIFY(store.KeyExists(QStringLiteral("SOFTWARE")));
    }

    void portableExitThenStart()
    {
        // Exit: the strings go to "Settings", the language to "Settings_DWORD", the raw value is skipped;
        // afterwards the registry holds nothing of the program.
        FillProductKey();
        WriteMakerValue(QStringLiteral("Brevlin"), Home(QStringLiteral("program/brevlin")));
        QVERIFY(ExportSettingsToIni(QStringLiteral("Brevlin"), m_ini));
        QCOMPARE(
            ReadAll(m_ini), QByteArray("[Settings]\nPicFormatIdx=19\nDebugMode=1\n\n[Settings_DWORD]\nlangue=3\n"));
        DeleteProductKey(QStringLiteral("Brevlin"));
        DeleteMakerValue(QStringLiteral("Brevlin"));
        DeleteMakerKeyIfEmpty();
        QVERIFY(!RegistryStore().KeyExists(kMaker));

        // Next start: every setting is back with its type.
        ImportSettingsFromIni(QStringLiteral("Brevlin"), m_ini);
        QCOMPARE(ProductValues(), (QStringList { "PicFormatIdx=s:19", "DebugMode=s:1", "langue=i:3" }));
        QCOMPARE(ReadProductSetting(QStringLiteral("DebugMode")), QStringLiteral("1"));
    }

    void exportUpdatesInPlace()
    {
        QVERIFY(WriteAll(m_ini,
            "; Brevlin on a USB "
            "key\r\n[settings]\r\nOther=kept\r\npicformatidx=2\r\n\r\n[Settings_DWORD]\r\nold=1\r\n"));
        FillProductKey();
        QVERIFY(ExportSettingsToIni(QStringLiteral("Brevlin"), m_ini));
        QCOMPARE(ReadAll(m_ini),
            QByteArray("; Brevlin on a USB key\r\n[settings]\r\nOther=kept\r\nPicFormatIdx=19\r\nDebugMode=1\r\n\r\n"
                       "[Settings_DWORD]\r\nold=1\r\nlangue=3\r\n"));
    }

    void exportFailureKeepsRegistry_data()
    {
        // We run as root, whom permission bits do not stop; these are the ways the export fails here. The
        // settings file or its folder without any write permission counts as read-only (the INI module
        // checks the bits itself); a folder that is a regular file, a file-size limit standing for a full
        // medium, and a settings file that is a folder or too large to read make the writing fail for real.
        QTest::addColumn<QString>("technique");
        QTest::newRow("read-only file") << "file mode";
        QTest::newRow("read-only folder") << "folder mode";
        QTest::newRow("folder is a file") << "parent file";
        QTest::newRow("medium full") << "size limit";
        QTest::newRow("settings file is a folder") << "folder";
        QTest::newRow("settings file too large") << "too large";
    }

    void exportFailureKeepsRegistry()
    {
        QFETCH(QString, technique);
        FillProductKey();
        QString ini = m_ini;
        QByteArray before = "[Settings]\nPicFormatIdx=2\n";
        if (technique == QLatin1String("too large"))
            before += QByteArray(5 << 20, ';');
        QVERIFY(WriteAll(ini, before));
        const QString folder = Home(QStringLiteral("program"));
        bool exported = true;
        if (technique == QLatin1String("file mode")) {
            QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup));
            exported = ExportSettingsToIni(QStringLiteral("Brevlin"), ini);
        } else if (technique == QLatin1String("folder mode")) {
            QCOMPARE(chmod(QFile::encodeName(folder).constData(), 0555), 0);
            exported = ExportSettingsToIni(QStringLiteral("Brevlin"), ini);
            chmod(QFile::encodeName(folder).constData(), 0755);
        } else if (technique == QLatin1String("parent file")) {
            ini = folder + QStringLiteral("/settings.ini/settings.ini");
            exported = ExportSettingsToIni(QStringLiteral("Brevlin"), ini);
        } else if (technique == QLatin1String("size limit")) {
            QVERIFY(RegistryStore().WriteString(kProduct, QStringLiteral("Long"), QString(100000, u'x')));
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit saved {};
            getrlimit(RLIMIT_FSIZE, &saved);
            rlimit small = saved;
            small.rlim_cur = 64 * 1024;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            exported = ExportSettingsToIni(QStringLiteral("Brevlin"), ini);
            setrlimit(RLIMIT_FSIZE, &saved);
        } else if (technique == QLatin1String("folder")) {
            ini = folder + QStringLiteral("/settings.d");
            QVERIFY(QDir().mkpath(ini));
            exported = ExportSettingsToIni(QStringLiteral("Brevlin"), ini);
        } else {
            exported = ExportSettingsToIni(QStringLiteral("Brevlin"), ini);
        }
        QVERIFY(!exported);
        QCOMPARE(ReadAll(m_ini), before);
        // The exit sequence keeps the registry when the export fails: nothing is lost.
        QCOMPARE(ProductValues().mid(0, 4),
            (QStringList { "PicFormatIdx=s:19", "Blob=b:4", "DebugMode=s:1", "langue=i:3" }));
    }

    void exportStopsAtValueThatIsNoLine()
    {
        // A value with a line break cannot be an INI entry; those written before it stay in the file.
        RegistryStore store;
        QVERIFY(store.WriteString(kProduct, QStringLiteral("First"), QStringLiteral("1")));
        QVERIFY(store.WriteString(kProduct, QStringLiteral("Bad"), QStringLiteral("x\n[Settings_DWORD]\nlangue=9")));
        QVERIFY(store.WriteString(kProduct, QStringLiteral("Last"), QStringLiteral("3")));
        QVERIFY(!ExportSettingsToIni(QStringLiteral("Brevlin"), m_ini));
        QCOMPARE(ReadAll(m_ini), QByteArray("[Settings]\nFirst=1\n"));
    }

    void import_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QStringList>("expected");
        const QStringList untouched { "Keep=s:old", "PicFormatIdx=s:2" };
        QTest::newRow("no settings file") << QByteArray() << untouched;
        QTest::newRow("empty file") << QByteArray("") << untouched;
        QTest::newRow("both sections")
            << QByteArray("[Settings]\nPicFormatIdx=19\nDebugMode=1\n[Settings_DWORD]\nlangue=-3\nbad=abc\n")
            << QStringList { "Keep=s:old", "PicFormatIdx=s:19", "DebugMode=s:1", "langue=i:-3", "bad=i:0" };
        QTest::newRow("same name in both: the number wins")
            << QByteArray("[Settings_DWORD]\nx=5\n[Settings]\nx=text\n")
            << QStringList { "Keep=s:old", "PicFormatIdx=s:2", "x=i:5" };
        QTest::newRow("twin sections and keys: the first counts")
            << QByteArray("[Settings]\nA=1\na=2\n[SETTINGS]\nB=3\n")
            << QStringList { "Keep=s:old", "PicFormatIdx=s:2", "A=s:1" };
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk += char(((i * 131) % 256) | 0x80);
        QTest::newRow("binary junk around") << junk + "\n[Settings]\nDebugMode=1\n" + junk
                                            << QStringList { "Keep=s:old", "PicFormatIdx=s:2", "DebugMode=s:1" };
        QTest::newRow("too large to be a settings file") << "[Settings]\nDebugMode=1\n" + QByteArray(5 << 20, ';')
                                                         << untouched;
    }

    void import()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QStringList, expected);
        QVERIFY(RegistryStore().WriteString(kProduct, QStringLiteral("Keep"), QStringLiteral("old")));
        QVERIFY(RegistryStore().WriteString(kProduct, QStringLiteral("PicFormatIdx"), QStringLiteral("2")));
        if (!contents.isNull())
            QVERIFY(WriteAll(m_ini, contents));
        ImportSettingsFromIni(QStringLiteral("Brevlin"), m_ini);
        QCOMPARE(ProductValues(), expected);
    }

    void importWithoutFileMakesEmptyKey()
    {
        ImportSettingsFromIni(QStringLiteral("Brevlin"), m_ini);
        QCOMPARE(ProductValues(), QStringList());
        // Start-up then falls back to its default format.
        QCOMPARE(ReadProductSetting(QStringLiteral("PicFormatIdx")), QString());
    }

    void damagedStore()
    {
        const QString db = Home(QStringLiteral("config/Quillmoor/registry.db"));
        QByteArray junk;
        for (int i = 0; i < 8192; ++i)
            junk += char((i * 7919) % 253);
        QVERIFY(WriteAll(db, junk));
        QVERIFY(WriteAll(m_ini, "[Settings]\nPicFormatIdx=19\n"));
        QCOMPARE(ReadProductSetting(QStringLiteral("PicFormatIdx")), QString());
        QVERIFY(!WriteProductSetting(QStringLiteral("PicFormatIdx"), QStringLiteral("3")));
        QVERIFY(!WriteProductSettingInt(QStringLiteral("PicFormatIdx"), 3));
        ImportSettingsFromIni(QStringLiteral("Brevlin"), m_ini);
        QVERIFY(!ExportSettingsToIni(QStringLiteral("Brevlin"), m_ini));
        WriteMakerValue(QStringLiteral("Brevlin"), QStringLiteral("/x"));
        DeleteProductKey(QStringLiteral("Brevlin"));
        DeleteMakerValue(QStringLiteral("Brevlin"));
        DeleteMakerKeyIfEmpty();
        QCOMPARE(ReadAll(db), junk);
        QCOMPARE(ReadAll(m_ini), QByteArray("[Settings]\nPicFormatIdx=19\n"));
    }

    void uninstallEntries()
    {
        QVERIFY(WriteAll(
            Home(QStringLiteral("data/applications/mine.desktop")), "[Desktop Entry]\nName=Quillmoor Brevlin\n"));
        const QString system = Home(QStringLiteral("share1/applications/"));
        QVERIFY(WriteAll(system + QStringLiteral("b.desktop"), "[Desktop Entry]\nType=Application\nExec=b\n"));
        QVERIFY(WriteAll(system + QStringLiteral("a.desktop"), "[Desktop Entry]\nName[de]=Erstes\nName = Alpha \n"));
        QVERIFY(WriteAll(system + QStringLiteral("c.desktop"), "[Desktop Action New]\nName=New Window\n"));
        QVERIFY(WriteAll(system + QStringLiteral("empty.desktop"), "[Desktop Entry]\nName=\n"));
        QByteArray junk(20000, '\0');
        for (int i = 0; i < junk.size(); ++i)
            junk[i] = char((i * 7919) % 256);
        QVERIFY(WriteAll(system + QStringLiteral("junk.desktop"), junk));
        QVERIFY(WriteAll(system + QStringLiteral("readme.txt"), "Name=Not an entry\n"));
        QVERIFY(WriteAll(system + QStringLiteral(".desktop"), "Name=No base name\n"));
        QVERIFY(QDir().mkpath(system + QStringLiteral("folder.desktop")));
        QCOMPARE(mkfifo(QFile::encodeName(system + QStringLiteral("pipe.desktop")).constData(), 0600), 0);

        QStringList names { "left over" };
        QStringList errors { "left over" };
        ListUninstallEntries(names, errors);
        const QString user = Home(QStringLiteral("data/applications/"));
        const QString missing = Home(QStringLiteral("share2/applications/"));
        QCOMPARE(
            names, (QStringList { user, "Quillmoor Brevlin", system, "Alpha", "b", "c", "empty", "junk", missing }));
        QCOMPARE(errors,
            (QStringList { "Unable to open " + system + "folder.desktop", "Unable to open " + system + "pipe.desktop",
                "Unable to open " + missing }));
    }

    void userEntriesAreOptional_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<bool>("error");
        QTest::newRow("missing") << "none" << false << false;
        QTest::newRow("empty folder") << "folder" << true << false;
        QTest::newRow("a file in its place") << "file" << true << true;
    }

    void userEntriesAreOptional()
    {
        QFETCH(QString, kind);
        QFETCH(bool, listed);
        QFETCH(bool, error);
        const QString user = Home(QStringLiteral("data/applications/"));
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(user));
        if (kind == QLatin1String("file"))
            QVERIFY(WriteAll(Home(QStringLiteral("data/applications")), "not a folder"));
        QVERIFY(QDir().mkpath(Home(QStringLiteral("share1/applications"))));
        QVERIFY(QDir().mkpath(Home(QStringLiteral("share2/applications"))));
        QStringList names;
        QStringList errors;
        ListUninstallEntries(names, errors);
        QCOMPARE(names.contains(user), listed);
        QCOMPARE(errors.contains("Unable to open " + user), error);
        QCOMPARE(errors.size(), error ? 1 : 0);
    }

    void isProductInstalled_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<bool>("installed");
        QTest::newRow("no entry: portable") << "" << QByteArray() << false;
        QTest::newRow("another program") << "other.desktop" << QByteArray("[Desktop Entry]\nName=Other\n") << false;
        QTest::newRow("product alone") << "b.desktop" << QByteArray("[Desktop Entry]\nName=Brevlin\n") << false;
        QTest::newRow("lower case with version")
            << "b.desktop" << QByteArray("[Desktop Entry]\nName=quillmoor brevlin 1.0.0.1\n") << true;
        QTest::newRow("matched by file name")
            << "Quillmoor Brevlin.desktop" << QByteArray("[Desktop Entry]\nExec=b\n") << true;
        QTest::newRow("name of an action only") << "b.desktop"
                                                << QByteArray("[Desktop Action x]\nName=Quillmoor Brevlin\n") << false;
        QTest::newRow("the entry we install")
            << "brevlin.desktop" << ReadAll(QStringLiteral(BREVLIN_SOURCE_DIR "/data/brevlin.desktop")) << true;
    }

    void isProductInstalled()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, contents);
        QFETCH(bool, installed);
        QVERIFY(QDir().mkpath(Home(QStringLiteral("share2/applications"))));
        if (!fileName.isEmpty())
            QVERIFY(WriteAll(Home(QStringLiteral("share2/applications/")) + fileName, contents));
        QCOMPARE(IsProductInstalled(QStringLiteral("Quillmoor Brevlin")), installed);
    }

    void cleanVirtualStore_data()
    {
        QTest::addColumn<QString>("programFolder");
        QTest::addColumn<QStringList>("files");  // below VirtualStore/
        QTest::addColumn<QString>("cleaned");  // below the local data folder
        QTest::addColumn<QStringList>("remaining");
        QTest::newRow("language files and others")
            << "/opt/brevlin/"
            << QStringList { "opt/brevlin/BVN_00000409.SPK", "opt/brevlin/x.spk", "opt/brevlin/keep.txt",
                   "opt/brevlin/sub/BVN_0000040C.SPK", "opt/brevlin/only/.hidden.Spk", "opt/brevlin.SPK" }
            << "VirtualStore/opt/brevlin/"
            << QStringList { "opt/brevlin.SPK", "opt/brevlin/keep.txt", "opt/brevlin/only/.hidden.Spk",
                   "opt/brevlin/sub/BVN_0000040C.SPK" };
        QTest::newRow("only language files") << "/opt/brevlin"
                                             << QStringList { "opt/brevlin/a.SPK", "opt/brevlin/sub/b.SPK" }
                                             << "VirtualStore/opt/brevlin/" << QStringList { "opt/brevlin/sub/b.SPK" };
        QTest::newRow("no copy of this folder") << "/opt/brevlin/" << QStringList { "opt/other/a.SPK" } << ""
                                                << QStringList { "opt/other/a.SPK" };
        QTest::newRow("root folder") << "/" << QStringList { "a.SPK", "b.txt", "opt/c.SPK" } << "VirtualStore/"
                                     << QStringList { "b.txt", "opt/c.SPK" };
        // Only sub-folders whose names match are entered, as the file helpers do everywhere.
        QTest::newRow("matching sub-folder") << "/opt/brevlin" << QStringList { "opt/brevlin/old.SPK/a.SPK", "opt/brevlin/old.SPK/b.txt" }
                                             << "VirtualStore/opt/brevlin/" << QStringList { "opt/brevlin/old.SPK/b.txt" };
        QTest::newRow("dot-dot stays inside") << "/opt/../../opt/brevlin/."
                                              << QStringList { "opt/brevlin/a.SPK", "opt/b.SPK" }
                                              << "VirtualStore/opt/brevlin/" << QStringList { "opt/b.SPK" };
    }

    void cleanVirtualStore()
    {
        QFETCH(QString, programFolder);
        QFETCH(QStringList, files);
        QFETCH(QString, cleaned);
        QFETCH(QStringList, remaining);
        const QString store = Home(QStringLiteral("state/VirtualStore/"));
        for (const QString& file : files)
            QVERIFY(WriteAll(store + file, "SPK"));
        QCOMPARE(
            CleanVirtualStore(programFolder), cleaned.isEmpty() ? QString() : Home(QStringLiteral("state/")) + cleaned);
        QCOMPARE(FilesBelow(store), remaining);
        // The cleaned folder goes when nothing is left in it.
        const QString inside = cleaned.mid(QStringLiteral("VirtualStore/").size());
        const bool kept = std::any_of(
            remaining.cbegin(), remaining.cend(), [&](const QString& file) { return file.startsWith(inside); });
        if (!cleaned.isEmpty())
            QCOMPARE(QFileInfo::exists(Home(QStringLiteral("state/")) + cleaned), kept);
    }

    void cleanVirtualStoreStaysInside()
    {
        // A linked folder inside the copy is not followed, and a missing local data folder cleans nothing.
        const QString outside = Home(QStringLiteral("elsewhere/"));
        QVERIFY(WriteAll(outside + QStringLiteral("BVN_00000409.SPK"), "SPK"));
        QVERIFY(WriteAll(Home(QStringLiteral("local/VirtualStore/opt/brevlin/a.SPK")), "SPK"));
        QVERIFY(QFile::link(outside, Home(QStringLiteral("local/VirtualStore/opt/brevlin/link"))));
        QCOMPARE(CleanVirtualStore(QStringLiteral("/opt/brevlin/"), QString()), QString());
        QCOMPARE(CleanVirtualStore(QStringLiteral("/opt/brevlin/"), Home(QStringLiteral("local"))),
            Home(QStringLiteral("local/VirtualStore/opt/brevlin/")));
        QVERIFY(QFile::exists(outside + QStringLiteral("BVN_00000409.SPK")));
        QCOMPARE(FilesBelow(Home(QStringLiteral("local"))), QStringList { "VirtualStore/opt/brevlin/link" });
    }

    void cleanVirtualStoreDefaultFolder()
    {
        qunsetenv("XDG_STATE_HOME");
        QVERIFY(WriteAll(Home(QStringLiteral(".local/state/VirtualStore/opt/brevlin/a.SPK")), "SPK"));
        QCOMPARE(CleanVirtualStore(QStringLiteral("/opt/brevlin/")),
            Home(QStringLiteral(".local/state/VirtualStore/opt/brevlin/")));
        QVERIFY(!QFile::exists(Home(QStringLiteral(".local/state/VirtualStore/opt/brevlin/a.SPK"))));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
