// The smaller images of the meter fuzz runs: the firmware text keeps its shape
// (segments, identity, a gap per segment) and stays a valid image.
#include "tests/fuzz/imagenes_reducidas.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27::fuzz {
namespace {

// Lines of a small image: segment records S0 and S1, data records dN, end E.
constexpr const char* kS0 = ":020000040000FA\r\n";
constexpr const char* kS1 = ":020000040001F9\r\n";
constexpr const char* kD1 = ":01000000AA55\r\n";
constexpr const char* kD2 = ":01000100BB43\r\n";
constexpr const char* kD3 = ":01000200CC31\r\n";
constexpr const char* kD4 = ":01000000dd22\r\n";  // lower-case digits are data too
constexpr const char* kE = ":00000001FF\r\n";

std::string Unir(std::initializer_list<const char*> lineas) {
  std::string t;
  for (const char* l : lineas) t += l;
  return t;
}

struct Caso_texto {
  const char* nombre;
  std::string hex;
  size_t primeros;
  size_t ultimos;
  std::string esperado;
};

TEST(Firmware_reducido, KeepsTheFirstAndLastDataRecordsOfEachSegment) {
  const Caso_texto casos[] = {
      {"first and last", Unir({kS0, kD1, kD2, kD3, kS1, kD4, kE}), 1, 1,
       Unir({kS0, kD1, kD3, kS1, kD4, kE})},
      {"no data at all", Unir({kS0, kD1, kD2, kS1, kD4, kE}), 0, 0, Unir({kS0, kS1, kE})},
      {"more asked than there are", Unir({kS0, kD1, kD2, kE}), 5, 5, Unir({kS0, kD1, kD2, kE})},
      {"data before any segment record", Unir({kD1, kD2, kD3, kS0, kD4, kE}), 1, 0,
       Unir({kD1, kS0, kD4, kE})},
      {"last line without its line end", std::string(kS0) + kD1 + kD2 + ":00000001FF", 0, 1,
       std::string(kS0) + kD2 + ":00000001FF"},
      {"lines that are not records are kept", Unir({kS0, "garbage\r\n", kD1, ":0\r\n", kD2}), 0, 0,
       Unir({kS0, "garbage\r\n", ":0\r\n"})},
      {"empty text", "", 3, 3, ""},
  };
  for (const Caso_texto& c : casos)
    EXPECT_EQ(Firmware_reducido(c.hex, c.primeros, c.ultimos), c.esperado) << c.nombre;
}

struct Lectura_imagen {
  std::array<char, 12> version{};
  std::array<uint8_t, 64> segmentos{};
  int32_t registros = 0;
  bool valida = false;
};

Lectura_imagen Abrir(std::span<const char> texto) {
  pruebas::Ventana_falsa v;
  Lector_lineas lineas(texto);
  std::unique_ptr<Lector_hex> hex;
  Abrir_hex(v, lineas, hex);
  Lectura_imagen l;
  l.version = v.estado.version_fichero;
  l.segmentos = v.estado.segmentos_presentes;
  l.registros = hex ? hex->numero_registros : 0;
  l.valida = hex != nullptr && v.mensajes.empty();
  return l;
}

// The cut the fuzz runs use, and the shortest that still holds the identity
// records (the third data record of segment 0x18).
TEST(Firmware_reducido, TheEmbeddedImageCutStaysValidWithItsIdentityAndSegments) {
  const std::span<const char> completa = Imagen_firmware();
  const Lectura_imagen original = Abrir(completa);
  ASSERT_TRUE(original.valida);
  struct Caso {
    size_t primeros, ultimos;
  };
  for (const Caso c : {Caso{12, 2}, Caso{3, 0}}) {
    const std::string texto =
        Firmware_reducido({completa.data(), completa.size()}, c.primeros, c.ultimos);
    const Lectura_imagen r = Abrir(texto);
    EXPECT_TRUE(r.valida) << c.primeros;
    EXPECT_EQ(std::string(r.version.data()), std::string(original.version.data())) << c.primeros;
    EXPECT_EQ(r.segmentos, original.segmentos) << c.primeros;
    // Each of the 31 segments keeps at most primeros + ultimos data records.
    EXPECT_LE(r.registros, static_cast<int32_t>(31 * (c.primeros + c.ultimos) + 32)) << c.primeros;
  }
}

TEST(Configuraciones_reducidas, CutsEachToItsFirstBytes) {
  const std::array<uint8_t, 10> bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::span<const uint8_t> todo(bytes);
  const std::array<std::span<const uint8_t>, 3> conjunto{todo.first(0), todo.first(5), todo};
  const auto r = Configuraciones_reducidas(conjunto, 6);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].size(), 0u);
  EXPECT_EQ(r[1].size(), 5u);
  EXPECT_EQ(r[2].size(), 6u);
  EXPECT_EQ(r[2].data(), bytes.data());  // the same bytes, not a copy
}

}  // namespace
}  // namespace r27::fuzz
