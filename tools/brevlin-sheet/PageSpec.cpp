// The page of brevlin-sheet.
#include "tools/brevlin-sheet/PageSpec.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>

std::optional<PaperSize> ParsePaper(const QString& name)
{
    static const struct {
        const char* name;
        PaperSize size;
    } kNamed[] = {
        { "a4", { 210, 297, false } },     { "a5", { 148, 210, false } },      { "letter", { 8.5, 11, true } },
        { "legal", { 8.5, 14, true } },    { "10x15cm", { 100, 150, false } }, { "13x18cm", { 130, 180, false } },
        { "4x6in", { 4, 6, true } },       { "5x7in", { 5, 7, true } },
    };
    const QString lower = name.trimmed().toLower();
    for (const auto& paper : kNamed)
        if (lower == QLatin1String(paper.name))
            return paper.size;
    static const QRegularExpression custom(QStringLiteral("^(\\d+(?:\\.\\d+)?)x(\\d+(?:\\.\\d+)?)(mm|in)$"));
    const QRegularExpressionMatch match = custom.match(lower);
    if (!match.hasMatch())
        return std::nullopt;
    const double width = match.captured(1).toDouble();
    const double height = match.captured(2).toDouble();
    if (width <= 0 || height <= 0 || width > 10000 || height > 10000)
        return std::nullopt;
    return PaperSize { width, height, match.captured(3) == QLatin1String("in") };
}

int PaperDots(double length, bool inches, int dpi)
{
    const long double dots = inches ? static_cast<long double>(length) * dpi : length / (25.4L / dpi);
    // A hair of tolerance so that 8.5 in at 600 dpi is 5100 dots even when the decimal is inexact.
    return static_cast<int>(std::trunc(dots + 1e-9L));
}

std::optional<std::pair<int, int>> ParsePair(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    bool okA = false;
    bool okB = false;
    const int a = parts[0].trimmed().toInt(&okA);
    const int b = parts[1].trimmed().toInt(&okB);
    if (!okA || !okB)
        return std::nullopt;
    return std::pair { a, b };
}

std::optional<std::pair<int, int>> ParseDpi(const QString& text)
{
    std::optional<std::pair<int, int>> dpi;
    bool ok = false;
    const int single = text.trimmed().toInt(&ok);
    dpi = ok ? std::optional(std::pair { single, single }) : ParsePair(text);
    if (!dpi || dpi->first < 1 || dpi->second < 1 || dpi->first > 9600 || dpi->second > 9600)
        return std::nullopt;
    return dpi;
}
