#pragma once
// Serves a simulated device (the meter, or a replayed trace) on the master side
// of a Linux pseudo-terminal, in real time: bytes read from the master go to the
// device with their arrival time and the rate the updater set on the slave (read
// from the master with TCGETS2), answers are written when due, as the updater's
// rate reads them.
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/config_simulador.h"
#include "sim/dispositivo_linea.h"

namespace r27::sim {

// Microseconds of the monotonic clock: the meter's timeline in real time.
uint64_t Ahora_real_us();

class Servidor_pty {
 public:
  explicit Servidor_pty(Dispositivo_linea& dispositivo) : dispositivo_(dispositivo) {}
  ~Servidor_pty();
  Servidor_pty(const Servidor_pty&) = delete;
  Servidor_pty& operator=(const Servidor_pty&) = delete;

  // Creates the pseudo-terminal (slave in raw mode at 115,200 baud). The server
  // keeps a slave descriptor of its own so the master never sees a hang-up while
  // the updater has the port closed. False, with `error` filled, on failure.
  bool Abrir(std::string& error);
  const std::string& Ruta_esclavo() const { return ruta_esclavo_; }

  enum class Fin { Senal, Desenchufe, Detenido };
  // From `t_us` on the meter hangs: nothing more is read from the line, so what
  // the updater writes piles up in the kernel until its writes stall.
  void Dejar_de_leer_en(uint64_t t_us) { deja_de_leer_us_ = t_us; }
  // Serves until `parar` becomes non-zero (returns Senal), the device is
  // unplugged (closes the pseudo-terminal, whose slave node then disappears, and
  // returns Desenchufe) or the device stops for good (returns Detenido, the
  // pseudo-terminal left open). The master is never closed while serving
  // otherwise. Whenever `liberar` is non-zero the device is asked to send a
  // release byte 0x0A (the meter asks to be let go) and the flag is cleared. Signals that set the
  // flags must be blocked by the caller outside this call: they are let in only while it waits.
  Fin Servir(const volatile std::sig_atomic_t& parar, volatile std::sig_atomic_t& liberar,
             const sigset_t& mascara_espera);

  // The rate the updater has set on the slave; 115,200 when it cannot be read.
  uint32_t Baudios_esclavo() const;

  // A busy computer can hand the bytes of a pseudo-terminal over this long after
  // they were written: a request the updater wrote just before it set another
  // rate may be read only after the change.
  static constexpr uint64_t kRetraso_entrega_us = 1'500'000;

  // The rate to stamp on bytes read at `ahora_us`. It is the slave's rate, or the
  // rate it held until a change less than kRetraso_entrega_us ago when the device
  // still listens at that one: the bytes were most likely written before the
  // change, when a UART would have sent them at once at the old rate.
  uint32_t Baudios_entrada(uint64_t ahora_us);

 private:
  void Cerrar();
  void Escribir_pendiente();
  // Reads the slave's rate and notes when it changes.
  uint32_t Muestrear_baudios(uint64_t ahora_us);

  Dispositivo_linea& dispositivo_;
  int maestro_ = -1;
  int esclavo_propio_ = -1;
  std::string ruta_esclavo_;
  std::vector<uint8_t> pendiente_;
  uint64_t deja_de_leer_us_ = UINT64_MAX;
  uint32_t baudios_vistos_ = kBaudios_inicio;
  uint32_t baudios_anteriores_ = 0;
  uint64_t cambio_baudios_us_ = 0;
};

}  // namespace r27::sim
