// TIDPrinter: the sheet engine. Works out how many photos of one size fit on the printer's page, where
// they go, and draws or prints a sheet of copies of one photo bitmap.
#pragma once

#include "platform/Printer.h"

#include <QImage>
#include <QPoint>

#include <stdexcept>
#include <vector>

// Raised when the photo bitmap cannot be allocated at the requested print size.
class SheetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Millimetres to printer dots: the truncation of mm / (25.4 / dpi), in extended precision and in that
// order. At 600 dpi 35 mm gives 826; a resolution of 0 or less, or a negative length, gives 0.
int MmToDots(int mm, int dpi);
// How many photos of `size` dots fit in `area` dots with at least one dot between neighbours.
int FitCount(int area, int size);
// The dots between neighbours when `count` photos of `size` share `area`; 0 for fewer than two photos.
int GapFor(int area, int size, int count);

// Where a sheet's photos go, in page coordinates (origin at the printable area's top-left corner).
struct SheetLayout {
    platform::PageMetrics page;
    int photoWidth = 0;
    int photoHeight = 0;
    int columns = 0;
    int rows = 0;
    int gapX = 0;
    int gapY = 0;
    // Top-left corners of the photos drawn, row by row, each row from the left; at most `Capacity`.
    std::vector<QPoint> places;

    int Capacity() const { return columns * rows; }
};

// Owns the photo bitmap at print resolution and the photo size; reads everything else from its printer
// afresh before each sheet. One instance lives as long as the main window; user-interface thread only.
class TIDPrinter {
public:
    // Queries the printer; throws platform::PrinterError when it cannot be queried.
    explicit TIDPrinter(platform::Printer& printer);
    virtual ~TIDPrinter();
    TIDPrinter(const TIDPrinter&) = delete;
    TIDPrinter& operator=(const TIDPrinter&) = delete;

    // Stores the photo size in whole millimetres and resizes the photo bitmap for the printer.
    void SetPhotoSize(int widthMm, int heightMm);
    // Re-reads resolution and page from the printer and sizes the photo bitmap to match.
    void UpdateMetrics();

    int PhysicalOffsetX() const;
    int PhysicalOffsetY() const;
    int ColumnCount() const;
    int RowCount() const;
    int Capacity() const;

    // The places of the next sheet for the current metrics and Count (no metrics update of its own).
    SheetLayout Layout() const;
    // Updates the metrics, then copies the photo at 1:1 to each of its first Count places on `canvas`.
    void DrawSheet(platform::Canvas& canvas);
    // One print job of one page on the printer, titled `title`; throws platform::PrinterError.
    void PrintSheet(const QString& title = QStringLiteral("Brevlin"));

    int AreaWidth() const { return m_areaWidth; }
    int AreaHeight() const { return m_areaHeight; }
    int PhotoWidthMm() const { return m_photoWidthMm; }
    int PhotoHeightMm() const { return m_photoHeightMm; }
    int DpiX() const { return m_dpiX; }
    int DpiY() const { return m_dpiY; }
    int Count() const { return m_count; }
    void SetCount(int count) { m_count = count; }
    // The photo at print size, 32-bit ARGB; the print command paints it before every sheet.
    QImage& Photo() { return m_photo; }
    const QImage& Photo() const { return m_photo; }
    platform::Printer& Printer() const { return m_printer; }

private:
    void ResizePhoto(int width, int height);

    platform::Printer& m_printer;
    int m_areaWidth = 0;
    int m_areaHeight = 0;
    int m_photoWidthMm = 35;
    int m_photoHeightMm = 45;
    int m_dpiX = 0;
    int m_dpiY = 0;
    int m_count = 0;
    QImage m_photo;
    platform::PageMetrics m_page;
};
