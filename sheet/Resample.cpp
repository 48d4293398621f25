// Resampling a picture into the photo bitmap.
//
// How this works: the filter is separable. Each destination pixel centre maps back to a point in the
// source; a triangle (tent) of radius max(1, scale) around that point gives the weights of the source
// pixels it covers. When enlarging the radius is 1 and this is plain bilinear interpolation; when
// shrinking by a factor s every destination pixel averages about 2s source pixels in each direction.
// Weights are fixed-point (14 bits) and normalised per destination pixel; indices past an edge are
// clamped to the edge. The horizontal pass writes 16-bit intermediates (value x 64) for every source
// row; the vertical pass reads them and writes the destination rows. Both passes share their rows
// between the cores: every row is independent of the others.
#include "sheet/Resample.h"

#include "platform/BigBuffer.h"

#include "sheet/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;

// The taps of one destination pixel: first source index, then one weight per source index.
struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int32_t> weights;  // concatenated, `count[i]` for destination i
    std::vector<int> offset;
};

Taps MakeTaps(int sourceLength, int destinationLength)
{
    Taps taps;
    taps.first.resize(destinationLength);
    taps.count.resize(destinationLength);
    taps.offset.resize(destinationLength);
    const double scale = static_cast<double>(sourceLength) / destinationLength;
    const double radius = std::max(1.0, scale);
    std::vector<double> raw;
    for (int d = 0; d < destinationLength; ++d) {
        const double centre = (d + 0.5) * scale - 0.5;
        const int lo = static_cast<int>(std::floor(centre - radius)) + 1;
        const int hi = static_cast<int>(std::ceil(centre + radius)) - 1;
        // Fold taps beyond the edges onto the edge pixels.
        const int first = std::clamp(lo, 0, sourceLength - 1);
        const int last = std::clamp(hi, 0, sourceLength - 1);
        raw.assign(last - first + 1, 0.0);
        double total = 0;
        for (int s = lo; s <= hi; ++s) {
            const double w = std::max(0.0, 1.0 - std::abs(s - centre) / radius);
            raw[std::clamp(s, 0, sourceLength - 1) - first] += w;
            total += w;
        }
        taps.first[d] = first;
        taps.count[d] = static_cast<int>(raw.size());
        taps.offset[d] = static_cast<int>(taps.weights.size());
        // Normalise so the weights add up to exactly one in fixed point; the rest goes to the largest tap.
        int32_t sum = 0;
        size_t largest = 0;
        for (size_t i = 0; i < raw.size(); ++i) {
            const auto w = static_cast<int32_t>(std::lround(raw[i] / total * kWeightOne));
            taps.weights.push_back(w);
            sum += w;
            if (raw[i] > raw[largest])
                largest = i;
        }
        taps.weights[taps.offset[d] + largest] += kWeightOne - sum;
    }
    return taps;
}

// Runs `row(y)` for every y in [begin, end), the rows shared between the processor's cores.
template <typename RowFn>
void ParallelRows(int begin, int end, const RowFn& row)
{
    const int threads = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int rows = end - begin;
    if (threads == 1 || rows < 64) {
        for (int y = begin; y < end; ++y)
            row(y);
        return;
    }
    const auto run = [&](int part) {
        for (int y = begin + rows * part / threads; y < begin + rows * (part + 1) / threads; ++y)
            row(y);
    };
    std::vector<std::jthread> workers;
    for (int part = 1; part < threads; ++part)
        workers.emplace_back(run, part);
    run(0);
}

}  // namespace

void ResampleInto(QImage& destination, const QRect& target, const QImage& picture)
{
    const QRect area = target.intersected(destination.rect());
    if (area.isEmpty() || picture.isNull())
        return;
    const QImage source = picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_RGB32
        ? picture
        : picture.convertToFormat(QImage::Format_ARGB32);
    const int outW = target.width();
    const int outH = target.height();
    const int inW = source.width();
    const int inH = source.height();
    const Taps across = MakeTaps(inW, outW);
    const Taps down = MakeTaps(inH, outH);

    // Horizontal pass over the source rows the vertical taps need (all of them, in practice).
    const int rowFirst = down.first.front();
    const int rowLast = down.first.back() + down.count.back() - 1;
    const size_t middleSize = static_cast<size_t>(outW) * 3 * (rowLast - rowFirst + 1) * sizeof(uint16_t);
    platform::BigBuffer middleBytes(middleSize);
    middleBytes.resize(middleSize);
    auto* middle = reinterpret_cast<uint16_t*>(middleBytes.data());
    ParallelRows(rowFirst, rowLast + 1, [&](int y) {
        const uchar* in = source.constScanLine(y);
        uint16_t* out = middle + static_cast<size_t>(y - rowFirst) * outW * 3;
        for (int x = 0; x < outW; ++x) {
            const int32_t* w = across.weights.data() + across.offset[x];
            const uchar* px = in + static_cast<size_t>(across.first[x]) * 4;
            int32_t b = 0, g = 0, r = 0;
            for (int t = 0; t < across.count[x]; ++t, px += 4) {
                b += w[t] * px[0];
                g += w[t] * px[1];
                r += w[t] * px[2];
            }
            constexpr int shift = kWeightBits - 6;
            constexpr int half = 1 << (shift - 1);
            out[x * 3 + 0] = static_cast<uint16_t>(std::clamp((b + half) >> shift, 0, 255 << 6));
            out[x * 3 + 1] = static_cast<uint16_t>(std::clamp((g + half) >> shift, 0, 255 << 6));
            out[x * 3 + 2] = static_cast<uint16_t>(std::clamp((r + half) >> shift, 0, 255 << 6));
        }
    });

    // Vertical pass straight into the destination rows that are visible.
    ParallelRows(area.top(), area.bottom() + 1, [&](int y) {
        thread_local std::vector<int32_t> acc;
        acc.assign(static_cast<size_t>(outW) * 3, 0);
        const int d = y - target.top();
        const int32_t* w = down.weights.data() + down.offset[d];
        for (int t = 0; t < down.count[d]; ++t) {
            const uint16_t* row = middle + static_cast<size_t>(down.first[d] + t - rowFirst) * outW * 3;
            for (int x = 0; x < outW; ++x) {
                acc[x * 3 + 0] += w[t] * row[x * 3 + 0];
                acc[x * 3 + 1] += w[t] * row[x * 3 + 1];
                acc[x * 3 + 2] += w[t] * row[x * 3 + 2];
            }
        }
        auto* line = reinterpret_cast<QRgb*>(destination.scanLine(y));
        constexpr int shift = kWeightBits + 6;
        constexpr int half = 1 << (shift - 1);
        for (int x = area.left(); x <= area.right(); ++x) {
            const int s = x - target.left();
            const auto channel = [&](int c) { return std::clamp((acc[s * 3 + c] + half) >> shift, 0, 255); };
            line[x] = qRgba(channel(2), channel(1), channel(0), 255);
        }
    });
}

QRect PhotoTarget(QSize photoSize, QSize pictureSize, bool stretch)
{
    QRect target(QPoint(0, 0), photoSize);
    if (stretch || pictureSize.isEmpty() || photoSize.isEmpty())
        return target;
    const double sx = static_cast<double>(pictureSize.width()) / photoSize.width();
    const double sy = static_cast<double>(pictureSize.height()) / photoSize.height();
    if (sx >= sy)
        target.setHeight(RoundHalfEven(photoSize.height() * sy / sx));
    else
        target.setWidth(RoundHalfEven(photoSize.width() * sx / sy));
    return target;
}

void FillPhoto(QImage& photo, const QImage& picture, bool stretch)
{
    photo.fill(Qt::white);
    if (picture.isNull())
        return;
    ResampleInto(photo, PhotoTarget(photo.size(), picture.size(), stretch), picture);
}
