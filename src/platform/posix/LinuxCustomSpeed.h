// Line speeds that have no Bxxx constant (14400 baud), through the Linux termios2 interface.
// Kept apart from the rest of the port because <asm/termbits.h> cannot share a translation unit
// with <termios.h>.
#pragma once

namespace kelvantori::posix {

// Sets input and output speed of the terminal fd to `baud`, every other setting unchanged.
// False with errno set when the driver refuses.
bool SetCustomSpeed(int fd, int baud);

// The output speed the driver holds, in baud, or -1 (errno set) when it cannot be read.
int ReadCustomSpeed(int fd);

}  // namespace kelvantori::posix
