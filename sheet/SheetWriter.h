// Writing a sheet to a picture file: JPEG, PNG, BMP or PDF, streamed band by band.
#pragma once

#include "sheet/SheetRenderer.h"

#include <QString>

#include <optional>

enum class SheetFileType { Jpeg, Png, Bmp, Pdf };

// The file type a path asks for by its extension (".jpg"/".jpeg", ".png", ".bmp", ".pdf", any case).
std::optional<SheetFileType> SheetFileTypeFor(const QString& path);

// Writes the page of `renderer` to `path` through a temporary file beside it that is renamed into place
// only when everything was written, so a failure never leaves half a file. JPEG is baseline at quality
// 90; JPEG, PNG and BMP carry the page's resolution so a photo lab prints them at true size. A PDF page is
// as large as the paper: the printable page plus its offsets on every side, or the page itself when
// `wholePaper` says the page already is the paper. Returns an error sentence, or an empty text on
// success. PDF needs a QGuiApplication.
QString WriteSheetFile(const QString& path, SheetFileType type, const SheetRenderer& renderer, bool wholePaper = false);
