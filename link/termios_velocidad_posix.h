#pragma once
// Any baud rate on Linux through termios2 (BOTHER), kept in a file of its own
// because the kernel's termios2 header cannot share a file with <termios.h>.
#include <cstdint>

namespace r27 {

// Sets input and output rate of the open terminal fd; false when the driver refuses.
bool Fijar_velocidad_termios(int fd, uint32_t baudios);
// The output rate of the terminal fd (on a pseudo-terminal master: the slave's).
bool Leer_velocidad_termios(int fd, uint32_t& baudios);

}  // namespace r27
