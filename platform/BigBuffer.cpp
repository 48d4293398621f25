// Large scratch memory straight from the kernel.
#include "platform/BigBuffer.h"

#include <sys/mman.h>

#include <new>
#include <utility>

namespace platform {
namespace {

constexpr size_t kHugePage = size_t(2) << 20;

size_t RoundUp(size_t size)
{
    return (size + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

BigBuffer::BigBuffer(size_t reserve)
{
    Reserve(reserve);
}

BigBuffer::~BigBuffer()
{
    Release(m_data, m_capacity);
}

BigBuffer::BigBuffer(BigBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr))
    , m_size(std::exchange(other.m_size, 0))
    , m_capacity(std::exchange(other.m_capacity, 0))
{
}

BigBuffer& BigBuffer::operator=(BigBuffer&& other) noexcept
{
    if (this != &other) {
        Release(m_data, m_capacity);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void BigBuffer::Reserve(size_t capacity)
{
    capacity = RoundUp(capacity == 0 ? 1 : capacity);
    void* block;
    if (m_data) {
        block = mremap(m_data, m_capacity, capacity, MREMAP_MAYMOVE);
    } else {
        block = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    }
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    // Only advice: where huge pages are off, ordinary pages serve.
    madvise(block, capacity, MADV_HUGEPAGE);
    m_data = static_cast<uint8_t*>(block);
    m_capacity = capacity;
}

void BigBuffer::resize(size_t size)
{
    if (size > m_capacity)
        Reserve(std::max(size, m_capacity + m_capacity / 2));
    m_size = size;
}

uint8_t* BigBuffer::Detach(size_t* capacity)
{
    *capacity = std::exchange(m_capacity, 0);
    m_size = 0;
    return std::exchange(m_data, nullptr);
}

void BigBuffer::Release(void* data, size_t capacity)
{
    if (data)
        munmap(data, capacity);
}

namespace {

struct BigImageBlock {
    void* data;
    size_t capacity;
};

void FreeBigImage(void* info)
{
    auto* block = static_cast<BigImageBlock*>(info);
    BigBuffer::Release(block->data, block->capacity);
    delete block;
}

}  // namespace

QImage NewBigImage(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0)
        return {};
    const qsizetype bytesPerLine = (qsizetype(width) * QImage::toPixelFormat(format).bitsPerPixel() + 31) / 32 * 4;
    try {
        BigBuffer buffer(size_t(bytesPerLine) * height);
        buffer.resize(size_t(bytesPerLine) * height);
        auto* block = new BigImageBlock {};
        block->data = buffer.Detach(&block->capacity);
        return QImage(static_cast<uchar*>(block->data), width, height, bytesPerLine, format, FreeBigImage, block);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace platform
