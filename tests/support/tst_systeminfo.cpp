// Tests of the system facts: Windows version names by their tables, the Linux name from os-release
// fixtures, 32-bit on 64-bit, administrator rights and the untranslated Yes/No.
#include "support/U_SystemInfo.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

class TestSystemInfo : public QObject {
    Q_OBJECT

private slots:
    void ntVersionName_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("build");
        QTest::addColumn<QString>("expected");
        QTest::newRow("2000") << true << 5 << 0 << 2195 << "5.0 (Windows 2000)";
        QTest::newRow("XP") << true << 5 << 1 << 2600 << "5.1 (Windows XP)";
        QTest::newRow("2003") << true << 5 << 2 << 3790 << "5.2 (Windows 2003)";
        QTest::newRow("Vista") << true << 6 << 0 << 6002 << "6.0 (Vista)";
        QTest::newRow("Seven") << true << 6 << 1 << 7601 << "6.1 (Seven)";
        QTest::newRow("8") << true << 6 << 2 << 9200 << "6.2 (Windows8)";
        QTest::newRow("8.1") << true << 6 << 3 << 9600 << "6.3 (Windows8.1)";
        QTest::newRow("10") << true << 10 << 0 << 19045 << "10.0.19045 (Windows10)";
        QTest::newRow("10, last build") << true << 10 << 0 << 19999 << "10.0.19999 (Windows10)";
        QTest::newRow("11, first build") << true << 10 << 0 << 20000 << "11.0.20000 (Windows11)";
        QTest::newRow("11") << true << 10 << 0 << 22631 << "11.0.22631 (Windows11)";
        QTest::newRow("10 without build number") << true << 10 << 0 << 0 << "10.0.0 (Windows10)";
        QTest::newRow("unnamed 6.4") << true << 6 << 4 << 9841 << "6.4";
        QTest::newRow("unnamed 7.0") << true << 7 << 0 << 1 << "7.0";
        QTest::newRow("unnamed 10.1") << true << 10 << 1 << 22000 << "10.1";
        QTest::newRow("query failed") << false << 0 << 0 << 19045 << "Unknown";
    }

    void ntVersionName()
    {
        QFETCH(bool, known);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, build);
        QFETCH(QString, expected);
        const std::optional<WindowsVersion> version
            = known ? std::optional(WindowsVersion { major, minor }) : std::nullopt;
        QCOMPARE(NtVersionName(version, build), expected);
        QCOMPARE(IsOlderThanVista(version), !known || major < 6);
    }

    void win9xVersionName_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("servicePack");
        QTest::addColumn<QString>("expected");
        QTest::newRow("95") << 4 << 0 << ""
                            << "4.0 (95)";
        QTest::newRow("98") << 4 << 10 << ""
                            << "4.10 (98)";
        QTest::newRow("98 SE") << 4 << 10 << " A "
                               << "4.10 (98SE)";
        QTest::newRow("98, A first") << 4 << 10 << "A"
                                     << "4.10 (98)";
        QTest::newRow("98, other letter") << 4 << 10 << " B"
                                          << "4.10 (98)";
        QTest::newRow("ME") << 4 << 90 << ""
                            << "4.90 (ME)";
        QTest::newRow("other") << 4 << 20 << ""
                               << "4.20 (Unknown)";
    }

    void win9xVersionName()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, servicePack);
        QFETCH(QString, expected);
        QCOMPARE(Win9xVersionName(WindowsVersion { major, minor }, servicePack), expected);
    }

    void linuxName_data()
    {
        QTest::addColumn<QByteArray>("osRelease"); // empty: no file at all
        QTest::addColumn<QString>("kernel");
        QTest::addColumn<QString>("expected");
        const QString kernel = "6.1.0-18-amd64";
        QTest::newRow("Debian") << QByteArray(
            "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n")
                                << kernel << "Debian GNU/Linux 12 (bookworm) (6.1.0-18-amd64)";
        QTest::newRow("single quotes") << QByteArray("NAME=Fedora\nPRETTY_NAME='Fedora Linux 39'\n") << kernel
                                       << "Fedora Linux 39 (6.1.0-18-amd64)";
        QTest::newRow("bare value, CRLF") << QByteArray("PRETTY_NAME=Arch\r\n") << kernel << "Arch (6.1.0-18-amd64)";
        QTest::newRow("escapes") << QByteArray("PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \\$x\"\n") << kernel
                                 << "Say \"hi\" \\ $x (6.1.0-18-amd64)";
        QTest::newRow("comments and blanks") << QByteArray("# os-release\n\n   PRETTY_NAME=\"Alpine Linux v3.19\"\n")
                                             << kernel << "Alpine Linux v3.19 (6.1.0-18-amd64)";
        QTest::newRow("control characters")
            << QByteArray("PRETTY_NAME=\"Evil\x1b[2J\tOS\"\n") << kernel << "Evil[2JOS (6.1.0-18-amd64)";
        QTest::newRow("no pretty name") << QByteArray("NAME=\"Foo\"\nID=foo\n") << kernel << "Linux (6.1.0-18-amd64)";
        QTest::newRow("empty pretty name") << QByteArray("PRETTY_NAME=\"\"\n") << kernel << "Linux (6.1.0-18-amd64)";
        static const char garbage[] = "\177ELF\x02\x01\x01\0\0\xff\xfe PRETTY_NAME";
        QTest::newRow("binary garbage") << QByteArray(garbage, sizeof garbage - 1) << kernel
                                        << "Linux (6.1.0-18-amd64)";
        QTest::newRow("no file") << QByteArray() << kernel << "Linux (6.1.0-18-amd64)";
        QTest::newRow("no kernel release") << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n") << ""
                                           << "Debian GNU/Linux 12 (bookworm)";
    }

    void linuxName()
    {
        QFETCH(QByteArray, osRelease);
        QFETCH(QString, kernel);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("os-release");
        if (!osRelease.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(osRelease), osRelease.size());
        }
        QCOMPARE(LinuxName(path, kernel), expected);
    }

    void thisSystem()
    {
        QFile osrelease("/proc/sys/kernel/osrelease");
        QVERIFY(osrelease.open(QIODevice::ReadOnly));
        const QString kernel = QString::fromUtf8(osrelease.readAll()).trimmed();
        QCOMPARE(KernelRelease(), kernel);
        const QString line = SystemNameLine();
        QVERIFY2(line.startsWith("Linux : ") && line.endsWith(" (" + kernel + ")"), qPrintable(line));
        QVERIFY(line.size() > QString("Linux :  ()").size() + kernel.size());
    }

    void isWow64_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QString>("machine");
        QTest::addColumn<bool>("expected");
        QTest::newRow("64-bit build on x86_64") << 64 << "x86_64" << false;
        QTest::newRow("32-bit build on x86_64") << 32 << "x86_64" << true;
        QTest::newRow("32-bit build on aarch64") << 32 << "aarch64" << true;
        QTest::newRow("32-bit build on ppc64le") << 32 << "ppc64le" << true;
        QTest::newRow("32-bit build on s390x") << 32 << "s390x" << true;
        QTest::newRow("32-bit build on i686") << 32 << "i686" << false;
        QTest::newRow("32-bit build on armv7l") << 32 << "armv7l" << false;
        QTest::newRow("64-bit build on aarch64") << 64 << "aarch64" << false;
    }

    void isWow64()
    {
        QFETCH(int, bits);
        QFETCH(QString, machine);
        QFETCH(bool, expected);
        QCOMPARE(IsWow64(bits, machine), expected);
    }

    void isWow64OfThisBuild()
    {
        if (sizeof(void*) == 8)
            QVERIFY(!IsWow64());
        else
            QSKIP("a 32-bit build: the answer depends on the kernel");
    }

    void isAdministrator()
    {
        if (::geteuid() != 0) {
            QVERIFY(!IsAdministrator());
            return;
        }
        QVERIFY(IsAdministrator());
        // Root may take another effective user for a while and come back.
        QCOMPARE(::seteuid(65534), 0);
        const bool asNobody = IsAdministrator();
        QCOMPARE(::seteuid(0), 0);
        QVERIFY(!asNobody);
        QVERIFY(IsAdministrator());
    }

    void yesNo()
    {
        QCOMPARE(YesNo(true), QStringLiteral("Yes"));
        QCOMPARE(YesNo(false), QStringLiteral("No"));
    }
};

QTEST_GUILESS_MAIN(TestSystemInfo)
#include "tst_systeminfo.moc"
