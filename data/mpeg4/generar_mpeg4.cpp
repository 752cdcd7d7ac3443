// Builds the MPEG-4 module's application image and its stage-2 program.
//
//   generar_mpeg4 --aplicacion <salida.bin>   3,043,156 bytes
//   generar_mpeg4 --etapa2 <salida.bin>       21,676 bytes
//
// The module's processor is taken to be a 32-bit MIPS core, little-endian.
//
// Application image: a 256-byte header, then five sections.
//   0x00  "RDHB"                     0x2C  CRC-32 of bytes 0x100 .. end
//   0x04  name, 16 bytes, "mpeg4_app"  0x30  build stamp, 16 characters
//   0x14  header format (u16)        0x40  section table, 5 entries of 32 bytes:
//   0x16  header length (u16)              name[8], file offset, length, load
//   0x18  image length (u32)               address, flags, CRC-32, 0
//   0x1C  version, build (u16 each)  0xFC  CRC-32 of bytes 0x00 .. 0xFB
//   0x20  load address, entry (u32)
//   0x28  section count (u32)
// Sections: .text (functions with prologue, body, epilogue and calls to one
// another), .rodata (quantiser matrices, scan orders, a CRC table, VLC tables
// and the messages), .data (pointer tables and small variables), .dec (the
// decoders' packed microcode) and .pad (0xFF up to the image length).
//
// Stage-2 program: the small flash writer the module's boot software runs to
// take the application in; a reset vector, a tag, code, its messages, and a
// CRC-32 of everything before it in the last four bytes.
//
// All multi-byte values are little-endian; the output is the same on every build.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kTamano_aplicacion = 3'043'156;
constexpr uint32_t kTamano_etapa2 = 21'676;
constexpr uint32_t kCabecera = 0x100;
constexpr uint16_t kVersion_aplicacion = 133;  // what the module reports after the update
constexpr uint16_t kBuild_aplicacion = 0;
constexpr uint32_t kCarga_aplicacion = 0x80100000;
constexpr uint32_t kCarga_etapa2 = 0xA0400000;

// xorshift64*: a fixed stream, so every build writes the same bytes.
class Azar {
 public:
  explicit Azar(uint64_t semilla) : s_(semilla) {}
  uint64_t Siguiente() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return s_ * 0x2545F4914F6CDD1Dull;
  }
  uint32_t Hasta(uint32_t n) { return static_cast<uint32_t>((Siguiente() >> 32) % n); }

 private:
  uint64_t s_;
};

std::array<uint32_t, 256> Tabla_crc() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  static const auto tabla = Tabla_crc();
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) c = tabla[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

class Imagen {
 public:
  void U8(uint8_t v) { b_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void Texto(const std::string& s) {  // zero-terminated
    b_.insert(b_.end(), s.begin(), s.end());
    U8(0);
  }
  void Alinear(size_t a, uint8_t relleno = 0) {
    while (b_.size() % a != 0) U8(relleno);
  }
  void Poner_u32(size_t en, uint32_t v) {
    for (int i = 0; i < 4; ++i) b_[en + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  size_t Tamano() const { return b_.size(); }
  std::vector<uint8_t>& Bytes() { return b_; }

 private:
  std::vector<uint8_t> b_;
};

// MIPS32 encodings.
uint32_t R(uint32_t funct, uint32_t rs, uint32_t rt, uint32_t rd, uint32_t sa = 0) {
  return (rs << 21) | (rt << 16) | (rd << 11) | (sa << 6) | funct;
}
uint32_t I(uint32_t op, uint32_t rs, uint32_t rt, uint32_t inm) {
  return (op << 26) | (rs << 21) | (rt << 16) | (inm & 0xFFFF);
}
constexpr uint32_t kSp = 29, kRa = 31, kS0 = 16, kA0 = 4, kV0 = 2;
constexpr uint32_t kNop = 0;
constexpr uint32_t kJr_ra = 0x03E00008;

// A working register: the temporaries, the arguments, the results and s0..s7.
uint32_t Registro(Azar& a) {
  static constexpr uint32_t kRegistros[] = {2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                            13, 14, 15, 16, 17, 18, 19, 20, 21, 24, 25};
  return kRegistros[a.Hasta(sizeof kRegistros / sizeof kRegistros[0])];
}

// Emits functions until `tamano` bytes of code are written; returns their entry
// addresses. Calls go to functions already written, as a linker lays them out.
std::vector<uint32_t> Codigo(Imagen& img, uint32_t base, size_t tamano, Azar& a) {
  std::vector<uint32_t> funciones;
  const size_t inicio = img.Tamano();
  auto pc = [&] { return base + static_cast<uint32_t>(img.Tamano() - inicio); };
  while (img.Tamano() - inicio + 64 <= tamano) {
    funciones.push_back(pc());
    const uint32_t marco = 24 + 8 * a.Hasta(12);
    const uint32_t guardados = 1 + a.Hasta(4);
    img.U32(I(0x09, kSp, kSp, static_cast<uint32_t>(-static_cast<int32_t>(marco))));
    img.U32(I(0x2B, kSp, kRa, marco - 4));
    for (uint32_t s = 0; s < guardados; ++s) img.U32(I(0x2B, kSp, kS0 + s, marco - 8 - 4 * s));
    // The body stops where the epilogue still fits, with room for the longest
    // instruction group (three words) it may start last.
    const size_t epilogo = (guardados + 3) * 4;
    const size_t resto = tamano - (img.Tamano() - inicio);
    size_t cuerpo = (8 + a.Hasta(120)) * 4;
    if (cuerpo + epilogo + 12 > resto) cuerpo = resto - epilogo - 12;
    const size_t fin_cuerpo = img.Tamano() + cuerpo;
    while (img.Tamano() < fin_cuerpo) {
      const uint32_t rs = Registro(a), rt = Registro(a), rd = Registro(a);
      switch (a.Hasta(16)) {
        case 0:
        case 1:
          img.U32(R(0x21, rs, rt, rd));  // addu
          break;
        case 2:
          img.U32(R(0x23, rs, rt, rd));  // subu
          break;
        case 3:
          img.U32(R(0x24 + a.Hasta(4), rs, rt, rd));  // and, or, xor, nor
          break;
        case 4:
          img.U32(R(0x2A, rs, rt, rd));  // slt
          break;
        case 5:
          img.U32(R(a.Hasta(2) ? 0x00 : 0x02, 0, rt, rd, a.Hasta(32)));  // sll, srl
          break;
        case 6:
        case 7:
          img.U32(I(0x23, rs, rt, 4 * a.Hasta(64)));  // lw
          break;
        case 8:
          img.U32(I(0x2B, rs, rt, 4 * a.Hasta(64)));  // sw
          break;
        case 9:
          img.U32(I(a.Hasta(2) ? 0x24 : 0x25, rs, rt, a.Hasta(256)));  // lbu, lhu
          break;
        case 10:
        case 11:
          img.U32(I(0x09, rs, rt, a.Hasta(0x10000) - 0x8000));  // addiu
          break;
        case 12:
          img.U32(I(0x0F, 0, rt, 0x8010 + a.Hasta(0x30)));   // lui of a data page
          img.U32(I(0x0D, rt, rt, a.Hasta(0x10000) & ~3u));  // ori
          break;
        case 13:
          img.U32(I(a.Hasta(2) ? 0x04 : 0x05, rs, rt, 1 + a.Hasta(12)));  // beq, bne
          img.U32(kNop);                                                  // delay slot
          break;
        case 14:
          if (funciones.size() > 1) {
            const uint32_t destino = funciones[a.Hasta(static_cast<uint32_t>(funciones.size()))];
            img.U32(I(0x09, 0, kA0, a.Hasta(64)));                   // addiu a0, zero, n
            img.U32((0x03u << 26) | ((destino >> 2) & 0x03FFFFFF));  // jal
            img.U32(R(0x21, kV0, 0, rd));                            // delay slot: move rd, v0
          } else {
            img.U32(R(0x18, rs, rt, 0));  // mult
            img.U32(R(0x12, 0, 0, rd));   // mflo
          }
          break;
        default:
          img.U32(R(0x18, rs, rt, 0));  // mult
          img.U32(R(0x12, 0, 0, rd));   // mflo
          break;
      }
    }
    for (uint32_t s = 0; s < guardados; ++s) img.U32(I(0x23, kSp, kS0 + s, marco - 8 - 4 * s));
    img.U32(I(0x23, kSp, kRa, marco - 4));
    img.U32(kJr_ra);
    img.U32(I(0x09, kSp, kSp, marco));  // delay slot
  }
  while (img.Tamano() - inicio < tamano) img.U32(kNop);
  return funciones;
}

// The MPEG-4 default intra quantiser matrix and the zigzag scan: the tables a
// decoder carries in its read-only data.
constexpr uint8_t kMatriz_intra[64] = {
    8,  17, 18, 19, 21, 23, 25, 27, 17, 18, 19, 21, 23, 25, 27, 28, 20, 21, 22, 23, 24, 26,
    28, 30, 21, 22, 23, 24, 26, 28, 30, 32, 22, 23, 24, 26, 28, 30, 32, 35, 23, 24, 26, 28,
    30, 32, 35, 38, 25, 26, 28, 30, 32, 35, 38, 41, 27, 28, 30, 32, 35, 38, 41, 45};
constexpr uint8_t kMatriz_inter[64] = {
    16, 17, 18, 19, 20, 21, 22, 23, 17, 18, 19, 20, 21, 22, 23, 24, 18, 19, 20, 21, 22, 23,
    24, 25, 19, 20, 21, 22, 23, 24, 26, 27, 20, 21, 22, 23, 25, 26, 27, 28, 21, 22, 23, 24,
    26, 27, 28, 30, 22, 23, 24, 26, 27, 28, 30, 31, 23, 24, 25, 27, 28, 30, 31, 33};
constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

const char* const kMensajes_aplicacion[] = {
    "mpeg4_app: arranque",
    "mpeg4_app: version %d.%02d build %d",
    "decodificador MPEG-2 MP@ML",
    "decodificador H.264/AVC HP@L4.0",
    "decodificador MPEG-4 ASP",
    "audio MPEG-1 capa II",
    "audio AC-3",
    "audio AAC/HE-AAC",
    "demultiplexor TS: PID %04X",
    "PAT/PMT: programa %d, %d flujos",
    "error de sincronismo en TS",
    "desbordamiento del buffer de video",
    "desbordamiento del buffer de audio",
    "CRC incorrecto en la tabla %02X",
    "salida de video %dx%d %s",
    "entrelazado",
    "progresivo",
    "subtitulos DVB",
    "teletexto",
    "CAM: sin modulo",
    "CAM: modulo %s",
    "SPI: orden %02X desconocida",
    "memoria: %u bytes libres",
    "excepcion %d en %08X",
};

// .rodata: matrices, scan, CRC table, VLC tables of (code, length) and messages.
void Datos_solo_lectura(Imagen& img, size_t tamano, Azar& a) {
  const size_t inicio = img.Tamano();
  for (uint8_t v : kMatriz_intra) img.U8(v);
  for (uint8_t v : kMatriz_inter) img.U8(v);
  for (uint8_t v : kZigzag) img.U8(v);
  for (uint32_t v : Tabla_crc()) img.U32(v);
  for (const char* m : kMensajes_aplicacion) img.Texto(m);
  img.Alinear(4);
  // VLC tables: entries of code (u16), length (u8) and value (u8), codes growing.
  while (img.Tamano() - inicio + 4 <= tamano) {
    const uint32_t entradas = 16 + a.Hasta(240);
    uint32_t codigo = 0;
    uint8_t longitud = static_cast<uint8_t>(2 + a.Hasta(4));
    for (uint32_t e = 0; e < entradas && img.Tamano() - inicio + 4 <= tamano; ++e) {
      img.U16(static_cast<uint16_t>(codigo));
      img.U8(longitud);
      img.U8(static_cast<uint8_t>(a.Hasta(256)));
      codigo += 1 + a.Hasta(3);
      if (a.Hasta(8) == 0 && longitud < 16) {
        ++longitud;
        codigo <<= 1;
      }
    }
  }
  while (img.Tamano() - inicio < tamano) img.U8(0);
}

// .data: pointer tables into the code, then small counters and flags.
void Datos(Imagen& img, size_t tamano, const std::vector<uint32_t>& funciones, Azar& a) {
  const size_t inicio = img.Tamano();
  size_t i = 0;
  while (img.Tamano() - inicio + 4 <= tamano / 2 && !funciones.empty()) {
    img.U32(funciones[(i * 7 + a.Hasta(5)) % funciones.size()]);
    ++i;
  }
  while (img.Tamano() - inicio + 4 <= tamano) img.U32(a.Hasta(8) == 0 ? a.Hasta(1u << 16) : 0);
  while (img.Tamano() - inicio < tamano) img.U8(0);
}

// .dec: packed microcode, as dense as compressed data.
void Microcodigo(Imagen& img, size_t tamano, Azar& a) {
  for (size_t i = 0; i < tamano; i += 8) {
    const uint64_t v = a.Siguiente();
    for (size_t k = 0; k < 8 && i + k < tamano; ++k) img.U8(static_cast<uint8_t>(v >> (8 * k)));
  }
}

struct Seccion {
  const char* nombre;
  uint32_t desplazamiento;
  uint32_t longitud;
  uint32_t carga;
  uint32_t banderas;  // 1 executable, 2 writable, 4 loaded, 8 decoder microcode
};

std::vector<uint8_t> Aplicacion() {
  Azar a(0x6D7065673461ull);  // "mpeg4a"
  Imagen img;
  img.Bytes().resize(kCabecera, 0);

  constexpr uint32_t kTexto = 1'572'864;
  constexpr uint32_t kSolo_lectura = 196'608;
  constexpr uint32_t kDatos = 65'536;
  // The microcode takes whole 4 KiB pages of what is left; the rest is padding.
  constexpr uint32_t kResto = kTamano_aplicacion - kCabecera - kTexto - kSolo_lectura - kDatos;
  constexpr uint32_t kMicrocodigo = kResto - kResto % 4096;
  constexpr uint32_t kRelleno = kResto - kMicrocodigo;

  std::vector<Seccion> secciones;
  auto abrir = [&](const char* nombre, uint32_t longitud, uint32_t banderas) {
    const uint32_t d = static_cast<uint32_t>(img.Tamano());
    secciones.push_back({nombre, d, longitud, kCarga_aplicacion + d - kCabecera, banderas});
  };
  abrir(".text", kTexto, 1 | 4);
  const auto funciones = Codigo(img, secciones.back().carga, kTexto, a);
  abrir(".rodata", kSolo_lectura, 4);
  Datos_solo_lectura(img, kSolo_lectura, a);
  abrir(".data", kDatos, 2 | 4);
  Datos(img, kDatos, funciones, a);
  abrir(".dec", kMicrocodigo, 8);
  Microcodigo(img, kMicrocodigo, a);
  abrir(".pad", kRelleno, 0);
  img.Bytes().resize(kTamano_aplicacion, 0xFF);

  auto& b = img.Bytes();
  std::memcpy(b.data(), "RDHB", 4);
  std::memcpy(b.data() + 4, "mpeg4_app", 9);
  b[0x14] = 0x02;
  b[0x15] = 0x01;
  b[0x16] = static_cast<uint8_t>(kCabecera);
  b[0x17] = static_cast<uint8_t>(kCabecera >> 8);
  img.Poner_u32(0x18, kTamano_aplicacion);
  img.Poner_u32(0x1C, uint32_t{kVersion_aplicacion} | (uint32_t{kBuild_aplicacion} << 16));
  img.Poner_u32(0x20, kCarga_aplicacion);
  img.Poner_u32(0x24, funciones.empty() ? kCarga_aplicacion : funciones.back());  // main
  img.Poner_u32(0x28, static_cast<uint32_t>(secciones.size()));
  img.Poner_u32(0x2C, Crc32(b.data() + kCabecera, b.size() - kCabecera));
  std::memcpy(b.data() + 0x30, "2009-11-16 10:42", 16);
  for (size_t i = 0; i < secciones.size(); ++i) {
    const Seccion& s = secciones[i];
    const size_t e = 0x40 + 32 * i;
    std::memcpy(b.data() + e, s.nombre, std::strlen(s.nombre));  // at most 7 + zeros
    img.Poner_u32(e + 8, s.desplazamiento);
    img.Poner_u32(e + 12, s.longitud);
    img.Poner_u32(e + 16, s.carga);
    img.Poner_u32(e + 20, s.banderas);
    img.Poner_u32(e + 24, Crc32(b.data() + s.desplazamiento, s.longitud));
  }
  img.Poner_u32(0xFC, Crc32(b.data(), 0xFC));
  return std::move(b);
}

const char* const kMensajes_etapa2[] = {
    "mpeg4_etapa2",           "borrando flash %08X",
    "escribiendo flash %08X", "verificacion incorrecta en %08X",
    "cabecera RDHB ausente",  "CRC de la aplicacion incorrecto",
    "aplicacion instalada",
};

std::vector<uint8_t> Etapa2() {
  Azar a(0x6D7065673432ull);  // "mpeg42"
  Imagen img;
  // Reset vector: j entry; nop. The tag follows, then the code.
  const uint32_t entrada = kCarga_etapa2 + 0x20;
  img.U32((0x02u << 26) | ((entrada >> 2) & 0x03FFFFFF));
  img.U32(kNop);
  img.Texto(kMensajes_etapa2[0]);
  img.Alinear(0x20, 0);
  constexpr size_t kMensajes = 256;
  const size_t codigo = kTamano_etapa2 - 0x20 - kMensajes - 4;
  Codigo(img, entrada, codigo - codigo % 4, a);
  for (const char* m : kMensajes_etapa2) img.Texto(m);
  img.Bytes().resize(kTamano_etapa2 - 4, 0);
  img.U32(Crc32(img.Bytes().data(), img.Tamano()));
  return std::move(img.Bytes());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "use: %s --aplicacion|--etapa2 <salida.bin>\n", argv[0]);
    return 2;
  }
  const std::string que = argv[1];
  std::vector<uint8_t> bytes;
  uint32_t esperado = 0;
  if (que == "--aplicacion") {
    bytes = Aplicacion();
    esperado = kTamano_aplicacion;
  } else if (que == "--etapa2") {
    bytes = Etapa2();
    esperado = kTamano_etapa2;
  } else {
    std::fprintf(stderr, "generar_mpeg4: unknown image %s\n", argv[1]);
    return 2;
  }
  if (bytes.size() != esperado) {
    std::fprintf(stderr, "generar_mpeg4: %zu bytes instead of %u\n", bytes.size(), esperado);
    return 1;
  }
  std::FILE* f = std::fopen(argv[2], "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
      std::fclose(f) != 0) {
    std::fprintf(stderr, "generar_mpeg4: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
