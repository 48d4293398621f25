// Desktop entries of installed programs, read straight from the folders the desktop looks in.
#include "platform/DesktopEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dirent.h>

#include <algorithm>

namespace platform {
namespace {

// A desktop entry is a few hundred bytes; anything past this is not looked at.
constexpr qint64 kMaxEntryBytes = 1 << 20;

QString WithSlash(const QString& folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

// The ".desktop" files directly in `folder`, sorted; false when the folder cannot be read.
bool EntryFiles(const QString& folder, QStringList& files)
{
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (name.endsWith(QLatin1String(".desktop")) && name.size() > 8)
            files += name;
    }
    closedir(dir);
    std::sort(files.begin(), files.end());
    return true;
}

}  // namespace

QList<DesktopEntrySource> DesktopEntrySources()
{
    QList<DesktopEntrySource> sources;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(home))
        home = QDir::homePath() + QStringLiteral("/.local/share");
    sources.append({ WithSlash(home) + QStringLiteral("applications/"), true });
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty())
        dirs = QStringLiteral("/usr/local/share/:/usr/share/");
    for (const QString& dir : dirs.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            sources.append({ WithSlash(dir) + QStringLiteral("applications/"), false });
    }
    return sources;
}

QString DesktopEntryName(const QByteArray& contents, const QString& fileName)
{
    const qsizetype end = std::min<qsizetype>(contents.size(), kMaxEntryBytes);
    bool inEntryGroup = false;
    for (qsizetype start = 0; start < end;) {
        qsizetype stop = contents.indexOf('\n', start);
        if (stop < 0 || stop > end)
            stop = end;
        const QByteArray line = contents.sliced(start, stop - start).trimmed();
        start = stop + 1;
        if (line.startsWith('[')) {
            inEntryGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        // Only the plain key counts: "Name[de]=" is a translation.
        if (inEntryGroup && equals > 0 && line.first(equals).trimmed() == "Name") {
            const QString name = QString::fromUtf8(line.sliced(equals + 1).trimmed());
            if (!name.isEmpty())
                return name;
        }
    }
    QString base = fileName.mid(fileName.lastIndexOf(u'/') + 1);
    if (base.endsWith(QLatin1String(".desktop")))
        base.chop(8);
    return base;
}

void ListDesktopEntries(QStringList& names, QStringList& errors)
{
    names.clear();
    errors.clear();
    for (const DesktopEntrySource& source : DesktopEntrySources()) {
        if (source.optional && !QFileInfo::exists(source.folder.chopped(1)))
            continue;
        names += source.folder;
        QStringList files;
        if (!EntryFiles(source.folder, files)) {
            errors += QStringLiteral("Unable to open ") + source.folder;
            continue;
        }
        for (const QString& name : files) {
            // Only regular files are opened: a pipe with an entry's name would block the program.
            QFile file(source.folder + name);
            if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
                errors += QStringLiteral("Unable to open ") + source.folder + name;
                continue;
            }
            names += DesktopEntryName(file.read(kMaxEntryBytes), name);
        }
    }
}

}  // namespace platform
