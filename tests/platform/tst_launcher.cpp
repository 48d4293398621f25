// Tests of the launchers: the desktop launcher reaches QDesktopServices (caught here by URL handlers, so no
// browser ever opens), the recording launcher remembers what it was asked.
#include "platform/Launcher.h"

#include <QDesktopServices>
#include <QTest>

// Receives the addresses QDesktopServices hands to a registered handler.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> m_caught;

public slots:
    void Catch(const QUrl& url) { m_caught.append(url); }
};

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_catcher.m_caught.clear();
        for (const char* scheme : { "file", "https", "mailto" })
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_catcher, "Catch");
    }

    void cleanup()
    {
        for (const char* scheme : { "file", "https", "mailto" })
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    void desktopOpens_data()
    {
        QTest::addColumn<QUrl>("url");
        QTest::newRow("file") << QUrl::fromLocalFile(QStringLiteral("/tmp/Brevlin.jpg"));
        QTest::newRow("web page") << QUrl(QStringLiteral("https://example.org/bugs/changelog_page.php?project_id=6"));
        QTest::newRow("mail") << QUrl(QStringLiteral("mailto:support@example.org"));
    }

    void desktopOpens()
    {
        QFETCH(QUrl, url);
        platform::DesktopLauncher launcher;
        QVERIFY(launcher.Open(url));
        QCOMPARE(m_catcher.m_caught, QList<QUrl>({ url }));
    }

    void desktopRefusesInvalidAddresses()
    {
        platform::DesktopLauncher launcher;
        QVERIFY(!launcher.Open(QUrl()));
        QVERIFY(!launcher.Open(QUrl(QStringLiteral("http://exa mple.org"), QUrl::StrictMode)));
        QVERIFY(m_catcher.m_caught.isEmpty());
    }

    void recordingRemembersEveryRequest()
    {
        platform::RecordingLauncher launcher;
        const QUrl page(QStringLiteral("https://example.org/"));
        const QUrl file = QUrl::fromLocalFile(QStringLiteral("/tmp/help.htm"));
        QVERIFY(launcher.Open(page));
        launcher.SetAccept(false);
        QVERIFY(!launcher.Open(file));
        QCOMPARE(launcher.Opened(), QList<QUrl>({ page, file }));
        QVERIFY(m_catcher.m_caught.isEmpty());
    }

private:
    UrlCatcher m_catcher;
};

QTEST_MAIN(TestLauncher)
#include "tst_launcher.moc"
