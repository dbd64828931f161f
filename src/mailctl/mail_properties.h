#pragma once
// The four properties of the mail control, set by name as a page sets them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::mailctl {

struct MailProperties {
    std::string imagePath;  ///< folder of the picture
    std::string imageFile;  ///< its file name within imagePath
    std::string mailName;   ///< display name of the mail program
    std::int16_t tempSize = 0;  ///< 0: fit into 640 x 480, other: into 320 x 240
};

/// Sets the property of that script name (ImagePath, ImageFile, MailName,
/// TempSize) or PARAM name (Mailer, ImageSize), ignoring ASCII case. False for
/// an unknown name or a size code that is not a decimal 16-bit integer.
bool setProperty(MailProperties& properties, std::string_view name, std::string_view value);

/// The property's value as text; nullopt for an unknown name.
std::optional<std::string> property(const MailProperties& properties, std::string_view name);

}  // namespace lumbrel::mailctl
