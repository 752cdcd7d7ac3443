// The request conventions: drain, byte waits on the seconds clock, whole writes.
#include "link/peticiones.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace r27 {

uint32_t Drenar(Puerto_serie& puerto) {
  uint8_t b = 0;
  uint32_t tirados = 0;
  while (tirados < kMaximo_drenaje_bytes && puerto.Leer_disponible(&b, 1) == 1) ++tirados;
  return tirados;
}

uint32_t Asentar_entrada(Contexto_peticion& contexto) {
  Puerto_serie& puerto = contexto.Puerto();
  Reloj& reloj = contexto.Reloj_();
  const uint32_t inicio = reloj.Ticks_ms();
  uint32_t ultimo = inicio;  // when the line last delivered (or the settling began)
  uint32_t tirados = 0;
  while (puerto.Esta_abierto() && !puerto.Dispositivo_perdido()) {
    const uint32_t ahora = reloj.Ticks_ms();
    if (ahora - ultimo >= kSilencio_tras_intento_ms || ahora - inicio >= kMaximo_asentar_ms) break;
    uint8_t b = 0;
    if (puerto.Leer(&b, 1) == 1) {
      ++tirados;
      ultimo = reloj.Ticks_ms();
    } else {
      contexto.Procesar_mensajes();
    }
  }
  return tirados;
}

void Pausa(Contexto_peticion& contexto, uint32_t ms) {
  if (ms == 0) return;
  Reloj& reloj = contexto.Reloj_();
  // Counted on the tick clock, so the time the messages take is part of the pause;
  // they run at both ends, so the stretch around the pause is short too.
  const uint32_t inicio = reloj.Ticks_ms();
  contexto.Procesar_mensajes();
  for (uint32_t pasado = reloj.Ticks_ms() - inicio; pasado < ms;
       pasado = reloj.Ticks_ms() - inicio) {
    reloj.Dormir_ms(std::min(kPaso_pausa_ms, ms - pasado));
    contexto.Procesar_mensajes();
  }
}

namespace {

constexpr uint32_t kEspera_puerto_cerrado_ms = 4;  // the read time-out of one byte

// One poll loop; `aceptar` decides whether a byte that came ends the wait.
template <class Aceptar>
Respuesta Sondear(Contexto_peticion& ventana, int64_t inicio_s, Plazo plazo,
                  const Opciones_espera& opciones, Aceptar&& aceptar) {
  Puerto_serie& puerto = ventana.Puerto();
  Reloj& reloj = ventana.Reloj_();
  Respuesta r;
  for (;;) {
    uint8_t b = 0;
    if (puerto.Leer(&b, 1) == 1) {
      r.transcurrido_s = reloj.Segundos() - inicio_s;
      if (aceptar(b)) {
        r.llego = true;
        r.byte = b;
        return r;
      }
    } else {
      // A closed port answers at once; wait as long as an open one would, so the
      // loop does not spin.
      if (!puerto.Esta_abierto()) reloj.Dormir_ms(kEspera_puerto_cerrado_ms);
      // An unplugged device will answer nothing: the wait ends now, not at its bound.
      if (puerto.Dispositivo_perdido()) {
        r.perdido = true;
        r.transcurrido_s = reloj.Segundos() - inicio_s;
        return r;
      }
      ventana.Procesar_mensajes();
      if (opciones.cancelar && opciones.cancelar()) {
        r.cancelada = true;
        r.transcurrido_s = reloj.Segundos() - inicio_s;
        return r;
      }
      if (opciones.intervalo_ms > 0) reloj.Dormir_ms(opciones.intervalo_ms);
      r.transcurrido_s = reloj.Segundos() - inicio_s;
    }
    if (!plazo.Vigente(r.transcurrido_s)) return r;
  }
}

}  // namespace

Respuesta Esperar_byte(Contexto_peticion& ventana, int64_t inicio_s, Plazo plazo,
                       const Opciones_espera& opciones) {
  return Sondear(ventana, inicio_s, plazo, opciones, [](uint8_t) { return true; });
}

Respuesta Esperar_byte_igual(Contexto_peticion& ventana, uint8_t esperado, int64_t inicio_s,
                             Plazo plazo, const Opciones_espera& opciones) {
  return Sondear(ventana, inicio_s, plazo, opciones,
                 [esperado](uint8_t b) { return b == esperado; });
}

Respuesta Esperar_byte_salvo(Contexto_peticion& ventana, std::initializer_list<uint8_t> ignorados,
                             int64_t inicio_s, Plazo plazo, const Opciones_espera& opciones) {
  return Sondear(ventana, inicio_s, plazo, opciones, [ignorados](uint8_t b) {
    return std::find(ignorados.begin(), ignorados.end(), b) == ignorados.end();
  });
}

bool Leer_bytes(Contexto_peticion& ventana, std::span<uint8_t> destino, int64_t inicio_s,
                Plazo plazo, const Opciones_espera& opciones) {
  for (uint8_t& d : destino) {
    const Respuesta r = Esperar_byte(ventana, inicio_s, plazo, opciones);
    if (!r.llego) return false;
    d = r.byte;
  }
  return true;
}

Fallo Abandono(Puerto_serie& puerto, std::string_view peticion, std::string_view esperado,
               Llegada llegada, std::string_view llegado) {
  // Nothing came because the device is gone: that is what the failure says,
  // whatever the request expected of a silent line.
  if (llegada == Llegada::nada && puerto.Dispositivo_perdido()) {
    llegada = Llegada::dispositivo_perdido;
    llegado = {};
  }
  Fallo f{0, std::string(peticion), std::string(esperado), llegada,
          llegado.empty() ? std::string(Texto_llegada(llegada)) : std::string(llegado)};
  puerto.Anotar(f);
  return f;
}

Fallo Abandono(Puerto_serie& puerto, std::string_view peticion, std::string_view esperado,
               const Respuesta& r) {
  if (r.llego) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "0x%02X", r.byte);
    return Abandono(puerto, peticion, esperado, Llegada::bytes, byte);
  }
  if (r.cancelada) return Abandono(puerto, peticion, esperado, Llegada::cancelada);
  if (r.perdido) return Abandono(puerto, peticion, esperado, Llegada::dispositivo_perdido);
  return Abandono(puerto, peticion, esperado,
                  puerto.Esta_abierto() ? Llegada::nada : Llegada::sin_conexion);
}

Resultado Escribir_todo(Puerto_serie& puerto, std::span<const uint8_t> bytes,
                        std::string_view peticion) {
  if (bytes.empty()) return {};
  const int32_t escritos = puerto.Escribir(bytes.data(), static_cast<uint32_t>(bytes.size()));
  if (escritos == static_cast<int32_t>(bytes.size())) return {};
  const std::string esperado = std::to_string(bytes.size()) + " bytes escritos";
  if (!puerto.Esta_abierto()) return Abandono(puerto, peticion, esperado, Llegada::sin_conexion);
  if (puerto.Dispositivo_perdido())
    return Abandono(puerto, peticion, esperado, Llegada::dispositivo_perdido);
  // Puerto_serie::Escribir takes all or fails (-1): no part of a request goes out alone.
  return Abandono(puerto, peticion, esperado, Llegada::escritura_fallida, "error del puerto");
}

bool Intentos_peticion::Escribir(std::span<const uint8_t> bytes) {
  Resultado r = Escribir_todo(puerto_, bytes, peticion_);
  if (r) {
    escritura_.reset();
    return true;
  }
  escritura_ = *r.Motivo();
  return false;
}

bool Intentos_peticion::Fallar(std::string_view esperado, const Respuesta& r) {
  escritura_.reset();
  esperado_ = esperado;
  respuesta_ = r;
  return false;
}

Fallo Intentos_peticion::Abandono() const {
  if (escritura_) return *escritura_;
  return r27::Abandono(puerto_, peticion_, esperado_, respuesta_);
}

}  // namespace r27
