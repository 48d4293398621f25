// System facts: Windows version names kept for Windows hosts, and the facts of this Linux system.
#include "support/U_SystemInfo.h"

#include <QFile>
#include <QFileInfo>

#include <sys/utsname.h>
#include <unistd.h>

namespace {

// An os-release file is a few hundred bytes; anything past this is not one.
constexpr qint64 kMaxOsRelease = 64 * 1024;

// The value of an os-release assignment: shell-like, in double quotes (with backslash escapes), single
// quotes, or bare.
QString Unquote(const QString& value)
{
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))
        return value.mid(1, value.size() - 2);
    if (value.size() < 2 || !value.startsWith(QLatin1Char('"')) || !value.endsWith(QLatin1Char('"')))
        return value;
    QString text;
    for (qsizetype i = 1; i < value.size() - 1; ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size() - 1)
            ++i;
        text.append(value[i]);
    }
    return text;
}

// The text without control characters, so that it stays one line of the log.
QString Printable(const QString& text)
{
    QString result;
    for (const QChar c : text)
        if (!c.isNonCharacter() && c.category() != QChar::Other_Control)
            result.append(c);
    return result.trimmed();
}

QString PrettyName(const QString& osReleasePath)
{
    QFile file(osReleasePath);
    if (file.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = file.read(kMaxOsRelease).split('\n');
        for (const QByteArray& raw : lines) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (!line.startsWith(QLatin1String("PRETTY_NAME=")))
                continue;
            const QString name = Printable(Unquote(line.mid(12)));
            if (!name.isEmpty())
                return name;
        }
    }
    return QStringLiteral("Linux");
}

QString Numbers(WindowsVersion version)
{
    return QStringLiteral("%1.%2").arg(version.major).arg(version.minor);
}

}  // namespace

QString NtVersionName(std::optional<WindowsVersion> version, int build)
{
    if (!version)
        return QStringLiteral("Unknown");
    const int major = version->major;
    const int minor = version->minor;
    if (major == 10 && minor == 0) {
        // Windows 11 still calls itself 10.0; its builds start above 20000.
        if (build >= 20000)
            return QStringLiteral("11.0.%1 (Windows11)").arg(build);
        return QStringLiteral("10.0.%1 (Windows10)").arg(build);
    }
    const char* name = nullptr;
    if (major == 5 && minor == 0)
        name = " (Windows 2000)";
    else if (major == 5 && minor == 1)
        name = " (Windows XP)";
    else if (major == 5 && minor == 2)
        name = " (Windows 2003)";
    else if (major == 6 && minor == 0)
        name = " (Vista)";
    else if (major == 6 && minor == 1)
        name = " (Seven)";
    else if (major == 6 && minor == 2)
        name = " (Windows8)";
    else if (major == 6 && minor == 3)
        name = " (Windows8.1)";
    return name ? Numbers(*version) + QLatin1String(name) : Numbers(*version);
}

QString Win9xVersionName(WindowsVersion version, const QString& servicePack)
{
    const char* name = " (Unknown)";
    if (version.major == 4 && version.minor == 0)
        name = " (95)";
    else if (version.major == 4 && version.minor == 10)
        name = servicePack.size() >= 2 && servicePack[1] == QLatin1Char('A') ? " (98SE)" : " (98)";
    else if (version.major == 4 && version.minor == 90)
        name = " (ME)";
    return Numbers(version) + QLatin1String(name);
}

bool IsOlderThanVista(std::optional<WindowsVersion> version)
{
    return !version || version->major < 6;
}

QString LinuxName(const QString& osReleasePath, const QString& kernelRelease)
{
    const QString name = PrettyName(osReleasePath);
    const QString kernel = Printable(kernelRelease);
    return kernel.isEmpty() ? name : name + QStringLiteral(" (") + kernel + QLatin1Char(')');
}

QString LinuxName()
{
    const QString etc = QStringLiteral("/etc/os-release");
    return LinuxName(QFileInfo::exists(etc) ? etc : QStringLiteral("/usr/lib/os-release"), KernelRelease());
}

QString KernelRelease()
{
    struct utsname names { };
    if (::uname(&names) != 0)
        return {};
    return QString::fromUtf8(names.release);
}

QString SystemNameLine()
{
    return QStringLiteral("Linux : ") + LinuxName();
}

bool IsWow64(int pointerBits, const QString& machine)
{
    if (pointerBits >= 64)
        return false;
    // Kernel machine names of 64-bit architectures.
    return machine.contains(QLatin1String("64")) || machine == QLatin1String("s390x")
        || machine == QLatin1String("alpha");
}

bool IsWow64()
{
    struct utsname names { };
    if (::uname(&names) != 0)
        return false;
    return IsWow64(int(sizeof(void*) * 8), QString::fromUtf8(names.machine));
}

bool IsAdministrator()
{
    return ::geteuid() == 0;
}

QString YesNo(bool flag)
{
    return flag ? QStringLiteral("Yes") : QStringLiteral("No");
}
