// Tests of the run log: line format, order and limit, saving through a temporary file, and failures.
#include "support/U_Log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QDateTime kFixedTime(QDate(2024, 3, 5), QTime(14, 7, 9));

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The log file's folder with the log file itself left out: temporaries the save left behind show here.
QStringList FolderEntries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// A log with its clock pinned to `time`.
void PinClock(TLogFile& log, const QDateTime& time = kFixedTime)
{
    log.SetClock([time] { return time; });
}

// Makes a folder truly read-only while it lives: mode 0555 and, for root, the effective capability that
// overrides file permissions dropped on this thread (root would write into a 0555 folder otherwise).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path)
        : m_path(QFile::encodeName(path))
    {
        ::chmod(m_path.constData(), 0555);
        if (::geteuid() == 0 && Capabilities(false, m_saved))
            m_dropped = true;
    }
    ~ReadOnlyFolder()
    {
        if (m_dropped) {
            __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
            ::syscall(SYS_capset, &header, m_saved);
        }
        ::chmod(m_path.constData(), 0755);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    static bool Capabilities(bool keep, __user_cap_data_struct* saved)
    {
        __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
        if (::syscall(SYS_capget, &header, saved) != 0)
            return false;
        __user_cap_data_struct data[2] = { saved[0], saved[1] };
        if (!keep)
            data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        return ::syscall(SYS_capset, &header, data) == 0;
    }

    QByteArray m_path;
    __user_cap_data_struct m_saved[2] {};
    bool m_dropped = false;
};

// Limits the size of files this process writes, as a full disk would; a write past it fails with
// EFBIG instead of raising SIGXFSZ while the limit lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit { bytes, m_saved.rlim_max };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved {};
    void (*m_handler)(int) = nullptr;
};

// A log of `count` lines "line 0" (oldest) to "line count-1" (newest) at the fixed time.
void FillLog(TLogFile& log, int count)
{
    for (int i = 0; i < count; ++i)
        log.AddLine(QStringLiteral("line %1").arg(i), kLogInfo);
}

} // namespace

class TestLog : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void timeSeparator_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("separator");
        QTest::newRow("C") << "C"
                           << ":";
        QTest::newRow("German") << "de_DE"
                                << ":";
        QTest::newRow("Finnish uses a dot") << "fi_FI"
                                            << ".";
        QTest::newRow("Danish uses a dot") << "da_DK"
                                           << ".";
        QTest::newRow("American, hours before AM/PM") << "en_US"
                                                      << ":";
        QTest::newRow("Korean, AM/PM first") << "ko_KR"
                                             << ":";
        QTest::newRow("Canadian French spells it with a letter") << "fr_CA"
                                                                 << ":";
    }

    void timeSeparator()
    {
        QFETCH(QString, locale);
        QFETCH(QString, separator);
        QCOMPARE(LocaleTimeSeparator(QLocale(locale)), separator);
    }

    void addLine_data()
    {
        QTest::addColumn<bool>("verbose");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QDateTime>("time");
        QTest::addColumn<QString>("line");
        const QString none;
        QTest::newRow("info") << false << 1 << "C" << kFixedTime << "Info\t[24-03-05 14:07:09]\tPrinting : Done";
        QTest::newRow("error") << false << 2 << "C" << kFixedTime << "Error\t[24-03-05 14:07:09]\tPrinting : Done";
        QTest::newRow("level 7 is an error")
            << false << 7 << "C" << kFixedTime << "Error\t[24-03-05 14:07:09]\tPrinting : Done";
        QTest::newRow("verbose level, quiet log") << false << 0 << "C" << kFixedTime << none;
        QTest::newRow("negative level, quiet log") << false << -3 << "C" << kFixedTime << none;
        QTest::newRow("verbose level, verbose log")
            << true << 0 << "C" << kFixedTime << "Verbose\t[24-03-05 14:07:09]\tPrinting : Done";
        QTest::newRow("negative level, verbose log")
            << true << -1 << "C" << kFixedTime << "Verbose\t[24-03-05 14:07:09]\tPrinting : Done";
        QTest::newRow("leading zeros everywhere") << false << 1 << "C" << QDateTime(QDate(2009, 1, 2), QTime(3, 4, 5))
                                                  << "Info\t[09-01-02 03:04:05]\tPrinting : Done";
        QTest::newRow("year 2000, last second of the day")
            << false << 1 << "C" << QDateTime(QDate(2000, 12, 31), QTime(23, 59, 59))
            << "Info\t[00-12-31 23:59:59]\tPrinting : Done";
        QTest::newRow("Finnish time separator")
            << false << 1 << "fi_FI" << kFixedTime << "Info\t[24-03-05 14.07.09]\tPrinting : Done";
        QTest::newRow("American locale keeps the 24-hour clock")
            << false << 1 << "en_US" << QDateTime(QDate(2024, 3, 5), QTime(21, 7, 9))
            << "Info\t[24-03-05 21:07:09]\tPrinting : Done";
        QTest::newRow("Arabic locale keeps ASCII digits")
            << false << 1 << "ar_EG" << kFixedTime << "Info\t[24-03-05 14:07:09]\tPrinting : Done";
    }

    void addLine()
    {
        QFETCH(bool, verbose);
        QFETCH(int, level);
        QFETCH(QString, locale);
        QFETCH(QDateTime, time);
        QFETCH(QString, line);
        QTemporaryDir dir;
        QLocale::setDefault(QLocale(locale));
        TLogFile log(dir.filePath("Brevlin.log"), false, 10000, verbose);
        PinClock(log, time);
        log.AddLine(QStringLiteral("Printing : Done"), level);
        QCOMPARE(log.Lines(), line.isEmpty() ? QStringList() : QStringList { line });
        // A verbose log is on disk at once; a quiet one waits for its end.
        QCOMPARE(QFile::exists(log.FileName()), verbose && !line.isEmpty());
    }

    void newestFirstAndBounded_data()
    {
        QTest::addColumn<int>("maxLines");
        QTest::addColumn<int>("added");
        QTest::newRow("below the limit") << 5 << 4;
        QTest::newRow("at the limit") << 5 << 5;
        QTest::newRow("one over") << 5 << 6;
        QTest::newRow("many over") << 5 << 40;
        QTest::newRow("the program's limit, one over") << 10000 << 10001;
        QTest::newRow("a limit of 0 keeps nothing") << 0 << 3;
    }

    void newestFirstAndBounded()
    {
        QFETCH(int, maxLines);
        QFETCH(int, added);
        TLogFile log(QString(), false, maxLines, false);
        PinClock(log);
        FillLog(log, added);
        const int kept = std::min(maxLines, added);
        QCOMPARE(log.Lines().size(), kept);
        for (int i = 0; i < kept; ++i)
            QVERIFY2(
                log.Lines()[i].endsWith(QStringLiteral("\tline %1").arg(added - 1 - i)), qPrintable(log.Lines()[i]));
    }

    void loadExisting_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QByteArray("b\r\na\r\n") << QStringList { "b", "a" };
        QTest::newRow("LF, no break at the end") << QByteArray("b\na") << QStringList { "b", "a" };
        QTest::newRow("lone CR") << QByteArray("b\ra\r") << QStringList { "b", "a" };
        QTest::newRow("empty line inside") << QByteArray("b\r\n\r\na\r\n") << QStringList { "b", "", "a" };
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("UTF-8") << QByteArray("Info\tZo\xc3\xab\r\n") << QStringList { "Info\tZo\u00eb" };
    }

    void loadExisting()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, lines);
        QTemporaryDir dir;
        const QString path = dir.filePath("Brevlin.log");
        QVERIFY(WriteBytes(path, content));
        TLogFile log(path, true, 10000, false);
        QCOMPARE(log.Lines(), lines);
        // Without loading, the old lines are not taken over.
        QCOMPARE(TLogFile(path, false, 10000, false).Lines(), QStringList());
    }

    void loadedLogShrinksOneLineAtATime()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Brevlin.log");
        QVERIFY(WriteBytes(path, "e\r\nd\r\nc\r\nb\r\na\r\n"));
        TLogFile log(path, true, 3, false);
        PinClock(log);
        QCOMPARE(log.Lines().size(), 5);
        log.AddLine(QStringLiteral("new"), kLogInfo);
        QCOMPARE(log.Lines().size(), 5);
        QCOMPARE(log.Lines().first(), QString("Info\t[24-03-05 14:07:09]\tnew"));
        QCOMPARE(log.Lines().last(), QString("b"));
    }

    void loadFailure_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("a folder in its place") << "folder.log" << QByteArray();
        QTest::newRow("not UTF-8") << "Brevlin.log" << QByteArray("Info\t\xe9t\xe9\r\n");
    }

    void loadFailure()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (content.isEmpty())
            QVERIFY(QDir(dir.path()).mkdir(name));
        else
            QVERIFY(WriteBytes(path, content));
        QVERIFY_THROWS_EXCEPTION(LogFileError, TLogFile(path, true, 10000, false));
        // The failed log never saved over what was there.
        if (!content.isEmpty())
            QCOMPARE(ReadBytes(path), content);
    }

    void fileFormat()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Brevlin.log");
        QVERIFY(WriteBytes(path, "an older, longer log that must not survive in any part\r\n"));
        {
            TLogFile log(path, false, 10000, false);
            PinClock(log);
            log.AddLine(QStringLiteral("Starting"), kLogInfo);
            log.AddLine(QStringLiteral("Picture : Zo\u00eb.jpg"), kLogInfo);
            log.AddLine(QStringLiteral("first\nsecond"), kLogError);
            // A quiet log leaves the previous run's file alone until it ends.
            QCOMPARE(ReadBytes(path), QByteArray("an older, longer log that must not survive in any part\r\n"));
        }
        QCOMPARE(ReadBytes(path),
            QByteArray("Error\t[24-03-05 14:07:09]\tfirst\nsecond\r\n"
                       "Info\t[24-03-05 14:07:09]\tPicture : Zo\xc3\xab.jpg\r\n"
                       "Info\t[24-03-05 14:07:09]\tStarting\r\n"));
        QCOMPARE(FolderEntries(dir.path()), QStringList { "Brevlin.log" });
    }

    void savesReplaceNeverAppend()
    {
        QTemporaryDir dir;
        TLogFile log(dir.filePath("Brevlin.log"), false, 10000, false);
        PinClock(log);
        FillLog(log, 3);
        log.Save();
        const QByteArray first = ReadBytes(log.FileName());
        log.Save();
        QCOMPARE(ReadBytes(log.FileName()), first);
        QCOMPARE(first.count("\r\n"), 3);
        QVERIFY(first.startsWith("Info\t[24-03-05 14:07:09]\tline 2\r\n"));
    }

    void verboseLogSavesEveryLine()
    {
        QTemporaryDir dir;
        TLogFile log(dir.filePath("Brevlin.log"), false, 10000, true);
        PinClock(log);
        log.AddLine(QStringLiteral("Update : checking"), kLogVerbose);
        QCOMPARE(ReadBytes(log.FileName()), QByteArray("Verbose\t[24-03-05 14:07:09]\tUpdate : checking\r\n"));
        log.AddLine(QStringLiteral("Update : none"), kLogInfo);
        QVERIFY(ReadBytes(log.FileName()).startsWith("Info\t[24-03-05 14:07:09]\tUpdate : none\r\nVerbose"));
    }

    void saveWithoutFolderWritesNothing_data()
    {
        QTest::addColumn<QString>("relativeName");
        QTest::newRow("missing folder") << "gone/Brevlin.log";
        QTest::newRow("missing folder, two levels") << "gone/deeper/Brevlin.log";
        QTest::newRow("no folder part") << "Brevlin.log";
    }

    void saveWithoutFolderWritesNothing()
    {
        QFETCH(QString, relativeName);
        QTemporaryDir dir;
        // A name without a folder must not land in the working folder either.
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        {
            const QString name = relativeName.contains(u'/') ? dir.filePath(relativeName) : relativeName;
            TLogFile log(name, false, 10000, true);
            log.AddLine(QStringLiteral("Starting"), kLogInfo);
            log.Save();
            QCOMPARE(log.Lines().size(), 1);
        }
        QDir::setCurrent(previous);
        QCOMPARE(FolderEntries(dir.path()), QStringList());
    }

    void readOnlyFolderKeepsEverything()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("data");
        QVERIFY(QDir(dir.path()).mkdir("data"));
        const QString path = folder + "/Brevlin.log";
        QVERIFY(WriteBytes(path, "previous run\r\n"));
        TLogFile log(path, false, 10000, false);
        PinClock(log);
        log.AddLine(QStringLiteral("Starting"), kLogInfo);
        {
            ReadOnlyFolder readOnly(folder);
            QVERIFY2(!QFile(folder + "/probe").open(QIODevice::WriteOnly), "the folder is still writable");
            log.Save();
            log.AddLine(QStringLiteral("Printing"), kLogInfo);
            log.Save();
        }
        QCOMPARE(ReadBytes(path), QByteArray("previous run\r\n"));
        QCOMPARE(FolderEntries(folder), QStringList { "Brevlin.log" });
        QCOMPARE(log.Lines().size(), 2);
        // The lines waited in memory; the next save that can write writes them all.
        log.Save();
        QCOMPARE(ReadBytes(path).count("\r\n"), 2);
    }

    void fullDiskKeepsPreviousLog()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Brevlin.log");
        QVERIFY(WriteBytes(path, "previous run\r\n"));
        TLogFile log(path, false, 10000, false);
        PinClock(log);
        FillLog(log, 2000);
        {
            FileSizeLimit limit(4096);
            log.Save();
        }
        QCOMPARE(ReadBytes(path), QByteArray("previous run\r\n"));
        QCOMPARE(FolderEntries(dir.path()), QStringList { "Brevlin.log" });
        log.Save();
        QCOMPARE(ReadBytes(path).count("\r\n"), 2000);
    }

    void crashWhileSavingLeavesPreviousLog()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Brevlin.log");
        QVERIFY(WriteBytes(path, "previous run\r\n"));
        TLogFile log(path, false, 10000, false);
        PinClock(log);
        FillLog(log, 2000);
        // The child is killed by the kernel in the middle of writing the log, as a crash would stop it.
        const pid_t child = ::fork();
        if (child == 0) {
            rlimit noCore { 0, 0 };
            ::setrlimit(RLIMIT_CORE, &noCore);
            std::signal(SIGXFSZ, SIG_DFL);
            rlimit small { 4096, 4096 };
            ::setrlimit(RLIMIT_FSIZE, &small);
            log.Save();
            ::_exit(0);
        }
        QVERIFY(child > 0);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ, "the save was not interrupted");
        QCOMPARE(ReadBytes(path), QByteArray("previous run\r\n"));
    }

    void loggingWithoutALog()
    {
        AddLogLine(nullptr, QStringLiteral("Starting"), kLogError);
        TLogFile log(QString(), false, 10000, false);
        AddLogLine(&log, QStringLiteral("Starting"), kLogInfo);
        QCOMPARE(log.Lines().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
