// The current user's registry: keys, typed values and their enumeration, kept in one SQLite file per user.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct sqlite3;

namespace platform {

// What a value holds. The program reads strings and 32-bit integers; raw bytes are kept and skipped.
enum class RegistryType { String = 1, Binary = 3, Integer = 4 };

// One value of a key, with its name spelled as it was first written.
struct RegistryValue {
    QString name;
    RegistryType type = RegistryType::String;
    QString text;  // String
    qint32 integer = 0;  // Integer
    QByteArray bytes;  // Binary

    static RegistryValue String(const QString& name, const QString& text);
    static RegistryValue Integer(const QString& name, qint32 integer);
    static RegistryValue Binary(const QString& name, const QByteArray& bytes);
};

// The store of keys and values below HKEY_CURRENT_USER. A key is named by its path of names joined by
// backslashes ("SOFTWARE\Quillmoor\Brevlin"); empty names between backslashes are ignored, so a leading or
// doubled backslash changes nothing. Key and value names are compared without regard to case; sub-keys
// and values are enumerated in the order they were created, and rewriting a value keeps its place.
// Every write is one transaction, so a process killed in the middle leaves the store as it was before or
// after the write; two processes may write at once (a writer waits for the other up to a few seconds).
// A store that cannot be opened or is damaged answers every read with nothing and every write with false.
// One instance a thread; each instance holds its own connection to the file.
class RegistryStore {
public:
    // Opens the store at `path`, creating the file and its folder when missing.
    explicit RegistryStore(const QString& path = DefaultPath());
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // The user's store: $XDG_CONFIG_HOME/Quillmoor/registry.db, with ~/.config when that is unset or relative.
    static QString DefaultPath();

    const QString& Path() const { return m_path; }
    // True when the store opened and passed its consistency check.
    bool IsOpen() const { return m_db != nullptr; }
    // Why the last operation failed, in a sentence; empty after a success.
    const QString& ErrorText() const { return m_error; }

    // True when the key exists; the root (an empty path) always does.
    bool KeyExists(const QString& key);
    // Creates the key and every missing key above it; true when it exists afterwards.
    bool CreateKey(const QString& key);
    // Deletes the key with all its sub-keys and values; true when it is gone afterwards. The root cannot
    // be deleted.
    bool DeleteKey(const QString& key);
    // Deletes the key when it has neither sub-keys nor values; true when it was deleted.
    bool DeleteKeyIfEmpty(const QString& key);
    // The names of the key's direct sub-keys in creation order; nothing when the key does not exist or
    // the store fails.
    std::optional<QStringList> SubKeyNames(const QString& key);
    // The key's values in creation order; nothing when the key does not exist or the store fails.
    std::optional<QList<RegistryValue>> Values(const QString& key);
    // One value; nothing when the key or the value does not exist or the store fails.
    std::optional<RegistryValue> Value(const QString& key, const QString& name);
    // The text of a string value; nothing when it is missing or of another type.
    std::optional<QString> ReadString(const QString& key, const QString& name);
    // A 32-bit integer value; nothing when it is missing or of another type.
    std::optional<qint32> ReadInteger(const QString& key, const QString& name);

    // Write a value, creating the key (and the keys above it) when missing; the value takes the new type.
    bool WriteString(const QString& key, const QString& name, const QString& text);
    bool WriteInteger(const QString& key, const QString& name, qint32 integer);
    bool WriteBinary(const QString& key, const QString& name, const QByteArray& bytes);
    // Writes several values in one transaction: all of them or, on failure, none.
    bool WriteValues(const QString& key, const QList<RegistryValue>& values);
    // Deletes one value; true when the key exists and no longer holds it.
    bool DeleteValue(const QString& key, const QString& name);

private:
    bool Open();
    bool Fail(const QString& what);
    bool Exec(const char* sql);
    template <typename Work>
    bool Transaction(bool write, Work work);
    std::optional<qint64> FindChild(qint64 parent, const QString& name);
    std::optional<qint64> FindKey(const QStringList& names);
    template <typename Take>
    bool ListUnderKey(const QString& key, const char* sql, Take take);
    std::optional<qint64> MakeKey(const QStringList& names);
    bool InsertValue(qint64 key, const RegistryValue& value);

    QString m_path;
    QString m_error;
    sqlite3* m_db = nullptr;
};

}  // namespace platform
