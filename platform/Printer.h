// Printer access of the sheet engine: page metrics in device dots, a print job and a 1:1 drawing surface.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>

namespace platform {

// What the sheet engine knows of a page: the printable area in dots, the distance of that area from the
// paper's top-left corner in dots, and the resolution in dots per inch (horizontal and vertical).
struct PageMetrics {
    int pageWidth = 0;
    int pageHeight = 0;
    int offsetX = 0;
    int offsetY = 0;
    int dpiX = 0;
    int dpiY = 0;

    bool operator==(const PageMetrics&) const = default;
};

// Raised when a printer cannot be queried or a job cannot be started or finished.
class PrinterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A surface on which 24-bit bitmaps are copied at 1:1, their top-left corner at a point of the page's
// drawing coordinates (origin at the top-left corner of the printable area).
class Canvas {
public:
    virtual ~Canvas() = default;
    // Copies `bitmap` (QImage::Format_RGB888) unscaled with its top-left corner at (x, y).
    virtual void DrawBitmap(int x, int y, const QImage& bitmap) = 0;
};

// One printer. Metrics are asked afresh on every call, so a change of printer or paper takes effect at
// once. Used on the user-interface thread only.
class Printer {
public:
    virtual ~Printer() = default;
    virtual QString Name() const = 0;
    // Throws PrinterError when the printer cannot be queried.
    virtual PageMetrics Metrics() const = 0;
    // Starts a job of one or more pages; the returned canvas is valid until EndJob. Throws PrinterError.
    virtual Canvas& BeginJob(const QString& title) = 0;
    // Ends the job and hands it to the spooler. Throws PrinterError when the job could not be sent.
    virtual void EndJob() = 0;
};

// The installed printers as the print system lists them.
QStringList InstalledPrinters();
// The system's default printer, or an empty text when there is none.
QString DefaultPrinterName();
// A real printer through the print system; throws PrinterError when `name` is not an installed printer.
// An empty name selects the default printer.
std::unique_ptr<Printer> OpenPrinter(const QString& name);

}  // namespace platform
