// Shell and file helpers over the launcher, the XDG folders and the POSIX file system.
#include "support/U_ShellFile.h"

#include "platform/VersionResource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kMakerFolder = QStringLiteral("Quillmoor");

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

QString WithDelimiter(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// An XDG base folder: the variable when it holds an absolute path (relative ones are to be ignored),
// else the given folder below the home folder.
QString XdgFolder(const char* variable, const QString& belowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (value.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(value);
    const QString home = qEnvironmentVariable("HOME");
    if (!home.startsWith(QLatin1Char('/')))
        return {};
    return QDir::cleanPath(home + QLatin1Char('/') + belowHome);
}

// XDG_DESKTOP_DIR of "user-dirs.dirs": "$HOME/..." or an absolute path, in double quotes.
QString DesktopFolder()
{
    const QString home = qEnvironmentVariable("HOME");
    const QString config = XdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
    QFile dirs(config + QStringLiteral("/user-dirs.dirs"));
    if (!config.isEmpty() && dirs.open(QIODevice::ReadOnly)) {
        QTextStream in(&dirs);
        QString line;
        while (in.readLineInto(&line, 4096)) {
            line = line.trimmed();
            if (!line.startsWith(QLatin1String("XDG_DESKTOP_DIR=")))
                continue;
            QString value = line.mid(16);
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            if (value.startsWith(QLatin1String("$HOME")) && home.startsWith(QLatin1Char('/')))
                value = home + value.mid(5);
            if (value.startsWith(QLatin1Char('/')))
                return QDir::cleanPath(value);
        }
    }
    if (!home.startsWith(QLatin1Char('/')))
        return {};
    return QDir::cleanPath(home + QStringLiteral("/Desktop"));
}

// Creates `path` and any missing folder above it with `mode`; true when it is a folder afterwards.
bool MakePath(const QString& path, unsigned mode)
{
    if (IsExistingFolder(path))
        return true;
    const QString parent = QFileInfo(path).path();
    if (parent != path && !MakePath(parent, mode))
        return false;
    CreateFolderLongPath(path, mode);
    return IsExistingFolder(path);
}

// The entries of a folder, hidden ones included, in the order the system gives them.
QFileInfoList Entries(const QString& folder)
{
    return QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
}

// A folder that a walk may enter: a real folder, not a link to one.
bool IsWalkableFolder(const QFileInfo& entry)
{
    return entry.isDir() && !entry.isSymLink();
}

QString Extension(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

// The address RunShell and ShellOpen hand to the launcher: an existing local file or folder, or an
// address with a scheme; invalid otherwise.
QUrl ShellTarget(const QString& file)
{
    if (file.isEmpty())
        return {};
    const QFileInfo local(file);
    if (local.exists())
        return QUrl::fromLocalFile(local.absoluteFilePath());
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (!scheme.match(file).hasMatch())
        return {};
    const QUrl url(file, QUrl::StrictMode);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return {};
    return url;
}

bool OpenTarget(platform::Launcher& launcher, const QString& file)
{
    const QUrl url = ShellTarget(file);
    return url.isValid() && launcher.Open(url);
}

// Removes blanks and control characters from both ends.
QString TrimControls(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

}  // namespace

// --- Shell ---------------------------------------------------------------------------------------------

bool RunShell(platform::Launcher& launcher, const QString& file)
{
    return OpenTarget(launcher, file);
}

bool ShellOpen(platform::Launcher& launcher, const QString& file)
{
    return OpenTarget(launcher, file);
}

// --- Folders -------------------------------------------------------------------------------------------

QString SpecialFolderPath(int folder)
{
    switch (folder) {
    case kFolderRoamingAppData: return XdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
    case kFolderLocalAppData: return XdgFolder("XDG_STATE_HOME", QStringLiteral(".local/state"));
    case kFolderDesktop: return DesktopFolder();
    default: return {};
    }
}

DataFolder LocateDataFolder(const QString& programFile, const QString& title)
{
    const DataFolder programFolder { WithDelimiter(QFileInfo(programFile).absolutePath()), true };
    const QString roaming = SpecialFolderPath(kFolderRoamingAppData);
    // A new account may not have its data folder yet; it is to be made readable by its owner only.
    if (roaming.isEmpty() || !MakePath(roaming, 0700))
        return programFolder;
    const QString maker = roaming + QLatin1Char('/') + kMakerFolder;
    CreateFolderLongPath(maker, 0700); // fails when it exists, which is fine
    const QString folder = maker + QLatin1Char('/') + title;
    CreateFolderLongPath(folder, 0700);
    if (!IsExistingFolder(folder))
        return programFolder;
    // A folder left by an older copy, or made by hand, may be open to others: it holds personal photos.
    ::chmod(Native(folder).constData(), 0700);
    return { folder + QLatin1Char('/'), false };
}

QString GetDataFolder(const QString& programFile, const QString& title)
{
    return LocateDataFolder(programFile, title).path;
}

void RemoveEmptyMakerDataFolder()
{
    const QString roaming = SpecialFolderPath(kFolderRoamingAppData);
    if (roaming.isEmpty())
        return;
    const QString maker = roaming + QLatin1Char('/') + kMakerFolder + QLatin1Char('/');
    QStringList folders;
    ListFolders(maker, folders);
    if (folders.isEmpty())
        ::rmdir(Native(maker).constData());
}

bool DeleteFilesByExtension(const QString& folder, const QString& extension)
{
    // An empty name would otherwise mean the root folder.
    if (folder.isEmpty())
        return true;
    const bool everything = extension == QLatin1String("*");
    const QString suffix = QStringLiteral(".") + extension;
    for (const QFileInfo& entry : Entries(folder)) {
        const QString name = entry.fileName();
        if (!everything && !name.endsWith(suffix, Qt::CaseInsensitive))
            continue;
        const QString path = WithDelimiter(folder) + name;
        if (IsWalkableFolder(entry))
            DeleteFilesByExtension(path, extension);
        else
            ::unlink(Native(path).constData()); // a link goes, whatever it points at stays
    }
    ::rmdir(Native(folder).constData());
    return true;
}

bool CreateFolderLongPath(const QString& path, unsigned mode)
{
    return !path.isEmpty() && ::mkdir(Native(path).constData(), mode_t(mode)) == 0;
}

// --- File queries --------------------------------------------------------------------------------------

bool IsExistingFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool IsExistingFolder(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString FileVersionText(const QString& path)
{
    if (!IsExistingFile(path))
        return QStringLiteral("File not found");
    const std::optional<platform::VersionResource> resource = platform::ReadVersionResource(path);
    if (!resource || !resource->fixed)
        return {};
    return platform::FixedVersionText(*resource->fixed);
}

uint64_t FileSize64(const QString& path)
{
    if (!IsExistingFile(path))
        return 0;
    return uint64_t(QFileInfo(path).size());
}

bool IsNonEmptyFile(const QString& path)
{
    return IsExistingFile(path) && FileSize64(path) > 0;
}

uint32_t DragQueryFileWide(const QList<QUrl>& drop, uint32_t index, QString* name)
{
    if (index == 0xFFFFFFFFu)
        return uint32_t(drop.size());
    if (index >= uint32_t(drop.size()) || !drop[qsizetype(index)].isLocalFile())
        return 0;
    const QString path = drop[qsizetype(index)].toLocalFile();
    if (name)
        *name = path;
    return uint32_t(path.size());
}

// --- Folder listings -----------------------------------------------------------------------------------

void ListFilesByExtension(const QString& folder, const QString& extension, QStringList& list)
{
    const QString base = WithDelimiter(folder);
    for (const QFileInfo& entry : Entries(base)) {
        if (IsWalkableFolder(entry))
            ListFilesByExtension(base + entry.fileName(), extension, list);
        else if (!entry.isDir() && Extension(entry.fileName()).compare(extension, Qt::CaseInsensitive) == 0)
            list.append(base + entry.fileName());
    }
}

void ListFiles(const QString& folder, QStringList& list)
{
    const QString base = WithDelimiter(folder);
    for (const QFileInfo& entry : Entries(base))
        if (IsExistingFile(base + entry.fileName()))
            list.append(base + entry.fileName());
}

void ListFolders(const QString& folder, QStringList& list)
{
    const QString base = WithDelimiter(folder);
    for (const QFileInfo& entry : Entries(base))
        if (IsExistingFolder(base + entry.fileName()))
            list.append(base + entry.fileName());
}

void ListFilesNamed(const QString& folder, const QString& name, QStringList& list)
{
    const QString base = WithDelimiter(folder);
    for (const QFileInfo& entry : Entries(base))
        if (entry.fileName().compare(name, Qt::CaseInsensitive) == 0 && IsExistingFile(base + entry.fileName()))
            list.append(base + entry.fileName());
}

void FindFilesNamed(const QString& folder, const QString& name, QStringList& list)
{
    const QString base = WithDelimiter(folder);
    for (const QFileInfo& entry : Entries(base)) {
        if (IsWalkableFolder(entry))
            FindFilesNamed(base + entry.fileName(), name, list);
        else if (!entry.isDir() && entry.fileName().compare(name, Qt::CaseInsensitive) == 0)
            list.append(base + entry.fileName());
    }
}

// --- Text ----------------------------------------------------------------------------------------------

bool TextContains(const QString& part, const QString& text)
{
    return text.contains(part, Qt::CaseInsensitive);
}

bool TextStartsWith(const QString& text, const QString& prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

bool TextEndsWith(const QString& text, const QString& suffix)
{
    return text.endsWith(suffix, Qt::CaseInsensitive);
}

bool StartsWithExact(const QString& text, const QString& prefix)
{
    return text.startsWith(prefix, Qt::CaseSensitive);
}

QString StripPrefix(const QString& text, const QString& prefix)
{
    return TextStartsWith(text, prefix) ? text.mid(prefix.size()) : text;
}

QString StripSuffix(const QString& text, const QString& suffix)
{
    return TextEndsWith(text, suffix) ? text.left(text.size() - suffix.size()) : text;
}

QString LeftPart(const QString& text, int n)
{
    return text.left(std::clamp<qsizetype>(n, 0, text.size()));
}

QString RightPart(const QString& text, int n)
{
    return text.right(std::clamp<qsizetype>(n, 0, text.size()));
}

int FieldCount(const QString& text, const QString& separators)
{
    if (text.isEmpty())
        return 0;
    return 1 + int(std::count_if(text.begin(), text.end(), [&](QChar c) { return separators.contains(c); }));
}

QString FieldAt(const QString& text, int index, const QString& separators)
{
    if (index < 0)
        return {};
    int field = 0;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !separators.contains(text[i]))
            continue;
        if (field == index)
            return text.mid(begin, i - begin);
        ++field;
        begin = i + 1;
    }
    return {};
}

QString AfterFirst(const QString& text, const QString& part)
{
    const qsizetype at = text.indexOf(part);
    return at < 0 ? text : text.mid(at + part.size());
}

QString BeforeFirst(const QString& text, const QString& part)
{
    const qsizetype at = text.indexOf(part);
    return at < 0 ? text : text.left(at);
}

QString UrlEncode(const QString& text)
{
    static const char hex[] = "0123456789ABCDEF";
    QString result;
    for (const char c : text.toUtf8()) {
        const uint8_t byte = uint8_t(c);
        if (byte == ' ')
            result += QStringLiteral("%20");
        else if (byte == '-' || byte == '.' || byte == '_' || (byte >= '0' && byte <= '9')
            || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z'))
            result += QLatin1Char(char(byte));
        else
            result += QLatin1String("%") + QLatin1Char(hex[byte >> 4]) + QLatin1Char(hex[byte & 0xF]);
    }
    return result;
}

QString FileBaseName(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString StripTrailingUrls(const QString& text)
{
    const QString blank = QStringLiteral(" ");
    QString result = text;
    for (const QString& scheme : { QStringLiteral("http://"), QStringLiteral("https://") }) {
        const int count = FieldCount(result, blank);
        if (count <= 1)
            continue;
        const QString last = FieldAt(result, count - 1, blank);
        if (TextStartsWith(last, scheme))
            result = StripTrailingUrls(TrimControls(StripSuffix(result, last)));
    }
    return result;
}

int MaxOf(int a, int b)
{
    return std::max(a, b);
}
