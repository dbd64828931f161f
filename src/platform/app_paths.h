#pragma once
// Where other programs are installed: one section per program file name
// ("[Pressa.exe]", "[msimn.exe]", ...) with the folder in "Path=", in
// /etc/xdg/Orrin/AppPaths.conf for the machine and then in the per-user
// $XDG_CONFIG_HOME/Orrin/AppPaths.conf. LUMBREL_APPPATHS names another file,
// read instead of both (tests).

#include <optional>
#include <string>
#include <string_view>

namespace lumbrel::platform {

/// The "Path" of programFile's entry; nullopt when no entry gives a non-empty one.
std::optional<std::string> appPath(std::string_view programFile);

}  // namespace lumbrel::platform
