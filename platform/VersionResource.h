// The version resource of an executable: a Windows-format VS_VERSIONINFO block, read from ELF and PE files.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>
#include <utility>

namespace platform {

// The ELF section in which our build stores the block (see cmake/BrevlinVersion.cmake).
inline constexpr char kVersionSectionName[] = ".brevlin_version";

// The fixed part of a version block (VS_FIXEDFILEINFO). Each version is two words: major × 65536 + minor,
// then release × 65536 + build.
struct FixedFileInfo {
    uint32_t structVersion = 0;
    uint32_t fileVersionMS = 0;
    uint32_t fileVersionLS = 0;
    uint32_t productVersionMS = 0;
    uint32_t productVersionLS = 0;
    uint32_t fileFlagsMask = 0;
    uint32_t fileFlags = 0;
    uint32_t fileOS = 0;
    uint32_t fileType = 0;
    uint32_t fileSubtype = 0;
    uint32_t fileDateMS = 0;
    uint32_t fileDateLS = 0;
};

// One string table, named by eight hexadecimal digits of language and code page ("040904b0").
struct VersionStringTable {
    QString key;
    QList<std::pair<QString, QString>> strings; // name and value, in the order of the block
};

// What a version block holds. Parts that are missing or damaged in the block are simply absent here.
struct VersionResource {
    QByteArray block; // the raw block, as long as its header says
    std::optional<FixedFileInfo> fixed;
    QList<VersionStringTable> stringTables;
    QList<uint32_t> translations; // language identifier in the low 16 bits, code page in the high 16 bits

    // The value of string `name` in table `tableKey`, both compared without regard to case; none when absent.
    std::optional<QString> StringValue(const QString& tableKey, const QString& name) const;
    // The value of string `name` in the first translation's table, or in the first table when the block
    // lists no translation.
    std::optional<QString> StringValue(const QString& name) const;
};

// The key of a translation's string table: language and code page as four lower-case hex digits each.
QString TranslationTableKey(uint32_t translation);
// The fixed file version as four decimal numbers joined by "." ("2.1.0.57").
QString FixedVersionText(const FixedFileInfo& fixed);

// Parses a VS_VERSIONINFO block (bytes after the block's own length are ignored). None when the bytes do
// not start with a well-formed block; damaged parts inside it are skipped. Never reads outside `block`.
std::optional<VersionResource> ParseVersionBlock(QByteArrayView block);
// The version block inside an executable image: the ELF section kVersionSectionName, or the PE resource
// of type RT_VERSION. Empty when the image is neither or carries no block; never reads outside `image`.
QByteArray FindVersionBlock(QByteArrayView image);
// The version resource of the executable at `path`, read piece by piece without loading the whole file.
// None when the file cannot be read, is no regular file, or carries no well-formed block.
std::optional<VersionResource> ReadVersionResource(const QString& path);

}  // namespace platform
