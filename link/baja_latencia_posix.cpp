#include "link/baja_latencia_posix.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace r27 {

Latencia_puerto Pedir_baja_latencia(int fd) {
  serial_struct s{};
  if (ioctl(fd, TIOCGSERIAL, &s) != 0) return Latencia_puerto::rechazada;
  if (s.flags & ASYNC_LOW_LATENCY) return Latencia_puerto::ya_baja;
  // Every other setting goes back as it was read, so only the flag changes.
  s.flags |= ASYNC_LOW_LATENCY;
  if (ioctl(fd, TIOCSSERIAL, &s) != 0) return Latencia_puerto::rechazada;
  return Latencia_puerto::pedida;
}

void Devolver_latencia(int fd) {
  serial_struct s{};
  if (ioctl(fd, TIOCGSERIAL, &s) != 0 || !(s.flags & ASYNC_LOW_LATENCY)) return;
  s.flags &= ~ASYNC_LOW_LATENCY;
  (void)ioctl(fd, TIOCSSERIAL, &s);
}

}  // namespace r27
