#pragma once
// The two kinds of record the zone step writes into the meter's EEPROM: the
// default configuration and the measurement profiles. Pure builders: they fill a
// 256-byte record slot from a few facts about the meter and send nothing.
//
// Framing of both: byte 0 a marker (0xA0 configuration, 0xBA profile), byte 1 the
// record's total length with the checksum, byte 2 zero, then the content, an end
// marker (0xFA, 0xCA) and a checksum, the XOR of every earlier byte of the record.
// Numbers are little-endian.
#include <cstddef>
#include <cstdint>
#include <span>

namespace r27 {

inline constexpr size_t kTamano_ranura_registro = 256;
using Ranura_registro = std::span<uint8_t, kTamano_ranura_registro>;

inline constexpr uint8_t kMarca_configuracion = 0xA0;
inline constexpr uint8_t kFin_configuracion = 0xFA;
inline constexpr uint8_t kVersion_configuracion = 68;
inline constexpr size_t kLongitud_configuracion = 203;      // 0xCB
inline constexpr size_t kLongitud_configuracion_usa = 216;  // 0xD8

inline constexpr uint8_t kMarca_perfil = 0xBA;
inline constexpr uint8_t kFin_perfil = 0xCA;
inline constexpr uint8_t kTipo_perfil = 0x0C;
inline constexpr size_t kBytes_nombre_perfil = 8;
inline constexpr size_t kLongitud_perfil = 206;      // 0xCE
inline constexpr size_t kLongitud_perfil_usa = 194;  // 0xC2
inline constexpr uint8_t kPerfiles = 4;

// What the configuration record depends on, as the connection learned it.
struct Hechos_zona {
  int32_t idioma = 0;       // the meter's language index, 0..9
  bool region_usa = false;  // the US edition
  bool estado_b5 = false;   // bit 5 of status byte 26 clear
  int32_t indice_plan = 0;  // the channel-plan set, 0..4
};

// Clears the slot and writes the default configuration record at its start.
// Returns the record's length (203, or 216 for the US edition).
size_t Registro_configuracion(Ranura_registro ranura, const Hechos_zona& hechos);

// Clears the slot and writes profile record `perfil` (0..3; a larger index is
// profile 0) for `idioma`. Returns the record's length (206, or 194 for the US
// edition). A language outside the name tables gets an empty name (plus "1" or
// "2" for profiles 2 and 3), as the tables' empty entries do.
size_t Registro_perfil(Ranura_registro ranura, uint8_t perfil, int32_t idioma, bool region_usa);

}  // namespace r27
