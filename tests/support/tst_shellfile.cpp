// Tests of the shell and file helpers: special folders and the data folder under a private home, clearing
// and listing folders, file queries and versions, opening through a recording launcher, text functions.
#include "support/U_ShellFile.h"
#include "tests/platform/VersionImages.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kVariables[] = { "HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CONFIG_HOME" };

bool WriteFile(const QString& path, const QByteArray& bytes = "x")
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool Link(const QString& target, const QString& link)
{
    return ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) == 0;
}

unsigned Mode(const QString& path)
{
    struct stat info { };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return unsigned(info.st_mode & 07777);
}

// Every path below `root`, relative to it, sorted; folders end with "/".
QStringList Tree(const QString& root)
{
    QStringList paths;
    QDirIterator it(
        root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        paths.append(QDir(root).relativeFilePath(info.filePath()) + (info.isDir() && !info.isSymLink() ? "/" : ""));
    }
    paths.sort();
    return paths;
}

// Creates the entries of `layout` below `root`: names ending in "/" are folders, others one-byte files.
void Make(const QString& root, const QStringList& layout)
{
    for (const QString& entry : layout) {
        if (entry.endsWith(QLatin1Char('/')))
            QDir().mkpath(root + QLatin1Char('/') + entry);
        else
            WriteFile(root + QLatin1Char('/') + entry);
    }
}

QStringList Relative(const QString& root, QStringList paths)
{
    for (QString& path : paths)
        path = QDir(root).relativeFilePath(path);
    paths.sort();
    return paths;
}

}  // namespace

class TestShellFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const char* name : kVariables)
            m_savedEnvironment.append(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        m_savedDirectory = QDir::currentPath();
        ::umask(022);
    }

    void cleanupTestCase()
    {
        for (int i = 0; i < int(std::size(kVariables)); ++i) {
            if (m_savedEnvironment[i])
                qputenv(kVariables[i], *m_savedEnvironment[i]);
            else
                qunsetenv(kVariables[i]);
        }
    }

    // Each test gets its own home below a fresh temporary folder; the XDG variables are unset.
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        QVERIFY(m_dir->isValid());
        m_root = m_dir->path();
        QDir().mkpath(m_root + "/home");
        qputenv("HOME", QFile::encodeName(m_root + "/home"));
        for (const char* name : kVariables)
            if (qstrcmp(name, "HOME") != 0)
                qunsetenv(name);
    }

    void cleanup()
    {
        QDir::setCurrent(m_savedDirectory);
        m_dir.reset();
    }

    // --- Special folders and the data folder -------------------------------------------------------

    void specialFolders_data()
    {
        QTest::addColumn<QStringList>("environment"); // VAR=value ("{}" is the test folder), or VAR to unset
        QTest::addColumn<QByteArray>("userDirs"); // the content of $XDG_CONFIG_HOME/user-dirs.dirs
        QTest::addColumn<int>("folder");
        QTest::addColumn<QString>("expected");
        const QStringList none;
        QTest::newRow("roaming data from XDG_DATA_HOME")
            << QStringList { "XDG_DATA_HOME={}/data/" } << QByteArray() << kFolderRoamingAppData << "{}/data";
        QTest::newRow("roaming data by default")
            << none << QByteArray() << kFolderRoamingAppData << "{}/home/.local/share";
        QTest::newRow("relative XDG_DATA_HOME is ignored")
            << QStringList { "XDG_DATA_HOME=data" } << QByteArray() << kFolderRoamingAppData << "{}/home/.local/share";
        QTest::newRow("local data from XDG_STATE_HOME")
            << QStringList { "XDG_STATE_HOME={}/state" } << QByteArray() << kFolderLocalAppData << "{}/state";
        QTest::newRow("local data by default") << none << QByteArray() << kFolderLocalAppData << "{}/home/.local/state";
        QTest::newRow("desktop by default") << none << QByteArray() << kFolderDesktop << "{}/home/Desktop";
        QTest::newRow("desktop of user-dirs below home")
            << QStringList { "XDG_CONFIG_HOME={}/config" }
            << QByteArray("# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n")
            << kFolderDesktop << "{}/home/Schreibtisch";
        QTest::newRow("desktop of user-dirs elsewhere")
            << none << QByteArray("XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\nXDG_DESKTOP_DIR=\"/srv/desk\"\n")
            << kFolderDesktop << "/srv/desk";
        QTest::newRow("no home") << QStringList { "HOME" } << QByteArray() << kFolderRoamingAppData << "";
        QTest::newRow("no home, but XDG_DATA_HOME")
            << QStringList { "HOME", "XDG_DATA_HOME={}/data" } << QByteArray() << kFolderRoamingAppData << "{}/data";
        QTest::newRow("unknown folder") << none << QByteArray() << 0x05 << "";
    }

    void specialFolders()
    {
        QFETCH(QStringList, environment);
        QFETCH(QByteArray, userDirs);
        QFETCH(int, folder);
        QFETCH(QString, expected);
        for (const QString& setting : environment) {
            const QString name = setting.section(QLatin1Char('='), 0, 0);
            if (setting.contains(QLatin1Char('=')))
                qputenv(name.toUtf8().constData(), setting.section(QLatin1Char('='), 1).replace("{}", m_root).toUtf8());
            else
                qunsetenv(name.toUtf8().constData());
        }
        if (!userDirs.isEmpty()) {
            const QString config = qEnvironmentVariableIsSet("XDG_CONFIG_HOME")
                ? qEnvironmentVariable("XDG_CONFIG_HOME")
                : m_root + "/home/.config";
            QVERIFY(WriteFile(config + "/user-dirs.dirs", userDirs));
        }
        QCOMPARE(SpecialFolderPath(folder), expected.replace("{}", m_root));
    }

    void dataFolderIsMadeOwnerOnly()
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_root + "/new-account/share"));
        const QString program = m_root + "/program/brevlin";
        const DataFolder first = LocateDataFolder(program, "Brevlin");
        QCOMPARE(first.path, m_root + "/new-account/share/Quillmoor/Brevlin/");
        QVERIFY(!first.isProgramFolder);
        QCOMPARE(Mode(first.path), 0700u);
        QCOMPARE(Mode(m_root + "/new-account/share"), 0700u);
        QCOMPARE(Mode(m_root + "/new-account"), 0700u);

        // A second call finds the same folder and creates nothing.
        const QStringList before = Tree(m_root);
        QCOMPARE(GetDataFolder(program, "Brevlin"), first.path);
        QCOMPARE(Tree(m_root), before);
    }

    void openDataFolderBecomesOwnerOnly()
    {
        const QString folder = m_root + "/home/.local/share/Quillmoor/Brevlin";
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        QCOMPARE(GetDataFolder(m_root + "/program/brevlin", "Brevlin"), folder + "/");
        QCOMPARE(Mode(folder), 0700u);
    }

    // Each row puts a regular file where a folder of the data path should be (root may write anywhere, so
    // permission bits could not stop it), or takes the home away.
    void dataFolderFallsBackToTheProgramFolder_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::addColumn<bool>("noHome");
        QTest::newRow("roaming data is a file") << "home/.local/share" << false;
        QTest::newRow("a folder above the roaming data is a file") << "home/.local" << false;
        QTest::newRow("maker folder is a file") << "home/.local/share/Quillmoor" << false;
        QTest::newRow("data folder is a file") << "home/.local/share/Quillmoor/Brevlin" << false;
        QTest::newRow("no roaming data at all") << "" << true;
    }

    void dataFolderFallsBackToTheProgramFolder()
    {
        QFETCH(QString, blocker);
        QFETCH(bool, noHome);
        if (!blocker.isEmpty())
            QVERIFY(WriteFile(m_root + "/" + blocker));
        if (noHome)
            qunsetenv("HOME");
        const DataFolder folder = LocateDataFolder(m_root + "/program/brevlin", "Brevlin");
        QCOMPARE(folder.path, m_root + "/program/");
        QVERIFY(folder.isProgramFolder);
        QCOMPARE(GetDataFolder(m_root + "/program/brevlin", "Brevlin"), m_root + "/program/");
    }

    void removeEmptyMakerDataFolder_data()
    {
        QTest::addColumn<QStringList>("content");
        QTest::addColumn<bool>("roamingKnown");
        QTest::addColumn<bool>("removed");
        QTest::newRow("empty") << QStringList() << true << true;
        QTest::newRow("with a data folder") << QStringList { "Brevlin/" } << true << false;
        QTest::newRow("with a file") << QStringList { "notes.txt" } << true << false;
        QTest::newRow("roaming data unknown") << QStringList() << false << false;
    }

    void removeEmptyMakerDataFolder()
    {
        QFETCH(QStringList, content);
        QFETCH(bool, roamingKnown);
        QFETCH(bool, removed);
        const QString maker = m_root + "/data/Quillmoor";
        QVERIFY(QDir().mkpath(maker));
        Make(maker, content);
        if (roamingKnown)
            qputenv("XDG_DATA_HOME", QFile::encodeName(m_root + "/data"));
        else
            qunsetenv("HOME");
        RemoveEmptyMakerDataFolder();
        QCOMPARE(QFileInfo::exists(maker), !removed);
        QVERIFY(QFileInfo::exists(m_root + "/data"));
    }

    // --- Clearing and creating folders ------------------------------------------------------------

    void deleteFilesByExtension_data()
    {
        QTest::addColumn<QStringList>("layout");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QStringList>("left"); // what remains below the test folder
        QTest::newRow("everything of a folder, then the folder") << QStringList { "data/Brevlin.log", "data/.hidden",
            "data/sub/deeper/Brevlin.jpg", "data/empty/" } << "*" << QStringList();
        QTest::newRow("language files only")
            << QStringList { "data/a.SPK", "data/b.spk", "data/c.txt", "data/lang.spk/x.SPK", "data/lang.spk/y.txt",
                   "data/other/z.SPK", "data/spk" }
            << "SPK"
            << QStringList { "data/", "data/c.txt", "data/lang.spk/", "data/lang.spk/y.txt", "data/other/",
                   "data/other/z.SPK", "data/spk" };
        QTest::newRow("matching folder emptied and removed") << QStringList { "data/keep.txt", "data/lang.spk/x.spk" }
                                                             << "spk" << QStringList { "data/", "data/keep.txt" };
    }

    void deleteFilesByExtension()
    {
        QFETCH(QStringList, layout);
        QFETCH(QString, extension);
        QFETCH(QStringList, left);
        Make(m_root, layout);
        QVERIFY(DeleteFilesByExtension(m_root + "/data", extension));
        QCOMPARE(Tree(m_root).filter(QRegularExpression("^data")), left);
    }

    void deleteFilesByExtensionOfAReadOnlyFile()
    {
        QVERIFY(WriteFile(m_root + "/data/photo.jpg"));
        QVERIFY(::chmod(QFile::encodeName(m_root + "/data/photo.jpg").constData(), 0444) == 0);
        QVERIFY(DeleteFilesByExtension(m_root + "/data/", "*"));
        QVERIFY(!QFileInfo::exists(m_root + "/data"));
    }

    void deleteFilesByExtensionKeepsWhatLinksPointAt()
    {
        Make(m_root, { "elsewhere/precious.jpg", "elsewhere/inner/also.jpg", "data/Brevlin.jpg" });
        QVERIFY(Link(m_root + "/elsewhere", m_root + "/data/folder-link"));
        QVERIFY(Link(m_root + "/elsewhere/precious.jpg", m_root + "/data/file-link.jpg"));
        QVERIFY(DeleteFilesByExtension(m_root + "/data", "*"));
        QVERIFY(!QFileInfo::exists(m_root + "/data"));
        QCOMPARE(Tree(m_root + "/elsewhere"), QStringList({ "inner/", "inner/also.jpg", "precious.jpg" }));
    }

    void deleteFilesByExtensionOfNoFolderDeletesNothing()
    {
        // An empty folder name must not turn into the current folder or the root.
        Make(m_root, { "cwd/a.spk", "cwd/b.txt" });
        QVERIFY(QDir::setCurrent(m_root + "/cwd"));
        QVERIFY(DeleteFilesByExtension("", "*"));
        QVERIFY(DeleteFilesByExtension("", "spk"));
        QCOMPARE(Tree(m_root + "/cwd"), QStringList({ "a.spk", "b.txt" }));
    }

    void createFolderLongPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("created");
        QTest::newRow("new folder") << "{}/new" << true;
        QTest::newRow("existing folder") << "{}/home" << false;
        QTest::newRow("parent missing") << "{}/missing/new" << false;
        QTest::newRow("below a file") << "{}/file/new" << false;
        QTest::newRow("no name") << "" << false;
    }

    void createFolderLongPath()
    {
        QFETCH(QString, path);
        QFETCH(bool, created);
        QVERIFY(WriteFile(m_root + "/file"));
        path.replace("{}", m_root);
        QCOMPARE(CreateFolderLongPath(path, 0700), created);
        if (created)
            QCOMPARE(Mode(path), 0700u);
    }

    // --- File queries -----------------------------------------------------------------------------

    void fileQueries_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("isFile");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<quint64>("size");
        QTest::newRow("file") << "{}/files/three" << true << false << quint64(3);
        QTest::newRow("empty file") << "{}/files/empty" << true << false << quint64(0);
        QTest::newRow("folder") << "{}/files" << false << true << quint64(0);
        QTest::newRow("folder with delimiter") << "{}/files/" << false << true << quint64(0);
        QTest::newRow("missing") << "{}/files/missing" << false << false << quint64(0);
        QTest::newRow("file with delimiter") << "{}/files/three/" << false << false << quint64(0);
        QTest::newRow("link to a file") << "{}/files/link-three" << true << false << quint64(3);
        QTest::newRow("link to a folder") << "{}/files/link-folder" << false << true << quint64(0);
        QTest::newRow("dangling link") << "{}/files/link-missing" << false << false << quint64(0);
        QTest::newRow("no name") << "" << false << false << quint64(0);
    }

    void fileQueries()
    {
        QFETCH(QString, path);
        QFETCH(bool, isFile);
        QFETCH(bool, isFolder);
        QFETCH(quint64, size);
        QVERIFY(WriteFile(m_root + "/files/three", "abc"));
        QVERIFY(WriteFile(m_root + "/files/empty", ""));
        QVERIFY(Link(m_root + "/files/three", m_root + "/files/link-three"));
        QVERIFY(Link(m_root + "/home", m_root + "/files/link-folder"));
        QVERIFY(Link(m_root + "/files/missing", m_root + "/files/link-missing"));
        path.replace("{}", m_root);
        QCOMPARE(IsExistingFile(path), isFile);
        QCOMPARE(IsExistingFolder(path), isFolder);
        QCOMPARE(FileSize64(path), uint64_t(size));
        QCOMPARE(IsNonEmptyFile(path), isFile && size > 0);
    }

    void sizeAboveFourGigabytes()
    {
        // A sparse file: its size passes 32 bits without using the disk.
        QFile file(m_root + "/big");
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(4294967297LL));
        file.close();
        QCOMPARE(FileSize64(m_root + "/big"), uint64_t(4294967297ULL));
        QVERIFY(IsNonEmptyFile(m_root + "/big"));
    }

    void fileVersionText_data()
    {
        using namespace testimages;
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // written to the name unless the name is "missing" or "."
        QTest::addColumn<QString>("expected");
        QTest::newRow("missing file") << "missing" << QByteArray() << "File not found";
        QTest::newRow("folder") << "." << QByteArray() << "File not found";
        QTest::newRow("no version resource") << "notes.txt" << QByteArray("no executable\n") << "";
        QTest::newRow("PE file") << "tool.exe" << PeImage(SampleBlock("2.1.0.57")) << "2.1.0.57";
        QTest::newRow("ELF file") << "tool" << ElfImage(SampleBlock("3.4.7.120"), ".brevlin_version") << "3.4.7.120";
        QByteArray noFixedPart = PeImage(SampleBlock());
        noFixedPart[PeLayout::block + 40] = 0; // the signature of the fixed part
        QTest::newRow("no fixed part") << "damaged.exe" << noFixedPart << "";
    }

    void fileVersionText()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, expected);
        const QString path = m_root + "/" + name;
        if (!content.isEmpty())
            QVERIFY(WriteFile(path, content));
        QCOMPARE(FileVersionText(path), expected);
    }

    void dragQueryFileWide()
    {
        const QList<QUrl> drop { QUrl::fromLocalFile("/photos/Brevlin portrait.jpg"), QUrl("https://example.org/a.jpg"),
            QUrl::fromLocalFile("/b.jpg") };
        QCOMPARE(DragQueryFileWide(drop, 0xFFFFFFFFu), 3u);
        QString name;
        QCOMPARE(DragQueryFileWide(drop, 0, &name), 28u);
        QCOMPARE(name, QStringLiteral("/photos/Brevlin portrait.jpg"));
        QCOMPARE(DragQueryFileWide(drop, 2), 6u);
        name.clear();
        QCOMPARE(DragQueryFileWide(drop, 1, &name), 0u);
        QCOMPARE(DragQueryFileWide(drop, 3, &name), 0u);
        QVERIFY(name.isEmpty());
    }

    // --- Folder listings --------------------------------------------------------------------------

    void listings_data()
    {
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("files by extension, descending")
            << "ListFilesByExtension"
            << ".spk"
            << QStringList { ".hidden.spk", "A.SPK", "b.spk", "file-link.spk", "sub/d.Spk", "sub/deeper/e.spk" };
        QTest::newRow("files without extension") << "ListFilesByExtension"
                                                 << "" << QStringList { "noext" };
        QTest::newRow("files") << "ListFiles"
                               << ""
                               << QStringList { ".hidden.spk", "A.SPK", "Readme.TXT", "b.spk", "c.txt", "file-link.spk",
                                      "noext" };
        QTest::newRow("folders") << "ListFolders"
                                 << "" << QStringList { "link-to-sub", "loop", "sub" };
        QTest::newRow("files named") << "ListFilesNamed"
                                     << "readme.txt" << QStringList { "Readme.TXT" };
        QTest::newRow("files named, not folders") << "ListFilesNamed"
                                                  << "SUB" << QStringList();
        QTest::newRow("files named, descending") << "FindFilesNamed"
                                                 << "README.txt" << QStringList { "Readme.TXT", "sub/readme.txt" };
    }

    void listings()
    {
        QFETCH(QString, listing);
        QFETCH(QString, argument);
        QFETCH(QStringList, expected);
        const QString root = m_root + "/tree";
        Make(root,
            { "A.SPK", "b.spk", "c.txt", ".hidden.spk", "noext", "Readme.TXT", "sub/d.Spk", "sub/readme.txt",
                "sub/deeper/e.spk" });
        QVERIFY(Link(root + "/sub", root + "/link-to-sub"));
        QVERIFY(Link(root, root + "/loop")); // a walk that followed it would never end
        QVERIFY(Link(root + "/A.SPK", root + "/file-link.spk"));

        for (const QString& folder : { root, root + "/" }) {
            QStringList list { "earlier entry" };
            if (listing == "ListFilesByExtension")
                ListFilesByExtension(folder, argument, list);
            else if (listing == "ListFiles")
                ListFiles(folder, list);
            else if (listing == "ListFolders")
                ListFolders(folder, list);
            else if (listing == "ListFilesNamed")
                ListFilesNamed(folder, argument, list);
            else
                FindFilesNamed(folder, argument, list);
            QCOMPARE(list.takeFirst(), QStringLiteral("earlier entry"));
            for (const QString& path : list)
                QVERIFY2(path.startsWith(root + "/") && !path.contains("//"), qPrintable(path));
            QCOMPARE(Relative(root, list), expected);
        }
    }

    void listingOfAMissingFolder()
    {
        QStringList list;
        ListFilesByExtension(m_root + "/missing", ".spk", list);
        ListFiles(m_root + "/missing", list);
        ListFolders(m_root + "/missing", list);
        FindFilesNamed(m_root + "/missing", "a", list);
        QVERIFY(list.isEmpty());
    }

    // --- Shell ------------------------------------------------------------------------------------

    void runShell_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected"); // the address the launcher gets ("{}" is the test folder); empty: none
        QTest::newRow("document") << "{}/help.htm"
                                  << "file://{}/help.htm";
        QTest::newRow("folder") << "{}/drive"
                                << "file://{}/drive";
        QTest::newRow("relative document") << "help.htm"
                                           << "file://{}/help.htm";
        QTest::newRow("document given as address") << "file://{}/help.htm"
                                                   << "file://{}/help.htm";
        QTest::newRow("web page") << "https://example.org/forum"
                                  << "https://example.org/forum";
        QTest::newRow("mail") << "mailto:support@example.org"
                              << "mailto:support@example.org";
        QTest::newRow("missing document") << "{}/Brevlin.log"
                                          << "";
        QTest::newRow("missing document given as address") << "file://{}/Brevlin.log"
                                                           << "";
        QTest::newRow("missing relative document") << "Brevlin.log"
                                                   << "";
        QTest::newRow("nothing") << ""
                                 << "";
    }

    void runShell()
    {
        QFETCH(QString, file);
        QFETCH(QString, expected);
        QVERIFY(WriteFile(m_root + "/help.htm"));
        QVERIFY(QDir().mkpath(m_root + "/drive"));
        QVERIFY(QDir::setCurrent(m_root));
        file.replace("{}", m_root);
        const QList<QUrl> opened
            = expected.isEmpty() ? QList<QUrl>() : QList<QUrl> { QUrl(expected.replace("{}", m_root)) };

        for (const auto open : { &RunShell, &ShellOpen }) {
            platform::RecordingLauncher launcher;
            QCOMPARE(open(launcher, file), !opened.isEmpty());
            QCOMPARE(launcher.Opened(), opened);
            // A launcher that refuses makes the call fail.
            launcher.SetAccept(false);
            QVERIFY(!open(launcher, file));
        }
    }

    void desktopLauncherWithoutAWindowSystem()
    {
        // This test runs without a QGuiApplication, like the headless tool: opening fails instead of crashing.
        QVERIFY(WriteFile(m_root + "/help.htm"));
        platform::DesktopLauncher launcher;
        QVERIFY(!RunShell(launcher, m_root + "/help.htm"));
    }

    // --- Text -------------------------------------------------------------------------------------

    void textFunctions_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        const auto row
            = [](const char* name, const char* function, const QString& a, const QString& b, int n,
                  const QString& expected) { QTest::newRow(name) << QString(function) << a << b << n << expected; };
        row("contains, any case", "TextContains", "UNKNOWN", "5.3.0 (unknown-lab)", 0, "true");
        row("contains not", "TextContains", "lab-x", "5.3.0 (unknown-lab)", 0, "false");
        row("starts with, any case", "TextStartsWith", "HTTPS://example.org", "https", 0, "true");
        row("starts with a longer prefix", "TextStartsWith", "ab", "abc", 0, "false");
        row("ends with, any case", "TextEndsWith", "photo.JPG", ".jpg", 0, "true");
        row("ends with not", "TextEndsWith", "photo.jpeg", ".jpg", 0, "false");
        row("starts with exactly", "StartsWithExact", "https://a", "https", 0, "true");
        row("starts with other case", "StartsWithExact", "Https://a", "https", 0, "false");
        row("strip prefix, any case", "StripPrefix", "HTTPS://host/path", "https", 0, "://host/path");
        row("strip absent prefix", "StripPrefix", "http://host", "https", 0, "http://host");
        row("strip suffix, any case", "StripSuffix", "BVN_0000040C.SPK", ".spk", 0, "BVN_0000040C");
        row("strip absent suffix", "StripSuffix", "notes.txt", ".spk", 0, "notes.txt");
        row("left part", "LeftPart", "abcdef", "", 3, "abc");
        row("left part below 0", "LeftPart", "abcdef", "", -1, "");
        row("left part past the end", "LeftPart", "abcdef", "", 10, "abcdef");
        row("right part", "RightPart", "abcdef", "", 2, "ef");
        row("right part below 0", "RightPart", "abcdef", "", -5, "");
        row("right part past the end", "RightPart", "abcdef", "", 99, "abcdef");
        row("fields of nothing", "FieldCount", "", ",", 0, "0");
        row("one field", "FieldCount", "a", ",", 0, "1");
        row("fields with an empty one", "FieldCount", "a,,b", ",", 0, "3");
        row("fields of two separators", "FieldCount", "a b;c", " ;", 0, "3");
        row("empty field between separators", "FieldAt", "a,,b", ",", 1, "");
        row("field after an empty one", "FieldAt", "a,,b", ",", 2, "b");
        row("field past the last", "FieldAt", "a,,b", ",", 3, "");
        row("field below 0", "FieldAt", "a,,b", ",", -1, "");
        row("field of two separators", "FieldAt", "a b;c", " ;", 2, "c");
        row("after first", "AfterFirst", "key=value=x", "=", 0, "value=x");
        row("after absent part", "AfterFirst", "novalue", "=", 0, "novalue");
        row("before first", "BeforeFirst", "key=value=x", "=", 0, "key");
        row("before absent part", "BeforeFirst", "novalue", "=", 0, "novalue");
        row("base name drops the last extension", "FileBaseName", "/a/b/photo.sheet.jpg", "", 0, "photo.sheet");
        row("base name without extension", "FileBaseName", "/a/b.c/README", "", 0, "README");
        row("base name without folder", "FileBaseName", "name.exe", "", 0, "name");
        row("url encode nothing", "UrlEncode", "", "", 0, "");
        row("url encode safe bytes", "UrlEncode", "AZaz09-._", "", 0, "AZaz09-._");
        row("url encode blanks", "UrlEncode", "Brevlin Quillmoor", "", 0, "Brevlin%20Quillmoor");
        row("url encode other bytes", "UrlEncode", "~+&=/%", "", 0, "%7E%2B%26%3D%2F%25");
        row("url encode UTF-8", "UrlEncode", QString::fromUtf8("Modèle"), "", 0, "Mod%C3%A8le");
        row("url encode control", "UrlEncode", QString("a\tb"), "", 0, "a%09b");
        row("strip one address", "StripTrailingUrls", "Quillmoor http://quillmoor.example", "", 0, "Quillmoor");
        row("strip two addresses", "StripTrailingUrls", "Quillmoor Soft https://a.example http://b.example", "", 0,
            "Quillmoor Soft");
        row("strip address in capitals", "StripTrailingUrls", "Maker HTTP://upper.example", "", 0, "Maker");
        row("strip after two blanks", "StripTrailingUrls", "Maker  http://x.example", "", 0, "Maker");
        row("strip after a tab", "StripTrailingUrls", "Maker\t https://x.example", "", 0, "Maker");
        row("keep a lone address", "StripTrailingUrls", "http://only.example", "", 0, "http://only.example");
        row("keep an address before a word", "StripTrailingUrls", "Maker http://x.example Ltd", "", 0,
            "Maker http://x.example Ltd");
        row("max, first larger", "MaxOf", "-4", "", 3, "3");
        row("max, second larger", "MaxOf", "-1", "", -2, "-1");
    }

    void textFunctions()
    {
        QFETCH(QString, function);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, n);
        QFETCH(QString, expected);
        const auto flag = [](bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); };
        QString result;
        if (function == "TextContains")
            result = flag(TextContains(a, b));
        else if (function == "TextStartsWith")
            result = flag(TextStartsWith(a, b));
        else if (function == "TextEndsWith")
            result = flag(TextEndsWith(a, b));
        else if (function == "StartsWithExact")
            result = flag(StartsWithExact(a, b));
        else if (function == "StripPrefix")
            result = StripPrefix(a, b);
        else if (function == "StripSuffix")
            result = StripSuffix(a, b);
        else if (function == "LeftPart")
            result = LeftPart(a, n);
        else if (function == "RightPart")
            result = RightPart(a, n);
        else if (function == "FieldCount")
            result = QString::number(FieldCount(a, b));
        else if (function == "FieldAt")
            result = FieldAt(a, n, b);
        else if (function == "AfterFirst")
            result = AfterFirst(a, b);
        else if (function == "BeforeFirst")
            result = BeforeFirst(a, b);
        else if (function == "FileBaseName")
            result = FileBaseName(a);
        else if (function == "UrlEncode")
            result = UrlEncode(a);
        else if (function == "StripTrailingUrls")
            result = StripTrailingUrls(a);
        else if (function == "MaxOf")
            result = QString::number(MaxOf(n, a.toInt()));
        else
            QFAIL("unknown function");
        QCOMPARE(result, expected);
    }

private:
    QList<std::optional<QByteArray>> m_savedEnvironment;
    QString m_savedDirectory;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;
};

QTEST_GUILESS_MAIN(TestShellFile)
#include "tst_shellfile.moc"
