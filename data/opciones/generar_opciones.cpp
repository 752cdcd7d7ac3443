// Writes the options block of a factory-fresh meter: the 32 bytes the factory
// dialog puts at 0x6010..0x602F, the meter's block of enabled measurement
// options and hardware flags (the connection reads byte 26 of the same block).
//
//   generar_opciones <opciones.bin>
//
// Layout:
//   0..3    "OPC" and the layout version (1)
//   4..15   one byte per measurement option, 1 = enabled (table below)
//   16..23  licence number, eight ASCII digits ("00000000": factory licence)
//   24..25  options count enabled, 16-bit little-endian
//   26      hardware flags: all clear, as a meter leaves the factory (the
//           connection reads bit 5 of this byte)
//   27..30  reserved, 0
//   31      XOR of bytes 0..30
// The output is the same on every build.
#include <array>
#include <cstdint>
#include <cstdio>

namespace {

constexpr size_t kBytes = 32;

struct Opcion {
  const char* nombre;
  uint8_t activa;
};

// Bytes 4..15, in order.
constexpr std::array<Opcion, 12> kOpciones{{
    {"analogue TV", 1},
    {"DVB-T", 1},
    {"DVB-T2", 1},
    {"DVB-C", 1},
    {"DVB-S", 1},
    {"DVB-S2", 1},
    {"FM / DAB radio", 1},
    {"spectrum analyser", 1},
    {"MPEG-4 decoder", 1},
    {"optical input", 0},
    {"return path", 0},
    {"data logger", 1},
}};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <opciones.bin>\n", argv[0]);
    return 2;
  }
  std::array<uint8_t, kBytes> b{};
  b[0] = 'O';
  b[1] = 'P';
  b[2] = 'C';
  b[3] = 1;
  unsigned activas = 0;
  for (size_t i = 0; i < kOpciones.size(); ++i) {
    b[4 + i] = kOpciones[i].activa;
    activas += kOpciones[i].activa;
  }
  for (size_t i = 16; i < 24; ++i) b[i] = '0';
  b[24] = static_cast<uint8_t>(activas);
  b[25] = static_cast<uint8_t>(activas >> 8);
  b[26] = 0x00;
  uint8_t x = 0;
  for (size_t i = 0; i + 1 < kBytes; ++i) x ^= b[i];
  b[kBytes - 1] = x;

  std::FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  if (std::fclose(f) != 0 || !ok) {
    std::perror(argv[1]);
    return 1;
  }
  return 0;
}
