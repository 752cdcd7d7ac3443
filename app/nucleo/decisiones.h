#pragma once
// The tick decision's rules as plain functions of what was read from the meter,
// so they can be checked without a port.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/estado_ventana.h"

namespace r27 {

// A version text of ten characters such as "3.01.00000": four version characters,
// a point, five build characters. Shorter texts are padded with zero characters,
// exactly as the meter's zero-terminated fields read.
using Texto_version = std::array<char, 10>;

// What the identity reads of the meter's information block give.
struct Identidad_medidor {
  std::string familia;  // zero-terminated text at byte 0 of the 16-byte block
  std::string region;   // bytes 12-14, terminated by byte 15
  Texto_version version{};
};

// Builds the identity from the 16-byte block at page 0x18 and the two 6-byte
// fields at offsets 0x10 (version) and 0x16 (build).
Identidad_medidor Interpretar_identidad(const std::array<uint8_t, 16>& bloque,
                                        const std::array<uint8_t, 6>& version,
                                        const std::array<uint8_t, 6>& build);

Texto_version Texto_de(std::string_view texto);

// Compares the first `n` characters from the left; the first difference decides.
// Negative when `a` is lower, positive when higher, 0 when equal.
int Comparar_versiones(const Texto_version& a, const Texto_version& b, size_t n);

// True when the five build characters (positions 5-9) are all '0'.
bool Es_version_estable(const Texto_version& v);

// Firmware tick for a meter of the expected family.
bool Regla_firmware(const Texto_version& medidor, const Texto_version& fichero);
// Sets the family and region flags; true when the family is the expected one.
bool Regla_familia(const Identidad_medidor& id, Estado_ventana& estado);

// True when every byte reads erased (0xFF).
bool Bytes_borrados(std::span<const uint8_t> bytes);
// True when the identity block and the version and build fields all read erased
// (every byte 0xFF). They lie together at the start of one flash segment: a burn
// erases them together and writes the block first, so a burn cut short leaves
// either all of them erased or the block written. Anything else (a block erased
// but a version that reads) is not the updater's doing.
bool Identidad_borrada(const std::array<uint8_t, 16>& bloque, const std::array<uint8_t, 6>& version,
                       const std::array<uint8_t, 6>& build);
// A meter that answers from its boot stage with its identity erased is one the
// updater left so, its own burn cut short, and only a whole update mends it: it is
// taken as one of the family, not the US edition. True (flags set) in that case;
// false and nothing changed otherwise, so any other meter is decided as before.
bool Regla_identidad_borrada(bool modo_arranque, bool borrada, Estado_ventana& estado);
// Erase tick: the meter's version is lower than 1.11.00000.
bool Regla_borrado(const Texto_version& medidor);
// FPGA tick: the FPGA version "major.minor" differs from "3.3".
bool Regla_fpga(uint8_t mayor, uint8_t menor);
// True when the level average is below `minimo`. In its boot stage no firmware
// has measured the level: a word that reads 0 there is no measurement (a meter
// left so by a burn cut short would otherwise be refused for good).
bool Nivel_rechaza(int promedio, int minimo, bool modo_arranque);
// MPEG-4 tick from the module's answer (already re-read when the version was 0).
bool Regla_mpeg4(const Datos_mpeg4& datos);
// Ticks implied by the others: MPEG-4 needs the firmware, the firmware brings the
// FPGA set, the zone and the MPEG-4 application with it.
void Completar_ticks(Estado_ventana& estado);

}  // namespace r27
