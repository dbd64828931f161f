#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace lumbrel::platform {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

LargeBuffer::LargeBuffer(std::size_t bytes, Touch touch) : size_(bytes) {
    if (bytes == 0) return;
    // Large pages need a 2 MB aligned start: map a little more and start at the
    // first boundary within it (smaller buffers take ordinary pages).
    const bool large = bytes >= kLargePage;
    const std::size_t page = large ? kLargePage : 4096;
    const std::size_t rounded = (bytes + page - 1) / page * page;
    mapped_ = large ? rounded + kLargePage : rounded;
    mapping_ = ::mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapping_ == MAP_FAILED) {
        mapping_ = nullptr;
        mapped_ = 0;
        throw std::bad_alloc();
    }
    auto start = reinterpret_cast<std::uintptr_t>(mapping_);
    if (large) {
        start = (start + kLargePage - 1) / kLargePage * kLargePage;
#ifdef MADV_HUGEPAGE
        ::madvise(reinterpret_cast<void*>(start), rounded, MADV_HUGEPAGE);  // a hint; fine to be refused
#endif
    }
    data_ = reinterpret_cast<void*>(start);
#ifdef MADV_POPULATE_WRITE
    // One call instead of a fault per page; older kernels refuse it and the
    // pages then come one fault at a time as before.
    if (touch == Touch::AtOnce) ::madvise(data_, rounded, MADV_POPULATE_WRITE);
#endif
}

void prefault(void* data, std::size_t bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + 4095) / 4096 * 4096;
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) / 4096 * 4096;
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapping_(std::exchange(other.mapping_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
    }
    return *this;
}

LargeBuffer::~LargeBuffer() { release(); }

void LargeBuffer::release() noexcept {
    if (mapping_ != nullptr) ::munmap(mapping_, mapped_);
    data_ = mapping_ = nullptr;
    size_ = mapped_ = 0;
}

}  // namespace lumbrel::platform
