// System facts for the start-up log header: the system's name and version, 32-bit on 64-bit, administrator.
#pragma once

#include <QString>

#include <optional>

// Major and minor version of a Windows host, as its workstation query reports them.
struct WindowsVersion {
    int major = 0;
    int minor = 0;
};

// The name of an NT-family Windows version: "5.1 (Windows XP)", "10.0.19045 (Windows10)",
// "11.0.22631 (Windows11)", a bare "6.4" for pairs without a name, "Unknown" when there is no version.
QString NtVersionName(std::optional<WindowsVersion> version, int build);
// The name of a Windows 9x version: "4.0 (95)", "4.10 (98)", "4.10 (98SE)" when the second character of the
// service-pack text is "A", "4.90 (ME)", otherwise the numbers followed by " (Unknown)".
QString Win9xVersionName(WindowsVersion version, const QString& servicePack);
// True when a Windows host cannot be asked for its version or is older than Vista (major version below 6).
bool IsOlderThanVista(std::optional<WindowsVersion> version);

// PRETTY_NAME of the os-release file at `osReleasePath` ("Linux" when it is missing or has none), followed
// by the kernel release in parentheses when that is not empty.
QString LinuxName(const QString& osReleasePath, const QString& kernelRelease);
// LinuxName of this system: /etc/os-release (else /usr/lib/os-release) and the running kernel's release.
QString LinuxName();
// The release of the running kernel ("6.1.0-18-amd64"); empty when it cannot be asked.
QString KernelRelease();
// The line of the start-up log header that names the system: "Linux : " followed by LinuxName().
QString SystemNameLine();

// True when a program built for `pointerBits`-bit pointers runs on a kernel whose machine name is `machine`
// ("x86_64", "aarch64", ...) and that kernel is 64-bit while the program is not.
bool IsWow64(int pointerBits, const QString& machine);
// True when this program is a 32-bit build running on a 64-bit kernel.
bool IsWow64();
// True when the program runs with the rights of the system's administrator: its effective user is root.
bool IsAdministrator();
// "Yes" for true, "No" for false; never translated.
QString YesNo(bool flag);
