#include "link/termios_velocidad_posix.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long peticion, ...) noexcept;

namespace r27 {

#if defined(TCGETS2) && defined(BOTHER)

bool Fijar_velocidad_termios(int fd, uint32_t baudios) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = baudios;
  t.c_ospeed = baudios;
  return ioctl(fd, TCSETS2, &t) == 0;
}

bool Leer_velocidad_termios(int fd, uint32_t& baudios) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  baudios = t.c_ospeed;
  return true;
}

#else
#error "the meter's rates (500,000 baud) are set through termios2 (TCSETS2 and BOTHER)"
#endif

}  // namespace r27
