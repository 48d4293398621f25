// Encoding a sheet page as a baseline JPEG, split across the processor's cores.
//
// How this works: a baseline JPEG is one entropy-coded stream, but restart markers cut it into intervals
// that are coded independently (the DC predictors start again after each marker). With a restart marker
// after every row of MCUs (16 pixel rows at 4:2:0), a page can be cut into horizontal slices whose
// heights are multiples of 8 MCU rows; each slice is encoded on its own thread as if it were a picture
// of its own, with the same tables. The file is then the first slice's headers (with the full page
// height in its frame header), the slices' entropy data one after the other, and between two slices the
// restart marker the single stream would have had there: slices of 8n MCU rows end on interval 8n - 1,
// so that marker is always RST7 and the markers inside every later slice keep their numbers.
#include "sheet/JpegSheetEncoder.h"

#include "platform/BigBuffer.h"

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace {

constexpr int kMcuRows = 16;                // 4:2:0 sampling
constexpr int kSliceUnit = 8 * kMcuRows;    // RST0..RST7 cycle once per unit
constexpr int kBandRows = 4 * kMcuRows;     // rows rendered at a time

struct Encoder {
    jpeg_destination_mgr destination;
    platform::BigBuffer* out;
    size_t used;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

constexpr size_t kChunk = 1 << 16;

// The encoder writes straight into the buffer, a chunk of address space at a time.
void InitDestination(j_compress_ptr info)
{
    auto* encoder = static_cast<Encoder*>(info->client_data);
    encoder->out->resize(kChunk);
    encoder->destination.next_output_byte = encoder->out->data();
    encoder->destination.free_in_buffer = kChunk;
}

boolean GrowDestination(j_compress_ptr info)
{
    // Called when the chunk is full: all of it is data.
    auto* encoder = static_cast<Encoder*>(info->client_data);
    const size_t used = encoder->out->size();
    encoder->out->resize(used + kChunk);
    encoder->destination.next_output_byte = encoder->out->data() + used;
    encoder->destination.free_in_buffer = kChunk;
    return TRUE;
}

void TermDestination(j_compress_ptr info)
{
    auto* encoder = static_cast<Encoder*>(info->client_data);
    encoder->out->resize(encoder->out->size() - encoder->destination.free_in_buffer);
}

void OnError(j_common_ptr info)
{
    auto* encoder = static_cast<Encoder*>(info->client_data);
    info->err->format_message(info, encoder->message);
    std::longjmp(encoder->jump, 1);
}

// Rows [top, top + height) of the page as a JPEG of their own, with a restart marker every MCU row when
// `restarts` is set.
void EncodeSlice(const SheetRenderer& renderer, int top, int height, bool restarts, platform::BigBuffer& out)
{
    const SheetLayout& layout = renderer.Layout();
    const int width = renderer.PageSize().width();
    // Everything with a destructor exists before setjmp: a jump back must not skip one.
    auto encoder = std::make_unique<Encoder>();
    encoder->out = &out;
    std::vector<uint8_t> band(size_t(width) * 3 * kBandRows);
    std::vector<JSAMPROW> rows(kBandRows);
    jpeg_compress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    error.error_exit = OnError;
    info.client_data = encoder.get();
    if (setjmp(encoder->jump)) {
        jpeg_destroy_compress(&info);
        throw JpegEncodeError(encoder->message);
    }
    jpeg_create_compress(&info);
    encoder->destination.init_destination = InitDestination;
    encoder->destination.empty_output_buffer = GrowDestination;
    encoder->destination.term_destination = TermDestination;
    info.dest = &encoder->destination;
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    info.density_unit = 1;  // dots per inch
    info.X_density = UINT16(std::clamp(layout.page.dpiX, 1, 65535));
    info.Y_density = UINT16(std::clamp(layout.page.dpiY, 1, 65535));
    if (restarts)
        info.restart_in_rows = 1;
    jpeg_start_compress(&info, TRUE);
    const qsizetype stride = qsizetype(width) * 3;
    for (int y = 0; y < height; y += kBandRows) {
        const int count = std::min(kBandRows, height - y);
        renderer.RenderRows(top + y, count, band.data(), stride);
        for (int i = 0; i < count; ++i)
            rows[i] = band.data() + i * stride;
        JDIMENSION done = 0;
        while (done < JDIMENSION(count))
            done += jpeg_write_scanlines(&info, rows.data() + done, JDIMENSION(count) - done);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
}

// Where a slice's headers end and its entropy-coded data begins: just after the start-of-scan segment.
size_t ScanDataStart(const platform::BigBuffer& jpeg, size_t* frameHeader)
{
    size_t at = 2;  // after SOI
    while (at + 4 <= jpeg.size() && jpeg.data()[at] == 0xFF) {
        const uint8_t marker = jpeg.data()[at + 1];
        const size_t length = size_t(jpeg.data()[at + 2]) << 8 | jpeg.data()[at + 3];
        if (marker == 0xC0 && frameHeader)
            *frameHeader = at;
        at += 2 + length;
        if (marker == 0xDA)
            return at;
    }
    throw JpegEncodeError("the encoder wrote no scan");
}

}  // namespace

void WriteJpegSheet(QIODevice& device, const SheetRenderer& renderer, int threads)
{
    const QSize page = renderer.PageSize();
    if (page.width() > JPEG_MAX_DIMENSION || page.height() > JPEG_MAX_DIMENSION)
        throw JpegEncodeError("the page is too large for a JPEG file");
    if (threads <= 0)
        threads = int(std::max(1u, std::thread::hardware_concurrency()));
    const int units = (page.height() + kSliceUnit - 1) / kSliceUnit;
    const int unitsPerSlice = (units + threads - 1) / threads;
    const int sliceRows = unitsPerSlice * kSliceUnit;
    const int slices = (page.height() + sliceRows - 1) / sliceRows;

    // Address space for the worst case of each slice; only what the encoder writes is ever touched.
    std::vector<platform::BigBuffer> encoded;
    for (int i = 0; i < slices; ++i)
        encoded.emplace_back(size_t(page.width()) * 3 * sliceRows + (1 << 20));
    std::vector<std::string> errors(slices);
    const auto encode = [&](int i) {
        try {
            const int top = i * sliceRows;
            EncodeSlice(renderer, top, std::min(sliceRows, page.height() - top), slices > 1, encoded[i]);
        } catch (const std::exception& failure) {
            errors[i] = failure.what();
        }
    };
    {
        std::vector<std::jthread> workers;
        for (int i = 1; i < slices; ++i)
            workers.emplace_back(encode, i);
        encode(0);
    }
    for (const std::string& error : errors)
        if (!error.empty())
            throw JpegEncodeError(error);

    // The first slice as it is but for the height in its frame header and its end-of-image marker.
    platform::BigBuffer& first = encoded[0];
    size_t frame = 0;
    ScanDataStart(first, &frame);
    first.data()[frame + 5] = uint8_t(page.height() >> 8);
    first.data()[frame + 6] = uint8_t(page.height() & 0xFF);
    const auto write = [&](const uint8_t* data, size_t size) {
        if (device.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            throw JpegEncodeError(device.errorString().toStdString());
    };
    write(first.data(), first.size() - 2);
    static const uint8_t kRst7[] = { 0xFF, 0xD7 };
    for (int i = 1; i < slices; ++i) {
        const size_t start = ScanDataStart(encoded[i], nullptr);
        write(kRst7, 2);
        write(encoded[i].data() + start, encoded[i].size() - start - 2);
    }
    static const uint8_t kEoi[] = { 0xFF, 0xD9 };
    write(kEoi, 2);
}
