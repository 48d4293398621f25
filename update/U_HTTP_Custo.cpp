// The HTTP client profile of the update check: whether TLS works, its library's name, the downgrade of
// "https" addresses when it does not, and the request profile of a desktop web browser.
#include "update/U_HTTP_Custo.h"

#include <QtNetwork/qtnetworkglobal.h>
#if QT_CONFIG(ssl)
#include <QSslSocket>
#endif

bool QtTlsSupport::Available() const
{
#if QT_CONFIG(ssl)
    // Loads the TLS backend and its library on first use; Qt keeps the outcome for the run.
    return QSslSocket::supportsSsl();
#else
    return false;
#endif
}

QString QtTlsSupport::LibraryVersion() const
{
#if QT_CONFIG(ssl)
    return QSslSocket::sslLibraryVersionString();
#else
    return QString();
#endif
}

const TlsSupport& SystemTlsSupport()
{
    static const QtTlsSupport tls;
    return tls;
}

bool IsSSLAvailable(const TlsSupport& tls)
{
    return tls.Available();
}

QString GetSSLVersionText(const TlsSupport& tls)
{
    const QString version = IsSSLAvailable(tls) ? tls.LibraryVersion().trimmed() : QString();
    return version.isEmpty() ? QStringLiteral("Not Available") : version;
}

QString CheckURLScheme(const QString& url, const TlsSupport& tls)
{
    // Only the https scheme itself: an address whose scheme merely begins with those letters
    // ("httpsx:") has nothing to downgrade.
    if (!url.startsWith(QLatin1String("https:"), Qt::CaseInsensitive) || IsSSLAvailable(tls))
        return url;
    return QStringLiteral("http") + url.mid(5);
}

QNetworkRequest& SetupHttpClient(QNetworkRequest& client)
{
    client.setHeader(QNetworkRequest::UserAgentHeader, QString::fromLatin1(kHttpUserAgent));
    // HTTP/1.1 only: Qt would otherwise negotiate HTTP/2 over TLS.
    client.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    client.setAttribute(QNetworkRequest::Http2CleartextAllowedAttribute, false);
    client.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,image/webp,*/*;q=0.8");
    // Fixed on purpose: it follows neither the interface language nor the system's.
    client.setRawHeader("Accept-Language", "fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3");
    client.setTransferTimeout(kHttpTimeoutMs);
    // Proxy authentication needs nothing here: Qt answers a proxy's challenge with the method it asks
    // for, Basic included, from the credentials the caller puts on the proxy.
    return client;
}
