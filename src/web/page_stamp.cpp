#include "web/page_stamp.h"

#include <vector>

#include "platform/files.h"

namespace lumbrel::web {

std::optional<StampValue> computeStamp(std::span<const std::uint8_t> page) {
    if (page.size() < kStampOffset + kStampLength) return std::nullopt;
    StampValue value;
    for (std::size_t i = 0; i < page.size(); ++i) {
        const bool inField = i >= kStampOffset && i < kStampOffset + kStampLength;
        const std::uint8_t byte = inField ? std::uint8_t{0x20} : page[i];
        value.xorValue = static_cast<std::uint8_t>(value.xorValue ^ byte);
        value.sum = static_cast<std::uint8_t>(value.sum + byte);
    }
    return value;
}

bool applyStamp(std::span<std::uint8_t> page) {
    const std::optional<StampValue> value = computeStamp(page);
    if (!value) return false;
    page[kStampOffset] = kStampMark;
    page[kStampOffset + 1] = value->xorValue;
    page[kStampOffset + 2] = value->sum;
    return true;
}

bool isStampIntact(std::span<const std::uint8_t> page) {
    const std::optional<StampValue> value = computeStamp(page);
    return value && page[kStampOffset] == kStampMark && page[kStampOffset + 1] == value->xorValue &&
           page[kStampOffset + 2] == value->sum;
}

StampCheck checkFileStamp(const std::string& path) {
    const std::optional<std::vector<std::uint8_t>> page = platform::readFile(path);
    if (!page || page->size() < kStampOffset + kStampLength) return StampCheck::Unreadable;
    return isStampIntact(*page) ? StampCheck::Intact : StampCheck::Altered;
}

bool stampFile(const std::string& path) {
    std::optional<std::vector<std::uint8_t>> page = platform::readFile(path);
    if (!page || !applyStamp(*page)) return false;
    // The page is writable only for the moment of the rewrite.
    if (!platform::setReadOnly(path, false)) return false;
    const bool written = platform::writeFileAtomic(path, std::span<const std::uint8_t>(*page));
    const bool locked = platform::setReadOnly(path, true);
    return written && locked;
}

}  // namespace lumbrel::web
