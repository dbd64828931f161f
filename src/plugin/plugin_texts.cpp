#include "plugin/plugin_texts.h"

#include <cstring>

namespace lumbrel::plugin {

std::int32_t writeNameList(std::span<const std::string_view> names, std::uint8_t* buffer) {
    std::int32_t size = 1;  // the closing 0 byte
    for (std::string_view name : names) {
        const auto entry = static_cast<std::uint8_t>(name.size() + 2);
        if (buffer) {
            std::uint8_t* at = buffer + size - 1;
            at[0] = entry;
            std::memcpy(at + 1, name.data(), name.size());
            at[entry - 1] = 0;
        }
        size += entry;
    }
    if (!buffer) return size;
    buffer[size - 1] = 0;
    return static_cast<std::int32_t>(names.size());
}

std::int32_t writeTemplateSummary(std::int32_t templateIndex, std::uint8_t* buffer) {
    if (templateIndex < 0 || templateIndex >= kTemplateCount) return 0;
    const std::string_view text = kTemplateSummaries[static_cast<std::size_t>(templateIndex)];
    if (buffer) {
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = 0;
    }
    return static_cast<std::int32_t>(text.size() + 1);
}

}  // namespace lumbrel::plugin
