// Memory, bus and staging requests to the meter.
#include "components/memoria_medidor.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "link/peticiones.h"

namespace r27 {

namespace {

constexpr uint8_t kOrden_leer = 0x01;
constexpr uint8_t kOrden_escribir = 0x02;
constexpr uint8_t kRespuesta_lectura = 0x10;
constexpr uint8_t kRespuesta_bus_escrito = 0x20;
constexpr uint8_t kSelector_bus = 0x50;
constexpr uint8_t kOrden_bloque_staging = 0x5A;
constexpr uint8_t kRespuesta_bloque_staging = 0xA5;
constexpr uint8_t kOrden_sector = 0x5B;
constexpr uint8_t kRespuesta_sector = 0xB5;
constexpr uint32_t kMaximo_datos_con_longitud = 0xFF - 3;  // N + 3 in one byte

constexpr size_t kBuffer_bus = 8;
constexpr uint8_t kRegistro_estado = 8;
constexpr uint8_t kRegistro_alimentacion = 12;
constexpr uint8_t kBits_activar = 0x41;
constexpr uint8_t kBits_activo = 0x51;

constexpr uint8_t kPagina_idioma = 0x42;
constexpr uint16_t kOffset_idioma = 0x020E;
constexpr uint8_t kBytes_idioma = 4;

uint8_t Xor(std::span<const uint8_t> bytes) {
  uint8_t x = 0;
  for (uint8_t b : bytes) x ^= b;
  return x;
}

Opciones_espera Cada_50_ms() {
  Opciones_espera o;
  o.intervalo_ms = kIntervalo_bus_ms;
  return o;
}

std::array<uint8_t, kBytes_orden_sector> Orden_sector(uint32_t longitud, uint8_t sector, uint8_t p1,
                                                      uint8_t p2, uint8_t xor_datos) {
  std::array<uint8_t, kBytes_orden_sector> o{kOrden_sector,
                                             0x00,
                                             0x00,
                                             0x00,
                                             static_cast<uint8_t>(longitud >> 16),
                                             static_cast<uint8_t>(longitud >> 8),
                                             static_cast<uint8_t>(longitud),
                                             sector,
                                             p1,
                                             p2,
                                             xor_datos,
                                             0};
  o[11] = Xor(std::span<const uint8_t>(o).subspan(1, 10));
  return o;
}

// One attempt of a staging or sector command: a write and the wait for its
// one-byte answer.
bool Orden_con_respuesta(Contexto_peticion& v, Intentos_peticion& intentos,
                         std::span<const uint8_t> orden, uint8_t esperado,
                         std::string_view esperado_texto, int64_t espera_s) {
  Drenar(v.Puerto());
  if (!intentos.Escribir(orden)) return false;
  const Respuesta r = Esperar_byte(v, v.Reloj_().Segundos(), Plazo::Menos_de(espera_s));
  return r.Es(esperado) || intentos.Fallar(esperado_texto, r);
}

// A request that could not be formed: nothing is sent.
Fallo Sin_enviar(Puerto_serie& puerto, std::string_view peticion, std::string_view esperado,
                 const std::string& llegado) {
  return Abandono(puerto, peticion, esperado, Llegada::nada, llegado + ": no se envio nada");
}

std::string Texto_byte(uint8_t b) {
  char t[8];
  std::snprintf(t, sizeof t, "0x%02X", b);
  return t;
}

}  // namespace

Resultado Leer_memoria(Contexto_peticion& v, uint8_t pagina, uint16_t offset, uint8_t cuenta,
                       std::span<uint16_t> palabras) {
  const size_t n = cuenta / 2u;
  std::fill_n(palabras.begin(), std::min(n, palabras.size()), uint16_t{0});
  const std::array<uint8_t, 5> orden{kOrden_leer, pagina, static_cast<uint8_t>(offset),
                                     static_cast<uint8_t>(offset >> 8), cuenta};
  Reloj& reloj = v.Reloj_();
  const Plazo plazo = Plazo::Menos_de(kEspera_leer_memoria_s);
  Intentos_peticion intentos(v.Puerto(), "Leer_memoria");
  const bool ok = Reintentar(v, kIntentos_leer_memoria, 0, [&] {
    Drenar(v.Puerto());
    if (!intentos.Escribir(orden)) return false;
    const int64_t inicio = reloj.Segundos();
    const Respuesta r = Esperar_byte_igual(v, kRespuesta_lectura, inicio, plazo);
    if (!r.llego) return intentos.Fallar("0x10", r);
    const Respuesta libre = Esperar_byte(v, inicio, plazo);  // spare byte
    if (!libre.llego) return intentos.Fallar("el byte tras 0x10", libre);
    const int64_t inicio_datos = reloj.Segundos();
    for (size_t i = 0; i < n; ++i) {
      std::array<uint8_t, 2> w{};
      if (!Leer_bytes(v, w, inicio_datos, plazo)) return intentos.Fallar("las palabras", {});
      if (i < palabras.size()) palabras[i] = static_cast<uint16_t>(w[0] | (w[1] << 8));
    }
    return true;
  });
  Drenar(v.Puerto());
  if (ok) return {};
  return intentos.Abandono();
}

int Leer_promedio(Contexto_peticion& v) {
  int suma = 0;
  for (int i = 0; i < kLecturas_promedio; ++i) {
    std::array<uint16_t, 1> palabra{};
    // A reading that fails counts as 0, so a silent meter averages low.
    (void)Leer_memoria(v, 0x00, kOffset_nivel, 2, palabra);
    suma += palabra[0] & 0xFF;
    Pausa(v, kPausa_promedio_ms);
  }
  return suma / kLecturas_promedio;
}

int Leer_idioma(Contexto_peticion& v) {
  const std::array<uint8_t, 5> orden{kOrden_leer, kPagina_idioma,
                                     static_cast<uint8_t>(kOffset_idioma),
                                     static_cast<uint8_t>(kOffset_idioma >> 8), kBytes_idioma};
  Reloj& reloj = v.Reloj_();
  const Plazo plazo = Plazo::Menos_de(kEspera_leer_idioma_s);
  int idioma = kIdioma_sin_respuesta;
  bool sin_puerto = false;
  Intentos_peticion intentos(v.Puerto(), "Leer_idioma");
  const bool ok = Reintentar(v, kIntentos_leer_idioma, 0, [&] {
    Drenar(v.Puerto());
    if (!intentos.Escribir(orden)) {
      sin_puerto = true;
      return true;  // stop retrying: the command cannot be written
    }
    const Respuesta r = Esperar_byte_igual(v, kRespuesta_lectura, reloj.Segundos(), plazo);
    if (!r.llego) return intentos.Fallar("0x10", r);
    std::array<uint8_t, 1 + kBytes_idioma> datos{};  // spare byte, then the data bytes
    if (!Leer_bytes(v, datos, reloj.Segundos(), plazo)) return intentos.Fallar("5 bytes", {});
    idioma = datos[3];
    return true;
  });
  if (sin_puerto) return kIdioma_sin_respuesta;
  // The caller takes the missing answer as language 1; the give-up stays on the trace.
  if (!ok) (void)intentos.Abandono();
  Drenar(v.Puerto());
  return idioma;
}

Resultado Leer_bus(Contexto_peticion& v, uint8_t dispositivo, std::span<uint8_t> buffer,
                   uint8_t registro, uint8_t bandera, uint8_t modo) {
  if (modo > kModo_bus_maximo || buffer.empty())
    return Sin_enviar(
        v.Puerto(), "Leer_bus", "un modo de 0 a 7 y sitio para la respuesta",
        "modo " + std::to_string(modo) + ", " + std::to_string(buffer.size()) + " bytes de sitio");
  const std::array<uint8_t, 5> orden{
      kOrden_leer, kSelector_bus, static_cast<uint8_t>(dispositivo & 0x7F), buffer[0],
      static_cast<uint8_t>((registro & 0x0F) | ((bandera & 1) << 7) | ((modo & 7) << 4))};
  Reloj& reloj = v.Reloj_();
  const Plazo plazo = Plazo::Menos_de(kEspera_bus_s);
  const Opciones_espera sondeo = Cada_50_ms();
  Intentos_peticion intentos(v.Puerto(), "Leer_bus");
  const bool ok = Reintentar(v, kIntentos_bus, 0, [&] {
    Drenar(v.Puerto());
    if (!intentos.Escribir(orden)) return false;
    const int64_t inicio = reloj.Segundos();
    const Respuesta r = Esperar_byte_igual(v, kRespuesta_lectura, inicio, plazo, sondeo);
    if (!r.llego) return intentos.Fallar("0x10", r);
    const Respuesta longitud = Esperar_byte(v, inicio, plazo, sondeo);
    if (!longitud.llego) return intentos.Fallar("la longitud de la respuesta", longitud);
    for (size_t i = 0; i < longitud.byte; ++i) {
      const Respuesta b = Esperar_byte(v, reloj.Segundos(), plazo, sondeo);
      if (!b.llego) return intentos.Fallar("los bytes anunciados", b);
      if (i < buffer.size()) buffer[i] = b.byte;
    }
    return true;
  });
  if (ok) return {};
  return intentos.Abandono();
}

Resultado Escribir_bus(Contexto_peticion& v, uint8_t dispositivo, uint8_t registro,
                       std::span<const uint8_t> datos) {
  if (datos.size() > kMaximo_datos_con_longitud)
    return Sin_enviar(v.Puerto(), "Escribir_bus", "hasta 252 bytes de datos",
                      std::to_string(datos.size()) + " bytes");
  std::vector<uint8_t> orden{kOrden_escribir, static_cast<uint8_t>(datos.size() + 3), kSelector_bus,
                             dispositivo, static_cast<uint8_t>(registro & 0x0F)};
  orden.insert(orden.end(), datos.begin(), datos.end());
  Reloj& reloj = v.Reloj_();
  Intentos_peticion intentos(v.Puerto(), "Escribir_bus");
  const bool ok = Reintentar(v, kIntentos_bus, 0, [&] {
    Drenar(v.Puerto());
    if (!intentos.Escribir(orden)) return false;
    const Respuesta r = Esperar_byte_igual(v, kRespuesta_bus_escrito, reloj.Segundos(),
                                           Plazo::Menos_de(kEspera_bus_s), Cada_50_ms());
    return r.llego || intentos.Fallar("0x20", r);
  });
  if (ok) return {};
  return intentos.Abandono();
}

Resultado Comprobar_bus(Contexto_peticion& v) {
  std::array<uint8_t, kBuffer_bus> b{1};
  if (Resultado r = Leer_bus(v, kDispositivo_control, b, kRegistro_estado, 1, 1); !r) return r;
  if (b[1] & 0x80)
    return Abandono(v.Puerto(), "Comprobar_bus", "el bit 7 del registro 8 a 0", Llegada::bytes,
                    Texto_byte(b[1]));
  b = {1};
  if (Resultado r = Leer_bus(v, kDispositivo_control, b, kRegistro_alimentacion, 1, 1); !r)
    return r;
  if (b[1] & 0x40)
    return Abandono(v.Puerto(), "Comprobar_bus", "el bit 6 del registro 12 a 0", Llegada::bytes,
                    Texto_byte(b[1]));
  return {};
}

Resultado Activar_bus(Contexto_peticion& v) {
  std::array<uint8_t, kBuffer_bus> b{1};
  if (Resultado r = Leer_bus(v, kDispositivo_control, b, kRegistro_estado, 1, 1); !r) return r;
  b[1] |= kBits_activar;
  const std::array<uint8_t, 2> valor{b[0], b[1]};
  if (Resultado r = Escribir_bus(v, kDispositivo_control, kRegistro_estado, valor); !r) return r;
  b[1] = 0;
  if (Resultado r = Leer_bus(v, kDispositivo_control, b, kRegistro_estado, 1, 1); !r) return r;
  if ((b[1] & kBits_activo) == kBits_activo) return {};
  return Abandono(v.Puerto(), "Activar_bus", "los bits 0x51 del registro 8", Llegada::bytes,
                  Texto_byte(b[1]));
}

Resultado Subir_bloques(Contexto_paso& v, uint32_t longitud, std::span<const uint8_t> datos) {
  if (longitud > datos.size() || longitud > kLongitud_staging_maxima)
    return Sin_enviar(v.Puerto(), "Subir_bloques", "una longitud dentro de los datos y de 24 bits",
                      std::to_string(longitud) + " de " + std::to_string(datos.size()) + " bytes");
  Barra& barra = v.Barra_progreso();
  barra.Fijar_rango(0, static_cast<int>(longitud));
  barra.Fijar_posicion(0);
  std::array<uint8_t, kBytes_bloque_staging> bloque{};
  for (uint32_t a = 0; a < longitud; a += kDatos_bloque_staging) {
    bloque[0] = kOrden_bloque_staging;
    bloque[1] = static_cast<uint8_t>(a >> 16);
    bloque[2] = static_cast<uint8_t>(a >> 8);
    bloque[3] = static_cast<uint8_t>(a);
    for (uint32_t i = 0; i < kDatos_bloque_staging; ++i) {
      const size_t k = size_t{a} + i;
      bloque[4 + i] = k < datos.size() ? datos[k] : 0xFF;
    }
    bloque[kBytes_bloque_staging - 1] =
        Xor(std::span<const uint8_t>(bloque).subspan(1, kDatos_bloque_staging + 3));
    Drenar(v.Puerto());
    barra.Fijar_posicion(static_cast<int>(a + kDatos_bloque_staging));
    v.Procesar_mensajes();
    Intentos_peticion intentos(v.Puerto(), "Subir_bloques");
    if (!Reintentar(v, kIntentos_subir_bloque, 0, [&] {
          return Orden_con_respuesta(v, intentos, bloque, kRespuesta_bloque_staging, "0xA5",
                                     kEspera_subir_bloque_s);
        }))
      return intentos.Abandono();
  }
  return {};
}

Resultado Escribir_memoria(Contexto_peticion& v, std::span<const uint8_t> datos, uint8_t pagina,
                           uint16_t offset) {
  if (datos.size() > kMaximo_datos_con_longitud)
    return Sin_enviar(v.Puerto(), "Escribir_memoria", "hasta 252 bytes de datos",
                      std::to_string(datos.size()) + " bytes");
  std::vector<uint8_t> orden{kOrden_escribir, static_cast<uint8_t>(datos.size() + 3), pagina,
                             static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8)};
  orden.insert(orden.end(), datos.begin(), datos.end());
  Drenar(v.Puerto());
  return Escribir_todo(v.Puerto(), orden, "Escribir_memoria");
}

Resultado Bloque_vacio(Contexto_peticion& v) {
  std::array<uint8_t, kBytes_bloque_staging> bloque{};
  bloque[0] = kOrden_bloque_staging;
  std::fill_n(bloque.begin() + 4, kDatos_bloque_staging, uint8_t{0xFF});
  bloque[kBytes_bloque_staging - 1] = 0x00;  // 128 x 0xFF and three zero address bytes
  Intentos_peticion intento(v.Puerto(), "Bloque_vacio");
  if (Orden_con_respuesta(v, intento, bloque, kRespuesta_bloque_staging, "0xA5",
                          kEspera_bloque_vacio_s))
    return {};
  return intento.Abandono();
}

Resultado Borrar_sector_flash(Contexto_peticion& v, uint8_t sector) {
  const auto orden = Orden_sector(0, sector, 0, 0, 0);
  Intentos_peticion intento(v.Puerto(), "Borrar_sector_flash");
  if (Orden_con_respuesta(v, intento, orden, kRespuesta_sector, "0xB5", kEspera_sector_s))
    return {};
  return intento.Abandono();
}

Resultado Grabar_sector_flash(Contexto_peticion& v, std::span<const uint8_t> datos, uint8_t sector,
                              uint8_t parametro1, uint8_t parametro2) {
  if (datos.size() > kLongitud_staging_maxima)
    return Sin_enviar(v.Puerto(), "Grabar_sector_flash", "hasta 0xFFFFFF bytes",
                      std::to_string(datos.size()) + " bytes");
  const auto orden =
      Orden_sector(static_cast<uint32_t>(datos.size()), sector, parametro1, parametro2, Xor(datos));
  Intentos_peticion intentos(v.Puerto(), "Grabar_sector_flash");
  if (Reintentar(v, kIntentos_grabar_sector, 0, [&] {
        return Orden_con_respuesta(v, intentos, orden, kRespuesta_sector, "0xB5", kEspera_sector_s);
      }))
    return {};
  return intentos.Abandono();
}

}  // namespace r27
