#pragma once
// The conventions every request to the meter follows: drain the input before a
// request, wait for reply bytes by polling single-byte reads on the seconds clock
// while window messages run, and retry a whole request a fixed number of times.
// Each request keeps its own time-outs and retry counts as named constants next
// to it; the helpers here only carry them out.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>

#include "link/contexto_peticion.h"
#include "link/fallo.h"
#include "link/puerto_serie.h"
#include "link/reloj.h"

namespace r27 {

// A drain stops after this many bytes even when the line keeps delivering, so a
// meter that never falls silent cannot hold the window thread for ever. Twice the
// driver's input queue is far more than any reply leaves behind.
inline constexpr uint32_t kMaximo_drenaje_bytes = 2 * Puerto_serie::kTamano_entrada;

// Reads single bytes until none is waiting (or kMaximo_drenaje_bytes were taken).
// The reads take only what has already arrived: a drain before every block must
// not cost the port's read time-out. Returns the number of bytes thrown away.
uint32_t Drenar(Puerto_serie& puerto);

// The longest a fixed pause goes without letting window messages run. A window
// that takes no messages for 5 s is marked "Not responding" by Windows, which
// offers to end it in the middle of an update; the waits for the meter already
// let messages run at every poll.
inline constexpr uint32_t kPaso_pausa_ms = 100;

// A fixed pause of `ms` on the clock that lets window messages run at least every
// kPaso_pausa_ms. It runs between port calls, never inside one.
void Pausa(Contexto_peticion& contexto, uint32_t ms);

// How long a wait lasts, counted in whole seconds from its start time:
// Menos_de(n) goes on while fewer than n seconds have elapsed ("wait up to n s"),
// Hasta(n) goes on until more than n seconds have elapsed ("give up once more
// than n s have passed").
struct Plazo {
  int64_t segundos = 0;
  bool incluye_limite = false;

  static constexpr Plazo Menos_de(int64_t s) { return {s, false}; }
  static constexpr Plazo Hasta(int64_t s) { return {s, true}; }
  constexpr bool Vigente(int64_t transcurrido) const {
    return incluye_limite ? transcurrido <= segundos : transcurrido < segundos;
  }
};

struct Opciones_espera {
  // Pause between two polls that found nothing (0: poll again at once; every
  // empty read already costs the port's read time-out).
  uint32_t intervalo_ms = 0;
  // Looked at after every empty poll; a true answer ends the wait at once.
  std::function<bool()> cancelar;
};

struct Respuesta {
  bool llego = false;          // a byte came before the wait ran out
  bool cancelada = false;      // the cancel check ended the wait
  bool perdido = false;        // the device is gone: the wait ended at once
  uint8_t byte = 0;            // the byte, 0 when none came
  int64_t transcurrido_s = 0;  // seconds elapsed since the start when the wait ended

  // The byte came, equals `esperado`, and no more than `maximo_s` seconds had
  // elapsed when it came.
  bool Es(uint8_t esperado, int64_t maximo_s) const {
    return llego && byte == esperado && transcurrido_s <= maximo_s;
  }
  bool Es(uint8_t esperado) const { return llego && byte == esperado; }
};

// Waits for one byte of any value. The poll is: one single-byte read; when it
// found nothing, window messages run, the cancel check is asked, the interval
// passes and the elapsed time is taken again. At least one read is always made.
Respuesta Esperar_byte(Contexto_peticion& ventana, int64_t inicio_s, Plazo plazo,
                       const Opciones_espera& opciones = {});

// Waits for the byte `esperado`, throwing away any other byte that comes first.
Respuesta Esperar_byte_igual(Contexto_peticion& ventana, uint8_t esperado, int64_t inicio_s,
                             Plazo plazo, const Opciones_espera& opciones = {});

// Waits for a byte that is none of `ignorados`, throwing those away (answers
// to earlier bytes that may still be on their way).
Respuesta Esperar_byte_salvo(Contexto_peticion& ventana, std::initializer_list<uint8_t> ignorados,
                             int64_t inicio_s, Plazo plazo, const Opciones_espera& opciones = {});

// Waits for destino.size() bytes one after another, all measured from the same
// start. False as soon as one does not come; the bytes read so far stay in destino.
bool Leer_bytes(Contexto_peticion& ventana, std::span<uint8_t> destino, int64_t inicio_s,
                Plazo plazo, const Opciones_espera& opciones = {});

// A request gave up on `r`: the failure names it, what it waited for (e.g.
// "0x70") and what came instead ("0x41", nothing, a cancel); it goes to the wire
// trace and back to the request, which returns it.
[[nodiscard]] Fallo Abandono(Puerto_serie& puerto, std::string_view peticion,
                             std::string_view esperado, const Respuesta& r);
// The same for a give-up that is not one byte's wait (`llegado` says what came).
[[nodiscard]] Fallo Abandono(Puerto_serie& puerto, std::string_view peticion,
                             std::string_view esperado, Llegada llegada,
                             std::string_view llegado = {});

// Writes a whole request. A port that does not take every byte is a failure of
// `peticion` (traced), so a lost write is told as such, not as a later time-out.
Resultado Escribir_todo(Puerto_serie& puerto, std::span<const uint8_t> bytes,
                        std::string_view peticion);

// An answer to an attempt that gave up waiting may still be on its way: a meter
// behind a USB link answers some milliseconds after the request, and a wait
// counted in whole seconds can end a moment after it began. So before another
// attempt, and after a success that followed such an attempt (whose answer the
// success may have taken for its own), the input is read until the line has been
// quiet this long: a late answer to an earlier attempt never decides a later
// attempt or the next request. It covers a USB adapter's latency timer (16 ms by
// default) with room; a line that never falls quiet is left after kMaximo_asentar_ms.
inline constexpr uint32_t kSilencio_tras_intento_ms = 50;
inline constexpr uint32_t kMaximo_asentar_ms = 2000;

// Reads and throws away what comes until the line has been quiet for
// kSilencio_tras_intento_ms (window messages run meanwhile); returns the bytes
// thrown away. A closed port or a device that has gone ends it at once.
uint32_t Asentar_entrada(Contexto_peticion& contexto);

// Runs `intento` up to `intentos` times until it returns true, pausing
// `pausa_ms` after every attempt (the successful one included) when non-zero.
// Once the device is gone, the attempts and the pauses that only serve it stop.
// An attempt that sent its request and ended on a wait that found nothing may
// still be answered: the input settles (Asentar_entrada) before the next attempt,
// and once more after the success that follows. An attempt that got its answer
// (a wrong one) or whose request never left owes nothing.
template <class Intento>
bool Reintentar(Contexto_peticion& contexto, int intentos, uint32_t pausa_ms, Intento&& intento) {
  Puerto_serie& puerto = contexto.Puerto();
  bool respuesta_debida = false;  // a failed attempt's answer may still come
  bool alguna_debida = false;
  for (int i = 0; i < intentos; ++i) {
    if (respuesta_debida) Asentar_entrada(contexto);
    const uint64_t escritos = puerto.Bytes_escritos();
    const bool ok = intento();
    if (!ok && puerto.Dispositivo_perdido()) return false;
    if (pausa_ms > 0) Pausa(contexto, pausa_ms);
    if (ok) {
      if (alguna_debida) Asentar_entrada(contexto);
      return true;
    }
    respuesta_debida = puerto.Bytes_escritos() != escritos && puerto.Ultima_lectura_vacia();
    alguna_debida = alguna_debida || respuesta_debida;
  }
  return false;
}

// The attempts of one request: each attempt writes through it and tells it why
// it failed; once the request gives up, the failure of its last attempt is the
// request's. Attempts that fail and are followed by a successful one leave no
// trace, so a request that needed a second attempt is not told as a give-up.
// A write the port did not take fails its attempt at once (no reply is awaited
// for bytes that never left) and is traced when it happens.
class Intentos_peticion {
 public:
  // `peticion` names the request in the failure; it must outlive this object.
  Intentos_peticion(Puerto_serie& puerto, std::string_view peticion)
      : puerto_(puerto), peticion_(peticion) {}

  std::string_view Peticion() const { return peticion_; }
  // Writes the attempt's bytes; false when the port did not take them all.
  bool Escribir(std::span<const uint8_t> bytes);
  // The attempt waited for `esperado` and got `r`; returns false (the attempt failed).
  bool Fallar(std::string_view esperado, const Respuesta& r);
  // The request gives up: the failure of the last attempt, traced.
  Fallo Abandono() const;

 private:
  Puerto_serie& puerto_;
  std::string_view peticion_;
  std::optional<Fallo> escritura_;  // the last attempt's write failed (already traced)
  std::string_view esperado_ = "una respuesta";
  Respuesta respuesta_;
};

}  // namespace r27
