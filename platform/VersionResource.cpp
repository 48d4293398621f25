// Finding and parsing the version block of ELF and PE executables, with every offset checked.
//
// How this works: an executable is read through a ByteSource that hands out exact byte ranges and refuses
// any range that is not wholly inside the file, so a header whose offsets point elsewhere ends the search
// instead of reading past a buffer. In an ELF file the block is the content of the section named
// kVersionSectionName (found through the section header table and its name table). In a PE file it is the
// resource of type RT_VERSION: the resource directory of the optional header's data directory 2 is walked
// three levels (type, name, language), and each RVA is turned into a file offset through the section table.
// The block itself (VS_VERSIONINFO) is a tree of nodes, each with its length, the length of its value, a
// text flag, a zero-terminated UTF-16 key, its value and its children, all on 4-byte boundaries; a node
// whose length leaves its parent ends the list it is in.
#include "platform/VersionResource.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::FixedFileInfo;
using platform::VersionResource;
using platform::VersionStringTable;

// The largest section header table, name table or directory that we read at once.
constexpr uint64_t kMaxTable = uint64_t(16) << 20;
// A version block's length is a 16-bit number; sections may carry padding after it.
constexpr uint64_t kMaxBlock = 0x10000;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr uint32_t kRtVersion = 16;

// Byte ranges of an executable image, in memory or in a file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Exactly `size` bytes at `offset` into `out`; false when any of them lies outside or cannot be read.
    virtual bool Read(uint64_t offset, uint64_t size, QByteArray& out) const = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(QByteArrayView bytes)
        : m_bytes(bytes)
    {
    }
    bool Read(uint64_t offset, uint64_t size, QByteArray& out) const override
    {
        const uint64_t total = uint64_t(m_bytes.size());
        if (offset > total || size > total - offset || size > kMaxTable)
            return false;
        out = m_bytes.sliced(qsizetype(offset), qsizetype(size)).toByteArray();
        return true;
    }

private:
    QByteArrayView m_bytes;
};

// Reads with pread on an open descriptor; the size is taken once, when the file is opened.
class FileSource : public ByteSource {
public:
    FileSource(int fd, uint64_t size)
        : m_fd(fd)
        , m_size(size)
    {
    }
    bool Read(uint64_t offset, uint64_t size, QByteArray& out) const override
    {
        if (offset > m_size || size > m_size - offset || size > kMaxTable)
            return false;
        out.resize(qsizetype(size));
        uint64_t done = 0;
        while (done < size) {
            const ssize_t got = ::pread(m_fd, out.data() + done, size_t(size - done), off_t(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false; // an error, or the file shrank under us
            done += uint64_t(got);
        }
        return true;
    }

private:
    int m_fd;
    uint64_t m_size;
};

// Integers of a buffer in either byte order; 0 for any byte outside it.
struct Fields {
    const QByteArray& bytes;
    bool bigEndian = false;

    uint64_t Get(uint64_t at, int width) const
    {
        if (at > uint64_t(bytes.size()) || uint64_t(width) > uint64_t(bytes.size()) - at)
            return 0;
        uint64_t value = 0;
        for (int i = 0; i < width; ++i) {
            const uint64_t byte = uint8_t(bytes[qsizetype(at) + i]);
            value |= byte << (8 * (bigEndian ? width - 1 - i : i));
        }
        return value;
    }
    uint16_t U16(uint64_t at) const { return uint16_t(Get(at, 2)); }
    uint32_t U32(uint64_t at) const { return uint32_t(Get(at, 4)); }
    uint64_t U64(uint64_t at) const { return Get(at, 8); }
};

// --- ELF ---------------------------------------------------------------------------------------------

struct ElfSection {
    uint32_t name = 0;
    uint32_t type = 0;
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t link = 0;
};

constexpr uint32_t kShtNobits = 8;
constexpr QByteArrayView kElfMagic("\177ELF", 4);

ElfSection SectionAt(const Fields& table, uint64_t at, bool is64)
{
    ElfSection section;
    section.name = table.U32(at);
    section.type = table.U32(at + 4);
    section.offset = is64 ? table.U64(at + 24) : table.U32(at + 16);
    section.size = is64 ? table.U64(at + 32) : table.U32(at + 20);
    section.link = is64 ? table.U32(at + 40) : table.U32(at + 24);
    return section;
}

QByteArray ElfSectionNamed(const ByteSource& source, const QByteArray& wanted)
{
    QByteArray header;
    if (!source.Read(0, 16, header) || !header.startsWith(kElfMagic))
        return {};
    const char elfClass = header[4];
    const char byteOrder = header[5];
    if ((elfClass != 1 && elfClass != 2) || (byteOrder != 1 && byteOrder != 2))
        return {};
    const bool is64 = elfClass == 2;
    if (!source.Read(0, is64 ? 64 : 52, header))
        return {};
    const Fields elf { header, byteOrder == 2 };
    const uint64_t tableOffset = is64 ? elf.U64(40) : elf.U32(32);
    const uint64_t entrySize = elf.U16(is64 ? 58 : 46);
    uint64_t count = elf.U16(is64 ? 60 : 48);
    uint64_t namesIndex = elf.U16(is64 ? 62 : 50);
    if (tableOffset == 0 || entrySize < (is64 ? 64u : 40u))
        return {};

    // Files with very many sections keep the real count and name-table index in section 0.
    if (count == 0 || namesIndex == 0xFFFF) {
        QByteArray first;
        if (!source.Read(tableOffset, entrySize, first))
            return {};
        const ElfSection zero = SectionAt(Fields { first, elf.bigEndian }, 0, is64);
        if (count == 0)
            count = zero.size;
        if (namesIndex == 0xFFFF)
            namesIndex = zero.link;
    }
    if (count == 0 || count > kMaxTable / entrySize || namesIndex >= count)
        return {};
    QByteArray tableBytes;
    if (!source.Read(tableOffset, count * entrySize, tableBytes))
        return {};
    const Fields table { tableBytes, elf.bigEndian };

    const ElfSection namesSection = SectionAt(table, namesIndex * entrySize, is64);
    QByteArray names;
    if (namesSection.type == kShtNobits || !source.Read(namesSection.offset, namesSection.size, names))
        return {};
    for (uint64_t i = 0; i < count; ++i) {
        const ElfSection section = SectionAt(table, i * entrySize, is64);
        if (section.name >= uint64_t(names.size()))
            continue;
        const qsizetype end = names.indexOf('\0', qsizetype(section.name));
        if (end < 0 || names.sliced(qsizetype(section.name), end - qsizetype(section.name)) != wanted)
            continue;
        QByteArray content;
        if (section.type == kShtNobits || !source.Read(section.offset, std::min(section.size, kMaxBlock), content))
            return {};
        return content;
    }
    return {};
}

// --- PE ----------------------------------------------------------------------------------------------

class PeImage {
public:
    explicit PeImage(const ByteSource& source)
        : m_source(source)
    {
    }

    // The RT_VERSION resource, or empty.
    QByteArray VersionBlock()
    {
        if (!ReadHeaders())
            return {};
        // Type RT_VERSION, then the block named 1 (or the first), then the neutral language (or the first).
        const std::optional<uint32_t> names = Descend(0, kRtVersion, true, true);
        const std::optional<uint32_t> languages = names ? Descend(*names, 1, false, true) : std::nullopt;
        const std::optional<uint32_t> data = languages ? Descend(*languages, 0, false, false) : std::nullopt;
        QByteArray entry;
        if (!data || !ReadRva(uint64_t(m_resourceRva) + *data, 16, entry))
            return {};
        const Fields fields { entry };
        QByteArray block;
        if (!ReadRva(fields.U32(0), std::min<uint64_t>(fields.U32(4), kMaxBlock), block))
            return {};
        return block;
    }

private:
    bool ReadHeaders()
    {
        QByteArray dos;
        if (!m_source.Read(0, 64, dos) || !dos.startsWith("MZ"))
            return false;
        const uint64_t peOffset = Fields { dos }.U32(0x3C);
        QByteArray nt;
        if (!m_source.Read(peOffset, 24, nt) || !nt.startsWith(QByteArrayView("PE\0\0", 4)))
            return false;
        const Fields coff { nt };
        const uint64_t sectionCount = coff.U16(6);
        const uint64_t optionalSize = coff.U16(20);
        QByteArray optional;
        if (!m_source.Read(peOffset + 24, optionalSize, optional))
            return false;
        const Fields opt { optional };
        const uint16_t magic = opt.U16(0);
        if (magic != 0x10B && magic != 0x20B)
            return false;
        const uint64_t countAt = magic == 0x10B ? 92 : 108;
        const uint64_t directoriesAt = countAt + 4;
        // Data directory 2 is the resource directory: RVA, then size.
        if (opt.U32(countAt) < 3 || optionalSize < directoriesAt + 3 * 8)
            return false;
        m_resourceRva = opt.U32(directoriesAt + 16);
        return m_resourceRva != 0 && m_source.Read(peOffset + 24 + optionalSize, sectionCount * 40, m_sections);
    }

    // Reads `size` bytes at an RVA that lies with all its bytes in the stored data of one section.
    bool ReadRva(uint64_t rva, uint64_t size, QByteArray& out) const
    {
        const Fields sections { m_sections };
        for (qsizetype at = 0; at + 40 <= m_sections.size(); at += 40) {
            const uint64_t virtualSize = sections.U32(uint64_t(at) + 8);
            const uint64_t address = sections.U32(uint64_t(at) + 12);
            const uint64_t rawSize = sections.U32(uint64_t(at) + 16);
            const uint64_t rawOffset = sections.U32(uint64_t(at) + 20);
            const uint64_t extent = virtualSize != 0 ? std::min(virtualSize, rawSize) : rawSize;
            if (rva >= address && rva - address <= extent && size <= extent - (rva - address))
                return m_source.Read(rawOffset + (rva - address), size, out);
        }
        return false;
    }

    // In the resource directory at `offset`, the entry named `id` (or, when `exact` is false and no entry
    // has that name, the first entry) that leads to a sub-directory (`directory`) or to data: the offset it
    // points at, relative to the resource directory.
    std::optional<uint32_t> Descend(uint32_t offset, uint32_t id, bool exact, bool directory) const
    {
        QByteArray head;
        if (!ReadRva(uint64_t(m_resourceRva) + offset, 16, head))
            return std::nullopt;
        const Fields counts { head };
        const uint64_t count = uint64_t(counts.U16(12)) + counts.U16(14);
        QByteArray entryBytes;
        if (!ReadRva(uint64_t(m_resourceRva) + offset + 16, count * 8, entryBytes))
            return std::nullopt;
        const Fields entries { entryBytes };
        std::optional<uint32_t> first;
        for (uint64_t i = 0; i < count; ++i) {
            const uint32_t name = entries.U32(i * 8);
            const uint32_t target = entries.U32(i * 8 + 4);
            if (bool(target & 0x80000000u) != directory)
                continue;
            if (!(name & 0x80000000u) && name == id)
                return target & 0x7FFFFFFFu;
            if (!first)
                first = target & 0x7FFFFFFFu;
        }
        return exact ? std::nullopt : first;
    }

    const ByteSource& m_source;
    uint32_t m_resourceRva = 0;
    QByteArray m_sections;
};

QByteArray FindBlock(const ByteSource& source)
{
    QByteArray block = ElfSectionNamed(source, QByteArray(platform::kVersionSectionName));
    if (block.isEmpty())
        block = PeImage(source).VersionBlock();
    return block;
}

// --- VS_VERSIONINFO ----------------------------------------------------------------------------------

// One node of the block; every position is relative to the block's start.
struct Node {
    qsizetype end = 0;
    uint16_t valueLength = 0;
    uint16_t type = 0;
    QString key;
    qsizetype valueBegin = 0;
    qsizetype valueEnd = 0;
    qsizetype childrenBegin = 0;
};

qsizetype Align4(qsizetype at)
{
    return (at + 3) & ~qsizetype(3);
}

uint16_t U16At(QByteArrayView bytes, qsizetype at)
{
    return uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
}

uint32_t U32At(QByteArrayView bytes, qsizetype at)
{
    return uint32_t(U16At(bytes, at)) | uint32_t(U16At(bytes, at + 2)) << 16;
}

// The node at `at`, which must end no later than `limit` (itself inside the block).
std::optional<Node> ReadNode(QByteArrayView bytes, qsizetype at, qsizetype limit)
{
    if (limit - at < 6)
        return std::nullopt;
    const qsizetype length = U16At(bytes, at);
    if (length < 6 || length > limit - at)
        return std::nullopt;
    Node node;
    node.end = at + length;
    node.valueLength = U16At(bytes, at + 2);
    node.type = U16At(bytes, at + 4);
    qsizetype pos = at + 6;
    for (;; pos += 2) {
        if (pos + 2 > node.end)
            return std::nullopt; // a key without its terminating zero
        const char16_t unit = U16At(bytes, pos);
        if (unit == 0)
            break;
        node.key.append(QChar(unit));
    }
    node.valueBegin = std::min(Align4(pos + 2), node.end);
    // Text values count characters, binary values bytes.
    const qsizetype valueBytes = node.type == 1 ? qsizetype(node.valueLength) * 2 : node.valueLength;
    node.valueEnd = std::min(node.valueBegin + valueBytes, node.end);
    node.childrenBegin = std::min(Align4(node.valueBegin + valueBytes), node.end);
    return node;
}

// Calls `visit` for each child of `parent` that lies wholly inside it; a damaged child ends the list.
template <typename Visit> void ForEachChild(QByteArrayView bytes, const Node& parent, Visit visit)
{
    qsizetype at = parent.childrenBegin;
    while (at < parent.end) {
        const std::optional<Node> child = ReadNode(bytes, at, parent.end);
        if (!child)
            return;
        visit(*child);
        at = Align4(child->end);
    }
}

// The text of a value: UTF-16LE up to its first zero or its end.
QString TextValue(QByteArrayView bytes, const Node& node)
{
    QString text;
    for (qsizetype at = node.valueBegin; at + 2 <= node.valueEnd; at += 2) {
        const char16_t unit = U16At(bytes, at);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

std::optional<FixedFileInfo> FixedInfo(QByteArrayView bytes, const Node& root)
{
    if (root.valueEnd - root.valueBegin < 52 || U32At(bytes, root.valueBegin) != kFixedSignature)
        return std::nullopt;
    const auto word = [&](int index) { return U32At(bytes, root.valueBegin + 4 * index); };
    FixedFileInfo fixed;
    fixed.structVersion = word(1);
    fixed.fileVersionMS = word(2);
    fixed.fileVersionLS = word(3);
    fixed.productVersionMS = word(4);
    fixed.productVersionLS = word(5);
    fixed.fileFlagsMask = word(6);
    fixed.fileFlags = word(7);
    fixed.fileOS = word(8);
    fixed.fileType = word(9);
    fixed.fileSubtype = word(10);
    fixed.fileDateMS = word(11);
    fixed.fileDateLS = word(12);
    return fixed;
}

bool SameKey(const QString& a, const char* b)
{
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

std::optional<VersionResource> ReadVersionBlock(QByteArrayView bytes)
{
    const std::optional<Node> root = ReadNode(bytes, 0, bytes.size());
    if (!root || !SameKey(root->key, "VS_VERSION_INFO"))
        return std::nullopt;
    VersionResource resource;
    resource.block = bytes.first(root->end).toByteArray();
    resource.fixed = FixedInfo(bytes, *root);
    ForEachChild(bytes, *root, [&](const Node& child) {
        if (SameKey(child.key, "StringFileInfo")) {
            ForEachChild(bytes, child, [&](const Node& tableNode) {
                VersionStringTable table { tableNode.key, {} };
                ForEachChild(bytes, tableNode, [&](const Node& string) {
                    table.strings.append({ string.key, TextValue(bytes, string) });
                });
                resource.stringTables.append(table);
            });
        } else if (SameKey(child.key, "VarFileInfo")) {
            ForEachChild(bytes, child, [&](const Node& var) {
                if (!SameKey(var.key, "Translation"))
                    return;
                for (qsizetype at = var.valueBegin; at + 4 <= var.valueEnd; at += 4)
                    resource.translations.append(U32At(bytes, at));
            });
        }
    });
    return resource;
}

}  // namespace

namespace platform {

std::optional<QString> VersionResource::StringValue(const QString& tableKey, const QString& name) const
{
    for (const VersionStringTable& table : stringTables) {
        if (table.key.compare(tableKey, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& [key, value] : table.strings)
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
    }
    return std::nullopt;
}

std::optional<QString> VersionResource::StringValue(const QString& name) const
{
    if (!translations.isEmpty())
        return StringValue(TranslationTableKey(translations.first()), name);
    if (!stringTables.isEmpty())
        return StringValue(stringTables.first().key, name);
    return std::nullopt;
}

QString TranslationTableKey(uint32_t translation)
{
    return QStringLiteral("%1%2")
        .arg(translation & 0xFFFF, 4, 16, QLatin1Char('0'))
        .arg(translation >> 16, 4, 16, QLatin1Char('0'));
}

QString FixedVersionText(const FixedFileInfo& fixed)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(fixed.fileVersionMS >> 16)
        .arg(fixed.fileVersionMS & 0xFFFF)
        .arg(fixed.fileVersionLS >> 16)
        .arg(fixed.fileVersionLS & 0xFFFF);
}

std::optional<VersionResource> ParseVersionBlock(QByteArrayView block)
{
    return ReadVersionBlock(block);
}

QByteArray FindVersionBlock(QByteArrayView image)
{
    return FindBlock(MemorySource(image));
}

std::optional<VersionResource> ReadVersionResource(const QString& path)
{
    // Non-blocking, so that a named pipe given as a path does not hang the caller in open().
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat info { };
    QByteArray block;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        block = FindBlock(FileSource(fd, uint64_t(info.st_size)));
    ::close(fd);
    if (block.isEmpty())
        return std::nullopt;
    return ParseVersionBlock(block);
}

}  // namespace platform
