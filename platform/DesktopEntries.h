// The programs installed for this user and this machine, as their desktop entries list them.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// One folder of desktop entries. An optional folder is read only when it exists; a required one that
// cannot be read is reported.
struct DesktopEntrySource {
    QString folder;  // with a trailing "/"
    bool optional = false;
};

// The applications/ folders in the order they are read: the user's ($XDG_DATA_HOME, ~/.local/share when
// unset), which is optional, then one for each folder of $XDG_DATA_DIRS (/usr/local/share and /usr/share
// when unset). Relative folders are ignored, as the desktop's own tools do.
QList<DesktopEntrySource> DesktopEntrySources();

// The name a desktop entry file shows: the Name= of its [Desktop Entry] group, else the file's base name
// without ".desktop". Files of any content are safe here; only the first MiB is read.
QString DesktopEntryName(const QByteArray& contents, const QString& fileName);

// Fills `names` with, for each source in turn, a header line naming the folder and then the name of each
// of its ".desktop" files in file-name order. `errors` receives "Unable to open " followed by each folder
// or file that cannot be read. Both lists are cleared first.
void ListDesktopEntries(QStringList& names, QStringList& errors);

}  // namespace platform
