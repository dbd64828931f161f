#pragma once
// The program's window icon, drawn in code.

#include <QIcon>

namespace lumbrel::ui {

/// The window and task-bar icon: a camera in front of a picture, drawn at
/// 16, 24, 32, 48, 64, 128 and 256 pixels (the small sizes with fewer
/// details, so that they stay legible).
QIcon applicationIcon();

}  // namespace lumbrel::ui
