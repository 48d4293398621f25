// Tests of the INI file: reading the private-profile format, updating in place, hostile files, read-only targets.
#include "support/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file with every kind of line the program must leave alone.
const QByteArray kFixture = "; written by hand\n"
                            "stray=before any section\n"
                            "[Settings]\n"
                            "PicFormatIdx=19\n"
                            "# a comment\n"
                            "not an entry\n"
                            "\n"
                            "[Other]\n"
                            "keep = me \n"
                            "\n";

}  // namespace

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;
    QString m_path;

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_path = m_dir->filePath(QStringLiteral("settings.ini"));
    }

    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void readsTheFormat_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray simple = "[Settings]\nPicFormatIdx=19\n";
        QTest::newRow("plain") << simple << "Settings" << "PicFormatIdx" << "19";
        QTest::newRow("names in any case") << simple << "SETTINGS" << "picformatidx" << "19";
        QTest::newRow("blanks around everything") << QByteArray(" [ Settings ] \n\t Key \t=  a b  \n") << "Settings"
                                                  << "Key" << "a b";
        QTest::newRow("double quotes removed") << QByteArray("[S]\nk=\" padded \"\n") << "S" << "k" << " padded ";
        QTest::newRow("single quotes removed") << QByteArray("[S]\nk='x'\n") << "S" << "k" << "x";
        QTest::newRow("unpaired quote kept") << QByteArray("[S]\nk=\"x'\n") << "S" << "k" << "\"x'";
        QTest::newRow("equals sign in value") << QByteArray("[S]\nk=a=b\n") << "S" << "k" << "a=b";
        QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << "S" << "k" << "";
        QTest::newRow("CR LF lines") << QByteArray("[S]\r\nk=v\r\nj=w\r\n") << "S" << "j" << "w";
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[S]\nk=v\n") << "S" << "k" << "v";
        QTest::newRow("UTF-8") << QByteArray("[S]\nname=Zoë\n") << "S" << "NAME" << "Zoë";
        QTest::newRow("no final line feed") << QByteArray("[S]\nk=v") << "S" << "k" << "v";
        QTest::newRow("first section counts") << QByteArray("[S]\na=1\n[s]\na=2\nb=3\n") << "S" << "a" << "1";
        QTest::newRow("later twin section unread") << QByteArray("[S]\na=1\n[s]\nb=3\n") << "S" << "b" << "(none)";
        QTest::newRow("first key counts") << QByteArray("[S]\nk=1\nK=2\n") << "S" << "k" << "1";
        QTest::newRow("commented entry") << QByteArray("[S]\n;k=1\n#k=2\n") << "S" << "k" << "(none)";
        QTest::newRow("before any section") << QByteArray("k=1\n[S]\n") << "S" << "k" << "(none)";
        QTest::newRow("other section") << QByteArray("[A]\nk=1\n[S]\n") << "S" << "k" << "(none)";
        QTest::newRow("missing section") << simple << "Nope" << "PicFormatIdx" << "(none)";
    }

    void readsTheFormat()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QVERIFY(WriteAll(m_path, contents));
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        QCOMPARE(ini.ReadString(section, key, QStringLiteral("(none)")), expected);
    }

    void sectionEntries()
    {
        QVERIFY(
            WriteAll(m_path, "[Settings]\nb=2\n;c=0\na=1\nB=9\nnoise\n[Settings_DWORD]\nlangue=3\n[settings]\nz=1\n"));
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        const TIniFile::Entries expected { { "b", "2" }, { "a", "1" } };
        QCOMPARE(ini.SectionEntries(QStringLiteral("SETTINGS")), expected);
        QVERIFY(ini.SectionEntries(QStringLiteral("Missing")).isEmpty());
        QVERIFY(ini.SectionExists(QStringLiteral("settings_dword")));
    }

    void readInteger_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("positive") << "42" << 42;
        QTest::newRow("negative") << "-7" << -7;
        QTest::newRow("plus sign") << "+5" << 5;
        QTest::newRow("blanks") << "  12  " << 12;
        QTest::newRow("lowest") << "-2147483648" << -2147483647 - 1;
        QTest::newRow("too large") << "2147483648" << -99;
        QTest::newRow("words") << "abc" << -99;
        QTest::newRow("trailing junk") << "12abc" << -99;
        QTest::newRow("hexadecimal") << "0x10" << -99;
        QTest::newRow("empty") << "" << -99;
    }

    void readInteger()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QVERIFY(WriteAll(m_path, "[S]\nn=" + text.toUtf8() + "\n"));
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        QCOMPARE(ini.ReadInteger(QStringLiteral("S"), QStringLiteral("n"), -99), expected);
    }

    void updatesInPlace()
    {
        // A changed entry keeps its line, a new one joins its section before the blank lines, a new section
        // goes at the end; every other byte stays.
        QVERIFY(WriteAll(m_path, kFixture));
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        QVERIFY(ini.WriteString(QStringLiteral("settings"), QStringLiteral("picformatidx"), QStringLiteral("4")));
        QVERIFY(ini.WriteString(QStringLiteral("Settings"), QStringLiteral("DebugMode"), QStringLiteral("1")));
        QVERIFY(ini.WriteInteger(QStringLiteral("Settings_DWORD"), QStringLiteral("langue"), -3));
        QVERIFY(ini.Save());
        QCOMPARE(ReadAll(m_path),
            QByteArray("; written by hand\n"
                       "stray=before any section\n"
                       "[Settings]\n"
                       "picformatidx=4\n"
                       "# a comment\n"
                       "not an entry\n"
                       "DebugMode=1\n"
                       "\n"
                       "[Other]\n"
                       "keep = me \n"
                       "\n"
                       "[Settings_DWORD]\n"
                       "langue=-3\n"));
    }

    void newFileAndLineEnds_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("no file") << QByteArray() << QByteArray("[S]\nk=v\n");
        QTest::newRow("empty file") << QByteArray("") << QByteArray("[S]\nk=v\n");
        QTest::newRow("CR LF file") << QByteArray("[A]\r\nx=1\r\n") << QByteArray("[A]\r\nx=1\r\n\r\n[S]\r\nk=v\r\n");
        QTest::newRow("no final line feed") << QByteArray("[S]\nx=1") << QByteArray("[S]\nx=1\nk=v\n");
        QTest::newRow("byte-order mark kept")
            << QByteArray("\xEF\xBB\xBF[S]\nk=old\n") << QByteArray("\xEF\xBB\xBF[S]\nk=v\n");
    }

    void newFileAndLineEnds()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        if (!before.isNull())
            QVERIFY(WriteAll(m_path, before));
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
        QVERIFY(ini.Save());
        QCOMPARE(ReadAll(m_path), after);
    }

    void valuesSurviveTheRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << "C:\\Program Files\\Brevlin\\brevlin.exe";
        QTest::newRow("blanks at the ends") << "  padded\t";
        QTest::newRow("own double quotes") << "\"quoted\"";
        QTest::newRow("own single quotes") << "'quoted'";
        QTest::newRow("one quote") << "\"";
        QTest::newRow("equals and brackets") << "a=b [c] ;d";
        QTest::newRow("beyond ASCII") << "Größe ✓";
        QTest::newRow("empty") << "";
    }

    void valuesSurviveTheRoundTrip()
    {
        QFETCH(QString, value);
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), value));
        QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("after"), QStringLiteral("x")));
        QVERIFY(ini.Save());
        TIniFile again(m_path);
        QVERIFY(again.Load());
        QCOMPARE(again.ReadString(QStringLiteral("S"), QStringLiteral("k")), value);
        QCOMPARE(again.ReadString(QStringLiteral("S"), QStringLiteral("after")), QStringLiteral("x"));
    }

    void refusesWhatIsNotOneLine_data()
    {
        // Each of these would change other entries or sections if it were written as it is.
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("line feed in value") << "Settings" << "k" << "x\n[Evil]\nk=1";
        QTest::newRow("carriage return in value") << "Settings" << "k" << "x\ry";
        QTest::newRow("NUL in value") << "Settings" << "k" << QString(QChar(0));
        QTest::newRow("equals in key") << "Settings" << "a=b" << "v";
        QTest::newRow("key reads as section") << "Settings" << "[k" << "v";
        QTest::newRow("key reads as comment") << "Settings" << ";k" << "v";
        QTest::newRow("key with blanks at the ends") << "Settings" << " k" << "v";
        QTest::newRow("line feed in key") << "Settings" << "k\nj" << "v";
        QTest::newRow("empty key") << "Settings" << "" << "v";
        QTest::newRow("bracket in section") << "Set]tings" << "k" << "v";
        QTest::newRow("empty section") << "" << "k" << "v";
    }

    void refusesWhatIsNotOneLine()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QVERIFY(WriteAll(m_path, kFixture));
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        QVERIFY(!ini.WriteString(section, key, value));
        QVERIFY(!ini.ErrorText().isEmpty());
        QVERIFY(ini.Save());
        QCOMPARE(ReadAll(m_path), kFixture);
    }

    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("prefix");
        QByteArray junk;
        for (int i = 0; i < 65536; ++i)
            junk += char((i * 7919 + i / 13) % 256);
        QTest::newRow("binary junk") << junk;
        QTest::newRow("huge line") << QByteArray(3 << 20, 'k') + "=" + QByteArray(1000, 'v');
        QTest::newRow("huge value") << "[Settings]\nbig=" + QByteArray(3 << 20, 'v');
        QByteArray twins;
        for (int i = 0; i < 20000; ++i)
            twins += "[settings]\nPicFormatIdx=" + QByteArray::number(i) + "\n";
        QTest::newRow("thousands of twin sections") << twins;
        static const char odd[] = "[\n]\n[]\n=\n==\n=x\n[Settings\n\0=\0\n\r\r\r\n";
        QTest::newRow("odd lines") << QByteArray(odd, sizeof(odd) - 1);
    }

    void hostileFiles()
    {
        // Whatever comes first, the program's own entry is found after it, and rewriting it leaves every
        // byte before it as it was.
        QFETCH(QByteArray, prefix);
        const QByteArray contents = prefix + "\n[Brevlin]\nPicFormatIdx=5\n";
        QVERIFY(WriteAll(m_path, contents));
        TIniFile ini(m_path);
        QVERIFY2(ini.Load(), qPrintable(ini.ErrorText()));
        QCOMPARE(ini.ReadInteger(QStringLiteral("Brevlin"), QStringLiteral("PicFormatIdx")), 5);
        QVERIFY(ini.WriteInteger(QStringLiteral("Brevlin"), QStringLiteral("PicFormatIdx"), 6));
        QVERIFY(ini.Save());
        QCOMPARE(ReadAll(m_path), prefix + "\n[Brevlin]\nPicFormatIdx=6\n");
    }

    void overLargeFileIsRefused()
    {
        const QByteArray contents = "[S]\nk=" + QByteArray(TIniFile::kMaxFileBytes, 'v') + "\n";
        QVERIFY(WriteAll(m_path, contents));
        TIniFile ini(m_path);
        QVERIFY(!ini.Load());
        QVERIFY2(ini.ErrorText().contains(QStringLiteral("too large")), qPrintable(ini.ErrorText()));
        QCOMPARE(ini.ReadString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("(none)")),
            QStringLiteral("(none)"));
    }

    void unreadableTargets_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a pipe") << "pipe";
    }

    void unreadableTargets()
    {
        QFETCH(QString, kind);
        if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(m_path));
        else
            QCOMPARE(mkfifo(QFile::encodeName(m_path).constData(), 0600), 0);
        TIniFile ini(m_path);
        QVERIFY(!ini.Load());
        QVERIFY2(ini.ErrorText().contains(m_path), qPrintable(ini.ErrorText()));
        QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
        QVERIFY(!ini.Save());
    }

    void readOnlyTargets_data()
    {
        // We run as root, whom permission bits do not stop. These are the ways a write fails here:
        //  - the file or its folder has no write permission at all (TIniFile honours the bits itself);
        //  - the folder is really a regular file, so nothing can be made in it;
        //  - a file-size limit makes the write fail part-way, as a full medium does.
        QTest::addColumn<QString>("technique");
        QTest::newRow("file without write permission") << "file mode";
        QTest::newRow("folder without write permission") << "folder mode";
        QTest::newRow("folder is a file") << "parent file";
        QTest::newRow("medium full") << "size limit";
    }

    void readOnlyTargets()
    {
        QFETCH(QString, technique);
        QString path = m_path;
        const QByteArray before = kFixture + "[Big]\nvalue=" + QByteArray(100000, 'b') + "\n";
        if (technique == QLatin1String("parent file")) {
            QVERIFY(WriteAll(m_dir->filePath(QStringLiteral("folder")), "a file"));
            path = m_dir->filePath(QStringLiteral("folder/settings.ini"));
        } else {
            QVERIFY(WriteAll(path, before));
        }
        TIniFile ini(path);
        QVERIFY(ini.Load());
        QVERIFY(ini.WriteString(QStringLiteral("Settings"), QStringLiteral("PicFormatIdx"), QStringLiteral("3")));
        bool saved = false;
        if (technique == QLatin1String("file mode")) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            saved = ini.Save();
        } else if (technique == QLatin1String("folder mode")) {
            QCOMPARE(chmod(QFile::encodeName(m_dir->path()).constData(), 0555), 0);
            saved = ini.Save();
            chmod(QFile::encodeName(m_dir->path()).constData(), 0700);
        } else if (technique == QLatin1String("size limit")) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit saved_limit {};
            getrlimit(RLIMIT_FSIZE, &saved_limit);
            rlimit small = saved_limit;
            small.rlim_cur = 64 * 1024;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            saved = ini.Save();
            setrlimit(RLIMIT_FSIZE, &saved_limit);
        } else {
            saved = ini.Save();
        }
        QVERIFY(!saved);
        QVERIFY2(ini.ErrorText().contains(path), qPrintable(ini.ErrorText()));
        if (technique != QLatin1String("parent file")) {
            QCOMPARE(ReadAll(path), before);
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList { "settings.ini" });
        }
    }

    void saveKeepsPermissions()
    {
        QVERIFY(WriteAll(m_path, kFixture));
        const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
        QVERIFY(QFile::setPermissions(m_path, mode));
        TIniFile ini(m_path);
        QVERIFY(ini.Load());
        QVERIFY(ini.WriteString(QStringLiteral("S"), QStringLiteral("k"), QStringLiteral("v")));
        QVERIFY(ini.Save());
        QCOMPARE(QFile::permissions(m_path) & ~(QFile::ReadUser | QFile::WriteUser), mode);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
