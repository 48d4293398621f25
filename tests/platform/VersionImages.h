// Test images carrying a version block: a minimal PE file with an RT_VERSION resource and a minimal ELF file
// with a named section, assembled byte by byte so tests can also damage any field of them.
#pragma once

#include "tools/versiongen/VersionBlock.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

namespace testimages {

inline QByteArray Bytes(const std::vector<uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

inline void Put16(QByteArray& image, qsizetype at, uint16_t value, bool bigEndian = false)
{
    for (int i = 0; i < 2; ++i)
        image[at + i] = char(value >> (8 * (bigEndian ? 1 - i : i)));
}

inline void Put32(QByteArray& image, qsizetype at, uint32_t value, bool bigEndian = false)
{
    for (int i = 0; i < 4; ++i)
        image[at + i] = char(value >> (8 * (bigEndian ? 3 - i : i)));
}

inline void Put64(QByteArray& image, qsizetype at, uint64_t value, bool bigEndian = false)
{
    for (int i = 0; i < 8; ++i)
        image[at + i] = char(value >> (8 * (bigEndian ? 7 - i : i)));
}

// A version block like the program's, with the given file version.
inline QByteArray SampleBlock(const std::string& fileVersion = "2.1.0.57")
{
    versiongen::VersionFields fields;
    fields.fileVersion = versiongen::ParseVersionNumber(fileVersion);
    fields.productVersion = versiongen::ParseVersionNumber("1.0.0.0");
    fields.strings = { { "CompanyName", "Quillmoor" }, { "FileDescription", "" }, { "FileVersion", fileVersion },
        { "ProductName", "Brevlin" }, { "ProductVersion", "1.0.0.0" } };
    return Bytes(versiongen::BuildVersionInfo(fields));
}

// Where the fields of a PE image built by PeImage lie in the file.
struct PeLayout {
    static constexpr qsizetype peHeader = 0x40; // "PE\0\0", then the COFF header
    static constexpr qsizetype optionalHeader = 0x58;
    qsizetype resourceDirectoryEntry = 0; // the data directory entry of the resources: RVA, size
    qsizetype sectionTable = 0; // the one section header (.rsrc)
    static constexpr qsizetype resources = 0x200; // the resource section's data; RVA 0x1000
    static constexpr qsizetype typeDirectory = resources + 0x18;
    static constexpr qsizetype nameDirectory = resources + 0x30;
    static constexpr qsizetype dataEntry = resources + 0x48;
    static constexpr qsizetype block = resources + 0x58;
};

// A PE file (PE32, or PE32+ when `plus`) whose one section ".rsrc" holds an RT_VERSION resource (name 1,
// language 0x0409) with `block`.
inline QByteArray PeImage(const QByteArray& block, bool plus = false, PeLayout* layout = nullptr)
{
    PeLayout where;
    const qsizetype optionalSize = plus ? 240 : 224;
    where.resourceDirectoryEntry = PeLayout::optionalHeader + (plus ? 112 : 96) + 2 * 8;
    where.sectionTable = PeLayout::optionalHeader + optionalSize;
    const uint32_t rva = 0x1000;
    const uint32_t resourceSize = uint32_t(0x58 + block.size());
    const uint32_t rawSize = (resourceSize + 0x1FF) & ~0x1FFu;

    QByteArray image(PeLayout::resources + qsizetype(rawSize), '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, uint32_t(PeLayout::peHeader));
    image.replace(PeLayout::peHeader, 4, QByteArray("PE\0\0", 4));
    Put16(image, PeLayout::peHeader + 4, plus ? 0x8664 : 0x14C); // machine
    Put16(image, PeLayout::peHeader + 6, 1); // one section
    Put16(image, PeLayout::peHeader + 20, uint16_t(optionalSize));
    Put16(image, PeLayout::peHeader + 22, 0x0102); // an executable image
    Put16(image, PeLayout::optionalHeader, plus ? 0x20B : 0x10B);
    Put32(image, PeLayout::optionalHeader + (plus ? 108 : 92), 16); // number of data directories
    Put32(image, where.resourceDirectoryEntry, rva);
    Put32(image, where.resourceDirectoryEntry + 4, resourceSize);

    image.replace(where.sectionTable, 8, QByteArray(".rsrc\0\0\0", 8));
    Put32(image, where.sectionTable + 8, resourceSize); // virtual size
    Put32(image, where.sectionTable + 12, rva);
    Put32(image, where.sectionTable + 16, rawSize);
    Put32(image, where.sectionTable + 20, uint32_t(PeLayout::resources));
    Put32(image, where.sectionTable + 36, 0x40000040); // initialised data, readable

    // Three directory levels (type, name, language), each with one entry, then the data entry.
    Put16(image, PeLayout::resources + 14, 1);
    Put32(image, PeLayout::resources + 16, 16); // RT_VERSION
    Put32(image, PeLayout::resources + 20, 0x80000000u | 0x18);
    Put16(image, PeLayout::typeDirectory + 14, 1);
    Put32(image, PeLayout::typeDirectory + 16, 1);
    Put32(image, PeLayout::typeDirectory + 20, 0x80000000u | 0x30);
    Put16(image, PeLayout::nameDirectory + 14, 1);
    Put32(image, PeLayout::nameDirectory + 16, 0x0409);
    Put32(image, PeLayout::nameDirectory + 20, 0x48);
    Put32(image, PeLayout::dataEntry, rva + 0x58);
    Put32(image, PeLayout::dataEntry + 4, uint32_t(block.size()));
    image.replace(PeLayout::block, block.size(), block);
    if (layout)
        *layout = where;
    return image;
}

// Where the fields of an ELF image built by ElfImage lie in the file.
struct ElfLayout {
    qsizetype sectionTable = 0; // three section headers: none, the content, the name table
    qsizetype entrySize = 0;
    qsizetype content = 0;
    qsizetype names = 0;
};

// An ELF file (64-bit little-endian, or 32-bit big-endian when `small`) whose section `name` holds `content`.
inline QByteArray ElfImage(
    const QByteArray& content, const QByteArray& name, bool small = false, ElfLayout* layout = nullptr)
{
    const bool big = small;
    const qsizetype headerSize = small ? 52 : 64;
    ElfLayout where;
    where.entrySize = small ? 40 : 64;
    where.content = headerSize + ((4 - headerSize % 4) % 4);
    const QByteArray names = QByteArray("\0.shstrtab\0", 11) + name + QByteArray(1, '\0');
    where.names = where.content + content.size();
    where.sectionTable = (where.names + names.size() + 7) & ~qsizetype(7);

    QByteArray image(where.sectionTable + 3 * where.entrySize, '\0');
    image.replace(0, 4, "\177ELF");
    image[4] = char(small ? 1 : 2);
    image[5] = char(big ? 2 : 1);
    image[6] = 1;
    image.replace(where.content, content.size(), content);
    image.replace(where.names, names.size(), names);
    Put16(image, 16, 2, big); // an executable
    if (small) {
        Put32(image, 32, uint32_t(where.sectionTable), big);
        Put16(image, 46, uint16_t(where.entrySize), big);
        Put16(image, 48, 3, big);
        Put16(image, 50, 2, big);
    } else {
        Put64(image, 40, uint64_t(where.sectionTable), big);
        Put16(image, 58, uint16_t(where.entrySize), big);
        Put16(image, 60, 3, big);
        Put16(image, 62, 2, big);
    }
    const auto section = [&](int index, uint32_t nameOffset, uint32_t type, qsizetype offset, qsizetype size) {
        const qsizetype at = where.sectionTable + index * where.entrySize;
        Put32(image, at, nameOffset, big);
        Put32(image, at + 4, type, big);
        if (small) {
            Put32(image, at + 16, uint32_t(offset), big);
            Put32(image, at + 20, uint32_t(size), big);
        } else {
            Put64(image, at + 24, uint64_t(offset), big);
            Put64(image, at + 32, uint64_t(size), big);
        }
    };
    section(1, 11, 1, where.content, content.size()); // PROGBITS
    section(2, 1, 3, where.names, names.size()); // STRTAB
    if (layout)
        *layout = where;
    return image;
}

}  // namespace testimages
