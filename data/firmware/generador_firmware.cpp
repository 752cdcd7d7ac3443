// Deterministic generator of the main firmware HEX text.
//
// The image is laid out like the firmware of a small 32-bit controller: a vector
// table and code in the low segments, constant tables, the identity block with the
// family tag and version texts at 0x180000, message texts and bitmap fonts in the
// high segments. The bytes come from a fixed-seed generator. The record plan leaves
// a few address gaps, as a linker does between sections, and the length of the
// last region is solved so the whole text comes out at exactly kLongitud_imagen.
#include "data/firmware/generador_firmware.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace r27::generador {

namespace {

constexpr size_t kMaximo_datos = 32;          // data bytes per record
constexpr size_t kDatos_texto = 16;           // text sections come in shorter records
constexpr size_t kBytes_registro_vacio = 13;  // ':' + 10 digits + CR LF around the data
constexpr uint8_t kUltimo_segmento = 0x1E;
constexpr uint8_t kSegmento_identidad = 0x18;

// splitmix64: small, fast and the same on every platform.
class Aleatorio {
 public:
  explicit Aleatorio(uint64_t semilla) : estado_(semilla) {}
  uint64_t Siguiente() {
    uint64_t z = (estado_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  uint32_t Hasta(uint32_t n) { return static_cast<uint32_t>(Siguiente() % n); }

 private:
  uint64_t estado_;
};

enum class Contenido { Vectores, Codigo, Tabla, Texto, Fuente };

struct Tramo {
  uint8_t segmento;
  uint16_t inicio;
  uint32_t longitud;
  Contenido contenido;
};

// Everything but the identity records and the final font region, whose length is
// solved. Regions of a segment are listed by address; the holes between them are
// the gaps the sender meets.
constexpr Tramo kPlan[] = {
    {0x00, 0x0000, 0x0200, Contenido::Vectores}, {0x00, 0x0200, 0xFE00, Contenido::Codigo},
    {0x01, 0x0000, 0x10000, Contenido::Codigo},  {0x02, 0x0000, 0x10000, Contenido::Codigo},
    {0x03, 0x0000, 0xA000, Contenido::Codigo},   {0x03, 0xA800, 0x5800, Contenido::Codigo},
    {0x04, 0x0000, 0x10000, Contenido::Codigo},  {0x05, 0x0000, 0xF3B4, Contenido::Codigo},
    {0x06, 0x0000, 0xC000, Contenido::Codigo},   {0x06, 0xD000, 0x1800, Contenido::Tabla},
    {0x07, 0x0000, 0x10000, Contenido::Codigo},  {0x08, 0x0000, 0x7FE6, Contenido::Codigo},
    {0x08, 0x8000, 0x8000, Contenido::Codigo},   {0x09, 0x0000, 0x6000, Contenido::Codigo},
    {0x09, 0x6040, 0x9FC0, Contenido::Codigo},   {0x0A, 0x0000, 0xE7C2, Contenido::Codigo},
    {0x0B, 0x0000, 0x8000, Contenido::Codigo},   {0x0B, 0x8000, 0x2400, Contenido::Tabla},
    {0x0C, 0x0000, 0x10000, Contenido::Codigo},  {0x0D, 0x0000, 0x10000, Contenido::Codigo},
    {0x0E, 0x0000, 0x7000, Contenido::Codigo},   {0x0E, 0x8000, 0x8000, Contenido::Codigo},
    {0x0F, 0x0000, 0xC000, Contenido::Codigo},   {0x0F, 0xC000, 0x2000, Contenido::Tabla},
    {0x10, 0x0000, 0xF5A0, Contenido::Codigo},   {0x11, 0x0000, 0xD2C4, Contenido::Codigo},
    {0x12, 0x0000, 0x9000, Contenido::Codigo},   {0x12, 0xA000, 0x1800, Contenido::Tabla},
    {0x13, 0x0000, 0x8000, Contenido::Codigo},   {0x13, 0x8000, 0x0C20, Contenido::Tabla},
    {0x14, 0x0000, 0x6000, Contenido::Codigo},   {0x14, 0x6000, 0x3000, Contenido::Tabla},
    {0x15, 0x0000, 0x6000, Contenido::Codigo},   {0x15, 0x6000, 0x2000, Contenido::Tabla},
    {0x15, 0x9000, 0x0A80, Contenido::Tabla},    {0x16, 0x0000, 0x1000, Contenido::Texto},
    {0x17, 0x0000, 0x4800, Contenido::Tabla},    {0x18, 0x0040, 0x1F30, Contenido::Texto},
    {0x18, 0x2000, 0x0600, Contenido::Tabla},    {0x19, 0x0000, 0x4000, Contenido::Fuente},
    {0x1A, 0x0000, 0x3000, Contenido::Fuente},   {0x1B, 0x0000, 0x2800, Contenido::Fuente},
    {0x1C, 0x0000, 0x1000, Contenido::Texto},    {0x1D, 0x0000, 0x2000, Contenido::Fuente},
};

// Regions in segment order, by address, without overlap, inside their segment.
constexpr bool Plan_ordenado() {
  for (size_t i = 0; i < std::size(kPlan); ++i) {
    const Tramo& t = kPlan[i];
    if (t.longitud == 0 || t.inicio + t.longitud > 0x10000 || t.segmento >= 0x1E) return false;
    if (i == 0) continue;
    const Tramo& p = kPlan[i - 1];
    if (t.segmento < p.segmento) return false;
    if (t.segmento == p.segmento && t.inicio < p.inicio + p.longitud) return false;
    if (t.segmento > p.segmento + 1) return false;  // every segment holds data
  }
  return true;
}
static_assert(Plan_ordenado());

// The region whose length makes the total exact: a bitmap font at the start of the
// last segment, with room for the whole segment.
constexpr uint16_t kInicio_ajuste = 0x0000;
constexpr size_t kMaximo_ajuste = 0x10000;
constexpr size_t kMinimo_ajuste = 0x0800;

// ---- content -----------------------------------------------------------------

void Poner_32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Poner_16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

// Stack pointer, reset handler and 126 interrupt handlers in the code of segment 0;
// unused interrupts share one default handler.
std::vector<uint8_t> Vectores(size_t longitud, Aleatorio& azar) {
  std::vector<uint8_t> v;
  Poner_32(v, 0x20020000u);
  Poner_32(v, 0x00000201u);
  const uint32_t por_defecto = 0x000002F1u;
  while (v.size() + 4 <= longitud) {
    const bool propio = azar.Hasta(3) == 0;
    Poner_32(v, propio ? (0x00000300u + azar.Hasta(0x3000) * 2) | 1u : por_defecto);
  }
  v.resize(longitud, 0);
  return v;
}

// Thumb-like code: functions with a push prologue, a body of common 16-bit
// instructions and 32-bit calls, a pop epilogue and a literal pool.
std::vector<uint8_t> Codigo(size_t longitud, uint32_t base, Aleatorio& azar) {
  std::vector<uint8_t> v;
  v.reserve(longitud + 256);
  while (v.size() < longitud) {
    Poner_16(v, static_cast<uint16_t>(0xB500 | (0x10 << azar.Hasta(4)) | 0x0F));  // push {..,lr}
    if (azar.Hasta(2)) Poner_16(v, static_cast<uint16_t>(0xB080 | (1 + azar.Hasta(8))));  // sub sp
    const uint32_t instrucciones = 6 + azar.Hasta(60);
    for (uint32_t i = 0; i < instrucciones; ++i) {
      const uint32_t r = azar.Hasta(8);
      const uint32_t imm = azar.Hasta(256);
      switch (azar.Hasta(10)) {
        case 0:
          Poner_16(v, static_cast<uint16_t>(0x2000 | r << 8 | imm));
          break;  // movs
        case 1:
          Poner_16(v, static_cast<uint16_t>(0x4800 | r << 8 | imm));
          break;  // ldr pc
        case 2:
          Poner_16(v, static_cast<uint16_t>(0x6800 | (imm & 0x7FF)));
          break;  // ldr
        case 3:
          Poner_16(v, static_cast<uint16_t>(0x6000 | (imm & 0x7FF)));
          break;  // str
        case 4:
          Poner_16(v, static_cast<uint16_t>(0x2800 | r << 8 | imm));
          break;  // cmp
        case 5:
          Poner_16(v, static_cast<uint16_t>(0xD000 | azar.Hasta(2) << 8 | imm));
          break;
        case 6:
          Poner_16(v, static_cast<uint16_t>(0x1C00 | (imm & 0x1FF)));
          break;  // adds
        case 7:
          Poner_16(v, static_cast<uint16_t>(0x4600 | imm));
          break;    // mov
        default: {  // bl
          const uint32_t salto = azar.Hasta(0x200000);
          Poner_16(v, static_cast<uint16_t>(0xF000 | (salto >> 11 & 0x3FF)));
          Poner_16(v, static_cast<uint16_t>(0xF800 | (salto & 0x7FF)));
        }
      }
    }
    if (azar.Hasta(2)) Poner_16(v, static_cast<uint16_t>(0xB000 | (1 + azar.Hasta(8))));  // add sp
    Poner_16(v, static_cast<uint16_t>(0xBD00 | 0xF0));  // pop {r4-r7,pc}
    if (v.size() % 4) Poner_16(v, 0x46C0);              // nop to align the pool
    const uint32_t literales = azar.Hasta(5);
    for (uint32_t i = 0; i < literales; ++i) {
      switch (azar.Hasta(3)) {
        case 0:
          Poner_32(v, 0x20000000u + azar.Hasta(0x20000) * 4);
          break;  // RAM
        case 1:
          Poner_32(v, 0x40000000u + azar.Hasta(0x100) * 0x400);
          break;  // peripheral
        default:
          Poner_32(v, (base + static_cast<uint32_t>(v.size()) + azar.Hasta(0x4000)) | 1u);
      }
    }
  }
  v.resize(longitud);
  return v;
}

// Constant tables: channel frequencies in kHz, a sine table, a CRC table.
std::vector<uint8_t> Tabla(size_t longitud, Aleatorio& azar) {
  std::vector<uint8_t> v;
  v.reserve(longitud + 1024);
  while (v.size() < longitud) {
    switch (azar.Hasta(3)) {
      case 0: {
        uint32_t f = 47000 + azar.Hasta(100) * 250;
        const uint32_t paso = azar.Hasta(2) ? 8000 : 7000;
        for (int i = 0; i < 64; ++i, f += paso) Poner_32(v, f);
        break;
      }
      case 1: {
        // Quarter-wave sine in Q15 by a parabola; close enough for a table shape.
        for (int i = 0; i < 128; ++i) {
          const int64_t x = i * 256;  // 0 .. 32512 of 32768
          const int64_t y = (x * (65536 - x)) >> 15;
          Poner_16(v, static_cast<uint16_t>(std::min<int64_t>(y, 32767)));
        }
        break;
      }
      default: {
        for (uint32_t n = 0; n < 256; ++n) {
          uint32_t c = n;
          for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
          Poner_32(v, c);
        }
      }
    }
  }
  v.resize(longitud);
  return v;
}

constexpr const char* kTextos[] = {
    "MEDIDA DE NIVEL",
    "ANALIZADOR DE ESPECTRO",
    "CANAL",
    "FRECUENCIA",
    "POTENCIA",
    "C/N",
    "MER",
    "CBER",
    "VBER",
    "SATELITE",
    "TERRESTRE",
    "CABLE",
    "LNB 13V",
    "LNB 18V",
    "TONO 22KHZ",
    "DISEQC",
    "BATERIA BAJA",
    "CARGANDO",
    "APAGANDO...",
    "PLAN DE CANALES",
    "CONFIGURACION",
    "IDIOMA",
    "UNIDADES dBuV",
    "UNIDADES dBmV",
    "UNIDADES dBm",
    "SIN SENAL",
    "SENAL BLOQUEADA",
    "BUSCANDO...",
    "MEMORIA LLENA",
    "ERROR DE LECTURA",
    "ACTUALIZANDO FIRMWARE",
    "NO APAGUE EL EQUIPO",
    "CONSTELACION",
    "ECOS",
    "ATENUACION",
    "LEVEL MEASUREMENT",
    "SPECTRUM ANALYSER",
    "CHANNEL",
    "FREQUENCY",
    "POWER",
    "LOW BATTERY",
    "CHARGING",
    "NO SIGNAL",
    "LOCKED",
    "SEARCHING...",
    "MEMORY FULL",
    "MESURE DE NIVEAU",
    "ANALYSEUR DE SPECTRE",
    "PEGELMESSUNG",
    "SPEKTRUMANALYSATOR",
    "MISURA DI LIVELLO",
    "ANALIZZATORE DI SPETTRO",
    "%3d.%02d MHz",
    "%+5.1f dB",
    "CH %02d",
    "S%02d",
    "E%02d",
    "%d/%d",
    "R27 %s",
    "(c) 2007",
};

std::vector<uint8_t> Texto(size_t longitud, Aleatorio& azar) {
  std::vector<uint8_t> v;
  v.reserve(longitud + 64);
  constexpr size_t n = sizeof(kTextos) / sizeof(kTextos[0]);
  size_t i = azar.Hasta(n);
  while (v.size() < longitud) {
    for (const char* c = kTextos[i]; *c; ++c) v.push_back(static_cast<uint8_t>(*c));
    v.push_back(0);
    while (v.size() % 4) v.push_back(0);  // texts start word-aligned
    i = (i + 1) % n;
  }
  v.resize(longitud);
  if (!v.empty()) v.back() = 0;
  return v;
}

// Bitmap fonts: 16-row glyphs of 8 or 16 pixels built from a few row patterns,
// each font behind a small header (height, width, first and last character).
std::vector<uint8_t> Fuente(size_t longitud, Aleatorio& azar) {
  static constexpr uint8_t kFilas[] = {0x00, 0x00, 0x00, 0x18, 0x3C, 0x66, 0x7E, 0xC3,
                                       0x60, 0x06, 0xFF, 0x81, 0x3E, 0x7C, 0x0C, 0x30};
  std::vector<uint8_t> v;
  v.reserve(longitud + 4096);
  while (v.size() < longitud) {
    const uint8_t ancho = azar.Hasta(2) ? 8 : 16;
    v.insert(v.end(), {16, ancho, 0x20, 0x7E});
    for (int glifo = 0x20; glifo <= 0x7E; ++glifo) {
      for (int fila = 0; fila < 16; ++fila) {
        const bool borde = fila < 2 || fila > 13;
        for (int b = 0; b < ancho / 8; ++b)
          v.push_back(borde ? 0 : kFilas[azar.Hasta(sizeof kFilas)]);
      }
    }
  }
  v.resize(longitud);
  return v;
}

std::vector<uint8_t> Contenido_de(const Tramo& t, Aleatorio& azar) {
  const uint32_t base = uint32_t{t.segmento} << 16 | t.inicio;
  switch (t.contenido) {
    case Contenido::Vectores:
      return Vectores(t.longitud, azar);
    case Contenido::Codigo:
      return Codigo(t.longitud, base, azar);
    case Contenido::Tabla:
      return Tabla(t.longitud, azar);
    case Contenido::Texto:
      return Texto(t.longitud, azar);
    case Contenido::Fuente:
      return Fuente(t.longitud, azar);
  }
  return {};
}

// ---- records -----------------------------------------------------------------

size_t Bytes_registro(size_t datos) { return kBytes_registro_vacio + 2 * datos; }

size_t Datos_por_registro(Contenido c) {
  return c == Contenido::Texto ? kDatos_texto : kMaximo_datos;
}

// Text bytes of a region cut into records of at most `por_registro` data bytes.
size_t Bytes_tramo(size_t longitud, size_t por_registro = kMaximo_datos) {
  const size_t registros = (longitud + por_registro - 1) / por_registro;
  return kBytes_registro_vacio * registros + 2 * longitud;
}

class Escritor {
 public:
  explicit Escritor(std::string& texto) : texto_(texto) {}

  void Registro(uint8_t tipo, uint16_t direccion, std::span<const uint8_t> datos) {
    const auto n = static_cast<uint8_t>(datos.size());
    uint8_t suma = static_cast<uint8_t>(n + (direccion >> 8) + (direccion & 0xFF) + tipo);
    texto_.push_back(':');
    Byte(n);
    Byte(static_cast<uint8_t>(direccion >> 8));
    Byte(static_cast<uint8_t>(direccion));
    Byte(tipo);
    for (uint8_t d : datos) {
      Byte(d);
      suma = static_cast<uint8_t>(suma + d);
    }
    Byte(static_cast<uint8_t>(0x100 - suma));
    texto_ += "\r\n";
  }

  void Segmento(uint8_t s) {
    const uint8_t datos[2] = {0x00, s};
    Registro(0x04, 0x0000, datos);
  }

  // A region in records of `por_registro` bytes (the last one shorter).
  void Tramo_datos(uint16_t inicio, const std::vector<uint8_t>& datos,
                   size_t por_registro = kMaximo_datos) {
    for (size_t hecho = 0; hecho < datos.size(); hecho += por_registro) {
      const size_t n = std::min(por_registro, datos.size() - hecho);
      Registro(0x00, static_cast<uint16_t>(inicio + hecho), {datos.data() + hecho, n});
    }
  }

  // A region in records of the given sizes.
  void Tramo_datos(uint16_t inicio, const std::vector<uint8_t>& datos,
                   const std::vector<size_t>& tamanos) {
    size_t hecho = 0;
    for (size_t n : tamanos) {
      Registro(0x00, static_cast<uint16_t>(inicio + hecho), {datos.data() + hecho, n});
      hecho += n;
    }
  }

  void Fin() { Registro(0x01, 0x0000, {}); }

 private:
  void Byte(uint8_t b) {
    static constexpr char kDigitos[] = "0123456789ABCDEF";
    texto_.push_back(kDigitos[b >> 4]);
    texto_.push_back(kDigitos[b & 0x0F]);
  }
  std::string& texto_;
};

// The identity block records of segment 0x18: family tag, version, build.
struct Identidad {
  std::vector<uint8_t> familia, version, build;
};

Identidad Bloque_identidad(const Opciones_firmware& o) {
  Identidad id;
  id.familia = {'Q', 'Z', 'T'};
  id.familia.resize(16, 0);  // bytes 12-14 (region) stay zero in the image
  id.version.assign(o.version.begin(), o.version.end());
  id.version.resize(6, 0);
  id.build.assign(o.build.begin(), o.build.end());
  id.build.resize(6, 0);
  return id;
}

bool Opciones_validas(const Opciones_firmware& o, std::string& error) {
  auto imprimible = [](char c) { return c > 0x20 && c < 0x7F; };
  if (o.version.size() != 4 || !std::all_of(o.version.begin(), o.version.end(), imprimible)) {
    error = "the version must be four printable characters, such as 3.01";
    return false;
  }
  if (o.build.size() != 5 ||
      !std::all_of(o.build.begin(), o.build.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    error = "the build must be five digits, such as 00000";
    return false;
  }
  return true;
}

// Record sizes for `bytes` characters of text: as many full records as possible,
// the shortfall spread over the last few so none is tiny.
bool Plan_ajuste(size_t bytes, std::vector<size_t>& tamanos) {
  // Each record costs 13 + 2n characters, so the record count has the parity of
  // `bytes`; the smallest such count that can hold it is used.
  size_t registros = (bytes + Bytes_registro(kMaximo_datos) - 1) / Bytes_registro(kMaximo_datos);
  if (registros % 2 != bytes % 2) ++registros;
  if (bytes < kBytes_registro_vacio * registros) return false;
  const size_t datos = (bytes - kBytes_registro_vacio * registros) / 2;
  if (datos < registros || datos > kMaximo_datos * registros) return false;
  tamanos.assign(registros, kMaximo_datos);
  size_t falta = kMaximo_datos * registros - datos;
  const size_t ultimos = std::min<size_t>(registros, 4);
  for (size_t i = 0; i < ultimos; ++i) {
    const size_t quita = falta / (ultimos - i);
    tamanos[registros - 1 - i] -= quita;
    falta -= quita;
  }
  return true;
}

}  // namespace

bool Generar_firmware(const Opciones_firmware& opciones, std::string& texto, std::string& error) {
  texto.clear();
  if (!Opciones_validas(opciones, error)) return false;

  Aleatorio azar(0x52323720F1A5C0DEull);
  std::vector<std::vector<uint8_t>> contenidos;
  size_t fijos = 0;
  for (const Tramo& t : kPlan) {
    contenidos.push_back(Contenido_de(t, azar));
    fijos += Bytes_tramo(t.longitud, Datos_por_registro(t.contenido));
  }
  const Identidad id = Bloque_identidad(opciones);
  fijos += Bytes_tramo(id.familia.size()) + Bytes_tramo(id.version.size()) +
           Bytes_tramo(id.build.size());
  fijos += (kUltimo_segmento + 1) * Bytes_registro(2) + Bytes_registro(0);

  std::vector<size_t> tamanos;
  if (fijos >= kLongitud_imagen || !Plan_ajuste(kLongitud_imagen - fijos, tamanos)) {
    error = "the record plan cannot reach the image length";
    return false;
  }
  size_t ajuste = 0;
  for (size_t n : tamanos) ajuste += n;
  if (ajuste < kMinimo_ajuste || ajuste > kMaximo_ajuste - kInicio_ajuste) {
    error = "the solved region does not fit its segment: " + std::to_string(ajuste) + " bytes";
    return false;
  }
  const std::vector<uint8_t> fuente_final = Fuente(ajuste, azar);

  texto.reserve(kLongitud_imagen);
  Escritor escritor(texto);
  size_t siguiente = 0;
  for (unsigned s = 0; s <= kUltimo_segmento; ++s) {
    escritor.Segmento(static_cast<uint8_t>(s));
    if (s == kSegmento_identidad) {
      escritor.Tramo_datos(0x0000, id.familia);
      escritor.Tramo_datos(0x0010, id.version);
      escritor.Tramo_datos(0x0016, id.build);
    }
    for (; siguiente < std::size(kPlan) && kPlan[siguiente].segmento == s; ++siguiente)
      escritor.Tramo_datos(kPlan[siguiente].inicio, contenidos[siguiente],
                           Datos_por_registro(kPlan[siguiente].contenido));
    if (s == kUltimo_segmento) escritor.Tramo_datos(kInicio_ajuste, fuente_final, tamanos);
  }
  escritor.Fin();

  if (texto.size() != kLongitud_imagen) {
    error = "the image came out at " + std::to_string(texto.size()) + " bytes instead of " +
            std::to_string(kLongitud_imagen);
    texto.clear();
    return false;
  }
  return true;
}

}  // namespace r27::generador
