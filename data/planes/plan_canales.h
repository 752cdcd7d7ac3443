#pragma once
// The channel plans the plan-area generator lays out: terrestrial, cable and radio
// rasters, and satellite transponder lists. Host-side only.
#include <cstdint>
#include <string>
#include <vector>

namespace r27::planes {

// Plan kinds of the directory. Satellite kinds are bit sets: 2 (satellite) plus 4
// for the C band (3.4-4.2 GHz, else the Ku band) or 8 for circular polarisation.
inline constexpr uint16_t kTipo_terrestre = 0;
inline constexpr uint16_t kTipo_ku = 2;
inline constexpr uint16_t kTipo_c = 6;
inline constexpr uint16_t kTipo_ku_circular = 10;

// Polarisation codes of satellite channels: vertical or right-hand circular (1),
// horizontal or left-hand circular (2).
inline constexpr uint8_t kPolarizacion_v = 1;
inline constexpr uint8_t kPolarizacion_h = 2;

struct Canal {
  uint32_t frecuencia_khz = 0;  // channel centre; a satellite transponder's downlink
  std::string nombre;           // at most 13 characters
  uint8_t polarizacion = 0;     // 0 off satellite lists
  uint16_t ancho = 0;           // channel bandwidth in kHz; symbol rate in kBd on satellites
  uint16_t ajuste = 0;          // carrier offset in kHz over the nominal raster (cable plans)
};

struct Plan {
  std::string nombre;  // Latin-1, at most 11 bytes
  uint16_t tipo = kTipo_terrestre;
  std::vector<Canal> canales;  // in ascending frequency
};

// Terrestrial, cable and radio plans.
Plan Plan_ccir(const char* nombre = "CCIR");
Plan Plan_stdl();
Plan Plan_oirt();
Plan Plan_italia();
Plan Plan_fcc_aire(const char* nombre);  // broadcast 2-69
Plan Plan_fcc_std();                     // cable, standard carriers
Plan Plan_fcc_hrc();                     // cable, harmonically related carriers
Plan Plan_fcc_irc();                     // cable, incrementally related carriers
Plan Plan_fcc_retorno();                 // cable return path T7-T13
Plan Plan_dab();
Plan Plan_australia();
Plan Plan_nueva_zelanda();
Plan Plan_foxtel_tdt();

// A satellite at its orbital position and the band its transponders take.
struct Satelite {
  const char* nombre;  // Latin-1, at most 11 bytes; 0xB0 is the degree sign
  uint16_t tipo;
  uint32_t desde_mhz;  // lowest and highest transponder frequency
  uint32_t hasta_mhz;
  uint32_t paso_khz;  // between neighbouring transponders (alternate polarisations)
  uint32_t peso;      // share of the image's satellite channels, relative
};

// The satellites of each regional set, in directory order (the set of selector 3
// follows the first two of selector 0, which are not repeated in its list).
const std::vector<Satelite>& Satelites(int conjunto);

// Shares `total` channels out over `satelites` by weight, none above its band's
// capacity, and builds their transponder lists. Throws when they cannot hold it.
std::vector<Plan> Planes_satelite(const std::vector<Satelite>& satelites, uint32_t total);

}  // namespace r27::planes
