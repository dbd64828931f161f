#include "mailctl/mail_properties.h"

#include <charconv>
#include <limits>

#include "platform/utf8.h"

namespace lumbrel::mailctl {
namespace {

enum class Which { None, Path, File, Mailer, Size };

Which which(std::string_view name) {
    if (platform::equalNoCase(name, "ImagePath")) return Which::Path;
    if (platform::equalNoCase(name, "ImageFile")) return Which::File;
    if (platform::equalNoCase(name, "MailName") || platform::equalNoCase(name, "Mailer")) return Which::Mailer;
    if (platform::equalNoCase(name, "TempSize") || platform::equalNoCase(name, "ImageSize")) return Which::Size;
    return Which::None;
}

}  // namespace

bool setProperty(MailProperties& properties, std::string_view name, std::string_view value) {
    switch (which(name)) {
        case Which::Path: properties.imagePath = value; return true;
        case Which::File: properties.imageFile = value; return true;
        case Which::Mailer: properties.mailName = value; return true;
        case Which::Size: {
            int code = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), code);
            if (error != std::errc() || end != value.data() + value.size() ||
                code < std::numeric_limits<std::int16_t>::min() || code > std::numeric_limits<std::int16_t>::max())
                return false;
            properties.tempSize = static_cast<std::int16_t>(code);
            return true;
        }
        case Which::None: break;
    }
    return false;
}

std::optional<std::string> property(const MailProperties& properties, std::string_view name) {
    switch (which(name)) {
        case Which::Path: return properties.imagePath;
        case Which::File: return properties.imageFile;
        case Which::Mailer: return properties.mailName;
        case Which::Size: return std::to_string(properties.tempSize);
        case Which::None: break;
    }
    return std::nullopt;
}

}  // namespace lumbrel::mailctl
