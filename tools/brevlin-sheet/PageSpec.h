// The page of brevlin-sheet: a CUPS printer, explicit device dots, or a paper size at a resolution.
#pragma once

#include "platform/Printer.h"

#include <QString>
#include <QStringList>

#include <optional>

// Lengths of paper names, in millimetres or inches.
struct PaperSize {
    double width = 0;
    double height = 0;
    bool inches = false;
};

// "A4", "Letter", "10x15cm", "4x6in", "<W>x<H>mm", "<W>x<H>in", ... (names without regard to case).
std::optional<PaperSize> ParsePaper(const QString& name);
// A length on paper in whole dots, truncated: trunc(mm / (25.4 / dpi)), or trunc(inches x dpi).
int PaperDots(double length, bool inches, int dpi);
// A resolution "X" or "X,Y"; each between 1 and 9600 dots per inch.
std::optional<std::pair<int, int>> ParseDpi(const QString& text);
// "A,B" as two integers.
std::optional<std::pair<int, int>> ParsePair(const QString& text);
