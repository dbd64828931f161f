#pragma once
// Handing a text to a caller of a C interface that brings its own buffer.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace lumbrel::platform {

/// Copies value and its terminating zero into buffer when size bytes hold
/// them; returns the bytes needed (0 for no value). A caller asks with a null
/// buffer first to learn the size.
inline std::int32_t copyToBuffer(const std::optional<std::string>& value, char* buffer, std::int32_t size) {
    if (!value || value->size() >= INT32_MAX) return 0;
    const auto needed = static_cast<std::int32_t>(value->size() + 1);
    if (buffer && size >= needed) std::memcpy(buffer, value->c_str(), value->size() + 1);
    return needed;
}

}  // namespace lumbrel::platform
