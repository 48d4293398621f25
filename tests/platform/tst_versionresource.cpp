// Tests of the version resource reader: the block, PE and ELF files, the program's own resource, and
// damaged or hostile files that must neither crash nor read outside their bytes.
#include "platform/VersionResource.h"
#include "tests/platform/VersionImages.h"

#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace testimages;

namespace {

// Where the node with key `key` starts in a block: its header stands just before the key.
qsizetype NodeAt(const QByteArray& block, const QString& key)
{
    QByteArray utf16;
    for (const QChar c : key)
        utf16.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
    const qsizetype at = block.indexOf(utf16);
    return at < 0 ? -1 : at - 6;
}

QByteArray Patched16(QByteArray bytes, qsizetype at, uint16_t value)
{
    Put16(bytes, at, value);
    return bytes;
}

QByteArray Patched32(QByteArray bytes, qsizetype at, uint32_t value)
{
    Put32(bytes, at, value);
    return bytes;
}

QByteArray Patched64(QByteArray bytes, qsizetype at, uint64_t value)
{
    Put64(bytes, at, value);
    return bytes;
}

// The sample block in a PE file with one of its bytes changed at `at` (an offset into the block).
QByteArray PeWithBlock16(qsizetype at, uint16_t value)
{
    return PeImage(Patched16(SampleBlock(), at, value));
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

}  // namespace

class TestVersionResource : public QObject {
    Q_OBJECT

private slots:
    void parsesTheBlock()
    {
        const std::optional<platform::VersionResource> resource = platform::ParseVersionBlock(SampleBlock("3.4.7.120"));
        QVERIFY(resource);
        QVERIFY(resource->fixed);
        QCOMPARE(resource->fixed->fileVersionMS, 196612u);
        QCOMPARE(resource->fixed->fileVersionLS, 458872u);
        QCOMPARE(resource->fixed->productVersionMS, 0x10000u);
        QCOMPARE(resource->fixed->productVersionLS, 0u);
        QCOMPARE(resource->fixed->fileType, 1u);
        QCOMPARE(platform::FixedVersionText(*resource->fixed), QStringLiteral("3.4.7.120"));
        QCOMPARE(resource->translations, QList<uint32_t>({ 0x04B00409 }));
        QCOMPARE(resource->stringTables.size(), 1);
        QCOMPARE(resource->stringTables[0].key, QStringLiteral("040904b0"));
        QCOMPARE(resource->stringTables[0].strings.size(), 5);
        QCOMPARE(resource->StringValue(QStringLiteral("CompanyName")), QStringLiteral("Quillmoor"));
        QCOMPARE(resource->StringValue(QStringLiteral("productname")), QStringLiteral("Brevlin"));
        QCOMPARE(resource->StringValue(QStringLiteral("040904B0"), QStringLiteral("FileVersion")),
            QStringLiteral("3.4.7.120"));
        QCOMPARE(resource->StringValue(QStringLiteral("FileDescription")), QString());
        QVERIFY(!resource->StringValue(QStringLiteral("Comments")));
        QVERIFY(!resource->StringValue(QStringLiteral("040c04e4"), QStringLiteral("CompanyName")));
        QCOMPARE(resource->block.size(), qsizetype(uint8_t(resource->block[0]) | uint8_t(resource->block[1]) << 8));
    }

    void stringsOfTheFirstTranslation()
    {
        using namespace versiongen;
        // Two tables and two translations, the French one first: its table answers.
        VersionNode root = BinaryNode("VS_VERSION_INFO", FixedFileInfo(VersionFields {}));
        root.children.push_back(GroupNode("StringFileInfo",
            { GroupNode("040904b0", { TextNode("ProductName", "Photo sheet") }),
                GroupNode("040c04e4", { TextNode("ProductName", "Planche photo") }) }));
        root.children.push_back(GroupNode(
            "VarFileInfo", { BinaryNode("Translation", { 0x0C, 0x04, 0xE4, 0x04, 0x09, 0x04, 0xB0, 0x04 }) }));
        const auto resource = platform::ParseVersionBlock(Bytes(Serialize(root)));
        QVERIFY(resource);
        QCOMPARE(resource->translations, QList<uint32_t>({ 0x04E4040C, 0x04B00409 }));
        QCOMPARE(platform::TranslationTableKey(resource->translations[0]), QStringLiteral("040c04e4"));
        QCOMPARE(resource->StringValue(QStringLiteral("ProductName")), QStringLiteral("Planche photo"));

        // Without a translation the first table answers.
        root.children.pop_back();
        const auto untranslated = platform::ParseVersionBlock(Bytes(Serialize(root)));
        QVERIFY(untranslated);
        QVERIFY(untranslated->translations.isEmpty());
        QCOMPARE(untranslated->StringValue(QStringLiteral("ProductName")), QStringLiteral("Photo sheet"));
    }

    void findsTheBlockInExecutables_data()
    {
        QTest::addColumn<QByteArray>("image");
        const QByteArray block = SampleBlock();
        QTest::newRow("PE32") << PeImage(block);
        QTest::newRow("PE32+") << PeImage(block, true);
        QTest::newRow("ELF 64-bit little-endian") << ElfImage(block, platform::kVersionSectionName);
        QTest::newRow("ELF 32-bit big-endian") << ElfImage(block, platform::kVersionSectionName, true);
        // Sanitizer builds pad globals: bytes after the block's own length do not matter.
        QTest::newRow("ELF section with padding")
            << ElfImage(block + QByteArray(64, '\0'), platform::kVersionSectionName);
    }

    void findsTheBlockInExecutables()
    {
        QFETCH(QByteArray, image);
        const QByteArray block = platform::FindVersionBlock(image);
        QVERIFY(block.startsWith(SampleBlock()));
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("program"), image);
        QVERIFY(!path.isEmpty());
        const auto resource = platform::ReadVersionResource(path);
        QVERIFY(resource);
        QCOMPARE(resource->block, SampleBlock());
        QCOMPARE(platform::FixedVersionText(*resource->fixed), QStringLiteral("2.1.0.57"));
        QCOMPARE(resource->StringValue(QStringLiteral("CompanyName")), QStringLiteral("Quillmoor"));
    }

    void noBlock_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("text") << QByteArray("Brevlin turns one portrait photo into a sheet of identity photos.\n");
        QTest::newRow("ELF with another section name") << ElfImage(SampleBlock(), ".rodata");
        PeLayout pe;
        const QByteArray withResources = PeImage(SampleBlock(), false, &pe);
        QTest::newRow("PE without resources") << Patched32(withResources, pe.resourceDirectoryEntry, 0);
    }

    void noBlock()
    {
        QFETCH(QByteArray, image);
        QVERIFY(platform::FindVersionBlock(image).isEmpty());
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("file"), image);
        QVERIFY(!path.isEmpty());
        QVERIFY(!platform::ReadVersionResource(path));
    }

    void unreadablePaths()
    {
        QTemporaryDir dir;
        QVERIFY(!platform::ReadVersionResource(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!platform::ReadVersionResource(dir.path()));
        // A named pipe without a writer would block an ordinary open for ever.
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(!platform::ReadVersionResource(pipe));
    }

    // The values the build puts into the program, read back from the real executable.
    void theProgramsOwnResource()
    {
        const auto resource = platform::ReadVersionResource(QStringLiteral(BREVLIN_EXECUTABLE));
        QVERIFY(resource);
        QVERIFY(resource->fixed);
        QCOMPARE(platform::FixedVersionText(*resource->fixed), QStringLiteral(BREVLIN_PROJECT_VERSION));
        QCOMPARE(resource->translations.size(), 1);
        QCOMPARE(resource->StringValue(QStringLiteral("ProductName")), QStringLiteral("Brevlin"));
        QCOMPARE(resource->StringValue(QStringLiteral("CompanyName")), QStringLiteral("Quillmoor"));
        QCOMPARE(resource->StringValue(QStringLiteral("FileDescription")), QString());
        QCOMPARE(resource->StringValue(QStringLiteral("FileVersion")), QStringLiteral(BREVLIN_PROJECT_VERSION));
        QCOMPARE(resource->StringValue(QStringLiteral("ProductVersion")), QStringLiteral("1.0.0.0"));
    }

    // Each row: a damaged file, whether a block is still found, and whether its fixed part and strings survive.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<bool>("found");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<int>("strings");
        QTest::addColumn<int>("translations");

        const QByteArray block = SampleBlock();
        PeLayout pe;
        const QByteArray good = PeImage(block, false, &pe);
        const qsizetype blockAt = PeLayout::block;
        QTest::newRow("PE intact") << good << true << true << 5 << 1;
        QTest::newRow("PE cut in its DOS header") << good.left(40) << false << false << 0 << 0;
        QTest::newRow("PE cut in its section table") << good.left(pe.sectionTable + 20) << false << false << 0 << 0;
        QTest::newRow("PE cut in the block") << good.left(blockAt + 100) << false << false << 0 << 0;
        QTest::newRow("PE header offset past the end") << Patched32(good, 0x3C, 0xFFFFFFF0) << false << false << 0 << 0;
        QTest::newRow("PE optional header longer than the file")
            << Patched16(good, PeLayout::peHeader + 20, 0xFFFF) << false << false << 0 << 0;
        QTest::newRow("PE without a resource directory entry")
            << Patched32(good, PeLayout::optionalHeader + 92, 2) << false << false << 0 << 0;
        QTest::newRow("PE with 65535 sections")
            << Patched16(good, PeLayout::peHeader + 6, 0xFFFF) << false << false << 0 << 0;
        QTest::newRow("PE resources outside every section")
            << Patched32(good, pe.resourceDirectoryEntry, 0x90000) << false << false << 0 << 0;
        QTest::newRow("PE section data past the end of the file")
            << Patched32(good, pe.sectionTable + 20, 0x7FFFFFF0) << false << false << 0 << 0;
        QTest::newRow("PE section sizes absurd")
            << Patched32(Patched32(good, pe.sectionTable + 8, 0xFFFFFFFF), pe.sectionTable + 16, 0xFFFFFFFF) << true
            << true << 5 << 1;
        QTest::newRow("PE directory of 65535 entries")
            << Patched16(good, PeLayout::resources + 14, 0xFFFF) << false << false << 0 << 0;
        QTest::newRow("PE directory pointing at itself")
            << Patched32(good, PeLayout::resources + 20, 0x80000000u) << false << false << 0 << 0;
        QTest::newRow("PE data entry outside the image")
            << Patched32(good, PeLayout::dataEntry, 0xFFFFFFF0) << false << false << 0 << 0;
        QTest::newRow("PE data entry of 4 GiB")
            << Patched32(good, PeLayout::dataEntry + 4, 0xFFFFFFFF) << false << false << 0 << 0;
        QTest::newRow("PE data entry shorter than the block")
            << Patched32(good, PeLayout::dataEntry + 4, 10) << false << false << 0 << 0;
        QTest::newRow("PE no RT_VERSION type")
            << Patched32(good, PeLayout::resources + 16, 3) << false << false << 0 << 0;

        QTest::newRow("block longer than its data") << PeWithBlock16(0, 0xFFFF) << false << false << 0 << 0;
        QTest::newRow("block shorter than a header") << PeWithBlock16(0, 4) << false << false << 0 << 0;
        QTest::newRow("block key without its end") << PeWithBlock16(0, 36) << false << false << 0 << 0;
        QTest::newRow("block of another kind") << PeWithBlock16(6, 'W') << false << false << 0 << 0;
        QTest::newRow("fixed part with a wrong signature") << PeWithBlock16(40, 0) << true << false << 5 << 1;
        QTest::newRow("fixed part longer than the block") << PeWithBlock16(2, 0xFFFF) << true << true << 0 << 0;
        const qsizetype stringFileInfo = NodeAt(block, QStringLiteral("StringFileInfo"));
        const qsizetype companyName = NodeAt(block, QStringLiteral("CompanyName"));
        const qsizetype translation = NodeAt(block, QStringLiteral("Translation"));
        // A child that leaves its parent ends the list it is in: the translation after it is lost too.
        QTest::newRow("child longer than its parent")
            << PeWithBlock16(stringFileInfo, 0x7FFF) << true << true << 0 << 0;
        QTest::newRow("child of length zero") << PeWithBlock16(stringFileInfo, 0) << true << true << 0 << 0;
        QTest::newRow("string value longer than its node")
            << PeWithBlock16(companyName + 2, 0xFFFF) << true << true << 5 << 1;
        QTest::newRow("translation of three bytes") << PeWithBlock16(translation + 2, 3) << true << true << 5 << 0;

        ElfLayout elf;
        const QByteArray goodElf = ElfImage(block, platform::kVersionSectionName, false, &elf);
        const qsizetype names = elf.sectionTable + 2 * elf.entrySize;
        QTest::newRow("ELF intact") << goodElf << true << true << 5 << 1;
        QTest::newRow("ELF cut in its header") << goodElf.left(30) << false << false << 0 << 0;
        QTest::newRow("ELF cut in its section table")
            << goodElf.left(elf.sectionTable + 70) << false << false << 0 << 0;
        QTest::newRow("ELF section table past the end")
            << Patched64(goodElf, 40, 0xFFFFFFFFFFFFFF00) << false << false << 0 << 0;
        QTest::newRow("ELF section headers too small") << Patched16(goodElf, 58, 16) << false << false << 0 << 0;
        QTest::newRow("ELF name table index out of range") << Patched16(goodElf, 62, 7) << false << false << 0 << 0;
        QTest::newRow("ELF section count in section 0, absurd")
            << Patched64(Patched16(goodElf, 60, 0), elf.sectionTable + 32, 0xFFFFFFFFFFFF) << false << false << 0 << 0;
        QTest::newRow("ELF section offset wrapping around") << Patched64(goodElf, elf.sectionTable + elf.entrySize + 24,
            0xFFFFFFFFFFFFFFF0) << false << false << 0 << 0;
        QTest::newRow("ELF section size past the end") << Patched64(goodElf, elf.sectionTable + elf.entrySize + 32,
            0x7FFFFFFFFFFFFFFF) << false << false << 0 << 0;
        QTest::newRow("ELF name past the name table")
            << Patched32(goodElf, elf.sectionTable + elf.entrySize, 0x10000) << false << false << 0 << 0;
        QTest::newRow("ELF name table cut before a name ends")
            << Patched64(goodElf, names + 32, 20) << false << false << 0 << 0;
        QTest::newRow("ELF section without data")
            << Patched32(goodElf, elf.sectionTable + elf.entrySize + 4, 8) << false << false << 0 << 0;
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, image);
        QFETCH(bool, found);
        QFETCH(bool, fixed);
        QFETCH(int, strings);
        QFETCH(int, translations);

        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("damaged"), image);
        QVERIFY(!path.isEmpty());
        for (const auto& resource :
            { platform::ParseVersionBlock(platform::FindVersionBlock(image)), platform::ReadVersionResource(path) }) {
            QCOMPARE(bool(resource), found);
            if (!resource)
                continue;
            QCOMPARE(bool(resource->fixed), fixed);
            QCOMPARE(resource->stringTables.isEmpty() ? 0 : int(resource->stringTables[0].strings.size()), strings);
            QCOMPARE(int(resource->translations.size()), translations);
            if (strings > 0)
                QCOMPARE(resource->StringValue(QStringLiteral("040904b0"), QStringLiteral("CompanyName")),
                    QStringLiteral("Quillmoor"));
        }
    }

    // Every byte of small PE and ELF files set to 0x00, 0x7F, 0x80 and 0xFF in turn: whatever the reader
    // finds must be bytes of the file itself (under the sanitizers this also proves no read outside it).
    void everyByteDamaged_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::newRow("PE32") << PeImage(SampleBlock());
        QTest::newRow("PE32+") << PeImage(SampleBlock(), true);
        QTest::newRow("ELF 64") << ElfImage(SampleBlock(), platform::kVersionSectionName);
        QTest::newRow("ELF 32 big-endian") << ElfImage(SampleBlock(), platform::kVersionSectionName, true);
    }

    void everyByteDamaged()
    {
        QFETCH(QByteArray, image);
        int found = 0;
        for (qsizetype at = 0; at < image.size(); ++at) {
            for (const char value : { char(0x00), char(0x7F), char(0x80), char(0xFF) }) {
                QByteArray damaged = image;
                damaged[at] = value;
                const QByteArray block = platform::FindVersionBlock(damaged);
                if (block.isEmpty())
                    continue;
                QVERIFY2(damaged.contains(block), qPrintable(QStringLiteral("byte %1").arg(at)));
                const auto resource = platform::ParseVersionBlock(block);
                if (resource) {
                    ++found;
                    QVERIFY(block.startsWith(resource->block));
                    for (const auto& table : resource->stringTables)
                        for (const auto& string : table.strings)
                            QVERIFY(string.second.size() <= block.size() / 2);
                }
            }
        }
        // Most single bytes (padding, unused header fields) leave the block readable.
        QVERIFY(found > image.size());
    }

    void everyLengthCut()
    {
        const QByteArray image = PeImage(SampleBlock());
        for (qsizetype length = 0; length < image.size(); ++length) {
            const QByteArray block = platform::FindVersionBlock(image.left(length));
            const bool whole = length >= PeLayout::block + SampleBlock().size();
            QCOMPARE(platform::ParseVersionBlock(block).has_value(), whole);
        }
        const QByteArray block = SampleBlock();
        for (qsizetype length = 0; length < block.size(); ++length)
            QVERIFY(!platform::ParseVersionBlock(block.left(length)));
    }
};

QTEST_GUILESS_MAIN(TestVersionResource)
#include "tst_versionresource.moc"
