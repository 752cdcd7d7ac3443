#include "link/puerto_serie.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

namespace r27 {

namespace {

// The applied settings: only the fields the updater means to set are taken from the
// caller's record; RTS control, XON/XOFF input and DSR flow are always off, because
// the connect handshake drives RTS itself and the meter never sends XOFF.
DCB_linea Linea_aplicable(const DCB_linea& pedida) {
  DCB_linea d{};
  d.BaudRate = pedida.BaudRate;
  d.fParity = pedida.fParity;
  d.fOutxCtsFlow = pedida.fOutxCtsFlow;
  d.fOutxDsrFlow = false;
  d.fDtrControl = pedida.fDtrControl & 0x3;  // a two-bit field
  d.fOutX = pedida.fOutX;
  d.fInX = false;
  d.fRtsControl = RTS_CONTROL_DISABLE;
  d.ByteSize = pedida.ByteSize;
  d.Parity = pedida.Parity;
  d.StopBits = pedida.StopBits;
  return d;
}

// The lock file of a device must be a file name the system takes: a name too
// long keeps its start and ends in a hash of the whole, so two long names never
// share a lock.
std::string Nombre_acotado(const std::string& nombre) {
  constexpr size_t kMaximo = 160;
  if (nombre.size() <= kMaximo) return nombre;
  uint64_t h = 0xcbf29ce484222325ull;  // FNV-1a
  for (unsigned char c : nombre) h = (h ^ c) * 0x100000001b3ull;
  char cola[20];
  std::snprintf(cola, sizeof cola, "-%016llx", static_cast<unsigned long long>(h));
  return nombre.substr(0, kMaximo - 17) + cola;
}

}  // namespace

// Holds the device's lock for one system call, measuring how long it waited.
class Puerto_serie::Tramo_bloqueado {
 public:
  explicit Tramo_bloqueado(Puerto_serie& p) : p_(p) {
    if (!p_.mutex_) return;
    if (p_.mutex_->Intentar_bloquear() || !p_.mutex_->Existe()) return;
    const auto t0 = std::chrono::steady_clock::now();
    p_.mutex_->Bloquear();
    const auto espera = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - t0);
    p_.espera_maxima_us_ = std::max<uint64_t>(p_.espera_maxima_us_, espera.count());
  }
  ~Tramo_bloqueado() {
    if (p_.mutex_) p_.mutex_->Liberar();
  }
  Tramo_bloqueado(const Tramo_bloqueado&) = delete;
  Tramo_bloqueado& operator=(const Tramo_bloqueado&) = delete;

 private:
  Puerto_serie& p_;
};

Puerto_serie::Puerto_serie(std::unique_ptr<Backend_serie> backend, Reloj& reloj,
                           const std::string& prefijo_cerrojo)
    : backend_(std::move(backend)),
      reloj_(reloj),
      prefijo_cerrojo_(prefijo_cerrojo),
      traza_(Traza_linea::Desde_entorno()) {
  try {
    buffer_lectura_.resize(kTamano_entrada);
  } catch (const std::bad_alloc&) {
    tamano_entrada_ = 0;  // reads then return 0
  }
}

Puerto_serie::~Puerto_serie() {
  Cerrar();
  // How long this port's calls waited for their device's lock at worst (another
  // program on the same device). A backend that names no device (the in-process
  // meter of the tests) shares one lock with every such port: its waits say
  // nothing of a device, and its trace stays the same from run to run.
  if (traza_ && mutex_ && nombre_cerrojo_ != prefijo_cerrojo_)
    traza_->Nota("cerrojo " + nombre_cerrojo_ + ": espera mas larga " +
                 std::to_string(espera_maxima_us_) + " us");
}

void Puerto_serie::Elegir_cerrojo(int numero) {
  const std::string dispositivo = backend_->Dispositivo(numero);
  const std::string nombre =
      dispositivo.empty() ? prefijo_cerrojo_ : Nombre_acotado(prefijo_cerrojo_ + "-" + dispositivo);
  if (mutex_ && nombre == nombre_cerrojo_) return;
  mutex_ = std::make_unique<Mutex_Puerto>(nombre);
  nombre_cerrojo_ = nombre;
}

bool Puerto_serie::Abrir(int numero, DCB_linea linea) {
  numero_ = numero;
  dcb_ = Linea_aplicable(linea);
  Cerrar();  // under the lock of the device it had open
  Elegir_cerrojo(numero);
  bool abierto = false;
  {
    Tramo_bloqueado c(*this);
    abierto = backend_->Abrir(numero, dcb_);
    if (abierto) backend_->Purgar(true, true);
  }
  if (abierto) perdido_ = false;
  if (traza_ && abierto) traza_->Origen(reloj_.Micros());
  return abierto;
}

void Puerto_serie::Cerrar() {
  if (!Esta_abierto()) return;
  perdido_ = perdido_ || backend_->Desaparecido();
  Tramo_bloqueado c(*this);
  backend_->Cerrar();
}

bool Puerto_serie::Esta_abierto() const { return backend_->Esta_abierto(); }

int32_t Puerto_serie::Escribir(const uint8_t* datos, uint32_t n) {
  if (!Esta_abierto()) return 0;
  if (n == 0) return 0;
  // The count of bytes written must fit the signed result.
  if (datos == nullptr || n > static_cast<uint32_t>(INT32_MAX)) return -1;
  int32_t escritos = 0;
  uint32_t t0 = reloj_.Ticks_ms();
  auto atascado = [&] { return static_cast<uint32_t>(reloj_.Ticks_ms() - t0) > kLimite_atasco_ms; };
  // Each turn holds the device's lock for the queue query and the write alone;
  // the pauses of a full queue and the trace come after it is released.
  while (n > 0) {
    uint32_t libre = 0;
    uint32_t hechos = 0;
    {
      Tramo_bloqueado c(*this);
      libre = Espacio_libre();
      if (libre != kEspacio_error && libre > 0) {
        const uint32_t trozo = std::min(libre, n);
        hechos = std::min(backend_->Escribir(datos, trozo), trozo);
      }
    }
    if (libre == kEspacio_error) return -1;
    if (hechos == 0) {
      // A full transmit queue fails the write once it has not moved for the stall
      // limit, the port staying open; a driver that took nothing for that long
      // has a dead line, so the port is closed and every later operation finds it
      // closed. The 1 ms pause keeps the poll off the CPU.
      if (atascado()) {
        if (libre > 0) Cerrar();
        return -1;
      }
      reloj_.Dormir_ms(1);
      continue;
    }
    if (traza_) traza_->Escritura(reloj_.Micros(), datos, hechos);
    escritos += static_cast<int32_t>(hechos);
    bytes_escritos_ += hechos;
    datos += hechos;
    n -= hechos;
    t0 = reloj_.Ticks_ms();  // every bit of progress restarts the stall clock
  }
  return escritos;
}

uint32_t Puerto_serie::Leer(uint8_t* destino, uint32_t n) {
  if (n == kLeer_todo) n = tamano_entrada_;
  if (!Esta_abierto()) return 0;
  // A zero-length request has no buffer[0] to clear.
  if (n == 0 || destino == nullptr) return 0;
  // The wait for the first byte is not an operation on the port: it runs outside
  // the machine-wide lock, so another program's port operations never wait out
  // this read's time-out. The read itself runs under the lock.
  const uint32_t primero = std::min(n, tamano_entrada_);
  const bool hay_entrada = primero == 0 || backend_->Esperar_entrada(primero);
  // A time-out that passed with nothing waiting, as the backend can tell without
  // reading, ends the read there: no operation on the port, so no lock.
  if (!hay_entrada && backend_->Sin_entrada()) {
    ultima_lectura_vacia_ = true;
    return Lectura_vacia(destino);
  }
  destino[0] = 0;  // a missing reply reads as the byte 0x00
  uint32_t total = 0;
  {
    Tramo_bloqueado c(*this);
    if (!hay_entrada) {
      // The time-out has passed already: only what came since (nothing, most often).
      total = std::min(backend_->Leer_disponible(buffer_lectura_.data(), primero), primero);
      std::memcpy(destino, buffer_lectura_.data(), total);
    } else {
      while (total < n) {
        const uint32_t trozo = std::min(n - total, tamano_entrada_);
        if (trozo == 0) break;
        const uint32_t llegados = std::min(backend_->Leer(buffer_lectura_.data(), trozo), trozo);
        if (llegados == 0) break;
        std::memcpy(destino + total, buffer_lectura_.data(), llegados);
        total += llegados;
      }
    }
  }
  if (traza_) traza_->Lectura(reloj_.Micros(), destino, total);
  ultima_lectura_vacia_ = total == 0;
  return total;
}

uint32_t Puerto_serie::Leer_disponible(uint8_t* destino, uint32_t n) {
  if (n == kLeer_todo) n = tamano_entrada_;
  if (!Esta_abierto()) return 0;
  if (n == 0 || destino == nullptr) return 0;
  // Nothing waiting is seen without the lock, as a read's wait for its first byte
  // is: the drain before every request then costs one query of the input queue
  // (taking the lock and reading nothing cost three system calls and the
  // driver's pending input work).
  if (backend_->Sin_entrada()) return Lectura_vacia(destino);
  destino[0] = 0;
  const uint32_t trozo = std::min(n, tamano_entrada_);
  if (trozo == 0) return 0;
  uint32_t llegados = 0;
  {
    Tramo_bloqueado c(*this);
    llegados = std::min(backend_->Leer_disponible(buffer_lectura_.data(), trozo), trozo);
  }
  std::memcpy(destino, buffer_lectura_.data(), llegados);
  if (traza_) traza_->Lectura(reloj_.Micros(), destino, llegados);
  return llegados;
}

uint32_t Puerto_serie::Lectura_vacia(uint8_t* destino) {
  destino[0] = 0;
  if (traza_) traza_->Lectura(reloj_.Micros(), destino, 0);
  return 0;
}

uint32_t Puerto_serie::Espacio_libre() {
  Tramo_bloqueado c(*this);
  if (!Esta_abierto()) return kEspacio_error;
  Estado_cola estado;
  if (!backend_->Consultar_cola(estado) || estado.error_linea) return kEspacio_error;
  // More queued than the nominal queue size is a full queue, not a line error.
  if (estado.bytes_en_salida >= kTamano_salida) return 0;
  return kTamano_salida - estado.bytes_en_salida;
}

void Puerto_serie::Purgar(bool recepcion, bool transmision) {
  Tramo_bloqueado c(*this);
  if (Esta_abierto()) backend_->Purgar(recepcion, transmision);
}

void Puerto_serie::Anotar(const Fallo& fallo) {
  if (traza_)
    traza_->Abandono(reloj_.Micros(), fallo.peticion, fallo.esperado,
                     fallo.llegado.empty() ? Texto_llegada(fallo.llegada) : fallo.llegado);
}

void Puerto_serie::Fijar_rts(bool activo) {
  if (!Esta_abierto()) return;
  Tramo_bloqueado c(*this);
  backend_->Fijar_rts(activo);
}

}  // namespace r27
