// Reading a picture file: JPEG through libjpeg-turbo (shown upright), Windows bitmaps through Qt.
#pragma once

#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>

// The largest picture the program decodes: ordinary phone photos (50 megapixels) pass, bombs do not.
inline constexpr int64_t kMaxPicturePixels = 100'000'000;

struct PictureResult {
    QImage picture;  // Format_ARGB32, alpha 255; null on failure
    QString error;   // one clear sentence on failure
};

// Loads `path`: a file beginning with "BM" is a Windows bitmap, anything else is taken as JPEG and turned
// upright by its EXIF orientation. A non-empty `atLeast` (in upright pixels) lets the JPEG decoder shrink
// the picture by a factor of n/8 while keeping it at least that large, which is much faster for large
// photos that end up small. Damaged, truncated and over-large files fail with a message.
PictureResult LoadPictureFile(const QString& path, QSize atLeast = {});
// The same, on the bytes of a file already in memory.
PictureResult DecodePicture(QByteArrayView data, QSize atLeast = {});

// The EXIF orientation (1 to 8) found in the payload of a JPEG APP1 segment, if any.
std::optional<int> ExifOrientation(const uint8_t* data, size_t size);
// Turns a picture stored with EXIF orientation `orientation` upright.
QImage ApplyOrientation(const QImage& picture, int orientation);
