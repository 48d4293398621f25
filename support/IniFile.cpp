// TIniFile: a settings file in the private-profile format, read whole and updated in place.
#include "support/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

bool QuotedPair(const QString& text)
{
    return text.size() >= 2 && IsQuote(text.front()) && text.front() == text.back();
}

bool HasLineBreak(const QString& text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

// Root may write anything, so the kernel's answer alone would let the program overwrite a file its user
// marked read-only; a file or folder without any write permission bit counts as read-only for everyone.
bool IsWritable(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info {};
    if (stat(name.constData(), &info) != 0)
        return true;  // the write itself will say what is wrong
    return (info.st_mode & 0222) != 0 && access(name.constData(), W_OK) == 0;
}

}  // namespace

TIniFile::TIniFile(const QString& fileName)
    : m_fileName(fileName)
{
}

bool TIniFile::Fail(const QString& sentence)
{
    m_error = sentence;
    return false;
}

TIniFile::Line TIniFile::ParseLine(const QByteArray& raw, bool first)
{
    Line line;
    line.raw = raw;
    QByteArray bytes = raw;
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    if (first && bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    const QString text = QString::fromUtf8(bytes).trimmed();
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        line.kind = Line::Section;
        line.name = (close > 0 ? text.mid(1, close - 1) : text.mid(1)).trimmed();
        return line;
    }
    if (text.startsWith(u';') || text.startsWith(u'#'))
        return line;
    const qsizetype equals = text.indexOf(u'=');
    if (equals <= 0)
        return line;
    line.name = text.left(equals).trimmed();
    line.value = text.mid(equals + 1).trimmed();
    if (QuotedPair(line.value))
        line.value = line.value.mid(1, line.value.size() - 2);
    line.kind = line.name.isEmpty() ? Line::Other : Line::Entry;
    return line;
}

bool TIniFile::Load()
{
    m_lines.clear();
    m_crlf = false;
    const QFileInfo info(m_fileName);
    if (!info.exists())
        return true;
    if (info.isDir())
        return Fail(QStringLiteral("%1 is a folder.").arg(m_fileName));
    // A pipe or a device would block the program or never end.
    if (!info.isFile())
        return Fail(QStringLiteral("%1 is not a regular file.").arg(m_fileName));
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("%1 cannot be read: %2.").arg(m_fileName, file.errorString()));
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return Fail(QStringLiteral("%1 cannot be read: %2.").arg(m_fileName, file.errorString()));
    if (bytes.size() > kMaxFileBytes)
        return Fail(QStringLiteral("%1 is too large for a settings file.").arg(m_fileName));
    QList<QByteArray> raws = bytes.split('\n');
    if (bytes.endsWith('\n') || bytes.isEmpty())
        raws.removeLast();
    m_lines.reserve(raws.size());
    for (const QByteArray& raw : raws)
        m_lines.append(ParseLine(raw, m_lines.isEmpty()));
    m_crlf = !raws.isEmpty() && raws.front().endsWith('\r');
    return true;
}

bool TIniFile::Save()
{
    const QFileInfo info(m_fileName);
    if (info.isDir())
        return Fail(QStringLiteral("%1 is a folder.").arg(m_fileName));
    if (info.exists() && !info.isFile())
        return Fail(QStringLiteral("%1 is not a regular file.").arg(m_fileName));
    if ((info.exists() && !IsWritable(m_fileName))
        || (QFileInfo(info.absolutePath()).isDir() && !IsWritable(info.absolutePath())))
        return Fail(QStringLiteral("%1 is read-only.").arg(m_fileName));
    QByteArray bytes;
    for (const Line& line : m_lines) {
        bytes += line.raw;
        bytes += '\n';
    }
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Fail(QStringLiteral("%1 cannot be written: %2.").arg(m_fileName, reason));
    }
    return true;
}

qsizetype TIniFile::FindSection(const QString& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Section && SameName(m_lines[i].name, section))
            return i;
    }
    return -1;
}

qsizetype TIniFile::SectionEnd(qsizetype header) const
{
    qsizetype end = header + 1;
    while (end < m_lines.size() && m_lines[end].kind != Line::Section)
        ++end;
    return end;
}

bool TIniFile::SectionExists(const QString& section) const
{
    return FindSection(section) >= 0;
}

TIniFile::Entries TIniFile::SectionEntries(const QString& section) const
{
    Entries entries;
    const qsizetype header = FindSection(section);
    if (header < 0)
        return entries;
    QSet<QString> seen;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line& line = m_lines[i];
        if (line.kind == Line::Entry && !seen.contains(line.name.toCaseFolded())) {
            seen.insert(line.name.toCaseFolded());
            entries.append({ line.name, line.value });
        }
    }
    return entries;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& fallback) const
{
    const qsizetype header = FindSection(section);
    if (header < 0)
        return fallback;
    const qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Entry && SameName(m_lines[i].name, key))
            return m_lines[i].value;
    }
    return fallback;
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int fallback) const
{
    bool ok = false;
    const int value = ReadString(section, key).toInt(&ok, 10);
    return ok ? value : fallback;
}

QByteArray TIniFile::Encode(const QString& text) const
{
    return m_crlf ? text.toUtf8() + '\r' : text.toUtf8();
}

bool TIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (section.isEmpty() || section != section.trimmed() || section.contains(u']') || HasLineBreak(section))
        return Fail(QStringLiteral("The section name \"%1\" cannot be written to %2.").arg(section, m_fileName));
    if (key.isEmpty() || key != key.trimmed() || key.contains(u'=') || HasLineBreak(key) || key.startsWith(u'[')
        || key.startsWith(u';') || key.startsWith(u'#'))
        return Fail(QStringLiteral("The key \"%1\" cannot be written to %2.").arg(key, m_fileName));
    if (HasLineBreak(value))
        return Fail(
            QStringLiteral("The value of \"%1\" holds a line break and cannot be written to %2.").arg(key, m_fileName));
    // Quotes keep what reading would strip: blanks at either end, or a pair of quotes of the value's own.
    const bool quote = value != value.trimmed() || QuotedPair(value);
    const Line entry = ParseLine(Encode(key + u'=' + (quote ? u'"' + value + u'"' : value)), false);

    const qsizetype header = FindSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && !m_lines.back().raw.trimmed().isEmpty())
            m_lines.append(ParseLine(Encode({}), false));
        m_lines.append(ParseLine(Encode(u'[' + section + u']'), m_lines.isEmpty()));
        m_lines.append(entry);
        return true;
    }
    qsizetype end = SectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (m_lines[i].kind == Line::Entry && SameName(m_lines[i].name, key)) {
            m_lines[i] = entry;
            return true;
        }
    }
    // A new entry goes after the section's last line that is not blank, so the blank lines that part it
    // from the next section stay where they are.
    while (end - 1 > header && m_lines[end - 1].raw.trimmed().isEmpty())
        --end;
    m_lines.insert(end, entry);
    return true;
}

bool TIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}
