#pragma once
// The meter's side of a recorded wire trace, played back: each write of the
// updater is checked against the writes the trace holds, byte by byte, and once
// a write of the trace is complete the bytes the trace read after it (up to its
// next write) are sent at the delays they were read at. Where the updater writes
// something else, or writes past the trace's end, the replay stops for good and
// says where. Qt-free and on any clock: the in-process backend replays on the
// virtual clock, r27-sim on a pseudo-terminal in real time.
//
// The trace's times count from each opening of the port. The in-process backend
// tells the replay when the port opens, so what was read after an opening and
// before the next write comes at its delay from that opening. A transport that
// cannot tell (a pseudo-terminal) takes the opening to follow right after the
// last thing the trace saw before it.
#include <cstdint>
#include <optional>
#include <string>

#include "sim/dispositivo_linea.h"
#include "sim/traza_grabada.h"

namespace r27::sim {

class Reproduccion_traza final : public Dispositivo_linea {
 public:
  // `avisa_aperturas`: the transport calls Puerto_abierto at every opening.
  Reproduccion_traza(Traza_grabada traza, bool avisa_aperturas, uint64_t t_inicio_us = 0);

  void Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) override;
  void Avanzar(uint64_t) override {}
  std::optional<uint64_t> Proximo_evento_us() const override { return salida_.Primero_us(); }
  size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) override;
  void Descartar_salida(uint64_t hasta_us) override { salida_.Descartar(hasta_us); }
  void Puerto_abierto(uint64_t t_us) override;
  bool Detenido() const override { return desvio_.has_value(); }

  // Where and how the updater departed from the trace; none while it follows it.
  const std::optional<std::string>& Desvio() const { return desvio_; }
  // Every record of the trace has been played (the last answers may still wait
  // to be read).
  bool Terminada() const { return indice_ >= traza_.registros.size(); }
  // The line of the trace the replay has reached (the next record's), and the last line.
  uint32_t Linea_actual() const;
  uint32_t Ultima_linea() const;

 private:
  using Tipo = Registro_traza::Tipo;
  // Plays the records after the current one until the next write of the updater
  // is due (or an opening the transport has not told yet).
  void Seguir();
  // An opening of the trace, at `t_us` on the replay's clock.
  void Pasar_apertura(uint64_t t_us);
  // The updater wrote datos[i] where the trace has something else (or nothing).
  void Desviarse(const uint8_t* datos, size_t n, size_t i);

  Traza_grabada traza_;
  bool avisa_aperturas_;
  size_t indice_ = 0;        // the next record to play
  size_t en_escritura_ = 0;  // bytes of the current write record already matched
  // What was read is sent at ancla_us_ plus its stamp's distance from base_us_.
  uint64_t ancla_us_;
  uint64_t base_us_ = 0;
  uint64_t ultimo_sello_us_ = 0;         // the last stamp played in this opening
  std::optional<uint64_t> apertura_us_;  // an opening told and not yet played
  Cola_salida salida_;
  std::optional<std::string> desvio_;
};

}  // namespace r27::sim
