// The FPGA set's flash image, its blocks and its frames.
#include "components/imagen_fpga.h"

#include <algorithm>

#include "components/memoria_medidor.h"

namespace r27 {

namespace {

constexpr uint8_t kBase_fin_borrado = 0xDC;  // last staging byte erased: 0xDC + (total >> 16)
constexpr uint8_t kOrden_grabar = 0x09;
constexpr uint8_t kBytes_mapa = 64;  // also the command's second byte, 0x40
constexpr uint8_t kSegmento_en_mapa = 0x01;
constexpr uint8_t kMarca_directorio = 0x03;  // entry bytes 8 and 9
constexpr uint8_t kDigito_cero = 0x30;

void Escribir_entrada(std::span<uint8_t> e, uint16_t numero, uint32_t tamano, uint32_t inicio,
                      std::string_view descripcion) {
  e[0] = static_cast<uint8_t>(numero);
  e[1] = static_cast<uint8_t>(numero >> 8);
  // The size middle byte, high byte, low byte.
  e[2] = static_cast<uint8_t>(tamano >> 8);
  e[3] = static_cast<uint8_t>(tamano >> 16);
  e[4] = static_cast<uint8_t>(tamano);
  // The start as a digit for its 64 KiB part and a little-endian low part.
  e[5] = static_cast<uint8_t>(kDigito_cero + (inicio >> 16));
  e[6] = static_cast<uint8_t>(inicio);
  e[7] = static_cast<uint8_t>(inicio >> 8);
  e[8] = kMarca_directorio;
  e[9] = kMarca_directorio;
  for (size_t i = 0; i < kCaracteres_descripcion_directorio; ++i)
    e[10 + i] = i < descripcion.size() ? static_cast<uint8_t>(descripcion[i]) : 0;
  // Bytes 14 and 15 keep the buffer's 0xFF.
}

}  // namespace

std::optional<Imagen_fpga> Construir_imagen_fpga(
    std::span<const std::span<const uint8_t>> configuraciones,
    std::span<const std::string_view> descripciones) {
  const size_t cuenta = configuraciones.size();
  if (cuenta == 0 || cuenta > static_cast<size_t>(kEntradas_directorio_fpga)) return std::nullopt;
  // Check the layout before the buffer is taken.
  uint64_t siguiente = kInicio_configuraciones_fpga;
  for (const auto& c : configuraciones) {
    const uint64_t fin = siguiente + c.size();
    if (fin > kTamano_imagen_fpga) return std::nullopt;
    siguiente = Siguiente_inicio_fpga(static_cast<uint32_t>(fin));
  }

  Imagen_fpga imagen;
  imagen.bytes.assign(kTamano_imagen_fpga, kRelleno_imagen_fpga);
  std::span<uint8_t> b(imagen.bytes);
  b[0] = static_cast<uint8_t>(cuenta);
  b[1] = static_cast<uint8_t>(cuenta >> 8);
  uint32_t inicio = kInicio_configuraciones_fpga;
  for (size_t i = 0; i < cuenta; ++i) {
    const auto& c = configuraciones[i];
    const uint32_t tamano = static_cast<uint32_t>(c.size());
    const std::string_view descripcion = i < descripciones.size() ? descripciones[i] : "";
    Escribir_entrada(b.subspan(2 + i * kBytes_entrada_fpga, kBytes_entrada_fpga),
                     static_cast<uint16_t>(i), tamano, inicio, descripcion);
    std::copy(c.begin(), c.end(), b.begin() + inicio);
    imagen.inicios.push_back(inicio);
    imagen.longitud_total = inicio + tamano;
    inicio = Siguiente_inicio_fpga(imagen.longitud_total);
  }
  return imagen;
}

std::array<uint8_t, kBytes_borrado_fpga> Orden_borrado_fpga(uint32_t longitud_total) {
  return Orden_borrado_staging(kSegmento_fpga,
                               static_cast<uint8_t>(kBase_fin_borrado + (longitud_total >> 16)));
}

Bloque_fpga Bloque_fpga_en(uint32_t desplazamiento, uint32_t longitud_total) {
  const uint32_t quedan = longitud_total > desplazamiento ? longitud_total - desplazamiento : 0;
  return {desplazamiento, static_cast<uint8_t>(kSegmento_fpga + (desplazamiento >> 16)),
          static_cast<uint16_t>(desplazamiento & 0xFFFF), std::min(kDatos_bloque_fpga, quedan)};
}

std::vector<Bloque_fpga> Plan_bloques_fpga(uint32_t longitud_total) {
  std::vector<Bloque_fpga> plan;
  plan.reserve(longitud_total / kDatos_bloque_fpga + 1);
  for (uint32_t k = 0; k < longitud_total; k += kDatos_bloque_fpga)
    plan.push_back(Bloque_fpga_en(k, longitud_total));
  return plan;
}

std::array<uint8_t, kBytes_grabar_flash_fpga> Orden_grabar_flash_fpga(uint32_t longitud_total) {
  std::array<uint8_t, kBytes_grabar_flash_fpga> o{};
  o[0] = kOrden_grabar;
  o[1] = kBytes_mapa;
  const uint32_t ultimo =
      std::min<uint32_t>(kPrimer_byte_mapa_fpga + (longitud_total >> 16), kBytes_mapa - 1);
  for (uint32_t k = kPrimer_byte_mapa_fpga; k <= ultimo; ++k) o[2 + k] = kSegmento_en_mapa;
  return o;
}

}  // namespace r27
