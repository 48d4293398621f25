// The HTTP client profile of the update check: whether TLS works, its library's name, the downgrade of
// "https" addresses when it does not, and the request profile of a desktop web browser.
#pragma once

#include <QNetworkRequest>
#include <QString>

// What the program needs to know about TLS on this system. The real one asks Qt's TLS backend; tests
// give a stand-in to reach the paths of a system without TLS.
class TlsSupport {
public:
    virtual ~TlsSupport() = default;
    // Whether requests can use TLS; may load the TLS library.
    virtual bool Available() const = 0;
    // The TLS library's own description of its version; empty when it is not known.
    virtual QString LibraryVersion() const = 0;
};

// TLS through Qt Network's backend (OpenSSL 3 on Debian), loaded the first time it is asked for.
class QtTlsSupport : public TlsSupport {
public:
    bool Available() const override;
    QString LibraryVersion() const override;
};

// The TLS support of this system: a QtTlsSupport.
const TlsSupport& SystemTlsSupport();

// The user agent the update check sends, like a desktop browser.
inline constexpr char kHttpUserAgent[] = "Mozilla/5.0";
// How long a request may go without receiving anything before it is abandoned, in milliseconds.
inline constexpr int kHttpTimeoutMs = 3000;

// True when TLS can be used for requests.
bool IsSSLAvailable(const TlsSupport& tls = SystemTlsSupport());
// The TLS library's version description for the log header, or "Not Available".
QString GetSSLVersionText(const TlsSupport& tls = SystemTlsSupport());
// `url` unchanged, or with its "https" scheme (any letter case) replaced by "http" when TLS cannot be
// used; the caller compares the result with `url` to learn of the downgrade.
QString CheckURLScheme(const QString& url, const TlsSupport& tls = SystemTlsSupport());
// Applies the browser-like request profile to `client`: user agent, HTTP/1.1, the Accept and
// Accept-Language headers and the time-out. URL, proxy and completion stay the caller's. Returns `client`.
QNetworkRequest& SetupHttpClient(QNetworkRequest& client);
