// The program's settings in the user's registry store, and the portable mode that carries them in settings.ini.
#pragma once

#include <QString>
#include <QStringList>

// The maker's key below HKEY_CURRENT_USER, and the product's key below it.
QString MakerKeyPath();
QString ProductKeyPath(const QString& productName);

// All of these open the user's store (platform::RegistryStore::DefaultPath()) for the one call and close
// it again; a store that cannot be opened or is damaged reads as empty and makes writes give false. They
// never show anything. User-interface thread, though any thread would do.

// The text of the product setting `name`, creating the product key when missing; empty when the value is
// missing, is not a string, or the store fails.
QString ReadProductSetting(const QString& name);
// Writes `text` as the string value `name` of the product key, creating the key; false when the store fails.
bool WriteProductSetting(const QString& name, const QString& text);
// Writes `value` as signed decimal text through WriteProductSetting (-1 is stored as "-1").
bool WriteProductSettingInt(const QString& name, int value);

// Writes the string value `name` of the maker key, creating the key.
void WriteMakerValue(const QString& name, const QString& text);
// Deletes the value `name` of the maker key, creating the key.
void DeleteMakerValue(const QString& name);
// Deletes the maker's key of product `productName` with all its sub-keys and values. An empty name does
// nothing (it would name the maker key itself).
void DeleteProductKey(const QString& productName);
// Deletes the maker key when it exists and holds neither sub-keys nor values.
void DeleteMakerKeyIfEmpty();

// The desktop entries of installed programs: for each folder of entries a header line naming the folder,
// then the entries' names; folders and entries that cannot be read go to `errors`. Both lists are cleared.
void ListUninstallEntries(QStringList& names, QStringList& errors);
// True when a line of ListUninstallEntries begins with `prefix`, without regard to case. The lists are
// read afresh on every call. The program runs as a portable copy when this is false for "Quillmoor Brevlin".
bool IsProductInstalled(const QString& prefix);

// Copies the "Settings" entries of the INI file at `iniPath` into string values and the "Settings_DWORD"
// entries into 32-bit integer values (0 for text that is not a number) of the product key, creating it,
// all in one transaction. Values the file does not name stay; a missing or unreadable file imports nothing.
void ImportSettingsFromIni(const QString& productName, const QString& iniPath);
// Copies the product key's string values into section "Settings" and its 32-bit integer values into
// "Settings_DWORD" of the INI file at `iniPath`, in the key's order, skipping values of other types. The
// file is updated in place: everything else in it stays. True when every value was written and the file
// saved; false when the store fails, the file cannot be read whole or is read-only, its folder is
// read-only, or a value cannot be written as an INI entry (the entries before it are saved).
bool ExportSettingsToIni(const QString& productName, const QString& iniPath);

// Deletes the language files (".SPK", any case) that were left in the VirtualStore copy of
// `programFolder` under `localDataFolder` ("VirtualStore/" plus the program folder's absolute path
// without its leading "/"), in it and in sub-folders whose names match, and removes the folder when it is left empty.
// Gives the VirtualStore folder (with a trailing "/") when it existed, else an empty text.
QString CleanVirtualStore(const QString& programFolder, const QString& localDataFolder);
// The same under the user's local application data ($XDG_STATE_HOME, ~/.local/state when unset).
QString CleanVirtualStore(const QString& programFolder);
