// Writes one of the five plan-area images the updater carries: a regional set of
// channel plans in the meter's plan-area format.
//
//   generar_planes <set 0..4> <salida.bin>
//
// Sets: 0 European, 1 Asian, 2 North American, 3 Eastern European, 4 Australian.
// Each holds its terrestrial, cable and radio plans first, then satellite lists
// that take the rest of the image's channels (the image size fixes how many).
//
// Layout (little-endian), as the meter reads it from flash address 0x1E0000:
//   0     0x00, plan count, 0x00, the set's edition, set number, 11 zero bytes
//   16    64 directory slots of 22 bytes: channel count (u16), plan kind (u16),
//         slot number, two zero bytes, name (11 bytes, Latin-1, zero-padded),
//         meter address of the channel list (u32). Unused slots are zero but for
//         the address, which points at the start of the list area.
//   1424  the channel lists, back to back in directory order, 26 bytes a channel:
//         frequency in kHz (u32), name (13 bytes, zero-padded), polarisation,
//         bandwidth in kHz or symbol rate in kBd (u16), channel number in the plan
//         (u16), zero (u16), carrier adjustment in kHz (u16).
#include <array>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/planes/plan_canales.h"

namespace {

using namespace r27::planes;

constexpr size_t kCabecera = 16;
constexpr size_t kRanuras = 64;
constexpr size_t kRanura = 22;
constexpr size_t kInicio_listas = kCabecera + kRanuras * kRanura;  // 0x590
constexpr size_t kRegistro = 26;
constexpr uint32_t kDireccion_area = 0x1E0000;  // flash sector 30
constexpr size_t kNombre_plan = 11;
constexpr size_t kNombre_canal = 13;

struct Imagen_conjunto {
  uint32_t tamano;
  size_t planes;
  uint8_t edicion;  // header byte 3
};

constexpr std::array<Imagen_conjunto, 5> kImagenes{{
    {60'262, 36, 0x6C},
    {22'692, 24, 0x67},
    {30'648, 24, 0x7A},
    {39'878, 44, 0x66},
    {15'022, 15, 0x6E},
}};

std::vector<Plan> Terrestres(int conjunto) {
  switch (conjunto) {
    case 0:
      return {Plan_ccir(),   Plan_stdl(),          Plan_oirt(),
              Plan_italia(), Plan_fcc_aire("FCC"), Plan_dab()};
    case 1:
      return {Plan_ccir(), Plan_fcc_aire("PH TERR"), Plan_stdl(), Plan_oirt(), Plan_italia(),
              Plan_dab()};
    case 2:
      return {Plan_fcc_std(), Plan_fcc_retorno(),          Plan_fcc_irc(),
              Plan_fcc_hrc(), Plan_fcc_aire("FCC OFFAIR"), Plan_ccir()};
    default:
      return {Plan_australia(), Plan_nueva_zelanda(), Plan_foxtel_tdt(), Plan_dab()};
  }
}

uint32_t Canales_imagen(int conjunto) {
  return static_cast<uint32_t>((kImagenes[conjunto].tamano - kInicio_listas) / kRegistro);
}

uint32_t Contar(const std::vector<Plan>& planes) {
  uint32_t n = 0;
  for (const Plan& p : planes) n += static_cast<uint32_t>(p.canales.size());
  return n;
}

std::vector<Plan> Planes_conjunto(int conjunto) {
  std::vector<Plan> planes;
  if (conjunto == 3) {
    // The eastern set begins as the European one: its six terrestrial plans and
    // its first two satellites.
    const std::vector<Plan> europa = Planes_conjunto(0);
    planes.assign(europa.begin(), europa.begin() + 8);
  } else {
    planes = Terrestres(conjunto);
  }
  const uint32_t ocupados = Contar(planes);
  for (Plan& p : Planes_satelite(Satelites(conjunto), Canales_imagen(conjunto) - ocupados))
    planes.push_back(std::move(p));
  return planes;
}

class Escritor {
 public:
  explicit Escritor(std::vector<uint8_t>& b) : b_(b) {}
  void U16(size_t en, uint32_t v) {
    b_.at(en) = static_cast<uint8_t>(v);
    b_.at(en + 1) = static_cast<uint8_t>(v >> 8);
  }
  void U32(size_t en, uint32_t v) {
    U16(en, v & 0xFFFF);
    U16(en + 2, v >> 16);
  }
  void Texto(size_t en, const std::string& s, size_t ancho) {
    if (s.empty() || s.size() > ancho) throw std::length_error("name does not fit: " + s);
    for (size_t i = 0; i < s.size(); ++i) b_.at(en + i) = static_cast<uint8_t>(s[i]);
  }

 private:
  std::vector<uint8_t>& b_;
};

std::vector<uint8_t> Imagen(int conjunto) {
  const Imagen_conjunto& forma = kImagenes[conjunto];
  const std::vector<Plan> planes = Planes_conjunto(conjunto);
  if (planes.size() != forma.planes) throw std::logic_error("wrong number of plans");

  std::vector<uint8_t> b(kInicio_listas + size_t{Contar(planes)} * kRegistro, 0);
  Escritor e(b);
  b[1] = static_cast<uint8_t>(planes.size());
  b[3] = forma.edicion;
  b[4] = static_cast<uint8_t>(conjunto);

  size_t lista = kInicio_listas;
  for (size_t i = 0; i < kRanuras; ++i) {
    const size_t ranura = kCabecera + i * kRanura;
    if (i >= planes.size()) {
      e.U32(ranura + 18, kDireccion_area + kInicio_listas);
      continue;
    }
    const Plan& p = planes[i];
    e.U16(ranura, static_cast<uint32_t>(p.canales.size()));
    e.U16(ranura + 2, p.tipo);
    b[ranura + 4] = static_cast<uint8_t>(i);
    e.Texto(ranura + 7, p.nombre, kNombre_plan);
    e.U32(ranura + 18, static_cast<uint32_t>(kDireccion_area + lista));
    for (size_t k = 0; k < p.canales.size(); ++k) {
      const Canal& c = p.canales[k];
      const size_t r = lista + k * kRegistro;
      e.U32(r, c.frecuencia_khz);
      e.Texto(r + 4, c.nombre, kNombre_canal);
      b[r + 17] = c.polarizacion;
      e.U16(r + 18, c.ancho);
      e.U16(r + 20, static_cast<uint32_t>(k));
      e.U16(r + 24, c.ajuste);
    }
    lista += p.canales.size() * kRegistro;
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string conjunto = argc == 3 ? argv[1] : "";
  if (conjunto.size() != 1 || conjunto[0] < '0' || conjunto[0] > '4') {
    std::fprintf(stderr, "use: %s <0..4> <salida.bin>\n", argv[0]);
    return 2;
  }
  const int n = conjunto[0] - '0';
  std::vector<uint8_t> bytes;
  try {
    bytes = Imagen(n);
  } catch (const std::exception& ex) {
    std::fprintf(stderr, "generar_planes: set %d: %s\n", n, ex.what());
    return 1;
  }
  if (bytes.size() != kImagenes[n].tamano) {
    std::fprintf(stderr, "generar_planes: %zu bytes instead of %u\n", bytes.size(),
                 kImagenes[n].tamano);
    return 1;
  }
  std::FILE* f = std::fopen(argv[2], "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
      std::fclose(f) != 0) {
    std::fprintf(stderr, "generar_planes: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
