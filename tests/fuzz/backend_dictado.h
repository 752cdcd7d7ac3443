#pragma once
// A serial backend on the virtual clock whose meter is dictated by an input: every
// byte the meter sends, when it sends it, and how the line behaves (short writes,
// a full transmit queue, an unplug) come from the input, one piece per write the
// updater makes. When the input runs out the meter falls silent for good.
//
// The input, piece by piece (one piece is taken at every call of Escribir):
//   h = 0x00..0x7F  answer: t = (h >> 4) & 7 picks the timing, L = h & 0x0F
//                   bytes follow (after the timing byte d when t needs one):
//                     t=0  all L bytes at once
//                     t=1  after d ms          t=2  after d x 20 ms
//                     t=3  after d s           t=4  after d x 8 s (up to 34 min)
//                     t=5  one byte every d x 10 ms from now
//                     t=6  one byte every d x 250 ms from now
//                     t=7  L is the byte d (0..255 bytes), all at once
//   h = 0x80..0xBF  repeat: n = (((h & 0x3F) << 8 | next byte) & 0xFFF) + 1; the
//                   answer piece that follows serves this write and the next n - 1
//                   (fewer when the run's repeated bytes would pass 4,096 in all;
//                   an empty answer counts as one byte)
//   h = 0xC0..0xDF  short write: the driver takes only (h & 0x1F) bytes (fewer
//                   than asked; none when the write is a single byte); no answer
//   h = 0xE0..0xEF  unplug: the device is gone for (h & 0x07) x 4 s; until the
//                   port is reopened after that the handle reports a line error,
//                   and with h & 0x08 it also reports the device gone (a hang-up,
//                   as Linux sees a vanished USB device)
//   h = 0xF0..0xFF  after this write the transmit queue stays full for
//                   (h & 0x0F) x 500 ms; no answer
//
// Reads follow the real port: what has arrived comes at once; otherwise a read
// returns when the next byte arrives, or after its time-out (2n+2 ms) when none
// does. Long silences are walked in longer steps so a 1,020-s wait does not cost a
// quarter of a million polls: after 2 empty reads in a row each one doubles, up to
// one second, and never passes the next byte's arrival. The code under test sees
// only reads that returned late, as on a loaded machine. As the system backends
// do, the backend tells an empty input without a read (Sin_entrada).
//
// The watchdog: the meter's side is finite, so once it is silent every wait must
// end. Virtual time or port operations beyond a bound without a byte delivered
// mean a loop that does not end: the backend prints where and aborts.
#include <array>
#include <cstdint>
#include <deque>
#include <span>

#include "link/backend_serie.h"
#include "link/reloj.h"

namespace r27::fuzz {

class Backend_dictado final : public Backend_serie {
 public:
  // Without a byte delivered, the updater may wait at most this long, or make at
  // most this many port operations; beyond either it is stuck. The longest wait
  // the updater has is the module's 1,020 s plus its preparation; a whole update
  // on a silent meter adds up every step's time-outs.
  static constexpr uint64_t kMaximo_silencio_us = 2ull * 3600 * 1'000'000;
  static constexpr uint64_t kMaximo_operaciones_silencio = 5'000'000;
  // Bytes served by repeats in one run: enough for a whole pass over the
  // keyboard's 256 blocks (3,840 one-byte answers programming, 3,328 verifying)
  // or for the embedded FPGA set's 1,780 acknowledgements, few enough that a few
  // pieces cannot keep a run busy.
  static constexpr uint32_t kMaximo_bytes_repetidos = 4096;

  explicit Backend_dictado(std::span<const uint8_t> entrada) : entrada_(entrada) {}
  void Usar_reloj(Reloj_virtual& reloj) {
    reloj_ = &reloj;
    ultimo_avance_us_ = reloj.Ahora_us();
  }

  // Names the part of the run under way, for the watchdog's message, and starts
  // its count afresh (each part may wait its own bound).
  void Fijar_lugar(const char* lugar);
  // The watchdog, also called from outside the port (the window's message loop).
  void Vigilar();

  // The longest silence seen so far (virtual µs), for the report.
  uint64_t Maximo_silencio_us() const { return maximo_silencio_us_; }
  bool Entrada_agotada() const { return pos_ >= entrada_.size() && repeticiones_ == 0; }
  uint64_t Operaciones() const { return operaciones_; }
  uint32_t Bytes_repetidos() const { return bytes_repetidos_; }

  // Backend_serie.
  bool Abrir(int numero, const DCB_linea& linea) override;
  void Cerrar() override { abierto_ = false; }
  bool Esta_abierto() const override { return abierto_; }
  uint32_t Escribir(const uint8_t* datos, uint32_t n) override;
  uint32_t Leer(uint8_t* destino, uint32_t n) override;
  uint32_t Leer_disponible(uint8_t* destino, uint32_t n) override;
  bool Consultar_cola(Estado_cola& estado) override;
  void Purgar(bool recepcion, bool transmision) override;
  void Fijar_rts(bool) override { Contar(); }
  bool Sin_entrada() override;
  bool Desaparecido() const override { return abierto_ && sin_linea_ && colgado_; }

 private:
  struct Llegada {
    uint64_t instante_us;
    uint8_t byte;
  };
  // An answer piece, kept while it repeats.
  struct Respuesta_dictada {
    uint8_t cabecera = 0;
    uint8_t d = 0;
    std::span<const uint8_t> bytes;
  };
  uint64_t Ahora() const { return reloj_->Ahora_us(); }
  void Contar();
  uint8_t Siguiente();  // next input byte, 0 when none is left
  bool Leer_respuesta(Respuesta_dictada& r);
  void Encolar(const Respuesta_dictada& r);
  uint32_t Coste_plantilla() const;  // its bytes, at least 1
  void Repetir();                    // the template answers once more
  uint32_t Tomar(uint8_t* destino, uint32_t n);
  [[noreturn]] void Atascado(const char* motivo);

  std::span<const uint8_t> entrada_;
  size_t pos_ = 0;
  Reloj_virtual* reloj_ = nullptr;
  bool abierto_ = false;
  std::deque<Llegada> llegadas_;

  Respuesta_dictada plantilla_;
  uint32_t repeticiones_ = 0;     // writes the template still answers
  uint32_t bytes_repetidos_ = 0;  // bytes served by repeats in this run (at least 1 an answer)

  uint64_t desenchufado_hasta_us_ = 0;
  bool sin_linea_ = false;  // unplugged: the handle is dead until reopened
  bool colgado_ = false;    // and the handle reports the device gone
  uint64_t cola_llena_hasta_us_ = 0;
  uint32_t consultas_llena_ = 0;  // queries in a row that found the queue full

  uint32_t lecturas_vacias_ = 0;  // empty reads in a row

  const char* lugar_ = "inicio";
  std::array<uint8_t, 16> ultima_escritura_{};  // its first bytes
  uint32_t longitud_ultima_escritura_ = 0;
  uint64_t ultimo_avance_us_ = 0;
  uint64_t operaciones_desde_avance_ = 0;
  uint64_t operaciones_ = 0;
  uint64_t maximo_silencio_us_ = 0;
};

}  // namespace r27::fuzz
