// Picture adjustments on 32-bit ARGB pixels.
#include "sheet/Adjustments.h"

#include "sheet/Rounding.h"

#include <QTransform>

#include <algorithm>

QRgb GreyPixel(QRgb pixel)
{
    const int i = (61 * qRed(pixel) + 174 * qGreen(pixel) + 21 * qBlue(pixel)) >> 8;
    return qRgba(i, i, i, 255);
}

QRgb SepiaPixel(QRgb pixel)
{
    const double r = qRed(pixel);
    const double g = qGreen(pixel);
    const double b = qBlue(pixel);
    const auto channel = [](double value) { return std::min(RoundHalfEven(value), 255); };
    return qRgba(channel(0.393 * r + 0.769 * g + 0.189 * b), channel(0.349 * r + 0.686 * g + 0.168 * b),
        channel(0.272 * r + 0.534 * g + 0.131 * b), 255);
}

namespace {

template <typename PixelFn>
void ApplyToPixels(QImage& picture, PixelFn fn)
{
    if (picture.format() != QImage::Format_ARGB32 && picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        std::transform(line, line + picture.width(), line, fn);
    }
}

}  // namespace

void ApplyGreyscale(QImage& picture)
{
    ApplyToPixels(picture, GreyPixel);
}

void ApplySepia(QImage& picture)
{
    ApplyToPixels(picture, SepiaPixel);
}

QImage RotateQuarter(const QImage& picture)
{
    // Qt turns exact quarter turns by moving pixels (no resampling), in cache-friendly tiles.
    return picture.convertToFormat(QImage::Format_ARGB32).transformed(QTransform().rotate(90));
}
