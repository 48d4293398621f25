// Writing a sheet to a picture file, streamed band by band.
#include "sheet/SheetWriter.h"

#include "sheet/JpegSheetEncoder.h"

#include <QFileInfo>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cstring>
#include <vector>

#include <zlib.h>

namespace {

// Rows rendered at once: a few megabytes at 1200 dpi.
constexpr int kBandRows = 64;

class WriteFailed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

void WriteAll(QIODevice& device, const void* data, qint64 size)
{
    if (device.write(static_cast<const char*>(data), size) != size)
        throw WriteFailed(device.errorString().toStdString());
}

void Put32Le(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

void Put32Be(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 3; i >= 0; --i)
        out.push_back(uint8_t(v >> (8 * i)));
}

uint32_t PixelsPerMetre(int dpi)
{
    return uint32_t(dpi / 0.0254 + 0.5);
}

// ---- PNG --------------------------------------------------------------------------------------------

void WritePngChunk(QIODevice& device, const char* type, const uint8_t* data, uint32_t size)
{
    std::vector<uint8_t> head;
    Put32Be(head, size);
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (size)
        crc = crc32(crc, data, size);
    WriteAll(device, head.data(), qint64(head.size()));
    if (size)
        WriteAll(device, data, size);
    std::vector<uint8_t> tail;
    Put32Be(tail, uint32_t(crc));
    WriteAll(device, tail.data(), 4);
}

void WritePng(QIODevice& device, const SheetRenderer& renderer)
{
    const SheetLayout& layout = renderer.Layout();
    const QSize page = renderer.PageSize();
    WriteAll(device, "\x89PNG\r\n\x1a\n", 8);
    std::vector<uint8_t> header;
    Put32Be(header, uint32_t(page.width()));
    Put32Be(header, uint32_t(page.height()));
    header.insert(header.end(), { 8, 2, 0, 0, 0 });  // 8-bit RGB, deflate, no filter choice, no interlace
    WritePngChunk(device, "IHDR", header.data(), uint32_t(header.size()));
    std::vector<uint8_t> physical;
    Put32Be(physical, PixelsPerMetre(layout.page.dpiX));
    Put32Be(physical, PixelsPerMetre(layout.page.dpiY));
    physical.push_back(1);  // metres
    WritePngChunk(device, "pHYs", physical.data(), uint32_t(physical.size()));

    z_stream z {};
    if (deflateInit(&z, 6) != Z_OK)
        throw WriteFailed("the compressor could not be started");
    const qsizetype stride = qsizetype(page.width()) * 3;
    std::vector<uint8_t> band(size_t(stride) * kBandRows);
    std::vector<uint8_t> filtered(size_t(stride + 1) * kBandRows);
    std::vector<uint8_t> out(1 << 18);
    const auto pump = [&](int flush) {
        do {
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, flush);
            const auto produced = uint32_t(out.size() - z.avail_out);
            if (produced)
                WritePngChunk(device, "IDAT", out.data(), produced);
        } while (z.avail_out == 0 || (flush == Z_FINISH && z.avail_in != 0));
    };
    try {
        for (int y = 0; y < page.height(); y += kBandRows) {
            const int count = std::min(kBandRows, page.height() - y);
            renderer.RenderRows(y, count, band.data(), stride);
            for (int i = 0; i < count; ++i) {
                filtered[i * (stride + 1)] = 0;  // filter type None
                std::memcpy(&filtered[i * (stride + 1) + 1], &band[i * stride], size_t(stride));
            }
            z.next_in = filtered.data();
            z.avail_in = uInt((stride + 1) * count);
            pump(Z_NO_FLUSH);
        }
        pump(Z_FINISH);
    } catch (...) {
        deflateEnd(&z);
        throw;
    }
    deflateEnd(&z);
    WritePngChunk(device, "IEND", nullptr, 0);
}

// ---- BMP --------------------------------------------------------------------------------------------

void WriteBmp(QIODevice& device, const SheetRenderer& renderer)
{
    const SheetLayout& layout = renderer.Layout();
    const QSize page = renderer.PageSize();
    const qsizetype stride = qsizetype(page.width()) * 3;
    const qsizetype padded = (stride + 3) & ~qsizetype(3);
    const qint64 pixelBytes = qint64(padded) * page.height();
    if (pixelBytes + 54 > 0xFFFFFFFFLL)
        throw WriteFailed("the page is too large for a BMP file");
    std::vector<uint8_t> header { 'B', 'M' };
    Put32Le(header, uint32_t(54 + pixelBytes));
    Put32Le(header, 0);
    Put32Le(header, 54);
    Put32Le(header, 40);
    Put32Le(header, uint32_t(page.width()));
    Put32Le(header, uint32_t(page.height()));  // bottom-up rows
    header.insert(header.end(), { 1, 0, 24, 0 });
    Put32Le(header, 0);  // no compression
    Put32Le(header, uint32_t(pixelBytes));
    Put32Le(header, PixelsPerMetre(layout.page.dpiX));
    Put32Le(header, PixelsPerMetre(layout.page.dpiY));
    Put32Le(header, 0);
    Put32Le(header, 0);
    WriteAll(device, header.data(), qint64(header.size()));

    std::vector<uint8_t> band(size_t(stride) * kBandRows);
    std::vector<uint8_t> row(size_t(padded), 0);
    for (int end = page.height(); end > 0; end -= kBandRows) {
        const int y = std::max(0, end - kBandRows);
        const int count = end - y;
        renderer.RenderRows(y, count, band.data(), stride);
        for (int i = count - 1; i >= 0; --i) {
            const uint8_t* rgb = &band[size_t(i) * stride];
            for (int x = 0; x < page.width(); ++x) {
                row[x * 3 + 0] = rgb[x * 3 + 2];
                row[x * 3 + 1] = rgb[x * 3 + 1];
                row[x * 3 + 2] = rgb[x * 3 + 0];
            }
            WriteAll(device, row.data(), padded);
        }
    }
}

// ---- PDF --------------------------------------------------------------------------------------------

void WritePdf(QIODevice& device, const SheetRenderer& renderer, bool wholePaper)
{
    const SheetLayout& layout = renderer.Layout();
    const platform::PageMetrics& m = layout.page;
    QPdfWriter pdf(&device);
    pdf.setCreator(QStringLiteral("Brevlin"));
    pdf.setResolution(m.dpiX);
    // The paper: the printable page with its offsets on every side, in inches of each axis's resolution.
    const int originX = wholePaper ? 0 : m.offsetX;
    const int originY = wholePaper ? 0 : m.offsetY;
    const double paperWidth = m.pageWidth + 2.0 * originX;
    const double paperHeight = m.pageHeight + 2.0 * originY;
    const QSizeF paperInches(paperWidth / m.dpiX, paperHeight / m.dpiY);
    pdf.setPageSize(QPageSize(paperInches * 25.4, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter;
    if (!painter.begin(&pdf))
        throw WriteFailed("the PDF page could not be started");
    // Device units are dots of the horizontal resolution; rows are stretched where the vertical differs.
    painter.scale(1.0, double(m.dpiX) / m.dpiY);
    painter.fillRect(QRectF(0, 0, paperWidth, paperHeight), Qt::white);
    // One bitmap drawn at every place: the PDF embeds it once.
    for (const QPoint& place : layout.places)
        painter.drawImage(QPointF(place.x() + originX, place.y() + originY), renderer.Photo());
    if (!painter.end())
        throw WriteFailed("the PDF page could not be finished");
}

}  // namespace

std::optional<SheetFileType> SheetFileTypeFor(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return SheetFileType::Jpeg;
    if (suffix == QLatin1String("png"))
        return SheetFileType::Png;
    if (suffix == QLatin1String("bmp"))
        return SheetFileType::Bmp;
    if (suffix == QLatin1String("pdf"))
        return SheetFileType::Pdf;
    return std::nullopt;
}

QString WriteSheetFile(const QString& path, SheetFileType type, const SheetRenderer& renderer, bool wholePaper)
{
    if (renderer.PageSize().isEmpty())
        return QStringLiteral("The page is empty.");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("%1 cannot be written: %2.").arg(path, file.errorString());
    try {
        switch (type) {
        case SheetFileType::Jpeg: WriteJpegSheet(file, renderer); break;
        case SheetFileType::Png: WritePng(file, renderer); break;
        case SheetFileType::Bmp: WriteBmp(file, renderer); break;
        case SheetFileType::Pdf: WritePdf(file, renderer, wholePaper); break;
        }
    } catch (const std::runtime_error& failure) {
        file.cancelWriting();
        return QStringLiteral("%1 cannot be written: %2.").arg(path, QString::fromStdString(failure.what()));
    }
    if (!file.commit())
        return QStringLiteral("%1 cannot be written: %2.").arg(path, file.errorString());
    return {};
}
