// Writes the FPGA configurations the updater carries, one after another in set
// order (see conjunto_fpga.h for the names and sizes).
//
//   generar_fpga <configuraciones.bin>
//
// Each configuration is laid out as a raw bitstream is: a preamble of 0xFF, a
// sync word, a 32-byte header, frames of configuration data each with its frame
// address and CRC-16, an end block with the CRC-32 of everything from the sync
// word on, and 0xFF padding to the exact size. The frame data follows the column
// kinds of an FPGA fabric (I/O, logic, routing, block memory), each drawn from a
// generator seeded by the configuration's name, so every configuration differs and
// every build writes the same bytes.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "data/fpga/conjunto_fpga.h"

namespace {

constexpr size_t kPreambulo = 24;
constexpr std::array<uint8_t, 4> kSincronismo{0x6A, 0x5C, 0xA3, 0x95};
constexpr size_t kCabecera = 32;
constexpr size_t kDatos_trama = 384;
constexpr size_t kTrama = 2 + kDatos_trama + 2;  // address, data, CRC-16
constexpr std::array<uint8_t, 8> kBloque_fin{0x00, 0x00, 0x00, 0x00, 0x0F, 0x0F, 0x0F, 0x0F};
constexpr size_t kCola = kBloque_fin.size() + 4;  // end block and CRC-32
constexpr int kTramas_columna = 16;               // minor frames per column
constexpr uint8_t kVersion_mayor = 3;
constexpr uint8_t kVersion_menor = 2;

enum class Columna { Entrada_salida, Logica, Rutado, Memoria };

// xorshift32: small, fast and the same everywhere.
class Generador {
 public:
  explicit Generador(uint32_t semilla) : estado_(semilla ? semilla : 0x9E3779B9u) {}
  uint32_t Siguiente() {
    estado_ ^= estado_ << 13;
    estado_ ^= estado_ >> 17;
    estado_ ^= estado_ << 5;
    return estado_;
  }
  uint8_t Byte() { return static_cast<uint8_t>(Siguiente() >> 24); }

 private:
  uint32_t estado_;
};

uint32_t Semilla(std::string_view nombre) {
  uint32_t h = 2166136261u;  // FNV-1a
  for (char c : nombre) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

uint16_t Crc16(const uint8_t* p, size_t n) {  // CRC-16/CCITT-FALSE
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < n; ++i) {
    crc ^= static_cast<uint16_t>(p[i] << 8);
    for (int b = 0; b < 8; ++b)
      crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
  }
  return crc;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int b = 0; b < 8; ++b) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
  }
  return ~crc;
}

void Poner16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

Columna Tipo_columna(int columna, int columnas) {
  if (columna < 2 || columna >= columnas - 2) return Columna::Entrada_salida;
  static constexpr Columna kCiclo[] = {Columna::Logica, Columna::Rutado, Columna::Logica,
                                       Columna::Logica, Columna::Rutado, Columna::Memoria};
  return kCiclo[(columna - 2) % 6];
}

// One frame's data for a column kind.
void Datos_trama(Columna tipo, int menor, Generador& g, uint8_t* d) {
  static constexpr uint16_t kTablas_lut[] = {0x8000, 0x6996, 0xFFFE, 0xE8E8, 0xCACA,
                                             0x0001, 0x9669, 0xF0F0, 0xAAAA, 0x7F80};
  switch (tipo) {
    case Columna::Entrada_salida: {
      // Sixteen pins of 24 bytes: standard, drive and delay settings per pin.
      for (size_t pin = 0; pin < kDatos_trama / 24; ++pin) {
        uint8_t* p = d + pin * 24;
        const uint32_t r = g.Siguiente();
        const bool usado = (r & 3) != 0;
        for (size_t i = 0; i < 24; ++i) p[i] = 0;
        if (!usado) continue;
        p[0] = static_cast<uint8_t>(0x10 | (r >> 8 & 0x07));  // I/O standard
        p[1] = static_cast<uint8_t>(r >> 16 & 0x0F);          // drive strength
        p[2] = static_cast<uint8_t>(menor * 3 + static_cast<int>(pin));
        p[5] = static_cast<uint8_t>(r >> 24 & 0x3F);  // input delay
        p[12] = 0x81;
        p[13] = static_cast<uint8_t>(pin);
      }
      break;
    }
    case Columna::Logica:
      // Look-up table contents between sparse flip-flop and carry bits.
      for (size_t i = 0; i < kDatos_trama; i += 2) {
        if (i % 16 < 8) {
          const uint16_t lut = kTablas_lut[g.Siguiente() % (sizeof kTablas_lut / 2)];
          d[i] = static_cast<uint8_t>(lut);
          d[i + 1] = static_cast<uint8_t>(lut >> 8);
        } else {
          d[i] = static_cast<uint8_t>(g.Byte() & g.Byte() & g.Byte());
          d[i + 1] = static_cast<uint8_t>(g.Byte() & g.Byte() & g.Byte());
        }
      }
      break;
    case Columna::Rutado:
      // Switch-box bits: few of them set.
      for (size_t i = 0; i < kDatos_trama; ++i)
        d[i] = static_cast<uint8_t>(g.Byte() & g.Byte() & g.Byte() & g.Byte());
      break;
    case Columna::Memoria:
      if (menor < 8) {
        // Initial contents of a block memory: a table that climbs and wraps.
        const uint32_t paso = 1 + (g.Siguiente() & 0x1F);
        uint32_t valor = g.Siguiente() & 0xFF;
        for (size_t i = 0; i < kDatos_trama; ++i) {
          d[i] = static_cast<uint8_t>(valor >> 1);
          valor = (valor + paso) & 0x1FF;
        }
      } else {
        // Port and width settings, then an unused block.
        for (size_t i = 0; i < kDatos_trama; ++i)
          d[i] = i < 32 ? static_cast<uint8_t>(g.Byte() & 0x3F) : 0x00;
      }
      break;
  }
}

std::vector<uint8_t> Configuracion(std::string_view nombre, uint32_t tamano) {
  const size_t fijo = kPreambulo + kSincronismo.size() + kCabecera + kCola;
  const size_t tramas = (tamano - fijo) / kTrama;
  const int columnas = static_cast<int>((tramas + kTramas_columna - 1) / kTramas_columna);
  Generador g(Semilla(nombre));

  std::vector<uint8_t> v(kPreambulo, 0xFF);
  v.reserve(tamano);
  const size_t inicio_sincronismo = v.size();
  v.insert(v.end(), kSincronismo.begin(), kSincronismo.end());

  const size_t inicio_cabecera = v.size();
  for (size_t i = 0; i < 8; ++i) v.push_back(i < nombre.size() ? uint8_t(nombre[i]) : 0);
  v.push_back(kVersion_mayor);
  v.push_back(kVersion_menor);
  Poner16(v, static_cast<uint16_t>(tramas));
  Poner16(v, static_cast<uint16_t>(kDatos_trama));
  Poner16(v, static_cast<uint16_t>(tamano));
  Poner16(v, static_cast<uint16_t>(tamano >> 16));
  Poner16(v, static_cast<uint16_t>(columnas));
  for (char c : std::string_view("R27-FPGA")) v.push_back(static_cast<uint8_t>(c));
  Poner16(v, static_cast<uint16_t>(Semilla(nombre)));
  Poner16(v, Crc16(v.data() + inicio_cabecera, v.size() - inicio_cabecera));

  std::array<uint8_t, kDatos_trama> datos{};
  for (size_t t = 0; t < tramas; ++t) {
    const int columna = static_cast<int>(t / kTramas_columna);
    const int menor = static_cast<int>(t % kTramas_columna);
    const size_t inicio = v.size();
    v.push_back(static_cast<uint8_t>(columna));  // frame address: column, minor frame
    v.push_back(static_cast<uint8_t>(menor));
    Datos_trama(Tipo_columna(columna, columnas), menor, g, datos.data());
    v.insert(v.end(), datos.begin(), datos.end());
    const uint16_t crc = Crc16(v.data() + inicio, v.size() - inicio);
    v.push_back(static_cast<uint8_t>(crc >> 8));
    v.push_back(static_cast<uint8_t>(crc));
  }

  v.insert(v.end(), kBloque_fin.begin(), kBloque_fin.end());
  const uint32_t crc = Crc32(v.data() + inicio_sincronismo, v.size() - inicio_sincronismo);
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  v.resize(tamano, 0xFF);
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "use: %s <configuraciones.bin>\n", argv[0]);
    return 2;
  }
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  for (const auto& c : r27::datos::kConjunto_fpga) {
    const std::vector<uint8_t> v = Configuracion(c.nombre, c.tamano);
    if (v.size() != c.tamano || std::fwrite(v.data(), 1, v.size(), f) != v.size()) {
      std::fclose(f);
      std::remove(argv[1]);
      std::fprintf(stderr, "%s: could not write %.*s\n", argv[1], int(c.nombre.size()),
                   c.nombre.data());
      return 1;
    }
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
