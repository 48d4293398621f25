// Shell and file helpers: opening documents and addresses, special folders, the data folder, file queries,
// folder listings and small text functions. Free functions without state, for the user-interface thread.
#pragma once

#include "platform/Launcher.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <cstdint>

// --- Shell ---------------------------------------------------------------------------------------------

// Opens a document, a folder or a web address with its default program; false when the file or folder
// does not exist, the address is not valid or the launcher refused it. Shows nothing on failure and does
// not wait for the started program.
bool RunShell(platform::Launcher& launcher, const QString& file);
// Opens a web address or a "mailto:" address (a local file works too); the same results as RunShell.
bool ShellOpen(platform::Launcher& launcher, const QString& file);

// --- Folders -------------------------------------------------------------------------------------------

// The special folders the program uses.
inline constexpr int kFolderDesktop = 0x00;
inline constexpr int kFolderRoamingAppData = 0x1A;
inline constexpr int kFolderLocalAppData = 0x1C;

// A special folder without trailing delimiter: roaming data = $XDG_DATA_HOME (~/.local/share), local data =
// $XDG_STATE_HOME (~/.local/state), desktop = the XDG desktop folder (~/Desktop). Empty for an unknown
// identifier or when neither the variable nor a home folder is set.
QString SpecialFolderPath(int folder);

// Where the program keeps its log, the working copy and its temporary pictures.
struct DataFolder {
    QString path; // with a trailing delimiter
    bool isProgramFolder = false; // the per-user folder could not be made: this is the program's own folder
};
// "<roaming data>/Quillmoor/<title>/", created on demand and made readable by its owner only; the program's
// folder when it cannot be made. Every call repeats the creation attempts.
DataFolder LocateDataFolder(const QString& programFile, const QString& title);
// The path of LocateDataFolder.
QString GetDataFolder(const QString& programFile, const QString& title);
// Removes "<roaming data>/Quillmoor/" when it holds no sub-folder (and, since only an empty folder can be
// removed, no file).
void RemoveEmptyMakerDataFolder();
// Deletes the files of `folder` whose extension is `extension` ("*" for all), descends into sub-folders
// whose names match the same way, then removes the folder when it has become empty. Symbolic links are
// removed, never followed. Does nothing for an empty folder name. Always true.
bool DeleteFilesByExtension(const QString& folder, const QString& extension);
// Creates one folder with the permission bits `mode` (less the umask); false when it cannot be made,
// including when it exists already.
bool CreateFolderLongPath(const QString& path, unsigned mode = 0777);

// --- File queries --------------------------------------------------------------------------------------

// True when something exists at `path` and it is not a folder.
bool IsExistingFile(const QString& path);
// True when `path` is a folder (a link to a folder counts).
bool IsExistingFolder(const QString& path);
// The file version of the executable at `path` as four numbers joined by "."; "File not found" when no
// file exists there, empty when it has no version resource.
QString FileVersionText(const QString& path);
// The size of the file in bytes; 0 for a folder or when nothing exists there.
uint64_t FileSize64(const QString& path);
// True for an existing file of at least one byte.
bool IsNonEmptyFile(const QString& path);
// The dropped-file query over the addresses of one drop: `index` 0xFFFFFFFF gives their number; any other
// index gives the length of that address's local path and copies the path into `name` when one is given,
// or 0 when the index is out of range or the address is no local file.
uint32_t DragQueryFileWide(const QList<QUrl>& drop, uint32_t index, QString* name = nullptr);

// --- Folder listings -----------------------------------------------------------------------------------
// Each appends full paths (folder, delimiter, name) to `list`, hidden entries included, in the order the
// system lists them. The descending ones never follow a link to a folder, so a link loop cannot trap them.

// Files (not folders) whose extension, dot included, equals `extension` without regard to case; descends.
void ListFilesByExtension(const QString& folder, const QString& extension, QStringList& list);
// The entries for which IsExistingFile holds.
void ListFiles(const QString& folder, QStringList& list);
// The entries for which IsExistingFolder holds.
void ListFolders(const QString& folder, QStringList& list);
// Files (not folders) named `name` without regard to case.
void ListFilesNamed(const QString& folder, const QString& name, QStringList& list);
// Files (not folders) named `name` without regard to case; descends.
void FindFilesNamed(const QString& folder, const QString& name, QStringList& list);

// --- Text ----------------------------------------------------------------------------------------------

// True when `text` contains `part`, without regard to case.
bool TextContains(const QString& part, const QString& text);
// True when `text` begins with `prefix`, without regard to case.
bool TextStartsWith(const QString& text, const QString& prefix);
// True when `text` ends with `suffix`, without regard to case.
bool TextEndsWith(const QString& text, const QString& suffix);
// True when `text` begins with `prefix`, with exact case.
bool StartsWithExact(const QString& text, const QString& prefix);
// `text` without `prefix` when TextStartsWith holds, else `text`.
QString StripPrefix(const QString& text, const QString& prefix);
// `text` without `suffix` when TextEndsWith holds, else `text`.
QString StripSuffix(const QString& text, const QString& suffix);
// The first `n` characters; n is clamped to 0 .. length.
QString LeftPart(const QString& text, int n);
// The last `n` characters; n is clamped to 0 .. length.
QString RightPart(const QString& text, int n);
// 0 for an empty text, else 1 plus the number of its characters that occur in `separators`.
int FieldCount(const QString& text, const QString& separators);
// The field `index` (from 0) of `text` split at every character of `separators`; empty when out of range.
QString FieldAt(const QString& text, int index, const QString& separators);
// The text after the first occurrence of `part`, or the whole text when it does not occur.
QString AfterFirst(const QString& text, const QString& part);
// The text before the first occurrence of `part`, or the whole text when it does not occur.
QString BeforeFirst(const QString& text, const QString& part);
// The UTF-8 bytes of `text` made safe for a query value: letters, digits, "-", "." and "_" stay, a blank
// becomes "%20", every other byte "%" and two upper-case hexadecimal digits.
QString UrlEncode(const QString& text);
// The name after the last "/", without the part from its last "." on.
QString FileBaseName(const QString& path);
// `text` without trailing blank-separated words that begin with "http://" or "https://".
QString StripTrailingUrls(const QString& text);
// The larger of two integers.
int MaxOf(int a, int b);
