// The catalogue of official photo formats, their labels, and reading a label back into a photo size.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// One catalogue entry as parsed from its label.
struct PhotoFormat {
    QString label;
    float width = 0;
    float height = 0;
    QString unit;  // "mm" or "in"
};

// The fixed parts of a catalogue entry: the literal size text that begins the label and the built-in
// (English) country text that is translated when the label is built.
struct FormatEntry {
    const char* sizePart;
    const char* country;
};

inline constexpr int kFormatCount = 72;
// The catalogue, in the order the format list shows it. The stored "PicFormatIdx" is a position in this
// table: entries are never sorted, inserted or removed.
extern const std::array<FormatEntry, kFormatCount> kPhotoFormats;
// The selection when no index has been stored: 35 x 45 mm, Czech Republic.
inline constexpr int kDefaultFormatIndex = 19;

using TranslateFn = std::function<QString(const QString&)>;

// The label of one entry: size part, " (", the country translated by `translate`, ")".
QString FormatLabel(const FormatEntry& entry, const TranslateFn& translate);
// The 72 labels in catalogue order, in the language of `translate`.
QStringList BuildFormatLabels(const TranslateFn& translate);

// Reads a label such as "1,5 x 2,5 in (Colombia)" back into its size; a comma is a decimal separator
// whatever the locale. Fails on a label without "(", without a "mm"/"in" unit, without "x", or of no area.
std::optional<PhotoFormat> ParseFormatLabel(const QString& label);
// True only for a photo of exactly 35 x 45 in its own unit: the face-framing mask fits those alone.
bool NormMaskAllowed(const std::optional<PhotoFormat>& format);
// Inches to whole millimetres, truncated toward zero: 2 in gives 50, 1.5 in gives 38.
int InchToMm(double inches);

struct SizeMm {
    int width = 0;
    int height = 0;
    bool operator==(const SizeMm&) const = default;
};
// The photo size the sheet engine receives: millimetres taken to the nearest integer (ties to even),
// inches through InchToMm.
SizeMm SheetSizeMm(const PhotoFormat& format);
