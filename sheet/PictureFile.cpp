// Reading a picture file: JPEG through libjpeg-turbo, Windows bitmaps through Qt.
#include "sheet/PictureFile.h"

#include "platform/BigBuffer.h"
#include "sheet/Adjustments.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace {

// Far above any real photo file, and small enough to read into memory whole.
constexpr qint64 kMaxFileBytes = 1LL << 30;

QString TooLarge(int64_t width, int64_t height)
{
    return QStringLiteral("The picture is too large: %1 x %2 pixels (at most %3 megapixels).")
        .arg(width)
        .arg(height)
        .arg(kMaxPicturePixels / 1'000'000);
}

uint16_t Read16(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

uint32_t Read32(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                     : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// libjpeg reports fatal errors by calling error_exit, which must not return: jump back to the decoder.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool truncated;
};

void OnJpegError(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    info->err->format_message(info, error->message);
    std::longjmp(error->jump, 1);
}

void OnJpegMessage(j_common_ptr info, int level)
{
    // A file that ends early decodes as grey: the user must hear that the file is incomplete.
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegError*>(info->err)->truncated = true;
}

// The smallest n/8 shrink of the decoder that keeps the picture at least `atLeast` large.
unsigned ScaleNumerator(unsigned width, unsigned height, QSize atLeast)
{
    if (atLeast.isEmpty())
        return 8;
    for (unsigned n = 1; n < 8; ++n) {
        const unsigned w = (width * n + 7) / 8;
        const unsigned h = (height * n + 7) / 8;
        if (w >= unsigned(atLeast.width()) && h >= unsigned(atLeast.height()))
            return n;
    }
    return 8;
}

// Adobe CMYK and YCCK JPEGs store inverted ink values.
void CmykToArgb(const uint8_t* cmyk, QRgb* out, unsigned width)
{
    for (unsigned x = 0; x < width; ++x, cmyk += 4) {
        const int k = cmyk[3];
        out[x] = qRgb(cmyk[0] * k / 255, cmyk[1] * k / 255, cmyk[2] * k / 255);
    }
}

PictureResult DecodeJpeg(QByteArrayView data, QSize atLeast)
{
    jpeg_decompress_struct info {};
    JpegError error {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnJpegError;
    error.manager.emit_message = OnJpegMessage;
    // Everything the jump may skip lives outside this frame's automatic variables that change after it.
    QImage* volatile picture = nullptr;
    std::vector<uint8_t>* volatile row = nullptr;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        delete picture;
        delete row;
        return { {}, QStringLiteral("The picture cannot be read: %1.").arg(QString::fromLatin1(error.message)) };
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()), static_cast<unsigned long>(data.size()));
    jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&info, TRUE);

    if (int64_t(info.image_width) * info.image_height > kMaxPicturePixels) {
        const QString message = TooLarge(info.image_width, info.image_height);
        jpeg_destroy_decompress(&info);
        return { {}, message };
    }
    int orientation = 1;
    for (jpeg_saved_marker_ptr marker = info.marker_list; marker; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1) {
            if (const auto found = ExifOrientation(marker->data, marker->data_length)) {
                orientation = *found;
                break;
            }
        }
    }
    if (orientation >= 5)
        atLeast.transpose();
    info.scale_num = ScaleNumerator(info.image_width, info.image_height, atLeast);
    info.scale_denom = 8;
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    jpeg_start_decompress(&info);

    picture = new QImage(platform::NewBigImage(int(info.output_width), int(info.output_height), QImage::Format_ARGB32));
    if (picture->isNull())
        ERREXIT(&info, JERR_OUT_OF_MEMORY);
    if (cmyk)
        row = new std::vector<uint8_t>(size_t(info.output_width) * 4);
    while (info.output_scanline < info.output_height) {
        uchar* line = picture->scanLine(int(info.output_scanline));
        JSAMPROW target = cmyk ? row->data() : line;
        jpeg_read_scanlines(&info, &target, 1);
        if (cmyk)
            CmykToArgb(row->data(), reinterpret_cast<QRgb*>(line), info.output_width);
        if (error.truncated)
            break;
    }
    const bool truncated = error.truncated;
    if (truncated)
        jpeg_abort_decompress(&info);
    else
        jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    QImage result = std::move(*picture);
    delete picture;
    delete row;
    if (truncated)
        return { {}, QStringLiteral("The picture file is incomplete: it ends before the end of the picture.") };
    return { ApplyOrientation(result, orientation), {} };
}

PictureResult DecodeBitmap(QByteArrayView data)
{
    // The header's size check comes first, so a forged header cannot make the reader allocate gigabytes.
    if (data.size() >= 26) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
        const int64_t width = std::abs(int64_t(int32_t(Read32(bytes + 18, false))));
        const int64_t height = std::abs(int64_t(int32_t(Read32(bytes + 22, false))));
        if (width * height > kMaxPicturePixels)
            return { {}, TooLarge(width, height) };
    }
    QBuffer buffer;
    buffer.setData(data.toByteArray());
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setAllocationLimit(int(kMaxPicturePixels * 4 / (1024 * 1024)) + 1);
    QImage image = reader.read();
    if (image.isNull())
        return { {}, QStringLiteral("The picture cannot be read: %1.").arg(reader.errorString()) };
    return { image.convertToFormat(QImage::Format_ARGB32), {} };
}

}  // namespace

std::optional<int> ExifOrientation(const uint8_t* data, size_t size)
{
    // "Exif\0\0", then a TIFF header whose byte order and first directory lead to tag 0x0112.
    if (size < 14 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return std::nullopt;
    const uint8_t* tiff = data + 6;
    const size_t length = size - 6;
    bool big;
    if (std::memcmp(tiff, "II*\0", 4) == 0)
        big = false;
    else if (std::memcmp(tiff, "MM\0*", 4) == 0)
        big = true;
    else
        return std::nullopt;
    const uint32_t directory = Read32(tiff + 4, big);
    if (directory > length - 2 || length < 2)
        return std::nullopt;
    const unsigned entries = Read16(tiff + directory, big);
    for (unsigned i = 0; i < entries; ++i) {
        const size_t at = size_t(directory) + 2 + size_t(i) * 12;
        if (at + 12 > length)
            break;
        if (Read16(tiff + at, big) != 0x0112)
            continue;
        const unsigned value = Read16(tiff + at + 8, big);
        if (value >= 1 && value <= 8)
            return int(value);
        return std::nullopt;
    }
    return std::nullopt;
}

QImage ApplyOrientation(const QImage& picture, int orientation)
{
    switch (orientation) {
    case 2: return picture.mirrored(true, false);
    case 3: return picture.mirrored(true, true);
    case 4: return picture.mirrored(false, true);
    case 5: return RotateQuarter(picture).mirrored(true, false);
    case 6: return RotateQuarter(picture);
    case 7: return RotateQuarter(picture).mirrored(false, true);
    case 8: return RotateQuarter(picture).mirrored(true, true);
    default: return picture;
    }
}

PictureResult DecodePicture(QByteArrayView data, QSize atLeast)
{
    if (data.isEmpty())
        return { {}, QStringLiteral("The picture file is empty.") };
    if (data.startsWith("BM"))
        return DecodeBitmap(data);
    return DecodeJpeg(data, atLeast);
}

PictureResult LoadPictureFile(const QString& path, QSize atLeast)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return { {}, QStringLiteral("The picture file %1 cannot be opened: %2.").arg(path, file.errorString()) };
    if (file.size() > kMaxFileBytes)
        return { {}, QStringLiteral("The picture file %1 is too large.").arg(path) };
    if (file.size() == 0)
        return { {}, QStringLiteral("The picture file is empty.") };
    // Read, not mapped: a file cut short by someone else while it is decoded must not crash the program.
    platform::BigBuffer data(size_t(file.size()));
    data.resize(size_t(file.size()));
    if (file.read(reinterpret_cast<char*>(data.data()), file.size()) != file.size())
        return { {}, QStringLiteral("The picture file %1 cannot be read: %2.").arg(path, file.errorString()) };
    return DecodePicture(QByteArrayView(data.data(), qsizetype(data.size())), atLeast);
}
