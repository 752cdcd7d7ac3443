// The keyboard programmer's pure parts: the packets it sends, the digits of its
// text reader, and the embedded keyboard HEX text walked by a parser of its own.
#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "components/paquetes_teclado.h"
#include "components/texto_teclado.h"
#include "data/teclado/vectores_teclado.h"
#include "incrustado/teclado_hex.h"

namespace r27 {
namespace {

using Bytes = std::vector<uint8_t>;

template <size_t N>
Bytes B(const std::array<uint8_t, N>& a) {
  return Bytes(a.begin(), a.end());
}

TEST(Paquetes_teclado, GoldenPackets) {
  std::array<uint8_t, 64> bloque{};
  for (size_t i = 0; i < bloque.size(); ++i) bloque[i] = static_cast<uint8_t>(0xC0 ^ i);
  Bytes bloque_esperado = {0xBC, 0x40};
  bloque_esperado.insert(bloque_esperado.end(), bloque.begin(), bloque.end());
  struct Caso {
    const char* nombre;
    Bytes paquete, esperado;
  };
  const Caso casos[] = {
      {"vector", B(Paquete_vector_teclado(0x9F82BC)), {0xBC, 0x03, 0x9F, 0x82, 0xBC}},
      {"zero vector", B(Paquete_vector_teclado(0x000000)), {0xBC, 0x03, 0x00, 0x00, 0x00}},
      {"block", B(Paquete_bloque_teclado(bloque)), bloque_esperado},
      {"code 10", B(kRespuesta_teclado_10), {0xBC, 0x02, 0x00, 0x1F}},
      {"code 15", B(kRespuesta_teclado_15), {0xBC, 0x02, 0x00, 0x80}},
      {"checksum", B(Paquete_dos_bytes_teclado(0x12, 0xEF)), {0xBC, 0x02, 0x12, 0xEF}},
      {"code 22", B(kRespuesta_teclado_22), {0xBC, 0x01, 0x02}},
  };
  for (const Caso& c : casos) EXPECT_EQ(c.paquete, c.esperado) << c.nombre;
}

// Each table's length, first and last vector as the meter's programming
// sequence has them.
TEST(Paquetes_teclado, VectorTables) {
  struct Caso {
    uint8_t codigo;
    size_t vectores;
    uint32_t primero, ultimo;
  };
  const Caso casos[] = {{3, 14, 0x9F82BC, 0xDFE25C},
                        {5, 14, 0x9F8A9C, 0xDFE25C},
                        {6, 12, 0xDEE01C, 0xDFE25C},
                        {7, 18, 0xCA0000, 0xDFE25C},
                        {8, 13, 0xDEE01C, 0xDFE25C},
                        {9, 38, 0xDEE01C, 0x000000},
                        {11, 15, 0xDEE21C, 0xDFE25C},
                        {12, 14, 0x9F8A9C, 0xDFE25C},
                        {13, 13, 0xDEE01C, 0xDFE25C},
                        {4, 0, 0, 0},
                        {14, 0, 0, 0}};
  for (const Caso& c : casos) {
    const auto t = datos::Vectores_teclado(c.codigo);
    ASSERT_EQ(t.size(), c.vectores) << int(c.codigo);
    if (t.empty()) continue;
    EXPECT_EQ(t.front(), c.primero) << int(c.codigo);
    EXPECT_EQ(t.back(), c.ultimo) << int(c.codigo);
  }
}

TEST(Texto_teclado, OnlyLowerCaseDigitsAreUnderstood) {
  struct Caso {
    std::string_view digitos;
    Bytes esperado;
  };
  const Caso casos[] = {
      {"09af", {0x09, 0xAF}}, {"7e30", {0x7E, 0x30}}, {"AF", {0x00}}, {"aF", {0xA0}},
      {"Fa", {0x0A}},         {"g:", {0x00}},         {" 1", {0x01}}, {"ff\r\n", {0xFF, 0x00}},
  };
  for (const Caso& c : casos) {
    Bytes b(c.esperado.size(), 0x55);
    Convertir_digitos_teclado(c.digitos, b);
    EXPECT_EQ(b, c.esperado) << c.digitos;
  }
}

TEST(Texto_teclado, ARunPastTheEndDeliversNothing) {
  Lector_texto_teclado l(":40abc");
  EXPECT_EQ(l.Leer(3), ":40");
  EXPECT_FALSE(l.Leer(4));
  EXPECT_EQ(l.Posicion(), 3u);
  EXPECT_EQ(l.Leer(3), "abc");
  EXPECT_EQ(l.Leer(0), "");
  EXPECT_FALSE(l.Leer(1));
  l.Rebobinar();
  EXPECT_EQ(l.Leer(1), ":");
}

// The embedded text, walked line by line: every line an Intel HEX record with a
// good checksum, in the order and at the addresses the keyboard programmer reads.
TEST(Texto_teclado, EmbeddedTextLayout) {
  const auto d = datos::teclado_hex();
  const std::string_view t(reinterpret_cast<const char*>(d.data()), d.size());
  ASSERT_EQ(t.size(), 36'301u);
  auto valor = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
  struct Linea {
    int longitud, direccion, tipo;
    Bytes datos;
  };
  std::vector<Linea> lineas;
  for (size_t i = 0; i < t.size();) {
    const size_t fin = t.find("\r\n", i);
    ASSERT_NE(fin, std::string_view::npos) << "line end at " << i;
    const std::string_view l = t.substr(i, fin - i);
    ASSERT_EQ(l[0], ':') << i;
    ASSERT_EQ(l.find_first_not_of("0123456789abcdef", 1), std::string_view::npos) << l;
    Bytes b;
    for (size_t k = 1; k + 1 < l.size(); k += 2)
      b.push_back(static_cast<uint8_t>(valor(l[k]) << 4 | valor(l[k + 1])));
    uint8_t suma = 0;
    for (uint8_t x : b) suma = static_cast<uint8_t>(suma + x);
    ASSERT_EQ(suma, 0) << "checksum of " << l;
    ASSERT_EQ(b.size(), b[0] + 5u) << l;
    lineas.push_back({b[0], b[1] << 8 | b[2], b[3], Bytes(b.begin() + 4, b.end() - 1)});
    i = fin + 2;
  }
  ASSERT_EQ(lineas.size(), 261u);  // 256 data records, 2 + 2 record lines, end line
  uint16_t suma_datos = 0;
  for (int i = 0; i < 256; ++i) {
    const Linea& l = lineas[size_t(i)];
    ASSERT_EQ(l.longitud, 64) << i;
    ASSERT_EQ(l.direccion, i * 64) << i;
    ASSERT_EQ(l.tipo, 0) << i;
    for (uint8_t x : l.datos) suma_datos = static_cast<uint16_t>(suma_datos + x);
  }
  EXPECT_EQ(t.substr(256 * 141, 17), ":020000040010ea\r\n");
  EXPECT_EQ(lineas[257].longitud, 64);
  EXPECT_EQ(lineas[257].tipo, 0);
  EXPECT_EQ(t.substr(256 * 141 + 158, 17), ":020000040020da\r\n");
  EXPECT_EQ(lineas[259].tipo, 0);
  EXPECT_EQ(lineas[259].datos, (Bytes{uint8_t(suma_datos >> 8), uint8_t(suma_datos)}));
  EXPECT_EQ(t.substr(t.size() - 13), ":00000001ff\r\n");
  // Firmware, not filler: the reset vector jumps into the code.
  EXPECT_EQ(lineas[0].datos[0], 0x7D);
}

}  // namespace
}  // namespace r27
