#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <array>
#include <cstdint>
#include <new>
#include <utility>

namespace lumbrel::platform {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

// Blocks a thread let go of, for its next requests of Content::Any: at most
// a few, and not more memory than a 12-megapixel turn needs at once.
constexpr std::size_t kSpares = 4;
constexpr std::size_t kSpareBytes = std::size_t{96} << 20;

struct Spare {
    void* mapping = nullptr;
    std::size_t mapped = 0;
    void* data = nullptr;
    std::size_t usable = 0;  // from data to the end of the mapping
};

struct Spares {
    std::array<Spare, kSpares> kept{};
    ~Spares() {
        for (const Spare& spare : kept)
            if (spare.mapping != nullptr) ::munmap(spare.mapping, spare.mapped);
    }
    std::size_t total() const {
        std::size_t sum = 0;
        for (const Spare& spare : kept) sum += spare.mapped;
        return sum;
    }
};

thread_local Spares spares;

}  // namespace

LargeBuffer::LargeBuffer(std::size_t bytes, Touch touch, Content content) : size_(bytes) {
    if (bytes == 0) return;
    reusable_ = content == Content::Any;
    if (reusable_) {
        // The smallest kept block that is large enough.
        Spare* best = nullptr;
        for (Spare& spare : spares.kept)
            if (spare.mapping != nullptr && spare.usable >= bytes && (best == nullptr || spare.usable < best->usable)) best = &spare;
        if (best != nullptr) {
            mapping_ = best->mapping;
            mapped_ = best->mapped;
            data_ = best->data;
            *best = {};
            return;
        }
    }
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
      mapped_(std::exchange(other.mapped_, 0)),
      reusable_(std::exchange(other.reusable_, false)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
    if (this != &other) {
        release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapping_ = std::exchange(other.mapping_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        reusable_ = std::exchange(other.reusable_, false);
    }
    return *this;
}

LargeBuffer::~LargeBuffer() { release(); }

void LargeBuffer::release() noexcept {
    if (mapping_ != nullptr) {
        Spare mine{mapping_, mapped_, data_,
                   mapped_ - static_cast<std::size_t>(static_cast<char*>(data_) - static_cast<char*>(mapping_))};
        if (reusable_) {
            // Kept in place of an empty slot or of the smallest kept block,
            // within the limit.
            Spare* slot = nullptr;
            for (Spare& spare : spares.kept)
                if (slot == nullptr || spare.mapped < slot->mapped) slot = &spare;
            if (slot->mapped < mine.mapped && spares.total() - slot->mapped + mine.mapped <= kSpareBytes) std::swap(*slot, mine);
        }
        if (mine.mapping != nullptr) ::munmap(mine.mapping, mine.mapped);
    }
    data_ = mapping_ = nullptr;
    size_ = mapped_ = 0;
    reusable_ = false;
}

}  // namespace lumbrel::platform
