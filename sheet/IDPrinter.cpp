// TIDPrinter: the sheet engine.
#include "sheet/IDPrinter.h"

#include <cmath>
#include <limits>

int MmToDots(int mm, int dpi)
{
    if (mm <= 0 || dpi <= 0)
        return 0;
    // The order matters for the last dot: 25.4 / dpi first, then mm divided by that.
    const long double dotMm = 25.4L / dpi;
    const long double dots = std::trunc(static_cast<long double>(mm) / dotMm);
    return dots >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(dots);
}

int FitCount(int area, int size)
{
    if (size <= 0 || area < size)
        return 0;
    int n = area / size;
    // Fewer photos whenever the dots left over would give a gap of zero somewhere.
    while (n >= 2 && (area - static_cast<long long>(n) * size) / (n - 1) == 0)
        --n;
    return n;
}

int GapFor(int area, int size, int count)
{
    return count >= 2 ? static_cast<int>((area - static_cast<long long>(count) * size) / (count - 1)) : 0;
}

TIDPrinter::TIDPrinter(platform::Printer& printer) : m_printer(printer)
{
    UpdateMetrics();
}

TIDPrinter::~TIDPrinter() = default;

void TIDPrinter::SetPhotoSize(int widthMm, int heightMm)
{
    m_photoWidthMm = widthMm;
    m_photoHeightMm = heightMm;
    UpdateMetrics();
}

void TIDPrinter::UpdateMetrics()
{
    m_page = m_printer.Metrics();
    m_dpiX = m_page.dpiX;
    m_dpiY = m_page.dpiY;
    m_areaWidth = m_page.pageWidth - 2 * m_page.offsetX;
    m_areaHeight = m_page.pageHeight - 2 * m_page.offsetY;
    ResizePhoto(MmToDots(m_photoWidthMm, m_dpiX), MmToDots(m_photoHeightMm, m_dpiY));
}

void TIDPrinter::ResizePhoto(int width, int height)
{
    // An unchanged size keeps the pixels; after a real change the content is repainted before use.
    if (m_photo.width() == width && m_photo.height() == height)
        return;
    if (width == 0 || height == 0) {
        m_photo = QImage();
        return;
    }
    QImage photo(width, height, QImage::Format_ARGB32);
    if (photo.isNull())
        throw SheetError("Not enough memory for a photo of " + std::to_string(width) + " x "
            + std::to_string(height) + " dots");
    photo.fill(Qt::white);
    m_photo = std::move(photo);
}

int TIDPrinter::PhysicalOffsetX() const
{
    return m_printer.Metrics().offsetX;
}

int TIDPrinter::PhysicalOffsetY() const
{
    return m_printer.Metrics().offsetY;
}

int TIDPrinter::ColumnCount() const
{
    return FitCount(m_areaWidth, m_photo.width());
}

int TIDPrinter::RowCount() const
{
    return FitCount(m_areaHeight, m_photo.height());
}

int TIDPrinter::Capacity() const
{
    return ColumnCount() * RowCount();
}

SheetLayout TIDPrinter::Layout() const
{
    SheetLayout layout;
    layout.page = m_page;
    layout.photoWidth = m_photo.width();
    layout.photoHeight = m_photo.height();
    if (m_photo.isNull())
        return layout;
    layout.columns = ColumnCount();
    layout.rows = RowCount();
    if (layout.columns == 0 || layout.rows == 0)
        return layout;
    layout.gapX = GapFor(m_areaWidth, layout.photoWidth, layout.columns);
    layout.gapY = GapFor(m_areaHeight, layout.photoHeight, layout.rows);
    const int count = std::clamp(m_count, 0, layout.Capacity());
    layout.places.reserve(count);
    for (int index = 0; index < count; ++index) {
        const int r = index / layout.columns;
        const int c = index % layout.columns;
        layout.places.emplace_back(m_page.offsetX + layout.gapX * c + c * layout.photoWidth,
            m_page.offsetY + layout.gapY * r + r * layout.photoHeight);
    }
    return layout;
}

void TIDPrinter::DrawSheet(platform::Canvas& canvas)
{
    UpdateMetrics();
    const SheetLayout layout = Layout();
    if (layout.places.empty())
        return;
    // One conversion per sheet; every place gets the same bitmap, copied at 1:1.
    const QImage bitmap = m_photo.convertToFormat(QImage::Format_RGB888);
    for (const QPoint& place : layout.places)
        canvas.DrawBitmap(place.x(), place.y(), bitmap);
}

void TIDPrinter::PrintSheet(const QString& title)
{
    UpdateMetrics();
    platform::Canvas& canvas = m_printer.BeginJob(title);
    try {
        DrawSheet(canvas);
    } catch (...) {
        // The job is closed whatever happened while drawing, so the spooler is never left waiting.
        try {
            m_printer.EndJob();
        } catch (const platform::PrinterError&) {
        }
        throw;
    }
    m_printer.EndJob();
}
