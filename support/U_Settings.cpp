// The program's settings in the user's registry store, and the portable mode that carries them in settings.ini.
#include "support/U_Settings.h"

#include "support/U_ShellFile.h"

#include "platform/DesktopEntries.h"
#include "platform/RegistryStore.h"
#include "support/IniFile.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

using platform::RegistryStore;
using platform::RegistryType;
using platform::RegistryValue;

namespace {

const QString kStringSection = QStringLiteral("Settings");
const QString kIntegerSection = QStringLiteral("Settings_DWORD");

QString ProductKey()
{
    return ProductKeyPath(QStringLiteral("Brevlin"));
}


}  // namespace

QString MakerKeyPath()
{
    return QStringLiteral("SOFTWARE\\Quillmoor");
}

QString ProductKeyPath(const QString& productName)
{
    return MakerKeyPath() + u'\\' + productName;
}

QString ReadProductSetting(const QString& name)
{
    RegistryStore store;
    if (!store.CreateKey(ProductKey()))
        return {};
    // A value of another type (an integer imported from "Settings_DWORD") reads as empty, as a missing one.
    return store.ReadString(ProductKey(), name).value_or(QString());
}

bool WriteProductSetting(const QString& name, const QString& text)
{
    return RegistryStore().WriteString(ProductKey(), name, text);
}

bool WriteProductSettingInt(const QString& name, int value)
{
    return WriteProductSetting(name, QString::number(value));
}

void WriteMakerValue(const QString& name, const QString& text)
{
    RegistryStore().WriteString(MakerKeyPath(), name, text);
}

void DeleteMakerValue(const QString& name)
{
    RegistryStore store;
    if (store.CreateKey(MakerKeyPath()))
        store.DeleteValue(MakerKeyPath(), name);
}

void DeleteProductKey(const QString& productName)
{
    if (!productName.isEmpty())
        RegistryStore().DeleteKey(ProductKeyPath(productName));
}

void DeleteMakerKeyIfEmpty()
{
    RegistryStore().DeleteKeyIfEmpty(MakerKeyPath());
}

void ListUninstallEntries(QStringList& names, QStringList& errors)
{
    platform::ListDesktopEntries(names, errors);
}

bool IsProductInstalled(const QString& prefix)
{
    QStringList names;
    QStringList errors;
    ListUninstallEntries(names, errors);
    return std::any_of(names.cbegin(), names.cend(),
        [&](const QString& name) { return name.startsWith(prefix, Qt::CaseInsensitive); });
}

void ImportSettingsFromIni(const QString& productName, const QString& iniPath)
{
    RegistryStore store;
    const QString key = ProductKeyPath(productName);
    if (!store.CreateKey(key))
        return;
    TIniFile ini(iniPath);
    if (!ini.Load())
        return;
    QList<RegistryValue> values;
    for (const auto& [name, text] : ini.SectionEntries(kStringSection))
        values += RegistryValue::String(name, text);
    for (const auto& [name, text] : ini.SectionEntries(kIntegerSection))
        values += RegistryValue::Integer(name, text.toInt(nullptr, 10));  // 0 when not a number
    if (!values.isEmpty())
        store.WriteValues(key, values);
}

bool ExportSettingsToIni(const QString& productName, const QString& iniPath)
{
    RegistryStore store;
    const QString key = ProductKeyPath(productName);
    if (!store.CreateKey(key))
        return false;
    const std::optional<QList<RegistryValue>> values = store.Values(key);
    TIniFile ini(iniPath);
    // A file that cannot be read whole is never rewritten: what it holds would be lost.
    if (!values || !ini.Load())
        return false;
    bool written = true;
    for (const RegistryValue& value : *values) {
        if (value.type == RegistryType::String)
            written = ini.WriteString(kStringSection, value.name, value.text);
        else if (value.type == RegistryType::Integer)
            written = ini.WriteInteger(kIntegerSection, value.name, value.integer);
        if (!written)
            break;
    }
    return ini.Save() && written;
}

QString CleanVirtualStore(const QString& programFolder, const QString& localDataFolder)
{
    if (programFolder.isEmpty() || localDataFolder.isEmpty())
        return {};
    // The absolute path in place of the drive: "/opt/brevlin/" is mirrored as "VirtualStore/opt/brevlin/",
    // and the root folder as "VirtualStore/" itself. A cleaned path can still begin with "/..", which is
    // the root again; left in, it would lead out of VirtualStore.
    QStringList parts = QDir::cleanPath(QDir(programFolder).absolutePath()).split(u'/', Qt::SkipEmptyParts);
    while (!parts.isEmpty() && parts.front() == QLatin1String(".."))
        parts.removeFirst();
    const QString candidate
        = QDir::cleanPath(localDataFolder + QStringLiteral("/VirtualStore/") + parts.join(u'/')) + u'/';
    const QFileInfo info(candidate);
    if (!info.isDir() || info.isSymLink())
        return {};
    DeleteFilesByExtension(candidate, QStringLiteral("SPK"));
    return candidate;
}

QString CleanVirtualStore(const QString& programFolder)
{
    return CleanVirtualStore(programFolder, SpecialFolderPath(kFolderLocalAppData));
}
