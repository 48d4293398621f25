// TLogFile: the program's run log, a bounded list of time-stamped lines written whole to one file.
#include "support/U_Log.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>

namespace {

QDateTime CurrentLocalTime()
{
    return QDateTime::currentDateTime();
}

QString TwoDigits(int value)
{
    // ASCII digits whatever the locale, like the rest of the line.
    return QStringLiteral("%1").arg(value % 100, 2, 10, QLatin1Char('0'));
}

// Reads an existing log file's lines in file order; any of CR LF, LF or CR ends a line.
QStringList ReadLogLines(const QString& fileName)
{
    QFile file(fileName);
    const auto fail = [&](const QString& why) {
        throw LogFileError(QStringLiteral("Cannot read the log file %1: %2").arg(fileName, why).toStdString());
    };
    if (!file.open(QIODevice::ReadOnly))
        fail(file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(file.errorString());
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    // Loading a file that is not UTF-8 would garble it on the next save; refuse it and leave it as it is.
    if (decoder.hasError())
        fail(QStringLiteral("it is not UTF-8 text"));
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    // A line break ends the line before it; it does not start an empty last line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

QString LogLevelWord(int level)
{
    if (level <= kLogVerbose)
        return QStringLiteral("Verbose");
    if (level == kLogInfo)
        return QStringLiteral("Info");
    return QStringLiteral("Error");
}

QString LocaleTimeSeparator(const QLocale& locale)
{
    // The locale's short time format puts its separator right after the hours ("HH:mm", "H.mm").
    // Separators spelt with letters ("HH 'h' mm") are not a separator a time stamp can use.
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    const auto isHour = [](QChar c) { return c == u'h' || c == u'H'; };
    qsizetype start = std::find_if(format.begin(), format.end(), isHour) - format.begin();
    while (start < format.size() && isHour(format[start]))
        ++start;
    const qsizetype end = format.indexOf(u'm', start);
    if (end < 0)
        return QStringLiteral(":");
    QString separator = format.mid(start, end - start);
    separator.remove(u'\'');
    const bool plain = !separator.isEmpty()
        && std::none_of(separator.begin(), separator.end(), [](QChar c) { return c.isLetterOrNumber(); });
    return plain ? separator : QStringLiteral(":");
}

QString LogTimeStamp(const QDateTime& time, const QString& timeSeparator)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return u'[' + TwoDigits(date.year()) + u'-' + TwoDigits(date.month()) + u'-' + TwoDigits(date.day()) + u' '
        + TwoDigits(clock.hour()) + timeSeparator + TwoDigits(clock.minute()) + timeSeparator
        + TwoDigits(clock.second()) + u']';
}

QString FormatLogLine(const QString& message, int level, const QDateTime& time, const QString& timeSeparator)
{
    return LogLevelWord(level) + u'\t' + LogTimeStamp(time, timeSeparator) + u'\t' + message;
}

TLogFile::TLogFile(const QString& fileName, bool loadExisting, int maxLines, bool verbose)
    : m_fileName(fileName)
    , m_maxLines(maxLines)
    , m_verbose(verbose)
    , m_clock(CurrentLocalTime)
{
    if (loadExisting && QFile::exists(fileName))
        m_lines = ReadLogLines(fileName);
}

TLogFile::~TLogFile()
{
    Save();
}

void TLogFile::AddLine(const QString& message, int level)
{
    // Negative levels are treated as Verbose: the quietest choice for a level nobody defined.
    if (level <= kLogVerbose && !m_verbose)
        return;
    m_lines.prepend(FormatLogLine(message, level, m_clock(), LocaleTimeSeparator(QLocale())));
    // One line at most goes per addition, so a loaded log longer than the limit shrinks gradually.
    if (m_lines.size() > m_maxLines)
        m_lines.removeLast();
    if (m_verbose)
        Save();
}

void TLogFile::Save() const
{
    const qsizetype slash = m_fileName.lastIndexOf(u'/');
    if (slash < 0 || !QDir(m_fileName.left(slash + 1)).exists())
        return;
    QByteArray bytes;
    for (const QString& line : m_lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    // The temporary file is renamed over the log only when everything was written: a full disk or a
    // crash in the middle leaves the previous log whole. Failures are not reported by design.
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        return;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}

void TLogFile::SetClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock(CurrentLocalTime);
}

void AddLogLine(TLogFile* log, const QString& message, int level)
{
    if (log)
        log->AddLine(message, level);
}
