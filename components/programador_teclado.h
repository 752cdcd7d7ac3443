#pragma once
// Reprograms the meter's keyboard microcontroller. The meter drives the
// programming itself, vector by vector: this object starts it (0xBB) and then
// answers each request code the meter sends with what that code asks for (a
// vector table, the 256 firmware blocks, the security record, the checksum
// record or a fixed item), until the meter reports the end, a silicon-ID error
// or a verify error. The firmware is the keyboard HEX text the updater carries.
// Created by a step, used and released; the meter must be running its firmware.
//
// Bound added here: each request code is awaited for kEspera_codigo_teclado_s
// (30 s), and the vectors and blocks stop once the meter has sent nothing at all
// for as long (a silent meter would otherwise cost 2 s per vector, up to two
// hours over the 256 blocks). Either way the run ends with
// kCodigo_teclado_sin_respuesta (25) unless a code was already set, a beep and a
// message naming the keyboard. A packet the port does not take ends it the same
// way at once, instead of waiting out a meter that never got it.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "components/texto_teclado.h"
#include "link/contexto_peticion.h"
#include "link/fallo.h"

namespace r27 {

// Reply wait after a vector or a block: one byte within 2 s, 0 when none.
inline constexpr int64_t kEspera_respuesta_teclado_s = 2;
// The meter's next request code (ours): longer than the meter itself waits for
// the computer before it ends the exchange with 21, so its own verdict comes first.
inline constexpr int64_t kEspera_codigo_teclado_s = 30;

inline constexpr int kParte_teclado = 180;  // share of the overall bar (during the blocks)
inline constexpr int kBloques_teclado = 256;

// The meter's request codes with a meaning of their own (the vector tables are
// asked for with their code: 3, 5, 6, 7, 8, 9, 11, 12, 13).
inline constexpr uint8_t kPeticion_teclado_verificar = 6;  // also starts the verify pass
inline constexpr uint8_t kPeticion_teclado_10 = 10;
inline constexpr uint8_t kPeticion_teclado_bloques = 14;
inline constexpr uint8_t kPeticion_teclado_15 = 15;
inline constexpr uint8_t kPeticion_teclado_seguridad = 16;
inline constexpr uint8_t kPeticion_teclado_checksum = 17;
inline constexpr uint8_t kFin_teclado_correcto = 18;
inline constexpr uint8_t kFin_teclado_error_id = 19;
inline constexpr uint8_t kFin_teclado_error_verificacion = 20;
inline constexpr uint8_t kFin_teclado_abortado = 21;
inline constexpr uint8_t kPeticion_teclado_22 = 22;
// The table sent after every block while programming, and while verifying.
inline constexpr uint8_t kTabla_tras_bloque_programando = 5;
inline constexpr uint8_t kTabla_tras_bloque_verificando = 6;

class Programador_teclado {
 public:
  // Over the embedded keyboard HEX text. `progreso_base` is where the overall
  // bar stood when the step began; the blocks move it within kParte_teclado.
  Programador_teclado(Contexto_paso& paso, int32_t progreso_base);
  // Over another text (tests hand damaged copies).
  Programador_teclado(Contexto_paso& paso, int32_t progreso_base, std::string_view texto);

  // Sends 0xBB and serves the meter's request codes until the exchange ends:
  // success on code 18; a failure on 19 (result code 1), 20 (code 2), 21 (code
  // 27, silently: the meter has already told the technician), or when no code
  // comes in time or a packet could not be written (code 25). The failure goes
  // to the step's sink with its code; a code set earlier in the run stays.
  Resultado Programar_teclado();

  // Waits up to 2 s for one byte, letting window messages run; 0 when none came.
  uint8_t Esperar_respuesta();

  uint32_t Posicion_lectura() const { return texto_.Posicion(); }
  // False: blocks are followed by the programming vectors; true: by the verify vectors.
  bool modo_verificacion = false;

 private:
  // Each request code's answer.
  void Enviar_tabla(uint8_t codigo);
  void Enviar_firmware();
  void Enviar_seguridad();
  void Enviar_checksum();

  // The messages of one kind of line, for the field that is wrong.
  struct Errores_linea {
    std::string_view longitud;
    std::string_view tipo;
    std::string_view faltan_datos;
    std::string_view esperados = {};  // the data digits the line must hold, when `datos` is set
    std::string_view datos = {};
  };
  // Reads one line ":" LL AAAA TT data CC CR LF whose length field must be
  // `longitud`, type field `tipo`, with `digitos` data digits; returns the data
  // digits, or nothing once the first wrong field's error has been shown.
  std::optional<std::string_view> Leer_linea(std::string_view longitud, std::string_view tipo,
                                             size_t digitos, const Errores_linea& errores);
  void Error_formato(std::string_view texto);
  // Writes one packet; a packet the port did not take is kept as the exchange's
  // failure, and nothing more is sent or awaited.
  void Enviar(std::span<const uint8_t> paquete, std::string_view peticion);
  // The exchange has nothing more to wait for: the meter fell silent, or a write failed.
  bool Parado() const { return callado_ || escritura_.Motivo().has_value(); }
  // Ends the exchange with `fallo` under `codigo`.
  Resultado Terminar(Fallo fallo, int32_t codigo);

  Contexto_paso& paso_;
  int32_t progreso_base_;
  Lector_texto_teclado texto_;
  // The seconds clock when the meter last sent a byte, and whether it has been
  // silent for kEspera_codigo_teclado_s since.
  int64_t ultimo_byte_s_ = 0;
  bool callado_ = false;
  Primer_fallo escritura_;
};

}  // namespace r27
