#pragma once
// The bytes of the MPEG-4 module application upload that do not depend on the
// meter's answers: the staging erase, the start requests and where each block of
// the two staged images goes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "components/memoria_medidor.h"

namespace r27 {

// Staging erase of the module's range (segment bytes 0xD0 to 0xE8), answered "p".
inline constexpr auto kBorrado_staging_mpeg4 = Orden_borrado_staging(0xD0, 0xE8);
// Announces the module update; the meter answers with one byte.
inline constexpr std::array<uint8_t, 2> kOrden_preparar_mpeg4{0x0D, 0x00};

// Start of the module update: code, 00 00 20 00, image length (32-bit LE).
inline constexpr uint8_t kCodigo_inicio_mpeg4 = 0xCC;
inline constexpr uint8_t kCodigo_inicio_mpeg4_usa = 0x4C;  // meters of the US region
inline constexpr std::size_t kBytes_orden_inicio_mpeg4 = 9;
std::array<uint8_t, kBytes_orden_inicio_mpeg4> Orden_inicio_mpeg4(bool region_usa,
                                                                  uint32_t tamano_imagen);

// Stage 1, the application: 200-byte blocks from (0xB0, 0); the segment byte
// goes up by one each time the address passes 0xFFFF. A block is addressed by
// its first byte, so one block straddles each segment boundary.
inline constexpr uint8_t kSegmento_etapa1_mpeg4 = 0xB0;
inline constexpr uint32_t kDatos_bloque_etapa1_mpeg4 = 200;
// Stage 2, the stage-2 program: 32-byte blocks from (0x81, 0), one segment.
inline constexpr uint8_t kSegmento_etapa2_mpeg4 = 0x81;
inline constexpr uint32_t kDatos_bloque_etapa2_mpeg4 = 32;

struct Bloque_mpeg4 {
  uint32_t desplazamiento;  // of the block's first byte in its image
  uint8_t segmento;
  uint16_t direccion;
  uint8_t longitud;
  bool operator==(const Bloque_mpeg4&) const = default;
};

// The blocks of an image of `tamano` bytes, in sending order.
std::vector<Bloque_mpeg4> Plan_etapa1_mpeg4(uint32_t tamano);
// Empty when the program does not fit one segment (its addresses would wrap
// onto its own start).
std::vector<Bloque_mpeg4> Plan_etapa2_mpeg4(uint32_t tamano);

}  // namespace r27
