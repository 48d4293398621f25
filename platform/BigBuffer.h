// Large scratch memory straight from the kernel, in huge pages where the system allows them.
#pragma once

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace platform {

// A growable block of bytes for pictures and encoded pages of tens of megabytes. Address space for
// `reserve` bytes is taken at once but only touched pages cost memory; huge pages cut the number of
// page faults, which dominate the cost of fresh memory on virtual machines. Growing past the reserve
// moves the block without copying pages. Not copyable; one owner, any thread.
class BigBuffer {
public:
    BigBuffer() = default;
    explicit BigBuffer(size_t reserve);
    ~BigBuffer();
    BigBuffer(BigBuffer&& other) noexcept;
    BigBuffer& operator=(BigBuffer&& other) noexcept;
    BigBuffer(const BigBuffer&) = delete;
    BigBuffer& operator=(const BigBuffer&) = delete;

    uint8_t* data() { return m_data; }
    const uint8_t* data() const { return m_data; }
    size_t size() const { return m_size; }
    // Grows or shrinks the used part; new bytes are zero. Throws std::bad_alloc when memory runs out.
    void resize(size_t size);
    // Hands the block over: the caller frees it with Release(pointer, capacity).
    uint8_t* Detach(size_t* capacity);
    static void Release(void* data, size_t capacity);

private:
    void Reserve(size_t capacity);

    uint8_t* m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

// A picture whose pixels live in a BigBuffer, freed with the last copy of the image. Null when the
// memory cannot be had.
QImage NewBigImage(int width, int height, QImage::Format format);

}  // namespace platform
