#pragma once
// Opens the library pages with the desktop's handler: xdg-open, or the program
// that LUMBREL_OPENER names (tests point it at a stand-in that records what it
// was given, so that no browser is ever started by a test).

#include <string>

#include "camera/loader_prompt.h"

namespace lumbrel::camera {

class ShellOpener : public PageOpener {
public:
    /// Starts the opener on path without waiting for it; false when it cannot
    /// be started.
    bool open(const std::string& path) override;
};

}  // namespace lumbrel::camera
