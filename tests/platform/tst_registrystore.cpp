// Tests of the per-user registry store: names, types, order, deletion, damaged files, and two processes.
#include "platform/RegistryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <cstdio>

using platform::RegistryStore;
using platform::RegistryType;
using platform::RegistryValue;

namespace {

const QString kProduct = QStringLiteral("SOFTWARE\\Quillmoor\\Brevlin");
const QString kChurn = QStringLiteral("Software\\Churn");

QStringList Names(const QList<RegistryValue>& values)
{
    QStringList names;
    for (const RegistryValue& value : values)
        names += value.name;
    return names;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Sets an environment variable for one scope; a null value unsets it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name)
        , m_wasSet(qEnvironmentVariableIsSet(name))
        , m_saved(qgetenv(name))
    {
        Set(value, !value.isNull());
    }
    ~ScopedEnv() { Set(m_saved, m_wasSet); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const QByteArray& value, bool set) const
    {
        if (set)
            qputenv(m_name, value);
        else
            qunsetenv(m_name);
    }

    const char* m_name;
    bool m_wasSet;
    QByteArray m_saved;
};

// SQLite's own full check of the file, independent of the store.
QString IntegrityCheck(const QString& path)
{
    sqlite3* db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &stmt, nullptr);
        result = sqlite3_step(stmt) == SQLITE_ROW
            ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)))
            : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

// A store with enough values to fill several pages of the file.
void FillStore(const QString& path)
{
    RegistryStore store(path);
    QList<RegistryValue> values;
    for (int i = 0; i < 300; ++i)
        values += RegistryValue::String(QStringLiteral("Value%1").arg(i), QString(100, u'x'));
    QVERIFY(store.WriteValues(kProduct, values));
}

// The helper processes of the tests: this executable started again with "--child".
// "writer <db> <prefix> <count>": writes <count> values named <prefix><i> and one key of its own; fails
// when any write fails. "churn <db> <start>": without end, creates key K<i> with two values in one write,
// deletes K<i-5>, and prints i after each step.
int ChildMain(const QStringList& args)
{
    RegistryStore store(args.value(1));
    if (args.value(0) == QLatin1String("writer")) {
        const QString prefix = args.value(2);
        const int count = args.value(3).toInt();
        for (int i = 0; i < count; ++i) {
            if (!store.WriteString(kProduct, prefix + QString::number(i), QString::number(i))
                || !store.WriteInteger(kProduct + u'\\' + prefix, QStringLiteral("n"), i)) {
                std::fprintf(stderr, "%s\n", qPrintable(store.ErrorText()));
                return 1;
            }
        }
        return 0;
    }
    if (args.value(0) == QLatin1String("churn")) {
        for (int i = args.value(2).toInt();; ++i) {
            const QString key = kChurn + QStringLiteral("\\K%1\\Sub").arg(i);
            store.WriteValues(key,
                { RegistryValue::Integer(QStringLiteral("n"), i),
                    RegistryValue::String(QStringLiteral("check"), QStringLiteral("%1-done").arg(i)) });
            store.DeleteKey(kChurn + QStringLiteral("\\K%1").arg(i - 5));
            std::printf("%d\n", i);
            std::fflush(stdout);
        }
    }
    return 2;
}

}  // namespace

class TestRegistryStore : public QObject {
    Q_OBJECT

    QTemporaryDir* m_dir = nullptr;
    QString m_path;

    void StartChild(QProcess& child, const QStringList& args)
    {
        child.start(QCoreApplication::applicationFilePath(), QStringList { QStringLiteral("--child") } + args);
        QVERIFY2(child.waitForStarted(), qPrintable(child.errorString()));
    }

private slots:
    void init()
    {
        m_dir = new QTemporaryDir;
        m_path = m_dir->filePath(QStringLiteral("Quillmoor/registry.db"));
    }

    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void typedValues()
    {
        RegistryStore store(m_path);
        QVERIFY2(store.IsOpen(), qPrintable(store.ErrorText()));
        QVERIFY(store.WriteString(kProduct, QStringLiteral("PicFormatIdx"), QStringLiteral("19")));
        QVERIFY(store.WriteInteger(kProduct, QStringLiteral("langue"), -2147483647 - 1));
        QVERIFY(store.WriteBinary(kProduct, QStringLiteral("Blob"), QByteArray("\0\1\2", 3)));
        QVERIFY(store.WriteString(kProduct, QStringLiteral("Empty"), QString()));
        QCOMPARE(store.ReadString(kProduct, QStringLiteral("PicFormatIdx")), QStringLiteral("19"));
        QCOMPARE(store.ReadInteger(kProduct, QStringLiteral("langue")), -2147483647 - 1);
        QCOMPARE(store.Value(kProduct, QStringLiteral("Blob"))->bytes, QByteArray("\0\1\2", 3));
        QCOMPARE(store.ReadString(kProduct, QStringLiteral("Empty")), QString());
        // A value read as the wrong type is not there for that reader.
        QCOMPARE(store.ReadString(kProduct, QStringLiteral("langue")), std::nullopt);
        QCOMPARE(store.ReadInteger(kProduct, QStringLiteral("PicFormatIdx")), std::nullopt);
        QCOMPARE(store.ReadString(kProduct, QStringLiteral("Blob")), std::nullopt);
        QCOMPARE(store.ReadString(kProduct, QStringLiteral("Missing")), std::nullopt);
        QCOMPARE(store.ReadString(QStringLiteral("SOFTWARE\\Nobody"), QStringLiteral("x")), std::nullopt);
        // Rewriting with another type replaces the type.
        QVERIFY(store.WriteInteger(kProduct, QStringLiteral("PicFormatIdx"), 5));
        QCOMPARE(store.ReadInteger(kProduct, QStringLiteral("PicFormatIdx")), 5);
        // What one instance wrote, the next one reads.
        RegistryStore again(m_path);
        QCOMPARE(again.ReadInteger(kProduct, QStringLiteral("langue")), -2147483647 - 1);
    }

    void namesIgnoreCase_data()
    {
        QTest::addColumn<QString>("writeKey");
        QTest::addColumn<QString>("writeName");
        QTest::addColumn<QString>("readKey");
        QTest::addColumn<QString>("readName");
        QTest::newRow("as written") << kProduct << "PicFormatIdx" << kProduct << "PicFormatIdx";
        QTest::newRow("language list's spelling") << kProduct << "langue" << "Software\\Quillmoor\\Brevlin" << "LANGUE";
        QTest::newRow("stray backslashes") << kProduct << "x" << "\\SOFTWARE\\\\Quillmoor\\Brevlin\\" << "X";
        QTest::newRow("beyond ASCII") << "Software\\Émile" << "Größe" << "SOFTWARE\\éMILE" << "GRÖßE";
    }

    void namesIgnoreCase()
    {
        QFETCH(QString, writeKey);
        QFETCH(QString, writeName);
        QFETCH(QString, readKey);
        QFETCH(QString, readName);
        RegistryStore store(m_path);
        QVERIFY(store.WriteString(writeKey, writeName, QStringLiteral("first")));
        QCOMPARE(store.ReadString(readKey, readName), QStringLiteral("first"));
        // Writing under the other spelling changes the same value, which keeps its first spelling.
        QVERIFY(store.WriteString(readKey, readName, QStringLiteral("second")));
        const QList<RegistryValue> values = *store.Values(writeKey);
        QCOMPARE(values.size(), 1);
        QCOMPARE(values[0].name, writeName);
        QCOMPARE(values[0].text, QStringLiteral("second"));
    }

    void creationOrder()
    {
        RegistryStore store(m_path);
        for (const char* name : { "zeta", "Alpha", "mid" })
            QVERIFY(store.WriteString(kProduct, QString::fromLatin1(name), QStringLiteral("1")));
        QVERIFY(store.WriteInteger(kProduct, QStringLiteral("ZETA"), 2));  // keeps its place
        QCOMPARE(Names(*store.Values(kProduct)), (QStringList { "zeta", "Alpha", "mid" }));
        for (const char* key : { "Zulu", "alpha", "Bravo" })
            QVERIFY(store.CreateKey(kProduct + u'\\' + QString::fromLatin1(key)));
        QVERIFY(store.CreateKey(kProduct + QStringLiteral("\\ALPHA")));
        QCOMPARE(*store.SubKeyNames(kProduct), (QStringList { "Zulu", "alpha", "Bravo" }));
        // A value deleted and written again goes to the end.
        QVERIFY(store.DeleteValue(kProduct, QStringLiteral("zeta")));
        QVERIFY(store.WriteString(kProduct, QStringLiteral("Zeta"), QStringLiteral("3")));
        QCOMPARE(Names(*store.Values(kProduct)), (QStringList { "Alpha", "mid", "Zeta" }));
    }

    void deleteKeyTakesEverythingBelow()
    {
        RegistryStore store(m_path);
        QVERIFY(store.WriteString(
            QStringLiteral("SOFTWARE\\Quillmoor"), QStringLiteral("Brevlin"), QStringLiteral("/opt")));
        QVERIFY(store.WriteString(kProduct, QStringLiteral("a"), QStringLiteral("1")));
        QVERIFY(store.WriteInteger(kProduct + QStringLiteral("\\Deep\\Deeper"), QStringLiteral("b"), 2));
        QVERIFY(store.WriteString(QStringLiteral("SOFTWARE\\Quillmoor2"), QStringLiteral("c"), QStringLiteral("3")));
        QVERIFY(store.DeleteKey(QStringLiteral("software\\quillmoor")));
        QVERIFY(!store.KeyExists(QStringLiteral("SOFTWARE\\Quillmoor")));
        QVERIFY(!store.KeyExists(kProduct + QStringLiteral("\\Deep\\Deeper")));
        QCOMPARE(store.ReadString(QStringLiteral("SOFTWARE\\Quillmoor2"), QStringLiteral("c")), QStringLiteral("3"));
        QCOMPARE(*store.SubKeyNames(QStringLiteral("SOFTWARE")), QStringList { "Quillmoor2" });
        // Nothing is left behind in the file: a key made again under the old name is empty.
        QVERIFY(store.CreateKey(kProduct + QStringLiteral("\\Deep\\Deeper")));
        QCOMPARE(store.Values(kProduct + QStringLiteral("\\Deep\\Deeper"))->size(), 0);
        QCOMPARE(store.Values(kProduct)->size(), 0);
        QVERIFY(store.DeleteKey(QStringLiteral("SOFTWARE\\Missing")));
        QVERIFY(!store.DeleteKey(QStringLiteral("\\")));
        QVERIFY(store.KeyExists(QStringLiteral("SOFTWARE\\Quillmoor2")));
    }

    void deleteKeyIfEmpty_data()
    {
        QTest::addColumn<bool>("withValue");
        QTest::addColumn<bool>("withSubKey");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("empty") << false << false << true;
        QTest::newRow("a value") << true << false << false;
        QTest::newRow("a sub-key") << false << true << false;
    }

    void deleteKeyIfEmpty()
    {
        QFETCH(bool, withValue);
        QFETCH(bool, withSubKey);
        QFETCH(bool, deleted);
        RegistryStore store(m_path);
        const QString maker = QStringLiteral("SOFTWARE\\Quillmoor");
        QVERIFY(store.CreateKey(maker));
        if (withValue)
            QVERIFY(store.WriteString(maker, QStringLiteral("Other"), QStringLiteral("x")));
        if (withSubKey)
            QVERIFY(store.CreateKey(maker + QStringLiteral("\\Other")));
        QCOMPARE(store.DeleteKeyIfEmpty(maker), deleted);
        QCOMPARE(store.KeyExists(maker), !deleted);
        QVERIFY(store.KeyExists(QStringLiteral("SOFTWARE")));
        QVERIFY(!store.DeleteKeyIfEmpty(QStringLiteral("SOFTWARE\\Missing")));
    }

    void defaultPathFollowsXdg_data()
    {
        QTest::addColumn<QByteArray>("config");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("/srv/cfg") << "/srv/cfg/Quillmoor/registry.db";
        QTest::newRow("unset") << QByteArray() << "HOME/.config/Quillmoor/registry.db";
        QTest::newRow("relative") << QByteArray("cfg") << "HOME/.config/Quillmoor/registry.db";
    }

    void defaultPathFollowsXdg()
    {
        QFETCH(QByteArray, config);
        QFETCH(QString, expected);
        const ScopedEnv home("HOME", QFile::encodeName(m_dir->path()));
        const ScopedEnv xdg("XDG_CONFIG_HOME", config);
        const QString path = RegistryStore::DefaultPath();
        QCOMPARE(path, expected.replace(QStringLiteral("HOME"), m_dir->path()));
    }

    void damagedFile_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("not a database") << "junk";
        QTest::newRow("cut in half") << "truncate";
        QTest::newRow("page overwritten") << "page";
        QTest::newRow("made by a later version") << "version";
        QTest::newRow("a folder in its place") << "folder";
        QTest::newRow("folder cannot be made") << "parent";
    }

    void damagedFile()
    {
        // Every operation fails plainly, and the file stays exactly as it was for whoever can repair it.
        QFETCH(QString, damage);
        QVERIFY(QDir().mkpath(QFileInfo(m_path).path()));
        if (damage == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(m_path));
        } else if (damage == QLatin1String("parent")) {
            QFile::remove(m_path);
            QVERIFY(QDir(QFileInfo(m_path).path()).removeRecursively());
            QFile blocker(QFileInfo(m_path).path());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        } else if (damage == QLatin1String("junk")) {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            for (int i = 0; i < 5000; ++i)
                file.putChar(char((i * 7919) % 251));
        } else {
            FillStore(m_path);
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (damage == QLatin1String("truncate")) {
                QVERIFY(file.resize(file.size() / 2));
            } else if (damage == QLatin1String("page")) {
                file.seek(4096 * 3 + 8);
                file.write(QByteArray(200, '\xff'));
            } else {
                RegistryStore(m_path).CreateKey(QStringLiteral("x"));
                sqlite3* db = nullptr;
                sqlite3_open(QFile::encodeName(m_path).constData(), &db);
                QCOMPARE(sqlite3_exec(db, "PRAGMA user_version = 7", nullptr, nullptr, nullptr), SQLITE_OK);
                sqlite3_close(db);
            }
        }
        const QByteArray before = ReadAll(m_path);

        RegistryStore store(m_path);
        QVERIFY(!store.IsOpen());
        QVERIFY2(store.ErrorText().contains(m_path), qPrintable(store.ErrorText()));
        QCOMPARE(store.ReadString(kProduct, QStringLiteral("Value1")), std::nullopt);
        QCOMPARE(store.Values(kProduct), std::nullopt);
        QCOMPARE(store.SubKeyNames(QStringLiteral("SOFTWARE")), std::nullopt);
        QVERIFY(!store.KeyExists(kProduct));
        QVERIFY(!store.CreateKey(kProduct));
        QVERIFY(!store.WriteString(kProduct, QStringLiteral("PicFormatIdx"), QStringLiteral("3")));
        QVERIFY(!store.WriteInteger(kProduct, QStringLiteral("langue"), 3));
        QVERIFY(!store.DeleteValue(kProduct, QStringLiteral("Value1")));
        QVERIFY(!store.DeleteKey(kProduct));
        QVERIFY(!store.ErrorText().isEmpty());
        QCOMPARE(ReadAll(m_path), before);
    }

    void twoWritersLoseNothing()
    {
        // Two processes write into the same key at the same time; each waits for the other's transactions.
        RegistryStore(m_path).WriteString(kProduct, QStringLiteral("PicFormatIdx"), QStringLiteral("7"));
        QProcess first;
        QProcess second;
        StartChild(first, { QStringLiteral("writer"), m_path, QStringLiteral("A"), QStringLiteral("150") });
        StartChild(second, { QStringLiteral("writer"), m_path, QStringLiteral("B"), QStringLiteral("150") });
        for (QProcess* child : { &first, &second }) {
            QVERIFY(child->waitForFinished(120000));
            QVERIFY2(child->exitStatus() == QProcess::NormalExit && child->exitCode() == 0,
                child->readAllStandardError().constData());
        }
        RegistryStore store(m_path);
        const QList<RegistryValue> values = *store.Values(kProduct);
        QCOMPARE(values.size(), 301);
        for (int i = 0; i < 150; ++i) {
            QCOMPARE(store.ReadString(kProduct, QStringLiteral("A%1").arg(i)), QString::number(i));
            QCOMPARE(store.ReadString(kProduct, QStringLiteral("B%1").arg(i)), QString::number(i));
        }
        QCOMPARE(store.ReadInteger(kProduct + QStringLiteral("\\A"), QStringLiteral("n")), 149);
        QCOMPARE(store.ReadInteger(kProduct + QStringLiteral("\\B"), QStringLiteral("n")), 149);
        QCOMPARE(store.ReadString(kProduct, QStringLiteral("PicFormatIdx")), QStringLiteral("7"));
        QCOMPARE(IntegrityCheck(m_path), QStringLiteral("ok"));
    }

    void killedWriterLeavesStoreWhole()
    {
        // A writer killed at whatever point of its work: each key it made has both its values or does not
        // exist, what it did not touch is untouched, and the file passes SQLite's full check.
        RegistryStore(m_path).WriteString(kProduct, QStringLiteral("PicFormatIdx"), QStringLiteral("7"));
        for (int round = 0; round < 12; ++round) {
            QProcess child;
            StartChild(child, { QStringLiteral("churn"), m_path, QString::number(round * 1000) });
            int steps = 0;
            while (steps < 1 + round % 5 && child.waitForReadyRead(30000))
                steps += int(child.readAllStandardOutput().count('\n'));
            QVERIFY(steps > 0);
            child.kill();
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            QCOMPARE(IntegrityCheck(m_path), QStringLiteral("ok"));
            RegistryStore store(m_path);
            QVERIFY2(store.IsOpen(), qPrintable(store.ErrorText()));
            QCOMPARE(store.ReadString(kProduct, QStringLiteral("PicFormatIdx")), QStringLiteral("7"));
            const QStringList keys = *store.SubKeyNames(kChurn);
            QVERIFY(!keys.isEmpty());
            for (const QString& key : keys) {
                const int number = key.mid(1).toInt();
                QCOMPARE(*store.SubKeyNames(kChurn + u'\\' + key), QStringList { "Sub" });
                const QString sub = kChurn + u'\\' + key + QStringLiteral("\\Sub");
                QCOMPARE(store.ReadInteger(sub, QStringLiteral("n")), number);
                QCOMPARE(store.ReadString(sub, QStringLiteral("check")), QStringLiteral("%1-done").arg(number));
            }
        }
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--child") == 0) {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args += QString::fromLocal8Bit(argv[i]);
        return ChildMain(args);
    }
    QCoreApplication app(argc, argv);
    TestRegistryStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_registrystore.moc"
