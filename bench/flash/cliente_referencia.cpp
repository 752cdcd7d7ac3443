#include "bench/flash/cliente_referencia.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>

#include "link/termios_velocidad_posix.h"

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

Resultado_reproduccion Reproducir_referencia(int fd, std::span<const Suceso_linea> sucesos) {
  Resultado_reproduccion r;
  if (sucesos.empty()) {
    r.ok = true;
    return r;
  }
  std::vector<uint8_t> esperados;  // every byte the updater read, in order
  r.sucesos_s.reserve(sucesos.size());
  uint64_t recibidos = 0;
  uint8_t buffer[4096];
  // The updater's time of its last write or read: a wait lasts from there, the
  // pauses it made meanwhile (a poll interval) included.
  double anterior_t = sucesos.front().t;
  const double p0 = Pared(), c0 = Cpu_hilo();
  for (const Suceso_linea& s : sucesos) {
    switch (s.tipo) {
      case Tipo_suceso::Escritura:
        if (!Escribir_entero(fd, s.bytes.data(), s.bytes.size())) {
          r.error = std::string("write: ") + std::strerror(errno);
          return r;
        }
        break;
      case Tipo_suceso::Lectura: {
        esperados.insert(esperados.end(), s.bytes.begin(), s.bytes.end());
        const double limite = Pared() + 2.0 * std::max(0.0, s.t - anterior_t) + 1.0;
        while (recibidos < esperados.size()) {
          const double resto = limite - Pared();
          if (resto <= 0) {
            ++r.esperas_agotadas;
            r.agotadas_en.push_back(r.sucesos_s.size());
            break;
          }
          pollfd pf{fd, POLLIN, 0};
          const int listo = ::poll(&pf, 1, static_cast<int>(std::ceil(resto * 1000.0)));
          if (listo < 0 && errno == EINTR) continue;
          if (listo <= 0) continue;
          const size_t falta = std::min<size_t>(esperados.size() - recibidos, sizeof buffer);
          const ssize_t n = ::read(fd, buffer, falta);
          if (n <= 0) continue;
          const uint64_t antes = r.distintos;
          for (ssize_t i = 0; i < n; ++i)
            r.distintos += buffer[i] != esperados[recibidos + static_cast<size_t>(i)];
          if (r.distintos != antes) r.distintos_en.push_back(r.sucesos_s.size());
          recibidos += static_cast<uint64_t>(n);
        }
        break;
      }
      case Tipo_suceso::Pausa: {
        timespec pausa{static_cast<time_t>(s.valor / 1000),
                       static_cast<long>(s.valor % 1000) * 1'000'000L};
        while (nanosleep(&pausa, &pausa) != 0 && errno == EINTR) {
        }
        break;
      }
      case Tipo_suceso::Apertura:
        Fijar_velocidad_termios(fd, s.valor);
        break;
      case Tipo_suceso::Purga:
        tcflush(fd, TCIOFLUSH);
        break;
      case Tipo_suceso::Marca:
        r.marcas_s.push_back(Pared() - p0);
        break;
    }
    if (s.tipo == Tipo_suceso::Escritura || s.tipo == Tipo_suceso::Lectura) anterior_t = s.t;
    r.sucesos_s.push_back(Pared() - p0);
  }
  r.pared_s = Pared() - p0;
  r.cpu_s = Cpu_hilo() - c0;
  r.recibidos = recibidos;
  r.ok = true;
  return r;
}

}  // namespace r27::banco
