#pragma once
// The data the zone records are made of: the multilingual profile names, the
// measurement profile values and the band frequencies the configuration record
// carries for each language. Pure data; the builders pick from it.
#include <array>
#include <cstdint>

namespace r27 {

// Profile names: 12 entries of 16 bytes per table, indexed by the meter's
// language (entries 10 and 11 are empty). Texts are stored in the meter's code
// pages: Russian in ISO-8859-5, the Polish head-end name in ISO-8859-2, the
// others in Latin-1; unused bytes are zero.
inline constexpr int kEntradas_nombres = 12;
inline constexpr int kBytes_entrada_nombre = 16;
using Tabla_nombres = std::array<std::array<uint8_t, kBytes_entrada_nombre>, kEntradas_nombres>;

extern const Tabla_nombres kNombres_toma;      // profile 0 (table A)
extern const Tabla_nombres kNombres_cabecera;  // profile 1 (table B)
extern const Tabla_nombres kNombres_perfil;    // profiles 2 and 3 (table C), plus "1" / "2"

// Profile values: 96 signed 16-bit values in the non-US record, 90 in the US one.
inline constexpr int kValores_perfil = 96;
inline constexpr int kValores_perfil_usa = 90;
extern const std::array<int16_t, kValores_perfil> kValores_perfil_base;
extern const std::array<int16_t, kValores_perfil_usa> kValores_perfil_base_usa;

// The head-end profile (profile 1) raises some of the level limits.
struct Sustitucion_perfil {
  uint8_t indice;
  int16_t valor;
};
extern const std::array<Sustitucion_perfil, 8> kSustituciones_cabecera;

// Values 40 and 41 of the US record are not written: they keep the zero of the
// cleared record.
inline constexpr int kPrimer_valor_hueco_usa = 40;
inline constexpr int kValores_hueco_usa = 2;

// Band frequencies of the configuration record, in kHz; the record carries each
// one in MHz.
inline constexpr int kFrecuencias_banda = 8;
using Frecuencias_banda = std::array<uint32_t, kFrecuencias_banda>;
extern const Frecuencias_banda kBandas_aleman;    // language 2: 102 MHz apart
extern const Frecuencias_banda kBandas_italiano;  // language 5: mixed
extern const Frecuencias_banda kBandas_comunes;   // every other language

}  // namespace r27
