#pragma once
// The one serial port object of the updater: open by COM number with the line
// settings, write with a stall guard, read what has arrived, purge, drive RTS.
// Each call on the device holds the lock of that device (Mutex_Puerto named after
// it), and only for the system call itself: the stall loop, its pauses and the
// trace run outside, and the ports of other meters never wait for this one. A
// read's wait for its first byte is not held under it, nor is the look at an
// input with nothing waiting (the drain before every request).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/backend_serie.h"
#include "link/dcb_linea.h"
#include "link/fallo.h"
#include "link/mutex_puerto.h"
#include "link/reloj.h"
#include "link/traza_linea.h"

namespace r27 {

class Puerto_serie {
 public:
  static constexpr uint32_t kTamano_entrada = 2048;
  static constexpr uint32_t kTamano_salida = 2048;
  static constexpr uint32_t kLimite_atasco_ms = 4000;  // write stall limit
  static constexpr uint32_t kEspacio_error = 0xFFFF;   // Espacio_libre on error / closed
  static constexpr uint32_t kLeer_todo = 0xFFFFFFFF;   // Leer: the input buffer size

  // The lock of a device is named `prefijo_cerrojo` followed by the device's name
  // (the lock of a backend that names no device: the prefix alone). The prefix is
  // "Mutex_Puerto" everywhere but in tests that need a private one.
  Puerto_serie(std::unique_ptr<Backend_serie> backend, Reloj& reloj,
               const std::string& prefijo_cerrojo = "Mutex_Puerto");
  ~Puerto_serie();
  Puerto_serie(const Puerto_serie&) = delete;
  Puerto_serie& operator=(const Puerto_serie&) = delete;

  bool Abrir(int numero, DCB_linea linea);
  void Cerrar();
  bool Esta_abierto() const;
  // The device behind the port is gone (unplugged): nothing more will come and
  // nothing more can be asked of it. Once seen it stays known, through a close
  // and a failed reopen, until a device is opened again.
  bool Dispositivo_perdido() const {
    return perdido_ || (backend_->Esta_abierto() && backend_->Desaparecido());
  }
  // Bytes written, 0 when the port is not open, -1 on failure.
  int32_t Escribir(const uint8_t* datos, uint32_t n);
  // Bytes read; 0 when closed or nothing came. buffer[0] is 0 after an empty read.
  uint32_t Leer(uint8_t* destino, uint32_t n);
  // Like Leer, but only what has already arrived: it never waits for the read
  // time-out (draining the input before a request costs no line time).
  uint32_t Leer_disponible(uint8_t* destino, uint32_t n);
  uint32_t Espacio_libre();
  void Purgar(bool recepcion, bool transmision);
  void Fijar_rts(bool activo);

  int Numero() const { return numero_; }
  const DCB_linea& Linea_aplicada() const { return dcb_; }
  Backend_serie& Backend() { return *backend_; }
  // Why the last Abrir failed (permission, busy, ...); `ninguno` after a success.
  Fallo_apertura Ultimo_fallo_apertura() const {
    return Esta_abierto() ? Fallo_apertura::ninguno : backend_->Ultimo_fallo_apertura();
  }

  // The wire trace: the one R27_TRAZA asks for at construction, or one handed in
  // (null switches it off).
  void Fijar_traza(std::unique_ptr<Traza_linea> traza) { traza_ = std::move(traza); }
  Traza_linea* Traza() { return traza_.get(); }
  // A request gave up: the failure goes to the trace.
  void Anotar(const Fallo& fallo);

  // Bytes the port has taken since it was made, and whether the last Leer found
  // nothing: a request that wrote and then waited in vain may still be answered.
  uint64_t Bytes_escritos() const { return bytes_escritos_; }
  bool Ultima_lectura_vacia() const { return ultima_lectura_vacia_; }

  // The name of the lock the port takes now (empty before the first Abrir).
  const std::string& Nombre_cerrojo() const { return nombre_cerrojo_; }
  // The longest any call of this port has waited for its lock, in microseconds
  // of real time (a lock held elsewhere: another program on the same device).
  uint64_t Espera_cerrojo_maxima_us() const { return espera_maxima_us_; }

 private:
  // A read that found nothing: buffer[0] cleared, the empty read traced.
  uint32_t Lectura_vacia(uint8_t* destino);

  class Tramo_bloqueado;
  // The device behind `numero` gets its lock (a new one when the device changed).
  void Elegir_cerrojo(int numero);

  std::unique_ptr<Backend_serie> backend_;
  Reloj& reloj_;
  std::string prefijo_cerrojo_;
  std::string nombre_cerrojo_;
  std::unique_ptr<Mutex_Puerto> mutex_;
  uint64_t espera_maxima_us_ = 0;
  uint64_t bytes_escritos_ = 0;
  bool ultima_lectura_vacia_ = false;
  bool perdido_ = false;  // the device vanished and none has been opened since
  DCB_linea dcb_{};
  int numero_ = 0;
  uint32_t tamano_entrada_ = kTamano_entrada;
  std::vector<uint8_t> buffer_lectura_;
  std::unique_ptr<Traza_linea> traza_;
};

}  // namespace r27
