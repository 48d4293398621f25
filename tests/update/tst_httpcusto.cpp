// Tests of the HTTP client profile: TLS detection, the "https" downgrade, and the request on the wire.
#include "update/U_HTTP_Custo.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

// A system whose TLS support is what the test says.
class FakeTls : public TlsSupport {
public:
    FakeTls(bool available, QString version)
        : m_available(available)
        , m_version(std::move(version))
    {
    }
    bool Available() const override { return m_available; }
    QString LibraryVersion() const override { return m_version; }

private:
    bool m_available;
    QString m_version;
};

const QString kOpenSsl = QStringLiteral("OpenSSL 3.0.19 27 Jan 2026");

} // namespace

class TestHttpCusto : public QObject {
    Q_OBJECT

private slots:
    void checkURLScheme_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("tls");
        QTest::addColumn<QString>("expected");
        const QString check = QStringLiteral("://www.example.org/ostrel/check.php?uid=0&VH=65536&VL=1");
        QTest::newRow("https without TLS") << "https" + check << false << "http" + check;
        QTest::newRow("HTTPS without TLS") << "HTTPS://Example.ORG/Path" << false << "http://Example.ORG/Path";
        QTest::newRow("mixed case without TLS") << "HtTpS://a.b/" << false << "http://a.b/";
        QTest::newRow("https with TLS") << "https" + check << true << "https" + check;
        QTest::newRow("HTTPS with TLS") << "HTTPS://a.b/" << true << "HTTPS://a.b/";
        QTest::newRow("http without TLS") << "http" + check << false << "http" + check;
        QTest::newRow("ftp without TLS") << "ftp://a.b/" << false << "ftp://a.b/";
        QTest::newRow("a scheme that only begins with https") << "httpsx://a.b/" << false << "httpsx://a.b/";
        QTest::newRow("empty") << "" << false << "";
    }

    void checkURLScheme()
    {
        QFETCH(QString, url);
        QFETCH(bool, tls);
        QFETCH(QString, expected);
        QCOMPARE(CheckURLScheme(url, FakeTls(tls, kOpenSsl)), expected);
    }

    void sslVersionText_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("expected");
        QTest::newRow("working library") << true << kOpenSsl << kOpenSsl;
        QTest::newRow("no library") << false << ""
                                    << "Not Available";
        QTest::newRow("a library that cannot be used") << false << kOpenSsl << "Not Available";
        QTest::newRow("a library without a description") << true << ""
                                                         << "Not Available";
    }

    void sslVersionText()
    {
        QFETCH(bool, available);
        QFETCH(QString, version);
        QFETCH(QString, expected);
        const FakeTls tls(available, version);
        QCOMPARE(IsSSLAvailable(tls), available);
        QCOMPARE(GetSSLVersionText(tls), expected);
    }

    // Debian's Qt Network brings its OpenSSL 3 backend: this system has TLS, and says which.
    void thisSystemHasTls()
    {
        QVERIFY(IsSSLAvailable());
        QVERIFY2(GetSSLVersionText().startsWith(QLatin1String("OpenSSL 3")), qPrintable(GetSSLVersionText()));
        QCOMPARE(CheckURLScheme(QStringLiteral("https://a.b/")), QString("https://a.b/"));
    }

    void profile()
    {
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1/ostrel/check.php?uid=0")));
        QNetworkRequest& same = SetupHttpClient(request);
        QCOMPARE(&same, &request);
        QCOMPARE(request.url(), QUrl("http://127.0.0.1/ostrel/check.php?uid=0"));
        QCOMPARE(request.rawHeaderList(), QList<QByteArray>({ "User-Agent", "Accept", "Accept-Language" }));
        QCOMPARE(request.rawHeader("User-Agent"), QByteArray("Mozilla/5.0"));
        QCOMPARE(request.rawHeader("Accept"),
            QByteArray("text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8"));
        QCOMPARE(request.rawHeader("Accept-Language"), QByteArray("fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3"));
        QCOMPARE(request.attribute(QNetworkRequest::Http2AllowedAttribute).toBool(), false);
        QCOMPARE(request.transferTimeout(), 3000);
    }

    // The profile as a server receives it, and a server that never answers: the request gives up.
    void requestOnTheWire()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QByteArray received;
        std::unique_ptr<QTcpSocket> connection;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            connection.reset(server.nextPendingConnection());
            connect(connection.get(), &QTcpSocket::readyRead, this, [&] { received += connection->readAll(); });
        });

        QNetworkAccessManager manager;
        manager.setProxy(QNetworkProxy::NoProxy);
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1/ostrel/check.php?uid=0").arg(server.serverPort())));
        std::unique_ptr<QNetworkReply> reply(manager.get(SetupHttpClient(request)));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);

        QTRY_VERIFY(received.contains("\r\n\r\n"));
        const QList<QByteArray> lines = received.left(received.indexOf("\r\n\r\n")).split('\n');
        QCOMPARE(lines.first(), QByteArray("GET /ostrel/check.php?uid=0 HTTP/1.1\r"));
        QVERIFY(lines.contains("User-Agent: Mozilla/5.0\r"));
        QVERIFY(lines.contains("Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8\r"));
        QVERIFY(lines.contains("Accept-Language: fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3\r"));
        QVERIFY(!received.contains("Cookie"));

        // Nothing comes back: the time-out ends the request with an error instead of leaving it open.
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
        QVERIFY(reply->error() != QNetworkReply::NoError);
        QVERIFY(reply->readAll().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHttpCusto)
#include "tst_httpcusto.moc"
