#pragma once
// The reference client of the transfer benchmark: the tightest stop-and-wait
// loop over a raw terminal descriptor. Each packet is written whole, then one
// poll() and one read() take the meter's one-byte answer; nothing else runs.
// The updater's time for the same packets is reported as a ratio to it.
#include <cstdint>
#include <string>
#include <vector>

namespace r27::banco {

using Paquete = std::vector<uint8_t>;

struct Resultado_referencia {
  bool ok = false;
  double pared_s = 0;  // first write to the last answer
  double cpu_s = 0;    // this thread's CPU time over the same span
  size_t paquetes = 0;
  std::string error;
};

// Opens `ruta` raw (8N2, no flow control) at `baudios`; -1 on failure.
int Abrir_referencia(const std::string& ruta, uint32_t baudios);

// Sends every packet and waits up to `espera_ms` for its answer, which must be
// `aceptado`. Stops at the first missing or wrong answer.
Resultado_referencia Enviar_referencia(int fd, const std::vector<Paquete>& paquetes,
                                       uint8_t aceptado, int espera_ms = 2000);

}  // namespace r27::banco
