#pragma once
// The GIF icons of the album pages, stored in the plug-in: the viewer's
// buttons and the scene icons of the thumbnails, the latter drawn twice, for
// light pages and for the black patterns.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace lumbrel::plugin {

/// The eighteen icon names, without ".GIF".
extern const std::array<std::string_view, 18> kAlbumIconNames;

/// The GIF89a file of an icon; empty for an unknown name.
std::span<const std::uint8_t> albumIcon(std::string_view name, bool blackDesign);

}  // namespace lumbrel::plugin
