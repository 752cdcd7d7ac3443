// Frames and block plans of the MPEG-4 module application upload.
#include "components/tramas_mpeg4.h"

#include <algorithm>

namespace r27 {

namespace {

constexpr uint32_t kTamano_segmento = 0x10000;

std::vector<Bloque_mpeg4> Plan(uint32_t tamano, uint32_t por_bloque, uint8_t segmento) {
  std::vector<Bloque_mpeg4> plan;
  plan.reserve((tamano + por_bloque - 1) / por_bloque);
  uint32_t direccion = 0;
  for (uint32_t enviados = 0; enviados < tamano;) {
    const uint32_t n = std::min(por_bloque, tamano - enviados);
    plan.push_back({enviados, segmento, static_cast<uint16_t>(direccion), static_cast<uint8_t>(n)});
    direccion += n;
    if (direccion >= kTamano_segmento) {
      ++segmento;
      direccion -= kTamano_segmento;
    }
    enviados += n;
  }
  return plan;
}

}  // namespace

std::array<uint8_t, kBytes_orden_inicio_mpeg4> Orden_inicio_mpeg4(bool region_usa,
                                                                  uint32_t tamano_imagen) {
  return {region_usa ? kCodigo_inicio_mpeg4_usa : kCodigo_inicio_mpeg4,
          0x00,
          0x00,
          0x20,
          0x00,
          static_cast<uint8_t>(tamano_imagen),
          static_cast<uint8_t>(tamano_imagen >> 8),
          static_cast<uint8_t>(tamano_imagen >> 16),
          static_cast<uint8_t>(tamano_imagen >> 24)};
}

std::vector<Bloque_mpeg4> Plan_etapa1_mpeg4(uint32_t tamano) {
  // Segment bytes run from 0xB0 to 0xFF: an image past that cannot be staged.
  if (tamano > (0x100u - kSegmento_etapa1_mpeg4) * kTamano_segmento) return {};
  return Plan(tamano, kDatos_bloque_etapa1_mpeg4, kSegmento_etapa1_mpeg4);
}

std::vector<Bloque_mpeg4> Plan_etapa2_mpeg4(uint32_t tamano) {
  if (tamano > kTamano_segmento) return {};
  return Plan(tamano, kDatos_bloque_etapa2_mpeg4, kSegmento_etapa2_mpeg4);
}

}  // namespace r27
