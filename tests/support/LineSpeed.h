#pragma once

// The output speed, in baud, that a terminal's line is set to, as the kernel
// keeps it (termios2): rates without a Bnnn constant (250000) too. 0 when the
// descriptor is no terminal.
unsigned LineSpeed(int fd);
