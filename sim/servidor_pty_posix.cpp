#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "link/termios_velocidad_posix.h"
#include "sim/servidor_pty.h"

namespace r27::sim {
namespace {

// Bytes the updater is not reading pile up in the slave's queue; past this many
// waiting here the oldest are dropped, as a USB port drops what nobody reads.
constexpr size_t kMaximo_pendiente = 64 * 1024;
// Longest wait without looking at the clock and the flags again.
constexpr uint64_t kEspera_maxima_us = 200'000;

}  // namespace

uint64_t Ahora_real_us() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1'000'000u + uint64_t(ts.tv_nsec) / 1000u;
}

Servidor_pty::~Servidor_pty() { Cerrar(); }

void Servidor_pty::Cerrar() {
  if (esclavo_propio_ >= 0) close(esclavo_propio_);
  if (maestro_ >= 0) close(maestro_);
  esclavo_propio_ = maestro_ = -1;
  pendiente_.clear();
}

bool Servidor_pty::Abrir(std::string& error) {
  Cerrar();
  maestro_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (maestro_ < 0 || grantpt(maestro_) != 0 || unlockpt(maestro_) != 0) {
    error = std::string("no se pudo crear el pseudoterminal: ") + std::strerror(errno);
    Cerrar();
    return false;
  }
  const char* ruta = ptsname(maestro_);
  if (!ruta) {
    error = std::string("ptsname: ") + std::strerror(errno);
    Cerrar();
    return false;
  }
  ruta_esclavo_ = ruta;
  // A new pseudo-terminal: its slave starts at 115,200 baud with no change behind it.
  baudios_vistos_ = kBaudios_inicio;
  baudios_anteriores_ = 0;
  esclavo_propio_ = open(ruta_esclavo_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (esclavo_propio_ < 0) {
    error = "no se pudo abrir " + ruta_esclavo_ + ": " + std::strerror(errno);
    Cerrar();
    return false;
  }
  termios t{};
  tcgetattr(esclavo_propio_, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B115200);
  cfsetospeed(&t, B115200);
  tcsetattr(esclavo_propio_, TCSANOW, &t);
  fcntl(maestro_, F_SETFL, fcntl(maestro_, F_GETFL) | O_NONBLOCK);
  return true;
}

uint32_t Servidor_pty::Baudios_esclavo() const {
  uint32_t b = 0;
  if (maestro_ < 0 || !Leer_velocidad_termios(maestro_, b) || b == 0) return kBaudios_inicio;
  return b;
}

uint32_t Servidor_pty::Muestrear_baudios(uint64_t ahora_us) {
  const uint32_t b = Baudios_esclavo();
  if (b != baudios_vistos_) {
    baudios_anteriores_ = baudios_vistos_;
    baudios_vistos_ = b;
    cambio_baudios_us_ = ahora_us;
  }
  return b;
}

uint32_t Servidor_pty::Baudios_entrada(uint64_t ahora_us) {
  const uint32_t ahora = Muestrear_baudios(ahora_us);
  const uint32_t escucha = dispositivo_.Baudios_escucha();
  const bool cambio_reciente =
      baudios_anteriores_ != 0 && ahora_us - cambio_baudios_us_ < kRetraso_entrega_us;
  if (cambio_reciente && escucha != ahora && escucha == baudios_anteriores_)
    return baudios_anteriores_;
  return ahora;
}

void Servidor_pty::Escribir_pendiente() {
  if (pendiente_.size() > kMaximo_pendiente) {
    pendiente_.erase(pendiente_.begin(), pendiente_.end() - static_cast<long>(kMaximo_pendiente));
  }
  while (!pendiente_.empty()) {
    ssize_t n = write(maestro_, pendiente_.data(), pendiente_.size());
    if (n <= 0) return;  // EAGAIN: the slave's queue is full; try again later
    pendiente_.erase(pendiente_.begin(), pendiente_.begin() + n);
  }
}

Servidor_pty::Fin Servidor_pty::Servir(const volatile std::sig_atomic_t& parar,
                                       volatile std::sig_atomic_t& liberar,
                                       const sigset_t& mascara_espera) {
  uint8_t buf[4096];
  while (!parar) {
    uint64_t ahora = Ahora_real_us();
    if (liberar) {
      liberar = 0;
      dispositivo_.Enviar_liberacion(ahora);
    }
    dispositivo_.Avanzar(ahora);
    if (dispositivo_.Desenchufado()) {
      Cerrar();
      return Fin::Desenchufe;
    }
    if (dispositivo_.Detenido()) return Fin::Detenido;
    uint32_t baudios = Muestrear_baudios(ahora);
    size_t n;
    while ((n = dispositivo_.Tomar_salida(ahora, baudios, buf, sizeof buf)) > 0) {
      pendiente_.insert(pendiente_.end(), buf, buf + n);
    }
    Escribir_pendiente();

    uint64_t espera = kEspera_maxima_us;
    if (auto proximo = dispositivo_.Proximo_evento_us()) {
      espera = *proximo > ahora ? std::min(espera, *proximo - ahora) : 0;
    }
    if (!pendiente_.empty()) espera = std::min<uint64_t>(espera, 1000);
    pollfd p{maestro_, static_cast<short>(ahora < deja_de_leer_us_ ? POLLIN : 0), 0};
    timespec plazo{static_cast<time_t>(espera / 1'000'000),
                   static_cast<long>((espera % 1'000'000) * 1000)};
    int r = ppoll(&p, 1, &plazo, &mascara_espera);
    if (r <= 0) continue;  // time-out, or a signal (looked at above)
    if (p.revents & POLLIN) {
      ssize_t leidos = read(maestro_, buf, sizeof buf);
      if (leidos > 0) {
        const uint64_t llegada = Ahora_real_us();
        dispositivo_.Recibir(buf, static_cast<size_t>(leidos), llegada, Baudios_entrada(llegada));
      }
    } else if (p.revents & (POLLHUP | POLLERR)) {
      // Not expected while our own slave descriptor is open; do not spin.
      timespec pausa{0, 10'000'000};
      nanosleep(&pausa, nullptr);
    }
  }
  return Fin::Senal;
}

}  // namespace r27::sim
