#pragma once
// Link files: Windows shell links (.lnk) read from their bytes, and symbolic
// links. Neither function throws; a malformed file gives nullopt.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumbrel::platform {

/// The target path stored in a Windows shell link (.lnk) file held in memory: LocalBasePath from the
/// LinkInfo block followed by CommonPathSuffix (the Unicode forms when LinkInfo carries them, converted to UTF-8),
/// with "\" turned into "/"; nullopt when the bytes are not a shell link or hold no local path.
/// The code-page forms are read as Windows-1252; a byte that code page leaves undefined
/// (0x81, 0x8D, 0x8F, 0x90, 0x9D) gives nullopt, as does an unpaired UTF-16 surrogate.
std::optional<std::string> shellLinkTarget(std::span<const std::uint8_t> bytes);

/// Resolves a link file: a file whose name ends in ".lnk" (any case) is read as a shell link; a symbolic link is
/// followed (one level is enough; use realpath semantics). Either resolves only when the target exists; nullopt otherwise.
/// A file that is neither resolves to nullopt.
/// A shell link resolves to its stored path, which must be absolute ("/..."); a symbolic link
/// resolves to the canonical path of what it points at.
std::optional<std::string> resolveLink(const std::string& path);

}  // namespace lumbrel::platform
