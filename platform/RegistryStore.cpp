// The current user's registry kept in SQLite: one row a key, one row a value.
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

namespace platform {
namespace {

// Layout of the file. Keys form a tree through `parent`; the root (HKEY_CURRENT_USER itself) is row 1.
// `fold` is the case-folded name that lookups and uniqueness go by, `name` the spelling first written.
// Row ids grow with every insertion, so ordering by id enumerates in creation order.
constexpr int kSchemaVersion = 1;
constexpr qint64 kRootKey = 1;
constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL, name TEXT NOT NULL,
    fold TEXT NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, fold);
CREATE TABLE IF NOT EXISTS vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL,
    fold TEXT NOT NULL, type INTEGER NOT NULL, data);
CREATE UNIQUE INDEX IF NOT EXISTS vals_by_name ON vals(key, fold);
INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, 0, '', '');
PRAGMA user_version = 1;
)";

// A writer waits this long for another process's write before it gives up with false.
constexpr int kBusyTimeoutMs = 10000;

QByteArray Fold(const QString& name)
{
    return name.toCaseFolded().toUtf8();
}

QStringList KeyNames(const QString& key)
{
    return key.split(u'\\', Qt::SkipEmptyParts);
}

// One prepared statement, finalized with its scope.
class Statement {
public:
    enum Result { Row, Done, Error };

    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, qint64 value)
    {
        if (m_stmt)
            sqlite3_bind_int64(m_stmt, index, value);
        return *this;
    }
    Statement& Bind(int index, const QByteArray& text)
    {
        if (m_stmt)
            sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindBlob(int index, const QByteArray& bytes)
    {
        if (m_stmt)
            sqlite3_bind_blob(m_stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Result Step()
    {
        if (!m_stmt)
            return Error;
        const int rc = sqlite3_step(m_stmt);
        return rc == SQLITE_ROW ? Row : rc == SQLITE_DONE ? Done : Error;
    }
    // Runs a statement that returns no rows.
    bool Run() { return Step() == Done; }
    qint64 Integer(int column) const { return sqlite3_column_int64(m_stmt, column); }
    QByteArray Bytes(int column) const
    {
        const void* data = sqlite3_column_blob(m_stmt, column);
        return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(m_stmt, column));
    }
    QString Text(int column) const
    {
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
    }
    int Type(int column) const { return sqlite3_column_type(m_stmt, column); }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

RegistryValue ValueFromRow(const Statement& row)
{
    // Columns: name, type, data.
    RegistryValue value;
    value.name = row.Text(0);
    switch (row.Integer(1)) {
    case int(RegistryType::String):
        value.type = RegistryType::String;
        value.text = row.Text(2);
        break;
    case int(RegistryType::Integer):
        value.type = RegistryType::Integer;
        value.integer = qint32(row.Integer(2));
        break;
    default:
        value.type = RegistryType::Binary;
        value.bytes = row.Bytes(2);
        break;
    }
    return value;
}

}  // namespace

RegistryValue RegistryValue::String(const QString& name, const QString& text)
{
    RegistryValue value;
    value.name = name;
    value.text = text;
    return value;
}

RegistryValue RegistryValue::Integer(const QString& name, qint32 integer)
{
    RegistryValue value;
    value.name = name;
    value.type = RegistryType::Integer;
    value.integer = integer;
    return value;
}

RegistryValue RegistryValue::Binary(const QString& name, const QByteArray& bytes)
{
    RegistryValue value;
    value.name = name;
    value.type = RegistryType::Binary;
    value.bytes = bytes;
    return value;
}

RegistryStore::RegistryStore(const QString& path)
    : m_path(path)
{
    Open();
}

RegistryStore::~RegistryStore()
{
    sqlite3_close(m_db);
}

QString RegistryStore::DefaultPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/Quillmoor/registry.db");
}

bool RegistryStore::Open()
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return Fail(QStringLiteral("its folder cannot be created"));
    const int rc = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &m_db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        m_error = QStringLiteral("The settings store %1 cannot be opened: %2.")
                      .arg(m_path, QString::fromUtf8(sqlite3_errstr(rc)));
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    // The write-ahead log lets one copy of the program read while another writes, and a process killed
    // in the middle of a transaction leaves frames that the next opener ignores.
    bool usable = Exec("PRAGMA journal_mode=WAL");
    if (usable) {
        // Damage anywhere in the file is found here, before a write could build on it.
        Statement check(m_db, "PRAGMA quick_check");
        usable = check.Step() == Statement::Row && check.Text(0) == QLatin1String("ok");
    }
    qint64 version = -1;
    if (usable) {
        Statement query(m_db, "PRAGMA user_version");
        usable = query.Step() == Statement::Row;
        version = query.Integer(0);
    }
    if (usable && version == 0)
        usable = Transaction(true, [this] { return Exec(kSchema); });
    else if (usable && version != kSchemaVersion) {
        m_error = QStringLiteral("The settings store %1 was made by another version of the program.").arg(m_path);
        usable = false;
    }
    if (!usable) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("The settings store %1 is damaged: %2.")
                          .arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    m_error.clear();
    return true;
}

bool RegistryStore::Fail(const QString& what)
{
    m_error = QStringLiteral("The settings store %1 failed: %2.").arg(m_path, what);
    return false;
}

bool RegistryStore::Exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Runs `work` in one transaction and commits it when `work` gives true. A write transaction takes the
// write lock at its start, so it waits for another writer instead of failing half-way.
template <typename Work>
bool RegistryStore::Transaction(bool write, Work work)
{
    if (!m_db) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("The settings store %1 is not open.").arg(m_path);
        return false;
    }
    m_error.clear();
    if (!Exec(write ? "BEGIN IMMEDIATE" : "BEGIN"))
        return Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    if (work() && Exec("COMMIT"))
        return true;
    const QString reason = QString::fromUtf8(sqlite3_errmsg(m_db));
    Exec("ROLLBACK");
    if (m_error.isEmpty())
        Fail(reason);
    return false;
}

// The id of the sub-key `name` of `parent`: 0 when it does not exist, nothing when the store fails.
std::optional<qint64> RegistryStore::FindChild(qint64 parent, const QString& name)
{
    Statement find(m_db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    switch (find.Bind(1, parent).Bind(2, Fold(name)).Step()) {
    case Statement::Row: return find.Integer(0);
    case Statement::Done: return 0;
    case Statement::Error: break;
    }
    return std::nullopt;
}

// The id of the key named by `names`: 0 when it does not exist, nothing when the store fails.
std::optional<qint64> RegistryStore::FindKey(const QStringList& names)
{
    qint64 id = kRootKey;
    for (const QString& name : names) {
        const std::optional<qint64> child = FindChild(id, name);
        if (!child || *child == 0)
            return child;
        id = *child;
    }
    return id;
}

// The id of the key named by `names`, made with every missing key above it; nothing when the store fails.
std::optional<qint64> RegistryStore::MakeKey(const QStringList& names)
{
    qint64 id = kRootKey;
    for (const QString& name : names) {
        const std::optional<qint64> child = FindChild(id, name);
        if (!child)
            return std::nullopt;
        if (*child != 0) {
            id = *child;
            continue;
        }
        Statement insert(m_db, "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
        if (!insert.Bind(1, id).Bind(2, name.toUtf8()).Bind(3, Fold(name)).Run())
            return std::nullopt;
        id = sqlite3_last_insert_rowid(m_db);
    }
    return id;
}

// Runs `sql` (one parameter: the key's id) in a read transaction and hands every row to `take`; false
// when the key does not exist or the store fails.
template <typename Take>
bool RegistryStore::ListUnderKey(const QString& key, const char* sql, Take take)
{
    return Transaction(false, [&] {
        const std::optional<qint64> id = FindKey(KeyNames(key));
        if (!id)
            return false;
        if (*id == 0)
            return Fail(QStringLiteral("the key %1 does not exist").arg(key));
        Statement list(m_db, sql);
        list.Bind(1, *id);
        Statement::Result row;
        while ((row = list.Step()) == Statement::Row)
            take(list);
        return row == Statement::Done;
    });
}

bool RegistryStore::KeyExists(const QString& key)
{
    bool exists = false;
    Transaction(false, [&] {
        const std::optional<qint64> id = FindKey(KeyNames(key));
        exists = id.value_or(0) != 0;
        return id.has_value();
    });
    return exists;
}

bool RegistryStore::CreateKey(const QString& key)
{
    return Transaction(true, [&] { return MakeKey(KeyNames(key)).has_value(); });
}

bool RegistryStore::DeleteKey(const QString& key)
{
    const QStringList names = KeyNames(key);
    if (names.isEmpty())
        return Fail(QStringLiteral("the root key cannot be deleted"));
    return Transaction(true, [&] {
        const std::optional<qint64> id = FindKey(names);
        if (!id)
            return false;
        if (*id == 0)
            return true;
        // The key and everything below it, found by walking the tree down from the key.
        Statement values(m_db, "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys "
                               "JOIN tree ON keys.parent = tree.id) "
                               "DELETE FROM vals WHERE key IN (SELECT id FROM tree)");
        Statement keys(m_db, "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL SELECT keys.id FROM keys "
                             "JOIN tree ON keys.parent = tree.id) "
                             "DELETE FROM keys WHERE id IN (SELECT id FROM tree)");
        return values.Bind(1, *id).Run() && keys.Bind(1, *id).Run();
    });
}

bool RegistryStore::DeleteKeyIfEmpty(const QString& key)
{
    const QStringList names = KeyNames(key);
    if (names.isEmpty())
        return Fail(QStringLiteral("the root key cannot be deleted"));
    bool deleted = false;
    const bool ok = Transaction(true, [&] {
        const std::optional<qint64> id = FindKey(names);
        if (!id)
            return false;
        if (*id == 0)
            return true;
        Statement remove(m_db, "DELETE FROM keys WHERE id = ?1 AND NOT EXISTS (SELECT 1 FROM keys WHERE parent = ?1) "
                               "AND NOT EXISTS (SELECT 1 FROM vals WHERE key = ?1)");
        if (!remove.Bind(1, *id).Run())
            return false;
        deleted = sqlite3_changes(m_db) > 0;
        return true;
    });
    return ok && deleted;
}

std::optional<QStringList> RegistryStore::SubKeyNames(const QString& key)
{
    QStringList names;
    if (!ListUnderKey(key, "SELECT name FROM keys WHERE parent = ?1 ORDER BY id",
            [&](Statement& row) { names += row.Text(0); }))
        return std::nullopt;
    return names;
}

std::optional<QList<RegistryValue>> RegistryStore::Values(const QString& key)
{
    QList<RegistryValue> values;
    if (!ListUnderKey(key, "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id",
            [&](Statement& row) { values += ValueFromRow(row); }))
        return std::nullopt;
    return values;
}

std::optional<RegistryValue> RegistryStore::Value(const QString& key, const QString& name)
{
    std::optional<RegistryValue> value;
    Transaction(false, [&] {
        const std::optional<qint64> id = FindKey(KeyNames(key));
        if (!id || *id == 0)
            return id.has_value();
        Statement find(m_db, "SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2");
        const Statement::Result row = find.Bind(1, *id).Bind(2, Fold(name)).Step();
        if (row == Statement::Row)
            value = ValueFromRow(find);
        return row != Statement::Error;
    });
    return value;
}

std::optional<QString> RegistryStore::ReadString(const QString& key, const QString& name)
{
    const std::optional<RegistryValue> value = Value(key, name);
    if (!value || value->type != RegistryType::String)
        return std::nullopt;
    return value->text;
}

std::optional<qint32> RegistryStore::ReadInteger(const QString& key, const QString& name)
{
    const std::optional<RegistryValue> value = Value(key, name);
    if (!value || value->type != RegistryType::Integer)
        return std::nullopt;
    return value->integer;
}

bool RegistryStore::InsertValue(qint64 key, const RegistryValue& value)
{
    // Rewriting keeps the row, and with it the value's place in the enumeration and its first spelling.
    Statement write(m_db, "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
                          "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    write.Bind(1, key).Bind(2, value.name.toUtf8()).Bind(3, Fold(value.name)).Bind(4, qint64(value.type));
    switch (value.type) {
    case RegistryType::String: write.Bind(5, value.text.toUtf8()); break;
    case RegistryType::Integer: write.Bind(5, qint64(value.integer)); break;
    case RegistryType::Binary: write.BindBlob(5, value.bytes); break;
    }
    return write.Run();
}

bool RegistryStore::WriteValues(const QString& key, const QList<RegistryValue>& values)
{
    return Transaction(true, [&] {
        const std::optional<qint64> id = MakeKey(KeyNames(key));
        if (!id)
            return false;
        for (const RegistryValue& value : values) {
            if (!InsertValue(*id, value))
                return false;
        }
        return true;
    });
}

bool RegistryStore::WriteString(const QString& key, const QString& name, const QString& text)
{
    return WriteValues(key, { RegistryValue::String(name, text) });
}

bool RegistryStore::WriteInteger(const QString& key, const QString& name, qint32 integer)
{
    return WriteValues(key, { RegistryValue::Integer(name, integer) });
}

bool RegistryStore::WriteBinary(const QString& key, const QString& name, const QByteArray& bytes)
{
    return WriteValues(key, { RegistryValue::Binary(name, bytes) });
}

bool RegistryStore::DeleteValue(const QString& key, const QString& name)
{
    return Transaction(true, [&] {
        const std::optional<qint64> id = FindKey(KeyNames(key));
        if (!id)
            return false;
        if (*id == 0)
            return Fail(QStringLiteral("the key %1 does not exist").arg(key));
        Statement remove(m_db, "DELETE FROM vals WHERE key = ?1 AND fold = ?2");
        return remove.Bind(1, *id).Bind(2, Fold(name)).Run();
    });
}

}  // namespace platform
