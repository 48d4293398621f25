// The desktop launcher over QDesktopServices, and the recording launcher of the tests.
#include "platform/Launcher.h"

#include <QDesktopServices>
#include <QGuiApplication>

namespace platform {

bool DesktopLauncher::Open(const QUrl& url)
{
    // QDesktopServices reaches the platform plugin, which only a QGuiApplication has.
    if (!url.isValid() || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return false;
    return QDesktopServices::openUrl(url);
}

bool RecordingLauncher::Open(const QUrl& url)
{
    m_opened.append(url);
    return m_accept;
}

}  // namespace platform
