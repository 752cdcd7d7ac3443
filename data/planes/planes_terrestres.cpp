// Terrestrial, cable and radio channel plans from the published channel rasters.
// Frequencies are channel centres in kHz: a 7 or 8 MHz System B/G/D/K channel has
// its centre 2.25 MHz (7 MHz) or 2.75 MHz (8 MHz) above the vision carrier, a 6 MHz
// System M channel 1.75 MHz above it.
#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "data/planes/plan_canales.h"

namespace r27::planes {

namespace {

constexpr uint16_t k6_mhz = 6000;
constexpr uint16_t k7_mhz = 7000;
constexpr uint16_t k8_mhz = 8000;
constexpr uint16_t kBloque_dab = 1536;

void Canal_en(Plan& p, std::string nombre, uint32_t centro_khz, uint16_t ancho,
              uint16_t ajuste = 0) {
  p.canales.push_back(Canal{centro_khz, std::move(nombre), 0, ancho, ajuste});
}

// Channels desde..hasta named by `formato`, the first centred on centro_khz and the
// rest paso_khz apart.
void Raster(Plan& p, const char* formato, int desde, int hasta, uint32_t centro_khz,
            uint32_t paso_khz, uint16_t ancho) {
  for (int c = desde; c <= hasta; ++c) {
    char nombre[16];
    std::snprintf(nombre, sizeof nombre, formato, c);
    Canal_en(p, nombre, centro_khz + static_cast<uint32_t>(c - desde) * paso_khz, ancho);
  }
}

void Lista(Plan& p, std::initializer_list<std::pair<const char*, uint32_t>> canales,
           uint16_t ancho) {
  for (const auto& [nombre, centro] : canales) Canal_en(p, nombre, centro, ancho);
}

// UHF bands IV and V on the 8 MHz raster: channel 21 is 470-478 MHz.
void Uhf_8_mhz(Plan& p) { Raster(p, "%d", 21, 69, 474'000, 8000, k8_mhz); }

Plan Ordenado(Plan p) {
  std::stable_sort(p.canales.begin(), p.canales.end(), [](const Canal& a, const Canal& b) {
    return a.frecuencia_khz < b.frecuencia_khz;
  });
  return p;
}

// Vision carrier of a North American cable channel on the standard (STD) plan.
uint32_t Portadora_std(int c) {
  if (c <= 4) return 55'250 + static_cast<uint32_t>(c - 2) * 6000;
  if (c <= 6) return 77'250 + static_cast<uint32_t>(c - 5) * 6000;
  if (c <= 13) return 175'250 + static_cast<uint32_t>(c - 7) * 6000;
  if (c <= 22) return 121'250 + static_cast<uint32_t>(c - 14) * 6000;  // midband A-I
  if (c <= 94) return 217'250 + static_cast<uint32_t>(c - 23) * 6000;  // superband, hyperband
  if (c <= 99) return 91'250 + static_cast<uint32_t>(c - 95) * 6000;   // A-5 .. A-1
  return 649'250 + static_cast<uint32_t>(c - 100) * 6000;
}

constexpr uint32_t kCentro_m = 1750;  // System M: centre over the vision carrier

}  // namespace

Plan Plan_ccir(const char* nombre) {
  Plan p{nombre, kTipo_terrestre, {}};
  Raster(p, "E%02d", 2, 4, 50'500, 7000, k7_mhz);     // band I, E2 47-54 MHz
  Raster(p, "S%02d", 1, 10, 107'500, 7000, k7_mhz);   // lower special channels
  Raster(p, "E%02d", 5, 12, 177'500, 7000, k7_mhz);   // band III, E5 174-181 MHz
  Raster(p, "S%02d", 11, 20, 233'500, 7000, k7_mhz);  // upper special channels
  Raster(p, "S%02d", 21, 41, 306'000, 8000, k8_mhz);  // hyperband, S21 302-310 MHz
  Uhf_8_mhz(p);
  return Ordenado(std::move(p));
}

Plan Plan_stdl() {
  // System L: band I is inverted (the vision carrier above the sound), band III
  // channels are 8 MHz wide from 174.75 MHz.
  Plan p{"STDL", kTipo_terrestre, {}};
  Lista(p, {{"L02", 53'000}, {"L03", 57'750}, {"L04", 61'000}}, k8_mhz);
  Raster(p, "L%02d", 5, 10, 178'750, 8000, k8_mhz);
  Uhf_8_mhz(p);
  return Ordenado(std::move(p));
}

Plan Plan_oirt() {
  Plan p{"OIRT", kTipo_terrestre, {}};
  Lista(p, {{"R01", 52'500}, {"R02", 62'000}}, k8_mhz);  // 48.5-56.5, 58-66 MHz
  Raster(p, "R%02d", 3, 5, 80'000, 8000, k8_mhz);        // 76-100 MHz
  Raster(p, "R%02d", 6, 12, 178'000, 8000, k8_mhz);      // 174-230 MHz
  Raster(p, "SK%02d", 1, 8, 114'000, 8000, k8_mhz);      // cable 110-174 MHz
  Raster(p, "SK%02d", 11, 19, 234'000, 8000, k8_mhz);    // cable 230-302 MHz
  Raster(p, "SK%02d", 21, 40, 306'000, 8000, k8_mhz);    // cable 302-462 MHz
  Uhf_8_mhz(p);
  return Ordenado(std::move(p));
}

Plan Plan_italia() {
  Plan p{"CCIR-IT", kTipo_terrestre, {}};
  Lista(p,
        {{"A", 56'000},
         {"B", 64'500},
         {"C", 84'500},
         {"D", 177'500},
         {"E", 186'000},
         {"F", 194'500},
         {"G", 203'500},
         {"H", 212'500},
         {"H1", 219'500},
         {"H2", 226'500}},
        k7_mhz);
  Uhf_8_mhz(p);
  return Ordenado(std::move(p));
}

Plan Plan_fcc_aire(const char* nombre) {
  Plan p{nombre, kTipo_terrestre, {}};
  Raster(p, "%d", 2, 4, 57'000, 6000, k6_mhz);     // 54-72 MHz
  Raster(p, "%d", 5, 6, 79'000, 6000, k6_mhz);     // 76-88 MHz
  Raster(p, "%d", 7, 13, 177'000, 6000, k6_mhz);   // 174-216 MHz
  Raster(p, "%d", 14, 69, 473'000, 6000, k6_mhz);  // 470-806 MHz
  return Ordenado(std::move(p));
}

Plan Plan_fcc_std() {
  Plan p{"FCC STD", kTipo_terrestre, {}};
  for (int c = 2; c <= 158; ++c)
    Canal_en(p, std::to_string(c), Portadora_std(c) + kCentro_m, k6_mhz);
  return Ordenado(std::move(p));
}

Plan Plan_fcc_hrc() {
  // Carriers on the harmonics of 6.0003 MHz: the frequency holds n x 6 MHz (plus
  // the centre offset) and the adjustment the 0.3 kHz per harmonic, in whole kHz.
  Plan p{"FCC HRC", kTipo_terrestre, {}};
  for (int c = 1; c <= 158; ++c) {
    uint32_t portadora = 72'000;  // channel 1
    if (c == 5 || c == 6) {
      portadora = Portadora_std(c) + 750;
    } else if (c != 1) {
      portadora = Portadora_std(c) - 1250;
    }
    const uint32_t armonico = portadora / 6000;
    Canal_en(p, std::to_string(c), portadora + kCentro_m, k6_mhz,
             static_cast<uint16_t>(armonico * 3 / 10));
  }
  return Ordenado(std::move(p));
}

Plan Plan_fcc_irc() {
  // The standard carriers moved up by 12.5 kHz (kept as 12 in the adjustment);
  // channels 5 and 6 follow the 6 MHz increments, and channel 1 is added.
  Plan p{"FCC IRC", kTipo_terrestre, {}};
  for (int c = 1; c <= 158; ++c) {
    uint32_t portadora = 73'250;  // channel 1
    if (c == 5 || c == 6) {
      portadora = Portadora_std(c) + 2000;
    } else if (c != 1) {
      portadora = Portadora_std(c);
    }
    Canal_en(p, std::to_string(c), portadora + kCentro_m, k6_mhz, 12);
  }
  return Ordenado(std::move(p));
}

Plan Plan_fcc_retorno() {
  Plan p{"FCC RETURN", kTipo_terrestre, {}};
  Raster(p, "T%d", 7, 13, 8'750, 6000, k6_mhz);  // sub-split return, T7 5.75-11.75 MHz
  return p;
}

Plan Plan_dab() {
  // Band III blocks of 1,536 kHz by their centre frequencies.
  Plan p{"DAB", kTipo_terrestre, {}};
  Lista(p,
        {{"5A", 174'928},  {"5B", 176'640},  {"5C", 178'352},  {"5D", 180'064},  {"6A", 181'936},
         {"6B", 183'648},  {"6C", 185'360},  {"6D", 187'072},  {"7A", 188'928},  {"7B", 190'640},
         {"7C", 192'352},  {"7D", 194'064},  {"8A", 195'936},  {"8B", 197'648},  {"8C", 199'360},
         {"8D", 201'072},  {"9A", 202'928},  {"9B", 204'640},  {"9C", 206'352},  {"9D", 208'064},
         {"10A", 209'936}, {"10N", 210'096}, {"10B", 211'648}, {"10C", 213'360}, {"10D", 215'072},
         {"11A", 216'928}, {"11N", 217'088}, {"11B", 218'640}, {"11C", 220'352}, {"11D", 222'064},
         {"12A", 223'936}, {"12N", 224'096}, {"12B", 225'648}, {"12C", 227'360}, {"12D", 229'072},
         {"13A", 230'784}, {"13B", 232'496}, {"13C", 234'208}, {"13D", 235'776}, {"13E", 237'488},
         {"13F", 239'200}},
        kBloque_dab);
  return p;
}

namespace {

// Australian VHF channels, 7 MHz wide (channel 0 is 45-52 MHz).
void Vhf_australia(Plan& p, bool solo_digital) {
  if (!solo_digital) {
    Lista(p,
          {{"0", 48'500},
           {"1", 59'500},
           {"2", 66'500},
           {"3", 88'500},
           {"4", 97'500},
           {"5", 104'500},
           {"5A", 140'500}},
          k7_mhz);
  }
  Lista(p,
        {{"6", 177'500},
         {"7", 184'500},
         {"8", 191'500},
         {"9", 198'500},
         {"9A", 205'500},
         {"10", 211'500},
         {"11", 218'500},
         {"12", 225'500}},
        k7_mhz);
}

}  // namespace

Plan Plan_australia() {
  Plan p{"CCIR AUS", kTipo_terrestre, {}};
  Vhf_australia(p, false);
  Raster(p, "%d", 28, 69, 529'500, 7000, k7_mhz);  // channel 28 is 526-533 MHz
  return Ordenado(std::move(p));
}

Plan Plan_nueva_zelanda() {
  Plan p{"CCIR NZ", kTipo_terrestre, {}};
  Lista(p, {{"1", 47'500}, {"2", 57'500}, {"3", 64'500}}, k7_mhz);  // 44-51, 54-61, 61-68
  Raster(p, "%d", 4, 11, 177'500, 7000, k7_mhz);                    // 174-230 MHz
  Uhf_8_mhz(p);
  return Ordenado(std::move(p));
}

Plan Plan_foxtel_tdt() {
  // The digital terrestrial channels of Australia after the restack: VHF 6-12 with
  // 9A, UHF 28-51.
  Plan p{"FOXTEL TDT", kTipo_terrestre, {}};
  Vhf_australia(p, true);
  Raster(p, "%d", 28, 51, 529'500, 7000, k7_mhz);
  return Ordenado(std::move(p));
}

}  // namespace r27::planes
