// Draws a laid-out sheet band by band, or scaled to a view.
#include "sheet/SheetRenderer.h"

#include <algorithm>
#include <cstring>

namespace {

int NearestSource(int v, int viewLength, int pageLength)
{
    return static_cast<int>((2LL * v + 1) * pageLength / (2LL * viewLength));
}

}  // namespace

SheetRenderer::SheetRenderer(const SheetLayout& layout, const QImage& photo)
    : m_layout(layout)
    , m_photo(photo.convertToFormat(QImage::Format_RGB888))
{
}

void SheetRenderer::RenderRows(int y, int count, uchar* out, qsizetype stride) const
{
    const int width = m_layout.page.pageWidth;
    for (int i = 0; i < count; ++i)
        std::memset(out + i * stride, 0xFF, size_t(width) * 3);
    const int w = m_photo.width();
    const int h = m_photo.height();
    for (const QPoint& place : m_layout.places) {
        const int top = std::max(place.y(), y);
        const int bottom = std::min(place.y() + h, y + count);
        const int left = std::max(place.x(), 0);
        const int right = std::min(place.x() + w, width);
        if (top >= bottom || left >= right)
            continue;
        for (int row = top; row < bottom; ++row) {
            const uchar* source = m_photo.constScanLine(row - place.y()) + (left - place.x()) * 3;
            std::memcpy(out + (row - y) * stride + left * 3, source, size_t(right - left) * 3);
        }
    }
}

QImage SheetRenderer::RenderPage() const
{
    QImage page(PageSize(), QImage::Format_RGB888);
    if (!page.isNull())
        RenderRows(0, page.height(), page.bits(), page.bytesPerLine());
    return page;
}

SheetRenderer::Hit SheetRenderer::ColumnAt(int x) const
{
    const int pitch = m_layout.photoWidth + m_layout.gapX;
    const int rel = x - m_layout.page.offsetX;
    if (rel < 0 || pitch <= 0)
        return { -1, -1 };
    const int cell = rel / pitch;
    const int inside = rel - cell * pitch;
    if (cell >= m_layout.columns || inside >= m_layout.photoWidth)
        return { -1, -1 };
    return { cell, inside };
}

SheetRenderer::Hit SheetRenderer::RowAt(int y) const
{
    const int pitch = m_layout.photoHeight + m_layout.gapY;
    const int rel = y - m_layout.page.offsetY;
    if (rel < 0 || pitch <= 0)
        return { -1, -1 };
    const int cell = rel / pitch;
    const int inside = rel - cell * pitch;
    if (cell >= m_layout.rows || inside >= m_layout.photoHeight)
        return { -1, -1 };
    return { cell, inside };
}

QImage SheetRenderer::RenderView(QSize view) const
{
    QImage image(view, QImage::Format_RGB888);
    if (image.isNull() || PageSize().isEmpty())
        return image;
    image.fill(Qt::white);
    std::vector<Hit> columns(view.width());
    for (int vx = 0; vx < view.width(); ++vx)
        columns[vx] = ColumnAt(NearestSource(vx, view.width(), m_layout.page.pageWidth));
    const int count = static_cast<int>(m_layout.places.size());
    for (int vy = 0; vy < view.height(); ++vy) {
        const Hit row = RowAt(NearestSource(vy, view.height(), m_layout.page.pageHeight));
        if (row.cell < 0)
            continue;
        const uchar* source = m_photo.constScanLine(row.photo);
        uchar* out = image.scanLine(vy);
        for (int vx = 0; vx < view.width(); ++vx) {
            const Hit column = columns[vx];
            if (column.cell < 0 || row.cell * m_layout.columns + column.cell >= count)
                continue;
            std::memcpy(out + vx * 3, source + column.photo * 3, 3);
        }
    }
    return image;
}
