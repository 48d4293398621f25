// Starting a document, a folder or a web address with the desktop's default program for it.
#pragma once

#include <QList>
#include <QUrl>

namespace platform {

// Hands addresses to the desktop. Used on the user-interface thread; nothing waits for the started program.
class Launcher {
public:
    virtual ~Launcher() = default;
    // Asks the desktop to open `url` (file:, http:, https:, mailto:, ...); true when it accepted the request.
    virtual bool Open(const QUrl& url) = 0;
};

// The desktop's own launcher (QDesktopServices). Refuses everything in a process without a
// QGuiApplication, such as the headless tools, instead of crashing there.
class DesktopLauncher : public Launcher {
public:
    bool Open(const QUrl& url) override;
};

// A launcher for tests: remembers every request and answers with a fixed result; opens nothing.
class RecordingLauncher : public Launcher {
public:
    explicit RecordingLauncher(bool accept = true)
        : m_accept(accept)
    {
    }
    bool Open(const QUrl& url) override;
    // Every address asked for, in order, accepted or not.
    const QList<QUrl>& Opened() const { return m_opened; }
    void SetAccept(bool accept) { m_accept = accept; }

private:
    bool m_accept;
    QList<QUrl> m_opened;
};

}  // namespace platform
