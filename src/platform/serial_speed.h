#pragma once
// Line speeds that have no Bnnn constant of <termios.h> (14400, 28800): set
// through the kernel's termios2 interface, which takes the speed as a number.
// Kept apart because its header cannot be included beside <termios.h>.

namespace lumbrel::platform {

/// Sets both directions of the open terminal fd to baud; false on failure.
bool setNumericSpeed(int fd, int baud);

}  // namespace lumbrel::platform
