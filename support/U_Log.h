// TLogFile: the program's run log, a bounded list of time-stamped lines written whole to one file.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

// Log levels: Verbose lines are kept only by a verbose log; a level above Error counts as Error.
inline constexpr int kLogVerbose = 0;
inline constexpr int kLogInfo = 1;
inline constexpr int kLogError = 2;

// Raised when an existing log file was asked for and cannot be read.
class LogFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The word a log line starts with for `level`: "Verbose", "Info" or "Error" (below 0 counts as 0, above 2 as 2).
QString LogLevelWord(int level);
// The time separator of `locale`'s time format, ":" when the locale's separator is not plain punctuation.
QString LocaleTimeSeparator(const QLocale& locale);
// `time` as "[yy-mm-dd hh:mm:ss]" with leading zeros, a 24-hour clock and `timeSeparator` between the
// hours, minutes and seconds.
QString LogTimeStamp(const QDateTime& time, const QString& timeSeparator);
// One log line: level word, tab, time stamp, tab, message.
QString FormatLogLine(const QString& message, int level, const QDateTime& time, const QString& timeSeparator);

// The run log. Holds its lines in memory, newest first, at most `MaxLines` after an addition, and writes
// them whole to `FileName` (UTF-8, CR LF after each line) through a temporary file renamed into place, so
// the file on disk is always either the previous log or the new one. Saving never creates a folder and
// never reports a failure: the lines stay in memory and the next save tries again. The destructor saves.
// Owned by the main window and lent to the update check; user-interface thread only.
class TLogFile {
public:
    // The current local time; tests replace it to pin the time stamps.
    using Clock = std::function<QDateTime()>;

    // A log writing to `fileName`. With `loadExisting`, an existing file's lines are read in file order;
    // throws LogFileError when that file exists and cannot be read.
    TLogFile(const QString& fileName, bool loadExisting, int maxLines, bool verbose);
    ~TLogFile();
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    // Records `message` at `level` (0 Verbose, 1 Info, 2 Error) on top; drops the oldest line when over
    // `MaxLines`, and saves at once when the log is verbose.
    void AddLine(const QString& message, int level);
    // Writes all lines to `FileName` when its folder exists; failures are silently ignored.
    void Save() const;

    const QString& FileName() const { return m_fileName; }
    // The lines, index 0 the newest.
    const QStringList& Lines() const { return m_lines; }
    int MaxLines() const { return m_maxLines; }
    bool Verbose() const { return m_verbose; }
    // Replaces the clock the time stamps are taken from; an empty clock restores the real one.
    void SetClock(Clock clock);

private:
    QString m_fileName;
    QStringList m_lines;
    int m_maxLines;
    bool m_verbose;
    Clock m_clock;
};

// Records a line through `log` when there is one: code may log through a log that was never created.
void AddLogLine(TLogFile* log, const QString& message, int level);
