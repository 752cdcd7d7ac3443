// The channel-plan step: one plan-area image staged and written into sector 30.
#include "components/planes.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "components/memoria_medidor.h"
#include "incrustado/planes_0.h"
#include "incrustado/planes_1.h"
#include "incrustado/planes_2.h"
#include "incrustado/planes_3.h"
#include "incrustado/planes_4.h"
#include "link/codigos_resultado.h"
#include "link/peticiones.h"

namespace r27 {

namespace {

constexpr const char* kSin_respuesta = "otro byte o nada, 10 intentos";

Resultado Fallar(Interfaz_ventana& ventana, Fallo fallo, int32_t codigo) {
  fallo.codigo = codigo;
  ventana.Fijar_error(fallo);
  return fallo;
}

Resultado Rechazar(Interfaz_ventana& ventana, const char* esperado, int32_t valor) {
  return Fallar(
      ventana,
      Abandono(ventana.Puerto(), "Grabar_plan", esperado, Llegada::nada, std::to_string(valor)),
      kCodigo_subir_bloques);
}

// What came instead of the block's or the sector write's answer.
Llegada Sin_respuesta(Interfaz_ventana& ventana) {
  return ventana.Puerto().Esta_abierto() ? Llegada::nada : Llegada::sin_conexion;
}

}  // namespace

std::span<const uint8_t> Imagen_plan(int32_t indice) {
  switch (indice) {
    case 0:
      return datos::planes_0();
    case 1:
      return datos::planes_1();
    case 2:
      return datos::planes_2();
    case 3:
      return datos::planes_3();
    case 4:
      return datos::planes_4();
    default:
      return {};
  }
}

std::span<uint8_t> Preparar_buffer_planes(std::span<uint8_t> buffer) {
  std::ranges::fill(buffer, uint8_t{0xFF});
  return buffer;
}

Resultado Grabar_plan(Interfaz_ventana& ventana, std::span<uint8_t> buffer, int32_t indice_plan) {
  Preparar_buffer_planes(buffer);
  const std::span<const uint8_t> imagen = Imagen_plan(indice_plan);
  if (imagen.empty()) return Rechazar(ventana, "indice_plan 0..4", indice_plan);
  if (buffer.size() < imagen.size())
    return Rechazar(ventana, "un buffer del tamano de la imagen",
                    static_cast<int32_t>(buffer.size()));
  std::ranges::copy(imagen, buffer.begin());
  const auto n = static_cast<uint32_t>(imagen.size());

  if (!Subir_bloques(ventana, n, buffer)) {
    // The upload moves the step bar to a block's end (or to the image's end, for
    // the last block) before sending it, so the bar names the block that gave up.
    const int fin = std::max(1, ventana.Barra_progreso().Posicion());
    const int bloque = (fin - 1) / int{kDatos_bloque_staging} * int{kDatos_bloque_staging};
    char peticion[48];
    std::snprintf(peticion, sizeof peticion, "Grabar_plan (bloque 0x5A en 0x%06X)",
                  static_cast<unsigned>(bloque));
    const Llegada llegada = Sin_respuesta(ventana);
    return Fallar(ventana,
                  Abandono(ventana.Puerto(), peticion, "0xA5", llegada,
                           llegada == Llegada::nada ? kSin_respuesta : ""),
                  kCodigo_subir_bloques);
  }
  if (!Grabar_sector_flash(ventana, buffer.first(n), kSector_planes, kParametro_planes,
                           kParametro_planes)) {
    const Llegada llegada = Sin_respuesta(ventana);
    return Fallar(ventana,
                  Abandono(ventana.Puerto(), "Grabar_plan (0x5B sector 30)", "0xB5", llegada,
                           llegada == Llegada::nada ? kSin_respuesta : ""),
                  kCodigo_orden_plan);
  }
  return Resultado::Correcto();
}

}  // namespace r27
