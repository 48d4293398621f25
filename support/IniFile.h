// TIniFile: a settings file in the private-profile format, read whole and updated in place.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// The format: "[Section]" lines open sections, "key=value" lines are entries, lines starting with ";" or
// "#" are comments. Section and key names are compared without regard to case; names and values are
// trimmed of blanks, and a value enclosed in a pair of double or single quotes loses them when read. Where
// a section or a key occurs twice, the first one counts, for reading and for writing. Text is UTF-8; a
// byte-order mark is allowed.
//
// The file is read once by Load and held as its lines; writes change only the line of their entry (or add
// one), so every other section, entry, comment, blank line and unreadable byte stays as it was, in its
// place. Save writes all lines to a temporary file beside the target and renames it into place, so the
// file on disk is always either the old or the new one. A file or folder without any write permission
// is treated as read-only even for the superuser: the user marked it so. One instance per operation; any
// thread.
class TIniFile {
public:
    using Entries = QList<QPair<QString, QString>>;

    // Files larger than this are refused: no settings file comes near it.
    static constexpr qint64 kMaxFileBytes = 4 << 20;

    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return m_fileName; }
    // Why the last Load, write or Save failed, in a sentence.
    const QString& ErrorText() const { return m_error; }

    // Reads the file. A missing file reads as an empty one; false when it exists and cannot be read whole
    // (a folder, an unreadable or over-large file), which leaves the instance empty.
    bool Load();
    // Writes the lines through a temporary file renamed into place; false (the file unchanged) when the
    // file or its folder is read-only or the writing fails.
    bool Save();

    bool SectionExists(const QString& section) const;
    // The entries of the section in file order, each key once, with their values as ReadString gives them.
    Entries SectionEntries(const QString& section) const;
    // The value of the key, or `fallback` when the section or the key is missing.
    QString ReadString(const QString& section, const QString& key, const QString& fallback = {}) const;
    // The value as a signed decimal 32-bit number, or `fallback` when it is missing or not such a number.
    int ReadInteger(const QString& section, const QString& key, int fallback = 0) const;
    // Sets the key's value in memory, adding the key and the section when missing. False, with nothing
    // changed, when the names or the value cannot be written as one line of this format (empty names, line
    // breaks or NUL characters, "=" in a key, "]" in a section, a key that reads as a section or comment).
    bool WriteString(const QString& section, const QString& key, const QString& value);
    // Writes the integer as signed decimal text.
    bool WriteInteger(const QString& section, const QString& key, int value);

private:
    // One line of the file: its bytes without the line feed, and what it says.
    struct Line {
        enum Kind { Other, Section, Entry };
        QByteArray raw;
        Kind kind = Other;
        QString name;  // the section or key
        QString value;  // an entry's value, quotes removed
    };

    static Line ParseLine(const QByteArray& raw, bool first);
    // The index of the first section header so named, or -1.
    qsizetype FindSection(const QString& section) const;
    // One past the last line of the section whose header is at `header`.
    qsizetype SectionEnd(qsizetype header) const;
    QByteArray Encode(const QString& text) const;
    bool Fail(const QString& sentence);

    QString m_fileName;
    QString m_error;
    QList<Line> m_lines;
    bool m_crlf = false;  // new lines follow the file's line ends
};
