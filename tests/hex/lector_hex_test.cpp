// The line reader, the record reader and the XOR check, on small texts.
#include "link/lector_hex.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "link/lector_lineas.h"

namespace r27 {
namespace {

std::span<const char> Texto(const std::string& s) { return {s.data(), s.size()}; }

struct Caso_registro {
  const char* nombre;
  std::string linea;
  uint8_t codigo;
  uint8_t longitud;
  uint16_t direccion;
  uint8_t tipo;
  std::vector<uint8_t> datos;
};

void PrintTo(const Caso_registro& c, std::ostream* os) { *os << c.nombre; }

class Registro_unico : public testing::TestWithParam<Caso_registro> {};

TEST_P(Registro_unico, DecodesAndChecks) {
  const Caso_registro& c = GetParam();
  Lector_lineas lineas(Texto(c.linea));
  Lector_hex hex(lineas);
  std::array<uint8_t, 256> datos{};
  Registro_hex r;
  r.datos = datos.data();

  EXPECT_EQ(hex.Leer_registro(r), c.codigo);
  EXPECT_EQ(r.longitud, c.longitud);
  EXPECT_EQ(r.direccion, c.direccion);
  EXPECT_EQ(r.tipo, c.tipo);
  for (size_t i = 0; i < c.datos.size(); ++i) EXPECT_EQ(datos[i], c.datos[i]) << "byte " << i;
  EXPECT_EQ(hex.Linea(), 0);
}

// Fields that are not reached keep their previous (zero) values.
INSTANTIATE_TEST_SUITE_P(
    Lineas, Registro_unico,
    testing::Values(
        Caso_registro{"segmento", ":020000040002F8\r\n", 0, 2, 0x0000, 0x04, {0x00, 0x02}},
        Caso_registro{"fin", ":00000001FF\r\n", 0, 0, 0x0000, 0x01, {}},
        Caso_registro{"datos", ":0312340011223351\r\n", 0, 3, 0x1234, 0x00, {0x11, 0x22, 0x33}},
        Caso_registro{"tipo_ajeno", ":0400000500000201F4\r\n", 0, 4, 0, 0x05, {0, 0, 2, 1}},
        Caso_registro{"minusculas", ":020000040002f8\r\n", 3, 2, 0x0000, 0x04, {0x00, 0x02}},
        Caso_registro{"minuscula_en_datos", ":0200000400a2F8\r\n", 3, 2, 0x0000, 0x04, {0x00}},
        Caso_registro{"espacio_delante", " :020000040002F8\r\n", 1, 0, 0, 0, {}},
        Caso_registro{"linea_vacia", "\r\n", 1, 0, 0, 0, {}},
        Caso_registro{"checksum", ":020000040002F9\r\n", 4, 2, 0x0000, 0x04, {0x00, 0x02}},
        Caso_registro{"longitud_mala", ":0G0000040002F8\r\n", 3, 0, 0, 0, {}},
        Caso_registro{"direccion_mala", ":02G000040002F8\r\n", 3, 2, 0, 0, {}},
        Caso_registro{"direccion_baja_mala", ":020000G40002F8\r\n", 3, 2, 0, 0, {}},
        Caso_registro{"tipo_malo", ":020000X40002F8\r\n", 3, 2, 0, 0, {}},
        Caso_registro{"sin_control", ":020000040002\r\n", 3, 2, 0, 0x04, {0x00, 0x02}},
        Caso_registro{"datos_cortos", ":0A000000112233\r\n", 3, 10, 0, 0, {0x11, 0x22, 0x33}},
        Caso_registro{"longitud_maxima_sin_datos", ":FF000000\r\n", 3, 255, 0, 0, {}},
        Caso_registro{"resto_no_examinado", ":00000001FFzz!\r\n", 0, 0, 0, 0x01, {}},
        Caso_registro{"sin_cr", ":00000001FF\n", 0, 0, 0, 0x01, {}}),
    [](const testing::TestParamInfo<Caso_registro>& i) { return std::string(i.param.nombre); });

TEST(Lector_hex, NoLineAfterTheEndOfFileRecordGivesFive) {
  const std::string texto = ":020000040002F8\r\n:00000001FF\r\n";
  Lector_lineas lineas(Texto(texto));
  Lector_hex hex(lineas);
  uint8_t datos[256];
  Registro_hex r;
  r.datos = datos;
  EXPECT_EQ(hex.Leer_registro(r), kRegistro_valido);
  EXPECT_EQ(hex.Leer_registro(r), kRegistro_valido);
  EXPECT_EQ(r.tipo, kTipo_fin);
  EXPECT_EQ(hex.Linea(), 1);
  EXPECT_EQ(hex.Leer_registro(r), kSin_mas_lineas);
  EXPECT_EQ(hex.Leer_registro(r), kSin_mas_lineas);
}

TEST(Lector_hex, ALastLineWithoutLineFeedIsNoLine) {
  const std::string texto = ":00000001FF";
  Lector_lineas lineas(Texto(texto));
  Lector_hex hex(lineas);
  uint8_t datos[256];
  Registro_hex r;
  r.datos = datos;
  EXPECT_EQ(hex.Leer_registro(r), kSin_mas_lineas);
}

TEST(Lector_hex, AnOverLongLineIsMalformedAndTheNextLineStillReads) {
  // A valid record padded past the 255-character buffer, then a valid line.
  const std::string texto = ":00000001FF" + std::string(300, ' ') + "\r\n:020000040002F8\r\n";
  Lector_lineas lineas(Texto(texto));
  Lector_hex hex(lineas);
  uint8_t datos[256];
  Registro_hex r;
  r.datos = datos;
  EXPECT_EQ(hex.Leer_registro(r), kFormato_incorrecto);
  EXPECT_EQ(hex.Leer_registro(r), kRegistro_valido);
  EXPECT_EQ(r.tipo, kTipo_direccion_lineal);
  EXPECT_EQ(hex.Linea(), 1);
}

TEST(Lector_hex, ALineOfExactlyTheCapacityIsWhole) {
  // 253 characters + CR LF = 255: fits the buffer exactly.
  const std::string texto = ":00000001FF" + std::string(242, ' ') + "\r\n";
  ASSERT_EQ(texto.size(), 255u);
  Lector_lineas lineas(Texto(texto));
  Lector_hex hex(lineas);
  uint8_t datos[256];
  Registro_hex r;
  r.datos = datos;
  EXPECT_EQ(hex.Leer_registro(r), kRegistro_valido);
}

TEST(Lector_lineas, HandsOutLinesWithTheirLineFeedThenStops) {
  const std::string texto = "ab\r\nc\n";
  Lector_lineas lineas(Texto(texto));
  char buffer[16];
  ASSERT_TRUE(lineas.Leer_linea(buffer, 15));
  EXPECT_STREQ(buffer, "ab\r\n");
  EXPECT_EQ(lineas.Posicion(), 4);
  ASSERT_TRUE(lineas.Leer_linea(buffer, 15));
  EXPECT_STREQ(buffer, "c\n");

  std::memset(buffer, '#', sizeof buffer);
  EXPECT_FALSE(lineas.Leer_linea(buffer, 15));
  EXPECT_EQ(buffer[0], '#');  // an exhausted reader leaves the buffer alone
  EXPECT_EQ(lineas.Posicion(), lineas.Longitud());
}

TEST(Lector_lineas, ALongLineNeverWritesPastTheCapacity) {
  const std::string texto = "0123456789ABCDEF\nXY\n";
  Lector_lineas lineas(Texto(texto));
  char buffer[12];
  std::memset(buffer, '#', sizeof buffer);
  ASSERT_TRUE(lineas.Leer_linea(buffer, 8));
  EXPECT_STREQ(buffer, "01234567");
  EXPECT_EQ(buffer[9], '#');
  EXPECT_TRUE(lineas.Linea_cortada());
  ASSERT_TRUE(lineas.Leer_linea(buffer, 8));
  EXPECT_STREQ(buffer, "XY\n");
  EXPECT_FALSE(lineas.Linea_cortada());
}

TEST(Lector_lineas, NeverReadsPastTheEndOfItsText) {
  // The span covers only the first line; the rest of the string is not its text.
  const std::string memoria = "AB\nCD\n";
  Lector_lineas lineas(std::span<const char>(memoria.data(), 4));
  char buffer[16];
  ASSERT_TRUE(lineas.Leer_linea(buffer, 15));
  EXPECT_STREQ(buffer, "AB\n");
  EXPECT_FALSE(lineas.Leer_linea(buffer, 15));
  EXPECT_EQ(lineas.Posicion(), 4);
}

TEST(Lector_lineas, PosicionarAcceptsOnlyPositionsInsideTheText) {
  const std::string texto(100, '\n');
  Lector_lineas lineas(Texto(texto));
  struct {
    int64_t p;
    int32_t esperada;
  } const casos[] = {{50, 50}, {-1, 50},   {101, 50},       {int64_t{1} << 32, 50},
                     {0, 0},   {100, 100}, {3'329'250, 100}};
  for (const auto& c : casos) {
    lineas.Posicionar(c.p);
    EXPECT_EQ(lineas.Posicion(), c.esperada) << "p = " << c.p;
  }
  lineas.Rebobinar();
  EXPECT_EQ(lineas.Posicion(), 0);
}

TEST(Checksum_xor, GoldenValues) {
  const uint8_t tres[] = {0x01, 0x02, 0x04};
  const uint8_t bloque[] = {0x07, 0x34, 0x12, 0xAB, 0x11, 0x22, 0x33};
  EXPECT_EQ(Checksum_xor(tres, 3), 0x07);
  EXPECT_EQ(Checksum_xor(bloque, 7), 0x8A);
  EXPECT_EQ(Checksum_xor(bloque, 1), 0x07);
  EXPECT_EQ(Checksum_xor(tres, 0), 0x00);
  EXPECT_EQ(Checksum_xor(tres, -5), 0x00);
  EXPECT_EQ(Checksum_xor(nullptr, 0), 0x00);
}

}  // namespace
}  // namespace r27
