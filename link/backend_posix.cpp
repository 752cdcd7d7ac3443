// The termios backend: a COM number opens the device the port directory gives
// for it. Reads and writes never block; poll() supplies the waits, with the read
// time-out of the Windows driver settings (2n+2 ms for n bytes). A device that
// vanishes (USB unplug, simulator gone) reads as a line error, so the next write
// fails clearly and reads return nothing. A port another program holds (an flock
// or the exclusive flag) is refused as busy, and so is ours to them while open.
// The driver is asked for low latency while the port is open (a USB serial
// adapter then passes each short reply on at once).
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "link/backend_serie.h"
#include "link/baja_latencia_posix.h"
#include "link/directorio_puertos.h"
#include "link/ruta_estable.h"
#include "link/termios_linea_posix.h"
#include "link/termios_velocidad_posix.h"

namespace r27 {

namespace {

// How the backend treats an errno from the device. Anything else (ENOTTY or
// EINVAL from the modem lines of a pseudo-terminal, say) leaves the port as it is.
enum class Fallo { Reintentar, Sin_datos, Desaparecido, Otro };

Fallo Clasificar(int error) {
  switch (error) {
    case EINTR:
      return Fallo::Reintentar;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return Fallo::Sin_datos;
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE:
    case EBADF:
      return Fallo::Desaparecido;
    default:
      return Fallo::Otro;
  }
}

// Why an open() of the device failed.
Fallo_apertura Fallo_de_open(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
      return Fallo_apertura::sin_permiso;
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
      return Fallo_apertura::no_existe;
    case EBUSY:  // another process set the exclusive flag (TIOCEXCL)
      return Fallo_apertura::ocupado;
    default:
      return Fallo_apertura::otro;
  }
}

// Takes the advisory lock every well-behaved serial program takes; false only when
// another open of the device holds it. A file system without locks lets it pass.
bool Tomar_cerrojo_dispositivo(int fd) {
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    return errno != EWOULDBLOCK;
  }
  return true;
}

constexpr int kEspera_escritura_ms = 10;         // one wait for room in the driver's queue
constexpr int kEspera_byte_desaparecido_ms = 4;  // a one-byte read's time-out (2n+2 ms)

class Backend_termios final : public Backend_serie {
 public:
  explicit Backend_termios(const Directorio_puertos& directorio) : directorio_(directorio) {}
  ~Backend_termios() override { Cerrar(); }

  bool Abrir(int numero, const DCB_linea& linea) override {
    Cerrar();
    fallo_ = Fallo_apertura::ninguno;
    const auto ruta = directorio_.Ruta(numero);
    if (!ruta) return Fallar(Fallo_apertura::no_existe);
    int fd = -1;
    do {
      fd = open(ruta->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fallar(Fallo_de_open(errno));
    termios t{};
    // Only a terminal is a serial port: a regular file, /dev/null or a fifo is refused.
    if (!isatty(fd) || tcgetattr(fd, &t) != 0) {
      const Fallo_apertura f = errno == ENOTTY ? Fallo_apertura::no_es_serie : Fallo_apertura::otro;
      close(fd);
      return Fallar(f);
    }
    // Another program (a terminal, a second updater) that locked the device keeps
    // it: two programs talking to the meter at once would garble both.
    if (!Tomar_cerrojo_dispositivo(fd)) {
      close(fd);
      return Fallar(Fallo_apertura::ocupado);
    }
    fd_ = fd;
    desaparecido_ = false;
    (void)ioctl(fd_, TIOCEXCL);  // no other process opens it while we hold it
    // Refused by a pseudo-terminal or an on-board port: no fault, nothing to say.
    latencia_pedida_ = Pedir_baja_latencia(fd_) == Latencia_puerto::pedida;
    Aplicar_linea_termios(t, linea);
    // As with SetCommState, a setting the driver refuses leaves the port open.
    (void)tcsetattr(fd_, TCSANOW, &t);
    Fijar_velocidad(linea.BaudRate);
    Cambiar_linea_modem(TIOCM_DTR, linea.fDtrControl != DTR_CONTROL_DISABLE);
    Cambiar_linea_modem(TIOCM_RTS, false);
    contadores_validos_ = ioctl(fd_, TIOCGICOUNT, &contadores_) == 0;
    return true;
  }

  void Cerrar() override {
    if (fd_ < 0) return;
    if (latencia_pedida_ && !desaparecido_) Devolver_latencia(fd_);
    latencia_pedida_ = false;
    (void)ioctl(fd_, TIOCNXCL);  // the exclusive flag can outlive the descriptor
    (void)flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
    desaparecido_ = false;
  }

  bool Esta_abierto() const override { return fd_ >= 0; }
  bool Desaparecido() const override { return fd_ >= 0 && desaparecido_; }

  Fallo_apertura Ultimo_fallo_apertura() const override { return fallo_; }

  // The device file behind every link (a symlink, a second name), then its link
  // under /dev/serial/by-path where udev keeps one: a USB meter keeps that name
  // when it comes back from a restart under another ttyACM number.
  std::string Dispositivo(int numero) const override {
    const auto ruta = directorio_.Ruta(numero);
    if (!ruta) return {};
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::weakly_canonical(*ruta, ec);
    return Ruta_estable(ec ? *ruta : real.string());
  }

  uint32_t Escribir(const uint8_t* datos, uint32_t n) override {
    if (fd_ < 0 || desaparecido_) return 0;
    bool esperado = false;
    for (;;) {
      const ssize_t r = write(fd_, datos, n);
      if (r >= 0) return static_cast<uint32_t>(r);
      const Fallo f = Anotar_error(errno);
      if (f == Fallo::Reintentar) continue;
      if (f != Fallo::Sin_datos || esperado) return 0;
      esperado = true;
      pollfd p{fd_, POLLOUT, 0};
      if (poll(&p, 1, kEspera_escritura_ms) <= 0) return 0;
      if (Anotar_colgado(p.revents) && !(p.revents & POLLOUT)) return 0;
    }
  }

  uint32_t Leer(uint8_t* destino, uint32_t n) override {
    if (fd_ < 0) return 0;
    if (desaparecido_) {
      // The device has gone: nothing will come, but the read still takes a
      // single byte's time-out, so the bounded waits above it do not spin the
      // processor (and a large read does not stall).
      std::this_thread::sleep_for(std::chrono::milliseconds(kEspera_byte_desaparecido_ms));
      return 0;
    }
    using Reloj_mono = std::chrono::steady_clock;
    const auto limite = Reloj_mono::now() + std::chrono::milliseconds(2 * uint64_t{n} + 2);
    uint32_t llegados = 0;
    bool aviso_de_datos = false;  // poll said there is input
    while (llegados < n) {
      const ssize_t r = read(fd_, destino + llegados, n - llegados);
      if (r > 0) {
        llegados += static_cast<uint32_t>(r);
        aviso_de_datos = false;
        continue;
      }
      if (r < 0) {
        const Fallo f = Anotar_error(errno);
        if (f == Fallo::Reintentar) continue;
        if (f != Fallo::Sin_datos) break;
      } else if (aviso_de_datos) {
        desaparecido_ = true;  // readable yet nothing to read: end of file
        break;
      }
      // Nothing waiting now: what has arrived is the answer; otherwise wait for the
      // first byte until the read time-out.
      if (llegados > 0) break;
      const auto resto =
          std::chrono::duration_cast<std::chrono::milliseconds>(limite - Reloj_mono::now()).count();
      if (resto <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      const int pr = poll(&p, 1, static_cast<int>(resto));
      if (pr < 0 && errno == EINTR) continue;
      if (pr <= 0) break;
      if (Anotar_colgado(p.revents) && !(p.revents & POLLIN)) break;
      aviso_de_datos = true;
    }
    return llegados;
  }

  // The wait of Leer for its first byte, alone: until input (or a hang-up, which
  // Leer then finds) or the read time-out.
  bool Esperar_entrada(uint32_t n) override {
    if (fd_ < 0 || desaparecido_ || n == 0) return true;  // Leer answers at once
    using Reloj_mono = std::chrono::steady_clock;
    const auto limite = Reloj_mono::now() + std::chrono::milliseconds(2 * uint64_t{n} + 2);
    for (;;) {
      const auto resto =
          std::chrono::duration_cast<std::chrono::milliseconds>(limite - Reloj_mono::now()).count();
      if (resto <= 0) return false;
      pollfd p{fd_, POLLIN, 0};
      const int pr = poll(&p, 1, static_cast<int>(resto));
      if (pr < 0 && errno == EINTR) continue;
      return pr != 0;
    }
  }

  // One non-blocking read: only what has already arrived.
  uint32_t Leer_disponible(uint8_t* destino, uint32_t n) override {
    if (fd_ < 0 || desaparecido_) return 0;
    for (;;) {
      const ssize_t r = read(fd_, destino, n);
      if (r >= 0) return static_cast<uint32_t>(r);
      if (Anotar_error(errno) != Fallo::Reintentar) return 0;
    }
  }

  // The line discipline's input count (FIONREAD). Unlike a read or a poll that
  // finds nothing, it does not first wait for the driver's pending input work,
  // which on a terminal costs several times a plain system call. A byte still on
  // its way in is seen by the next look, as one arriving a moment later would be.
  // A device that has gone fails the query with EIO (and an empty read of it
  // would only return nothing), so that failure is where the loss is known.
  bool Sin_entrada() override {
    if (fd_ < 0 || desaparecido_) return false;
    int en_cola = 0;
    if (ioctl(fd_, FIONREAD, &en_cola) != 0) {
      (void)Anotar_error(errno);  // only the loss of the device matters here
      return false;
    }
    return en_cola == 0;
  }

  // Asked before every write. A device that has gone (a hang-up, the other end of
  // a pseudo-terminal closed, a USB port unplugged) fails the queue query with
  // EIO, so no poll for the hang-up is needed: a poll on a terminal costs as much
  // as an empty read (see Sin_entrada).
  bool Consultar_cola(Estado_cola& estado) override {
    estado = Estado_cola{};
    if (fd_ < 0) return false;
    int en_cola = 0;
    if (!desaparecido_ && ioctl(fd_, TIOCOUTQ, &en_cola) != 0) {
      (void)Anotar_error(errno);  // only the loss of the device matters here
      en_cola = 0;
    }
    estado.bytes_en_salida = en_cola > 0 ? static_cast<uint32_t>(en_cola) : 0;
    estado.error_linea = desaparecido_ || Errores_de_linea_nuevos();
    return true;
  }

  void Purgar(bool recepcion, bool transmision) override {
    if (fd_ < 0) return;
    if (recepcion && transmision) {
      (void)tcflush(fd_, TCIOFLUSH);
    } else if (recepcion) {
      (void)tcflush(fd_, TCIFLUSH);
    } else if (transmision) {
      (void)tcflush(fd_, TCOFLUSH);
    }
  }

  void Fijar_rts(bool activo) override {
    if (fd_ >= 0) Cambiar_linea_modem(TIOCM_RTS, activo);
  }

 private:
  bool Fallar(Fallo_apertura f) {
    fallo_ = f;
    return false;
  }

  // Any rate through termios2. As with SetCommState, a rate the driver refuses
  // leaves the port open at the rate it had.
  void Fijar_velocidad(uint32_t baudios) {
    if (baudios == 0) return;  // B0 would hang up the line
    (void)Fijar_velocidad_termios(fd_, baudios);
  }

  // Raises or drops a modem line; a port without modem lines (ENOTTY, EINVAL) is
  // not an error, the line simply does not exist.
  void Cambiar_linea_modem(int linea, bool activa) {
    if (ioctl(fd_, activa ? TIOCMBIS : TIOCMBIC, &linea) != 0) (void)Anotar_error(errno);
  }

  // An errno of a call on the device, as Clasificar maps it; a device that has
  // gone is noted here, once for every call.
  Fallo Anotar_error(int error) {
    const Fallo f = Clasificar(error);
    if (f == Fallo::Desaparecido) desaparecido_ = true;
    return f;
  }

  // A hang-up or error condition from poll means the device has gone.
  bool Anotar_colgado(short revents) {
    if (revents & (POLLHUP | POLLERR | POLLNVAL)) desaparecido_ = true;
    return desaparecido_;
  }

  // Line errors since the last query, from the driver's counters where it keeps
  // them (a pseudo-terminal does not); like ClearCommError each is reported once.
  bool Errores_de_linea_nuevos() {
    if (!contadores_validos_ || desaparecido_) return false;
    serial_icounter_struct ahora{};
    if (ioctl(fd_, TIOCGICOUNT, &ahora) != 0) return false;
    const bool nuevos = ahora.frame != contadores_.frame || ahora.overrun != contadores_.overrun ||
                        ahora.parity != contadores_.parity || ahora.brk != contadores_.brk ||
                        ahora.buf_overrun != contadores_.buf_overrun;
    contadores_ = ahora;
    return nuevos;
  }

  const Directorio_puertos& directorio_;
  int fd_ = -1;
  bool desaparecido_ = false;
  bool latencia_pedida_ = false;  // the low-latency flag is ours to clear at close
  bool contadores_validos_ = false;
  serial_icounter_struct contadores_{};
  Fallo_apertura fallo_ = Fallo_apertura::ninguno;
};

}  // namespace

std::unique_ptr<Backend_serie> Crear_backend_sistema() {
  return std::make_unique<Backend_termios>(Directorio_sistema());
}

std::unique_ptr<Backend_serie> Crear_backend_sistema(const Directorio_puertos& directorio) {
  return std::make_unique<Backend_termios>(directorio);
}

}  // namespace r27
