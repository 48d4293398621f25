// Draws a laid-out sheet band by band at 1:1, or the whole page scaled to a view, without ever holding
// the full-resolution page in memory.
#pragma once

#include "sheet/IDPrinter.h"

#include <QImage>

#include <vector>

// Renders the page of a SheetLayout (the printable area, white, with the photo at each place). Holds one
// 24-bit copy of the photo; every band or view is computed from it. Immutable after construction, so
// bands may be rendered from several threads at once.
class SheetRenderer {
public:
    SheetRenderer(const SheetLayout& layout, const QImage& photo);

    QSize PageSize() const { return { m_layout.page.pageWidth, m_layout.page.pageHeight }; }
    const SheetLayout& Layout() const { return m_layout; }
    // The photo every place shows, 24-bit.
    const QImage& Photo() const { return m_photo; }

    // Rows [y, y + count) of the page as 24-bit RGB, `stride` bytes from one row to the next.
    void RenderRows(int y, int count, uchar* out, qsizetype stride) const;
    // The whole page at 1:1 (RGB888). Meant for small pages and tests: a 1200-dpi A4 page is 400 MB.
    QImage RenderPage() const;
    // The whole page scaled to `view` by nearest neighbour: view pixel (vx, vy) shows page pixel
    // ((2 vx + 1) W / 2 w, (2 vy + 1) H / 2 h), the page pixel under its centre.
    QImage RenderView(QSize view) const;

private:
    // For one axis: the photo coordinate each page coordinate falls on, with the grid index, or -1.
    struct Hit {
        int cell;
        int photo;
    };
    Hit ColumnAt(int x) const;
    Hit RowAt(int y) const;

    SheetLayout m_layout;
    QImage m_photo;  // RGB888, the bitmap every place shows
};
