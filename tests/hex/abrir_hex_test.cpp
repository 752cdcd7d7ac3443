// The start-up parse: version text, segment map, kept reader, and the beep and
// message for every kind of damage, on small images and on damaged copies of the
// embedded one.
#include "app/nucleo/abrir_hex.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/nucleo/imagen_firmware.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27 {
namespace {

using pruebas::Ventana_falsa;

// One record as a line, with its checksum.
std::string Linea(uint8_t tipo, uint16_t direccion, std::initializer_list<uint8_t> datos) {
  static constexpr char kDigitos[] = "0123456789ABCDEF";
  std::string s = ":";
  uint8_t suma = 0;
  auto byte = [&](uint8_t b) {
    s += kDigitos[b >> 4];
    s += kDigitos[b & 15];
    suma = static_cast<uint8_t>(suma + b);
  };
  byte(static_cast<uint8_t>(datos.size()));
  byte(static_cast<uint8_t>(direccion >> 8));
  byte(static_cast<uint8_t>(direccion));
  byte(tipo);
  for (uint8_t d : datos) byte(d);
  byte(static_cast<uint8_t>(0x100 - suma));
  return s + "\r\n";
}
std::string Segmento(uint8_t s) { return Linea(0x04, 0, {0x00, s}); }
std::string Fin() { return Linea(0x01, 0, {}); }

struct Lectura_hex {
  Ventana_falsa ventana;
  std::unique_ptr<Lector_hex> hex;
  std::string version() const { return ventana.estado.version_fichero.data(); }
  int segmentos() const {
    int n = 0;
    for (uint8_t e : ventana.estado.segmentos_presentes) n += e;
    return n;
  }
};

void Abrir(Lectura_hex& r, const std::string& texto) {
  Lector_lineas lineas({texto.data(), texto.size()});
  Abrir_hex(r.ventana, lineas, r.hex);
}

TEST(Abrir_hex, VersionAndSegmentsOfASmallImage) {
  const std::string texto = Segmento(0x00) + Linea(0x00, 0x0000, {1, 2, 3}) + Segmento(0x18) +
                            Linea(0x00, 0x0010, {'3', '.', '0', '1', 0, 0}) +
                            Linea(0x00, 0x0016, {'0', '0', '0', '1', '2', 0}) + Segmento(0x3F) +
                            Linea(0x00, 0x0000, {9}) + Fin();
  Lectura_hex r;
  Abrir(r, texto);
  ASSERT_NE(r.hex, nullptr);
  EXPECT_EQ(r.hex->numero_registros, 8);
  EXPECT_EQ(r.version(), "3.01.00012");
  EXPECT_EQ(r.ventana.estado.version_fichero[10], '\0');
  EXPECT_EQ(r.ventana.estado.segmentos_presentes[0x00], 1);
  EXPECT_EQ(r.ventana.estado.segmentos_presentes[0x18], 1);
  EXPECT_EQ(r.ventana.estado.segmentos_presentes[0x3F], 1);
  EXPECT_EQ(r.segmentos(), 3);
  EXPECT_TRUE(r.ventana.pitidos.empty());
  EXPECT_TRUE(r.ventana.mensajes.empty());
}

TEST(Abrir_hex, SegmentsFromSixtyFourUpAreNotRecorded) {
  for (uint8_t s : {0x40, 0x41, 0x80, 0xFF}) {
    Lectura_hex r;
    Abrir(r, Segmento(0x02) + Segmento(s) + Linea(0x00, 0, {1}) + Fin());
    ASSERT_NE(r.hex, nullptr);
    EXPECT_EQ(r.segmentos(), 1) << "segment " << int{s};
    EXPECT_EQ(r.ventana.estado.segmentos_presentes[0x02], 1);
  }
}

TEST(Abrir_hex, OnlyDataAtTheVersionOffsetsOfSegment0x18TouchTheVersion) {
  const std::string version = Linea(0x00, 0x0010, {'9', '.', '9', '9', 0, 0});
  const std::string build = Linea(0x00, 0x0016, {'7', '7', '7', '7', '7', 0});
  struct {
    const char* nombre;
    std::string texto;
  } const casos[] = {
      {"other segment", Segmento(0x17) + version + build + Fin()},
      {"before any segment", version + build + Segmento(0x18) + Fin()},
      {"after a segment 0x40", Segmento(0x18) + Segmento(0x40) + version + build + Fin()},
      {"not a data record", Segmento(0x18) + Linea(0x05, 0x0010, {'9', '.', '9', '9'}) + Fin()},
      {"other offset", Segmento(0x18) + Linea(0x00, 0x0011, {'9', '.', '9', '9'}) + Fin()},
  };
  for (const auto& c : casos) {
    Lectura_hex r;
    r.ventana.estado.version_fichero = {'1', '.', '0', '0', '.', '0', '0', '0', '0', '0', 0, 0};
    Abrir(r, c.texto);
    ASSERT_NE(r.hex, nullptr) << c.nombre;
    EXPECT_EQ(r.version(), "1.00.00000") << c.nombre;
  }
}

TEST(Abrir_hex, AShortVersionRecordFillsOnlyWhatItHolds) {
  // The record before leaves other bytes in the parse's data buffer; none of them
  // may show up in the version.
  const std::string texto = Segmento(0x18) + Linea(0x00, 0x0000, {'X', 'X', 'X', 'X', 'X', 'X'}) +
                            Linea(0x00, 0x0010, {'4', '.'}) + Linea(0x00, 0x0016, {'1', '2'}) +
                            Fin();
  Lectura_hex r;
  Abrir(r, texto);
  ASSERT_NE(r.hex, nullptr);
  const auto& v = r.ventana.estado.version_fichero;
  EXPECT_EQ(std::string(v.data(), 11), std::string("4.\0\0.12\0\0\0\0", 11));
}

TEST(Abrir_hex, AnAddressRecordTooShortForASegmentNamesNone) {
  const std::string texto = Segmento(0x18) + Linea(0x04, 0, {0x00}) +
                            Linea(0x00, 0x0010, {'9', '.', '9', '9', 0, 0}) + Fin();
  Lectura_hex r;
  Abrir(r, texto);
  ASSERT_NE(r.hex, nullptr);
  EXPECT_EQ(r.version(), "");
  EXPECT_EQ(r.segmentos(), 1);
}

TEST(Abrir_hex, EachParseStartsAfreshFromTheTextStart) {
  const std::string texto = Segmento(0x05) + Linea(0x00, 0, {1}) + Fin();
  Lector_lineas lineas({texto.data(), texto.size()});
  Ventana_falsa ventana;
  std::unique_ptr<Lector_hex> hex;
  ventana.estado.segmentos_presentes[0x30] = 1;
  Abrir_hex(ventana, lineas, hex);
  ASSERT_NE(hex, nullptr);
  EXPECT_EQ(lineas.Posicion(), lineas.Longitud());
  Abrir_hex(ventana, lineas, hex);
  ASSERT_NE(hex, nullptr);
  EXPECT_EQ(hex->numero_registros, 3);
  EXPECT_EQ(hex->Linea(), 2);
  EXPECT_EQ(ventana.estado.segmentos_presentes[0x30], 0);
  EXPECT_EQ(ventana.estado.segmentos_presentes[0x05], 1);
}

struct Caso_fallo {
  const char* nombre;
  std::string texto;
  std::string mensaje;
};

void PrintTo(const Caso_fallo& c, std::ostream* os) { *os << c.nombre; }

class Imagen_danada : public testing::TestWithParam<Caso_fallo> {};

TEST_P(Imagen_danada, BeepsShowsTheMessageAndKeepsNoReader) {
  Lectura_hex r;
  Lector_lineas otras(std::span<const char>{});
  r.hex = std::make_unique<Lector_hex>(otras);  // a reader from an earlier parse
  Abrir(r, GetParam().texto);
  EXPECT_EQ(r.hex, nullptr);
  EXPECT_TRUE(r.ventana.Un_pitido_de_fallo());
  ASSERT_EQ(r.ventana.mensajes.size(), 1u);
  EXPECT_EQ(r.ventana.mensajes[0], GetParam().mensaje);
}

INSTANTIATE_TEST_SUITE_P(
    Pequenas, Imagen_danada,
    testing::Values(Caso_fallo{"vacia", "", "El fichero ha terminado antes de lo esperado"},
                    Caso_fallo{"sin_fin", Segmento(0) + Linea(0, 0, {1}),
                               "El fichero ha terminado antes de lo esperado"},
                    Caso_fallo{"fin_sin_salto", Segmento(0) + ":00000001FF",
                               "El fichero ha terminado antes de lo esperado"},
                    Caso_fallo{"no_es_registro", Segmento(0) + "hola\r\n" + Fin(),
                               "La linea: 1 NO es un record"},
                    Caso_fallo{"formato", Segmento(0) + Segmento(1) + ":0100000001fe\r\n" + Fin(),
                               "La linea: 2 tiene un formato incorrecto"},
                    Caso_fallo{"checksum", Segmento(0) + ":0100000001FD\r\n" + Fin(),
                               "La linea: 1 tiene un checksum incorrecto"},
                    Caso_fallo{"linea_demasiado_larga",
                               Segmento(0) + ":01000000" + std::string(400, '1') + "\r\n" + Fin(),
                               "La linea: 1 tiene un formato incorrecto"}),
    [](const testing::TestParamInfo<Caso_fallo>& i) { return std::string(i.param.nombre); });

// ---- damaged copies of the embedded image --------------------------------------

std::string Imagen() {
  const std::span<const char> t = Imagen_firmware();
  return {t.data(), t.size()};
}

// Offset of the first character of zero-based line n.
size_t Inicio_linea(const std::string& t, int n) {
  size_t p = 0;
  for (int i = 0; i < n; ++i) p = t.find('\n', p) + 1;
  return p;
}

// Zero-based number of the line holding the record of segment 0x18 offset 0x0016.
int Linea_del_build(const std::string& t) {
  const size_t p = t.find(":020000040018E2\r\n");
  const size_t b = t.find(":06001600", p);
  int n = 0;
  for (size_t i = 0; i < b; ++i) n += t[i] == '\n';
  return n;
}

std::vector<Caso_fallo> Copias_danadas() {
  const std::string imagen = Imagen();
  std::vector<Caso_fallo> casos;
  auto danar = [&](const char* nombre, int linea, size_t columna, char c) {
    std::string t = imagen;
    t[Inicio_linea(t, linea) + columna] = c;
    return Caso_fallo{nombre, t, ""};
  };

  Caso_fallo c = danar("quinta_linea_sin_dos_puntos", 4, 0, ' ');
  c.mensaje = "La linea: 4 NO es un record";
  casos.push_back(c);

  // Line 1000 is a full data record; column 20 is one of its data digits.
  std::string t = imagen;
  const size_t p = Inicio_linea(t, 1000) + 20;
  t[p] = t[p] == '0' ? '1' : '0';
  casos.push_back({"digito_cambiado", t, "La linea: 1000 tiene un checksum incorrecto"});

  t = imagen;
  const size_t letra = t.find_first_of("ABCDEF", Inicio_linea(t, 20000) + 9);
  int linea = 0;
  for (size_t i = 0; i < letra; ++i) linea += t[i] == '\n';
  t[letra] = static_cast<char>(t[letra] - 'A' + 'a');
  casos.push_back({"digito_en_minuscula", t,
                   "La linea: " + std::to_string(linea) + " tiene un formato incorrecto"});

  t = imagen.substr(0, imagen.rfind(':'));
  casos.push_back({"sin_registro_de_fin", t, "El fichero ha terminado antes de lo esperado"});
  t = imagen.substr(0, imagen.size() / 2);
  casos.push_back({"cortada_a_media_linea", t, "El fichero ha terminado antes de lo esperado"});
  return casos;
}

INSTANTIATE_TEST_SUITE_P(Embebida, Imagen_danada, testing::ValuesIn(Copias_danadas()),
                         [](const testing::TestParamInfo<Caso_fallo>& i) {
                           return std::string(i.param.nombre);
                         });

TEST(Abrir_hex, AFaultKeepsTheVersionFilledBeforeIt) {
  const std::string imagen = Imagen();
  const int linea = Linea_del_build(imagen);

  std::string antes = imagen;
  antes[Inicio_linea(antes, linea)] = '#';  // the build record itself is lost
  Lectura_hex r1;
  Abrir(r1, antes);
  EXPECT_EQ(r1.hex, nullptr);
  EXPECT_EQ(r1.version(), "3.01.");

  std::string despues = imagen;
  despues[Inicio_linea(despues, linea + 1)] = '#';
  Lectura_hex r2;
  Abrir(r2, despues);
  EXPECT_EQ(r2.hex, nullptr);
  EXPECT_EQ(r2.version(), "3.01.00000");
  EXPECT_EQ(r2.ventana.mensajes.at(0),
            "La linea: " + std::to_string(linea + 1) + " NO es un record");
}

}  // namespace
}  // namespace r27
