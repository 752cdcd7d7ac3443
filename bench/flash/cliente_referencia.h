#pragma once
// The reference client of the transfer benchmark: the tightest stop-and-wait
// loop over a raw terminal descriptor. Each packet is written whole, then one
// poll() and one read() take the meter's one-byte answer; nothing else runs.
// The updater's time for the same packets is reported as a ratio to it.
//
// Reproducir_referencia is the same loop for any exchange: it replays a
// transcript of what the updater did on the line (its writes, how many bytes it
// read before its next step, the pauses the protocol prescribes, the rate
// changes) with one write() per request and one poll()/read() per wait, so the
// reference does the very requests, in the same order and with the same
// prescribed pauses, without anything of the updater's own making.
#include <cstdint>
#include <span>
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

// One step of a transcript of the line, as the updater made it.
enum class Tipo_suceso : uint8_t {
  Escritura = 'W',  // bytes written
  Lectura = 'R',    // bytes read (one or more reads with nothing else between them)
  Pausa = 'S',      // a pause of `valor` ms on the window's clock
  Apertura = 'O',   // the port (re)opened at `valor` baud
  Purga = 'P',      // both driver queues purged
  Marca = 'M',      // a named point of the run (`valor`: its index)
};

struct Suceso_linea {
  Tipo_suceso tipo = Tipo_suceso::Marca;
  uint32_t valor = 0;  // ms, baud or mark index; the byte count for W and R
  double t = 0;        // seconds of the monotonic clock when it happened
  std::vector<uint8_t> bytes;
};

struct Resultado_reproduccion {
  bool ok = false;
  std::string error;
  double pared_s = 0;  // first step to the end of the last one
  double cpu_s = 0;    // this thread's CPU time over the same span
  // Seconds from the start at which each mark of the transcript was reached.
  std::vector<double> marcas_s;
  // Seconds from the start at which each step of the transcript was done.
  std::vector<double> sucesos_s;
  size_t esperas_agotadas = 0;      // waits that ran out before their bytes came
  std::vector<size_t> agotadas_en;  // the transcript steps where they did
  uint64_t recibidos = 0;
  uint64_t distintos = 0;            // bytes that differ from what the updater read
  std::vector<size_t> distintos_en;  // the transcript steps where they did
};

// Replays `sucesos` on the open terminal `fd`: each write is written whole; each
// read waits until the bytes the updater had read by then have come (for at most
// twice the time the updater took to get them since its last write or read, plus
// one second); pauses sleep,
// openings set the rate, purges flush both queues, marks take the time.
Resultado_reproduccion Reproducir_referencia(int fd, std::span<const Suceso_linea> sucesos);

}  // namespace r27::banco
