#include "cliente_referencia.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "termios_velocidad_posix.h"

namespace r27::banco {

namespace {

double Cpu_hilo() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double Pared() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool Escribir_entero(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= size_t(w);
  }
  return true;
}

}  // namespace

int Abrir_referencia(const std::string& ruta, uint32_t baudios) {
  const int fd = ::open(ruta.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  termios t{};
  if (tcgetattr(fd, &t) != 0) {
    ::close(fd);
    return -1;
  }
  cfmakeraw(&t);
  t.c_cflag |= CSTOPB | CLOCAL | CREAD;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &t) != 0 || !Fijar_velocidad_termios(fd, baudios)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

Resultado_referencia Enviar_referencia(int fd, const std::vector<Paquete>& paquetes,
                                       uint8_t aceptado, int espera_ms) {
  Resultado_referencia r;
  const double p0 = Pared(), c0 = Cpu_hilo();
  for (const Paquete& p : paquetes) {
    if (!Escribir_entero(fd, p.data(), p.size())) {
      r.error = std::string("write: ") + std::strerror(errno);
      return r;
    }
    pollfd pf{fd, POLLIN, 0};
    if (::poll(&pf, 1, espera_ms) <= 0) {
      r.error = "no answer to packet " + std::to_string(r.paquetes);
      return r;
    }
    uint8_t b = 0;
    if (::read(fd, &b, 1) != 1 || b != aceptado) {
      r.error = "wrong answer to packet " + std::to_string(r.paquetes);
      return r;
    }
    ++r.paquetes;
  }
  r.pared_s = Pared() - p0;
  r.cpu_s = Cpu_hilo() - c0;
  r.ok = true;
  return r;
}

}  // namespace r27::banco
