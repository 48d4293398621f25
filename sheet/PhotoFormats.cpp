// The catalogue of official photo formats, their labels, and reading a label back into a photo size.
#include "sheet/PhotoFormats.h"

#include "sheet/Rounding.h"

#include <QLocale>

#include <cmath>

const std::array<FormatEntry, kFormatCount> kPhotoFormats = {
    FormatEntry{ "40 x 50 mm", "Albania" },  // 0
    FormatEntry{ "1,5 x 1,5 in", "Argentina" },  // 1
    FormatEntry{ "40 x 40 mm", "Argentina - Passport" },  // 2
    FormatEntry{ "35 x 45 mm", "Australia" },  // 3
    FormatEntry{ "35 x 45 mm", "Austria" },  // 4
    FormatEntry{ "2 x 2 in", "Bahamas" },  // 5
    FormatEntry{ "40 x 50 mm", "Belarus" },  // 6
    FormatEntry{ "35 x 45 mm", "Belgium" },  // 7
    FormatEntry{ "2 x 2 in", "Belize" },  // 8
    FormatEntry{ "2 x 2 in", "Bolivia" },  // 9
    FormatEntry{ "30 x 40 mm", "Brazil - ID" },  // 10
    FormatEntry{ "50 x 70 mm", "Brazil - Passport" },  // 11
    FormatEntry{ "35 x 45 mm", "Bulgaria" },  // 12
    FormatEntry{ "50 x 70 mm", "Canada" },  // 13
    FormatEntry{ "30 x 40 mm", "Chile" },  // 14
    FormatEntry{ "33 x 48 mm", "China" },  // 15
    FormatEntry{ "26 x 32 mm", "China 2G ID" },  // 16
    FormatEntry{ "1,5 x 2,5 in", "Colombia" },  // 17
    FormatEntry{ "35 x 45 mm", "Croatia" },  // 18
    FormatEntry{ "35 x 45 mm", "Czech Republic" },  // 19
    FormatEntry{ "35 x 45 mm", "Denmark" },  // 20
    FormatEntry{ "40 x 50 mm", "Estonia" },  // 21
    FormatEntry{ "35 x 45 mm", "Equator" },  // 22
    FormatEntry{ "35 x 45 mm", "Finland" },  // 23
    FormatEntry{ "35 x 45 mm", "France" },  // 24
    FormatEntry{ "35 x 45 mm", "Germany" },  // 25
    FormatEntry{ "40 x 60 mm", "Greece" },  // 26
    FormatEntry{ "40 x 50 mm", "Hong Kong" },  // 27
    FormatEntry{ "35 x 45 mm", "Hungary" },  // 28
    FormatEntry{ "40 x 40 mm", "Hungary - Traffic board" },  // 29
    FormatEntry{ "2 x 2 in", "India" },  // 30
    FormatEntry{ "2 x 2 in", "Indonesia" },  // 31
    FormatEntry{ "35 x 45 mm", "Ireland" },  // 32
    FormatEntry{ "35 x 45 mm", "Israel" },  // 33
    FormatEntry{ "35 x 45 mm", "Italy" },  // 34
    FormatEntry{ "40 x 40 mm", "Italy - Passport" },  // 35
    FormatEntry{ "33 x 40 mm", "Italy - Driving Licence" },  // 36
    FormatEntry{ "2 x 2 in", "Jamaica" },  // 37
    FormatEntry{ "35 x 45 mm", "Japan - Visa" },  // 38
    FormatEntry{ "30 x 40 mm", "Japan - ID" },  // 39
    FormatEntry{ "35 x 45 mm", "Kenya" },  // 40
    FormatEntry{ "2 x 2 in", "Lebanon" },  // 41
    FormatEntry{ "2 x 2 in", "Malaysia" },  // 42
    FormatEntry{ "25 x 30 mm", "Mexico" },  // 43
    FormatEntry{ "35 x 45 mm", "Morocco" },  // 44
    FormatEntry{ "35 x 45 mm", "Netherlands" },  // 45
    FormatEntry{ "35 x 45 mm", "New Zealand" },  // 46
    FormatEntry{ "35 x 45 mm", "Nigeria" },  // 47
    FormatEntry{ "35 x 45 mm", "Norway" },  // 48
    FormatEntry{ "2 x 2 in", "Pakistan" },  // 49
    FormatEntry{ "35 x 45 mm", "Panama" },  // 50
    FormatEntry{ "2 x 2 in", "Peru" },  // 51
    FormatEntry{ "35 x 45 mm", "Philippines" },  // 52
    FormatEntry{ "35 x 45 mm", "Poland" },  // 53
    FormatEntry{ "35 x 45 mm", "Portugal" },  // 54
    FormatEntry{ "35 x 45 mm", "Romania" },  // 55
    FormatEntry{ "35 x 45 mm", "Russia" },  // 56
    FormatEntry{ "35 x 45 mm", "Singapore" },  // 57
    FormatEntry{ "35 x 45 mm", "South Africa" },  // 58
    FormatEntry{ "26 x 32 mm", "Spain" },  // 59
    FormatEntry{ "35 x 45 mm", "Sweden" },  // 60
    FormatEntry{ "35 x 45 mm", "Switzerland" },  // 61
    FormatEntry{ "50 x 50 mm", "Taiwan" },  // 62
    FormatEntry{ "35 x 45 mm", "Tanzania" },  // 63
    FormatEntry{ "2 x 2 in", "Thailand" },  // 64
    FormatEntry{ "43 x 53 mm", "Trinidad and Tobago" },  // 65
    FormatEntry{ "35 x 45 mm", "Turkey" },  // 66
    FormatEntry{ "45 x 60 mm", "Turkey" },  // 67
    FormatEntry{ "35 x 45 mm", "United Kingdom" },  // 68
    FormatEntry{ "2 x 2 in", "United States" },  // 69
    FormatEntry{ "2 x 2 in", "Venezuela" },  // 70
    FormatEntry{ "35 x 45 mm", "Zimbabwe" },  // 71
};

namespace {

// Leading and trailing spaces and control characters go; everything inside stays.
QString TrimControls(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= ' ')
        ++first;
    while (last > first && text[last - 1].unicode() <= ' ')
        --last;
    return text.mid(first, last - first);
}

// A decimal number whatever the user's locale: a comma is always the decimal separator.
std::optional<float> ParseSize(const QString& text)
{
    QString number = TrimControls(text);
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const float value = QLocale::c().toFloat(number, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

QString FormatLabel(const FormatEntry& entry, const TranslateFn& translate)
{
    return QLatin1String(entry.sizePart) + QLatin1String(" (") + translate(QString::fromLatin1(entry.country))
        + QLatin1Char(')');
}

QStringList BuildFormatLabels(const TranslateFn& translate)
{
    QStringList labels;
    labels.reserve(kFormatCount);
    for (const FormatEntry& entry : kPhotoFormats)
        labels << FormatLabel(entry, translate);
    return labels;
}

std::optional<PhotoFormat> ParseFormatLabel(const QString& label)
{
    const qsizetype paren = label.indexOf(QLatin1Char('('));
    if (paren < 0)
        return std::nullopt;
    const QString size = TrimControls(label.left(paren));
    const QString unit = TrimControls(size.right(2));
    if (unit != QLatin1String("mm") && unit != QLatin1String("in"))
        return std::nullopt;
    const QString numbers = TrimControls(size.left(size.size() - 2));
    const qsizetype x = numbers.indexOf(QLatin1Char('x'));
    if (x < 0)
        return std::nullopt;
    const std::optional<float> width = ParseSize(numbers.left(x));
    const std::optional<float> height = ParseSize(numbers.mid(x + 1));
    // A size must be a real, positive length: a zero, negative or non-numeric part is no photo format.
    if (!width || !height || *width <= 0 || *height <= 0)
        return std::nullopt;
    return PhotoFormat { label, *width, *height, unit };
}

bool NormMaskAllowed(const std::optional<PhotoFormat>& format)
{
    return format && format->width == 35 && format->height == 45;
}

int InchToMm(double inches)
{
    // Extended precision, truncated: 2 in is 50.8 mm and gives 50, never 51.
    return static_cast<int>(static_cast<long double>(inches) * 25.4L);
}

SizeMm SheetSizeMm(const PhotoFormat& format)
{
    if (format.unit == QLatin1String("in"))
        return { InchToMm(format.width), InchToMm(format.height) };
    return { RoundHalfEven(format.width), RoundHalfEven(format.height) };
}
