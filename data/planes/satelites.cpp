// Satellite lists of the regional sets: real orbital positions, each with a band
// plan of transponders on its usual raster (neighbouring transponders on
// alternate polarisations), frequencies in whole MHz and common symbol rates.
#include <algorithm>
#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "data/planes/plan_canales.h"

namespace r27::planes {

namespace {

// Ku band, linear polarisation: 10.70-12.75 GHz (or the part a satellite covers).
Satelite Ku(const char* nombre, uint32_t desde, uint32_t hasta, uint32_t paso, uint32_t peso) {
  return {nombre, kTipo_ku, desde, hasta, paso, peso};
}
// C band, linear polarisation: 3.40-4.20 GHz.
Satelite C(const char* nombre, uint32_t desde, uint32_t hasta, uint32_t paso, uint32_t peso) {
  return {nombre, kTipo_c, desde, hasta, paso, peso};
}
// Ku band broadcast satellites with circular polarisation: 11.70-12.75 GHz.
Satelite Dbs(const char* nombre, uint32_t desde, uint32_t hasta, uint32_t paso, uint32_t peso) {
  return {nombre, kTipo_ku_circular, desde, hasta, paso, peso};
}

// The degree sign in Latin-1 ends many names; the string is split after it so a
// following letter is not read as part of the escape.
#define GRADO "\xB0"

// Europe. The first two are also the first satellites of the eastern set.
const std::vector<Satelite> kEuropa = {
    Ku("ASTRA 19.2" GRADO, 10714, 12722, 9750, 5),
    Ku("HOTBIRD 13" GRADO, 10719, 12731, 9590, 5),
    Ku("ASTRA 28.2" GRADO, 10714, 12722, 9750, 4),
    Ku("ASTRA 23.5" GRADO, 10730, 12740, 9750, 3),
    Ku("HISPA 30" GRADO "W", 10730, 12718, 9590, 4),
    Ku("EUTEL 16" GRADO, 10720, 12741, 9590, 3),
    Ku("EUTEL 9" GRADO, 11727, 12092, 9590, 1),
    Ku("EUTEL 7" GRADO, 10721, 12735, 9590, 3),
    Ku("EUTEL 5" GRADO "W", 10970, 12732, 9590, 2),
    Ku("THOR 0.8" GRADO "W", 10716, 12729, 9590, 3),
    Ku("ASTRA 4.8" GRADO, 11727, 12731, 9590, 2),
    Dbs("EUTEL 36" GRADO, 11727, 12380, 19180, 1),
    Ku("TURKSAT 42" GRADO, 10960, 12701, 9590, 3),
    Ku("HELLAS 39" GRADO, 10960, 12726, 9590, 1),
    Ku("BADR 26" GRADO, 10730, 12740, 9590, 3),
    Ku("NILESAT 7" GRADO "W", 10719, 12731, 9590, 3),
    Ku("AMOS 4" GRADO "W", 10722, 12686, 9590, 1),
    Ku("EUTEL 10" GRADO, 10720, 12740, 9590, 2),
    Ku("EUTEL 21.5" GRADO, 10980, 12700, 9590, 1),
    Ku("EXPRESS 40" GRADO, 10970, 12700, 9590, 1),
    Ku("EUTEL 3" GRADO, 10970, 12740, 9590, 1),
    Ku("ASTRA 31.5" GRADO, 10700, 12740, 9750, 1),
    Ku("EUTEL 33" GRADO, 10960, 12740, 9590, 1),
    Ku("ARAB 30.5" GRADO, 10700, 12740, 9590, 1),
    Ku("IS 27.5" GRADO "W", 10970, 12740, 9590, 1),
    Ku("TELST 15" GRADO "W", 10960, 12740, 9590, 1),
    Ku("SES 22" GRADO "W", 10960, 12740, 9590, 1),
    C("EXPR 14" GRADO "W", 3475, 4175, 20000, 1),
    C("IS 24.5" GRADO "W", 3700, 4180, 20000, 1),
    Ku("YAMAL 49" GRADO, 10950, 12740, 9590, 1),
};

const std::vector<Satelite> kAsia = {
    C("ASIAS100.5" GRADO, 3640, 4200, 20000, 2),   C("ASIAS105.5" GRADO, 3420, 4180, 20000, 2),
    Ku("ASIAS 122" GRADO, 12250, 12750, 14000, 1), Ku("THAI 78.5" GRADO, 10970, 12740, 9590, 2),
    Ku("MEASAT91.5" GRADO, 10960, 12740, 9590, 2), Dbs("JCSAT 110" GRADO, 11727, 12731, 19180, 1),
    Ku("KOREA 116" GRADO, 11740, 12740, 14000, 1), C("CHINA115.5" GRADO, 3700, 4180, 20000, 1),
    C("APSTR 76.5" GRADO, 3420, 4180, 20000, 1),   Ku("ABS 75" GRADO, 10960, 12740, 9590, 2),
    C("IS 68.5" GRADO, 3700, 4180, 20000, 1),      Ku("SES 95" GRADO, 10960, 12740, 9590, 1),
    C("PALAPA 113" GRADO, 3420, 4180, 20000, 1),   C("TELKOM 118" GRADO, 3420, 4180, 20000, 1),
    Ku("INSAT 83" GRADO, 10970, 12740, 9590, 1),   Ku("GSAT 93.5" GRADO, 10970, 12740, 9590, 1),
    Ku("YAMAL 90" GRADO, 10960, 12740, 9590, 1),   Ku("EXPR 103" GRADO, 10960, 12740, 9590, 1),
};

// North America: Ku FSS 11.7-12.2 GHz, C band 3.7-4.2 GHz, direct-to-home
// satellites 12.2-12.7 GHz with circular polarisation.
const std::vector<Satelite> kAmerica = {
    Ku("GALAXY 97" GRADO "W", 11720, 12180, 20000, 1),
    Ku("SES 103" GRADO "W", 11720, 12180, 20000, 1),
    Ku("AMC21 125" GRADO "W", 11720, 12180, 20000, 1),
    Ku("ANIK107.3" GRADO "W", 11720, 12180, 20000, 1),
    Ku("AMAZ 61" GRADO "W", 10950, 12200, 20000, 2),
    C("AMC18 105" GRADO "W", 3720, 4180, 20000, 1),
    C("GALAX 127" GRADO "W", 3720, 4180, 20000, 1),
    C("SES1 101" GRADO "W", 3720, 4180, 20000, 1),
    C("AMC11 131" GRADO "W", 3720, 4180, 20000, 1),
    C("G3C 95" GRADO "W", 3720, 4180, 20000, 1),
    Dbs("DTV 101" GRADO "W", 12224, 12676, 14580, 1),
    Dbs("DTV 119" GRADO "W", 12224, 12676, 14580, 1),
    Dbs("DISH 110" GRADO "W", 12224, 12676, 14580, 1),
    Dbs("DISH 119" GRADO "W", 12224, 12676, 14580, 1),
    Dbs("DISH 61.5" GRADO "W", 12224, 12676, 14580, 1),
    Dbs("DISH 129" GRADO "W", 12224, 12676, 14580, 1),
    Dbs("NIMIQ 91" GRADO "W", 12224, 12676, 14580, 1),
    Dbs("NIMIQ 82" GRADO "W", 12224, 12676, 14580, 1),
};

// Eastern Europe and Russia, after ASTRA 19.2 and HOTBIRD 13 of the European set.
const std::vector<Satelite> kEste = {
    Dbs("EUTEL 36" GRADO, 11727, 12380, 19180, 2),
    Ku("EXPR 53" GRADO, 10960, 12740, 9590, 1),
    Dbs("EXPR 56" GRADO, 11727, 12476, 19180, 2),
    Ku("EXPR 80" GRADO, 10960, 12740, 9590, 1),
    Ku("EXPR 103" GRADO, 10960, 12740, 9590, 1),
    Dbs("EXPR 140" GRADO, 11727, 12476, 19180, 1),
    Ku("YAMAL 90" GRADO, 10960, 12740, 9590, 2),
    Ku("YAMAL 54.9" GRADO, 10960, 12740, 9590, 1),
    Ku("ABS 75" GRADO, 10960, 12740, 9590, 2),
    Ku("IS 66" GRADO, 10960, 12740, 9590, 1),
    C("IS 68.5" GRADO, 3700, 4180, 20000, 1),
    Ku("TURKSAT 42" GRADO, 10960, 12701, 9590, 3),
    Ku("TURKSAT 31" GRADO, 10960, 12740, 9590, 1),
    Ku("TURKSAT 50" GRADO, 10960, 12740, 9590, 1),
    Ku("HELLAS 39" GRADO, 10960, 12726, 9590, 1),
    Ku("AZERSP 46" GRADO, 10960, 12740, 9590, 1),
    Ku("YAHSAT52.5" GRADO, 10960, 12740, 9590, 1),
    Ku("BELIN 51.5" GRADO, 10960, 12740, 9590, 1),
    Ku("ASTRA 23.5" GRADO, 10730, 12740, 9750, 1),
    Ku("ASTRA 28.2" GRADO, 10714, 12722, 9750, 1),
    Ku("ASTRA 31.5" GRADO, 10700, 12740, 9750, 1),
    Ku("ASTRA 4.8" GRADO, 11727, 12731, 9590, 2),
    Ku("EUTEL 16" GRADO, 10720, 12741, 9590, 2),
    Ku("EUTEL 9" GRADO, 11727, 12092, 9590, 1),
    Ku("EUTEL 7" GRADO, 10721, 12735, 9590, 1),
    Ku("EUTEL 21.5" GRADO, 10980, 12700, 9590, 1),
    Ku("EUTEL 33" GRADO, 10960, 12740, 9590, 1),
    Ku("EUTEL 10" GRADO, 10720, 12740, 9590, 1),
    Ku("EUTEL 3" GRADO, 10970, 12740, 9590, 1),
    Ku("EUTEL 70.5" GRADO, 10960, 12740, 9590, 1),
    Ku("BADR 26" GRADO, 10730, 12740, 9590, 1),
    Ku("ARAB 30.5" GRADO, 10700, 12740, 9590, 1),
    Ku("AMOS 4" GRADO "W", 10722, 12686, 9590, 1),
    Ku("THOR 0.8" GRADO "W", 10716, 12729, 9590, 1),
    Ku("NILESAT 7" GRADO "W", 10719, 12731, 9590, 1),
    C("EXPR 14" GRADO "W", 3475, 4175, 20000, 1),
};

const std::vector<Satelite> kAustralia = {
    Ku("OPTUS 156" GRADO, 12250, 12750, 14000, 2), Ku("OPTUS 160" GRADO, 12250, 12750, 14000, 2),
    Ku("OPTUS 152" GRADO, 11700, 12750, 14000, 2), Ku("IS 166" GRADO, 10950, 12750, 9590, 2),
    C("IS 169" GRADO, 3700, 4180, 20000, 1),       C("IS 180" GRADO, 3700, 4180, 20000, 1),
    Ku("JCSAT 154" GRADO, 12250, 12750, 14000, 1), Ku("ABS 159" GRADO, 11450, 12750, 14000, 1),
    C("ASIAS100.5" GRADO, 3640, 4200, 20000, 1),   C("TSTAR 138" GRADO, 3420, 4180, 20000, 1),
    Ku("MEASAT 148" GRADO, 10950, 12750, 9590, 1),
};

#undef GRADO

uint32_t Capacidad(const Satelite& s) {
  return (s.hasta_mhz - s.desde_mhz) * 1000 / s.paso_khz + 1;
}

// Symbol rates in kBd, taken in turn from a start that depends on the satellite.
const std::array<uint16_t, 8> kTasas_ku{27500, 22000, 29900, 27500, 30000, 23000, 28000, 27500};
const std::array<uint16_t, 6> kTasas_c{27500, 30000, 28800, 13333, 26000, 27500};
const std::array<uint16_t, 5> kTasas_dbs{27500, 20000, 21500, 30000, 27500};

uint16_t Tasa(const Satelite& s, uint32_t k) {
  uint32_t semilla = 0;
  for (const char* c = s.nombre; *c != '\0'; ++c) semilla += static_cast<uint8_t>(*c);
  const uint32_t i = k * 3 + semilla;
  if (s.tipo == kTipo_c) return kTasas_c[i % kTasas_c.size()];
  if (s.tipo == kTipo_ku_circular) return kTasas_dbs[i % kTasas_dbs.size()];
  return kTasas_ku[i % kTasas_ku.size()];
}

Plan Transpondedores(const Satelite& s, uint32_t n) {
  Plan p{s.nombre, s.tipo, {}};
  const bool circular = s.tipo == kTipo_ku_circular;
  // A short list is spread over the satellite's whole band rather than crowded
  // at its bottom.
  uint32_t paso = s.paso_khz;
  if (n > 1) paso = std::max(paso, (s.hasta_mhz - s.desde_mhz) * 1000 / (n - 1));
  for (uint32_t k = 0; k < n; ++k) {
    const uint32_t mhz = (s.desde_mhz * 1000 + k * paso + 500) / 1000;
    const uint8_t pol = k % 2 == 0 ? kPolarizacion_h : kPolarizacion_v;
    const char letra = pol == kPolarizacion_v ? (circular ? 'R' : 'V') : (circular ? 'L' : 'H');
    char nombre[16];
    std::snprintf(nombre, sizeof nombre, "%u %c", mhz, letra);
    p.canales.push_back(Canal{mhz * 1000, nombre, pol, Tasa(s, k), 0});
  }
  return p;
}

}  // namespace

const std::vector<Satelite>& Satelites(int conjunto) {
  switch (conjunto) {
    case 0:
      return kEuropa;
    case 1:
      return kAsia;
    case 2:
      return kAmerica;
    case 3:
      return kEste;
    case 4:
      return kAustralia;
    default:
      throw std::out_of_range("no such regional set");
  }
}

std::vector<Plan> Planes_satelite(const std::vector<Satelite>& satelites, uint32_t total) {
  // One channel at a time to the satellite furthest below its weighted share
  // (counts[i] / peso smallest, the first on a tie) that still has room.
  std::vector<uint32_t> cuentas(satelites.size(), 0);
  for (uint32_t asignados = 0; asignados < total; ++asignados) {
    size_t elegido = satelites.size();
    for (size_t i = 0; i < satelites.size(); ++i) {
      if (cuentas[i] >= Capacidad(satelites[i])) continue;
      if (elegido == satelites.size() || uint64_t{cuentas[i]} * satelites[elegido].peso <
                                             uint64_t{cuentas[elegido]} * satelites[i].peso) {
        elegido = i;
      }
    }
    if (elegido == satelites.size()) throw std::length_error("the satellites cannot hold the set");
    ++cuentas[elegido];
  }
  std::vector<Plan> planes;
  for (size_t i = 0; i < satelites.size(); ++i)
    planes.push_back(Transpondedores(satelites[i], cuentas[i]));
  return planes;
}

}  // namespace r27::planes
