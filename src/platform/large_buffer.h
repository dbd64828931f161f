#pragma once
// Zero-filled scratch memory for the big working arrays of a picture (its
// coefficients, its sample planes), mapped in one go.

#include <cstddef>

namespace lumbrel::platform {

/// A block of zeroed memory that is faulted in at once, in large pages where the
/// system offers them. Touching a fresh multi-megabyte allocation page by
/// page costs a few microseconds a page, as much as a good part of the work
/// done in it. Moves, does not copy. Throws std::bad_alloc when no memory can be had.
class LargeBuffer {
public:
    /// Whether the pages are faulted in at once (memory that is filled
    /// whole) or as they are first touched (memory that may be used in part).
    enum class Touch { AtOnce, WhenUsed };

    LargeBuffer() = default;
    explicit LargeBuffer(std::size_t bytes, Touch touch = Touch::AtOnce);
    LargeBuffer(LargeBuffer&& other) noexcept;
    LargeBuffer& operator=(LargeBuffer&& other) noexcept;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    ~LargeBuffer();

    [[nodiscard]] void* data() const { return data_; }
    [[nodiscard]] std::size_t size() const { return size_; }

    template <class T>
    [[nodiscard]] T* as() const {
        return static_cast<T*>(data_);
    }

private:
    void release() noexcept;

    void* data_ = nullptr;
    std::size_t size_ = 0;     // as asked for
    void* mapping_ = nullptr;  // what was mapped (page-aligned, may be larger)
    std::size_t mapped_ = 0;
};

/// Maps in the pages of [data, data + bytes) of this process's own memory in
/// one call, as first writes would one fault at a time: for large buffers
/// about to be filled.
void prefault(void* data, std::size_t bytes) noexcept;

}  // namespace lumbrel::platform
