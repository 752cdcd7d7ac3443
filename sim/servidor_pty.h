#pragma once
// Serves the simulated meter on the master side of a Linux pseudo-terminal, in
// real time: bytes read from the master go to the meter with their arrival time
// and the rate the updater set on the slave (read from the master with TCGETS2),
// answers are written when due, as the updater's rate reads them.
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/medidor_simulado.h"

namespace r27::sim {

// Microseconds of the monotonic clock: the meter's timeline in real time.
uint64_t Ahora_real_us();

class Servidor_pty {
 public:
  explicit Servidor_pty(Medidor_simulado& medidor) : medidor_(medidor) {}
  ~Servidor_pty();
  Servidor_pty(const Servidor_pty&) = delete;
  Servidor_pty& operator=(const Servidor_pty&) = delete;

  // Creates the pseudo-terminal (slave in raw mode at 115,200 baud). The server
  // keeps a slave descriptor of its own so the master never sees a hang-up while
  // the updater has the port closed. False, with `error` filled, on failure.
  bool Abrir(std::string& error);
  const std::string& Ruta_esclavo() const { return ruta_esclavo_; }

  enum class Fin { Senal, Desenchufe };
  // Serves until `parar` becomes non-zero (returns Senal) or the meter is
  // unplugged (closes the pseudo-terminal, whose slave node then disappears, and
  // returns Desenchufe). The master is never closed while serving otherwise.
  // Whenever `liberar` is non-zero the meter sends a release byte 0x0A (asks to be
  // let go) and the flag is cleared. Signals that set the flags must be blocked by
  // the caller outside this call: they are let in only while it waits.
  Fin Servir(const volatile std::sig_atomic_t& parar, volatile std::sig_atomic_t& liberar,
             const sigset_t& mascara_espera);

  // The rate the updater has set on the slave; 115,200 when it cannot be read.
  uint32_t Baudios_esclavo() const;

 private:
  void Cerrar();
  void Escribir_pendiente();

  Medidor_simulado& medidor_;
  int maestro_ = -1;
  int esclavo_propio_ = -1;
  std::string ruta_esclavo_;
  std::vector<uint8_t> pendiente_;
};

}  // namespace r27::sim
