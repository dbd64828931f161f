#pragma once
// The links the album pages hand to the controls:
//   lumbrel-mail:?ImageFile=..&ImagePath=..&ImageSize=..&Mailer=..
//   lumbrel-print:?ImageFile=..&ImagePath=..
// each value percent-encoded (as encodeURIComponent writes it).

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumbrel::openurl {

enum class ControlKind { Mail, Print };

struct ControlUrl {
    ControlKind kind = ControlKind::Mail;
    /// The properties in link order, names as the link spells them, values decoded.
    std::vector<std::pair<std::string, std::string>> properties;

    /// The value of a property (names compared ignoring ASCII case); empty
    /// when the link has none.
    std::string value(std::string_view name) const;
};

/// Longest link and longest decoded value taken.
inline constexpr std::size_t kMaxUrlBytes = 16 * 1024;
inline constexpr std::size_t kMaxValueBytes = 4096;

/// Parses a link. nullopt, with the reason in why, for another scheme, a
/// link or value over its limit, a broken percent escape, a property the
/// control does not have or one given twice, and a value that is not UTF-8 or
/// holds a control character. The scheme is compared ignoring case and may be
/// followed by "//"; a "+" is a plus sign, not a space.
std::optional<ControlUrl> parseControlUrl(std::string_view url, std::string& why);

/// Percent-decodes text; nullopt for a "%" not followed by two hex digits.
std::optional<std::string> percentDecode(std::string_view text);

}  // namespace lumbrel::openurl
