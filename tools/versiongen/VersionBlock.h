// Writing Windows-format version blocks (VS_VERSIONINFO): the build embeds one in the program, tests build their own.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace versiongen {

// One node of a version block: a key, a value and child nodes. Every node starts on a 4-byte boundary of
// the block; its header holds its whole length, the length of its value and whether the value is text.
struct VersionNode {
    std::string key;
    uint16_t type = 0; // 0: binary value, 1: text value
    std::vector<uint8_t> value; // the value's bytes as stored (text: UTF-16LE with its terminating zero)
    uint16_t valueLength = 0; // as the header states it: bytes for binary values, characters for text
    std::vector<VersionNode> children;
};

// Four 16-bit numbers a.b.c.d.
using VersionNumber = std::array<uint16_t, 4>;

// What the program's version block says.
struct VersionFields {
    VersionNumber fileVersion {};
    VersionNumber productVersion {};
    uint32_t fileOS = 0; // VOS_UNKNOWN: the block describes an executable of no Windows kind
    uint32_t fileType = 1; // VFT_APP
    uint16_t language = 0x0409;
    uint16_t codePage = 1200; // the strings are UTF-16
    std::vector<std::pair<std::string, std::string>> strings; // name, value (UTF-8), in this order
};

inline void PutU16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t(value >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    PutU16(out, uint16_t(value & 0xFFFF));
    PutU16(out, uint16_t(value >> 16));
}

inline void PadTo4(std::vector<uint8_t>& out)
{
    while (out.size() % 4 != 0)
        out.push_back(0);
}

// UTF-8 to UTF-16LE code units, without a terminating zero. Throws std::invalid_argument on bad UTF-8.
inline std::vector<uint16_t> Utf16Units(const std::string& utf8)
{
    std::vector<uint16_t> units;
    for (size_t i = 0; i < utf8.size();) {
        const uint8_t lead = uint8_t(utf8[i]);
        const int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + size_t(extra) >= utf8.size())
            throw std::invalid_argument("not UTF-8: " + utf8);
        uint32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const uint8_t next = uint8_t(utf8[i + size_t(k)]);
            if ((next >> 6) != 2)
                throw std::invalid_argument("not UTF-8: " + utf8);
            code = (code << 6) | (next & 0x3F);
        }
        i += size_t(extra) + 1;
        if (code >= 0x10000) {
            code -= 0x10000;
            units.push_back(uint16_t(0xD800 + (code >> 10)));
            units.push_back(uint16_t(0xDC00 + (code & 0x3FF)));
        } else {
            units.push_back(uint16_t(code));
        }
    }
    return units;
}

// A node whose value is a text, stored with its terminating zero.
inline VersionNode TextNode(const std::string& key, const std::string& text)
{
    VersionNode node { key, 1, {}, 0, {} };
    const std::vector<uint16_t> units = Utf16Units(text);
    for (uint16_t unit : units)
        PutU16(node.value, unit);
    PutU16(node.value, 0);
    node.valueLength = uint16_t(units.size() + 1);
    return node;
}

// A node whose value is raw bytes.
inline VersionNode BinaryNode(const std::string& key, std::vector<uint8_t> bytes)
{
    const uint16_t length = uint16_t(bytes.size());
    return VersionNode { key, 0, std::move(bytes), length, {} };
}

// A node without a value that only groups its children.
inline VersionNode GroupNode(const std::string& key, std::vector<VersionNode> children)
{
    return VersionNode { key, 1, {}, 0, std::move(children) };
}

// Appends `node` at the end of `out`, which must end on a 4-byte boundary. Throws std::length_error when
// the node does not fit the 16-bit length of its header.
inline void AppendNode(std::vector<uint8_t>& out, const VersionNode& node)
{
    const size_t start = out.size();
    PutU16(out, 0); // the length, known at the end
    PutU16(out, node.valueLength);
    PutU16(out, node.type);
    for (uint16_t unit : Utf16Units(node.key))
        PutU16(out, unit);
    PutU16(out, 0);
    PadTo4(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) {
        PadTo4(out);
        AppendNode(out, child);
    }
    const size_t length = out.size() - start;
    if (length > 0xFFFF)
        throw std::length_error("version block node too long: " + node.key);
    out[start] = uint8_t(length & 0xFF);
    out[start + 1] = uint8_t(length >> 8);
}

inline std::vector<uint8_t> Serialize(const VersionNode& root)
{
    std::vector<uint8_t> out;
    AppendNode(out, root);
    return out;
}

// The 52 bytes of the fixed file information (VS_FIXEDFILEINFO).
inline std::vector<uint8_t> FixedFileInfo(const VersionFields& fields)
{
    std::vector<uint8_t> out;
    const VersionNumber& file = fields.fileVersion;
    const VersionNumber& product = fields.productVersion;
    PutU32(out, 0xFEEF04BD); // signature
    PutU32(out, 0x00010000); // structure version 1.0
    PutU32(out, uint32_t(file[0]) << 16 | file[1]);
    PutU32(out, uint32_t(file[2]) << 16 | file[3]);
    PutU32(out, uint32_t(product[0]) << 16 | product[1]);
    PutU32(out, uint32_t(product[2]) << 16 | product[3]);
    PutU32(out, 0x3F); // flags mask: every defined flag
    PutU32(out, 0); // flags: a release build
    PutU32(out, fields.fileOS);
    PutU32(out, fields.fileType);
    PutU32(out, 0); // subtype
    PutU32(out, 0); // date, most significant
    PutU32(out, 0); // date, least significant
    return out;
}

// The eight lower-case hexadecimal digits of language and code page that name a string table.
inline std::string TableKey(uint16_t language, uint16_t codePage)
{
    static const char digits[] = "0123456789abcdef";
    const uint32_t value = uint32_t(language) << 16 | codePage;
    std::string key(8, '0');
    for (int i = 0; i < 8; ++i)
        key[size_t(i)] = digits[(value >> (28 - 4 * i)) & 0xF];
    return key;
}

// The tree of a complete version block: fixed file information, one string table, one translation.
inline VersionNode VersionInfoTree(const VersionFields& fields)
{
    std::vector<VersionNode> strings;
    for (const auto& [name, value] : fields.strings)
        strings.push_back(TextNode(name, value));
    std::vector<uint8_t> translation;
    PutU16(translation, fields.language);
    PutU16(translation, fields.codePage);

    VersionNode root = BinaryNode("VS_VERSION_INFO", FixedFileInfo(fields));
    root.children.push_back(
        GroupNode("StringFileInfo", { GroupNode(TableKey(fields.language, fields.codePage), std::move(strings)) }));
    root.children.push_back(GroupNode("VarFileInfo", { BinaryNode("Translation", std::move(translation)) }));
    return root;
}

inline std::vector<uint8_t> BuildVersionInfo(const VersionFields& fields)
{
    return Serialize(VersionInfoTree(fields));
}

// Reads "a.b.c.d" (each part 0 to 65535); throws std::invalid_argument otherwise.
inline VersionNumber ParseVersionNumber(const std::string& text)
{
    VersionNumber number {};
    size_t part = 0;
    uint32_t value = 0;
    bool digits = false;
    for (size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '.';
        if (c >= '0' && c <= '9' && value <= 0xFFFF) {
            value = value * 10 + uint32_t(c - '0');
            digits = true;
        } else if (c == '.' && digits && value <= 0xFFFF && part < 4) {
            number[part++] = uint16_t(value);
            value = 0;
            digits = false;
        } else {
            throw std::invalid_argument("not a version a.b.c.d: " + text);
        }
    }
    if (part != 4)
        throw std::invalid_argument("not a version a.b.c.d: " + text);
    return number;
}

}  // namespace versiongen
