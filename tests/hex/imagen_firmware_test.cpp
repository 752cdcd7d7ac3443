// The embedded firmware image: its layout, and what the start-up parse learns from it.
#include "app/nucleo/imagen_firmware.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/nucleo/abrir_hex.h"
#include "data/firmware/generador_firmware.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27 {
namespace {

using pruebas::Ventana_falsa;

struct Parse {
  Ventana_falsa ventana;
  std::unique_ptr<Lector_hex> hex;
};

void Abrir(Parse& p, std::span<const char> texto) {
  Lector_lineas lineas(texto);
  Abrir_hex(p.ventana, lineas, p.hex);
}

TEST(Imagen_firmware, HasTheLengthTheLineReaderExpects) {
  EXPECT_EQ(Imagen_firmware().size(), 3'329'249u);
  EXPECT_EQ(Imagen_firmware().size(), static_cast<size_t>(Lector_lineas::kLongitud_firmware));
}

TEST(Imagen_firmware, ParsesToVersion301AndSegments0To30) {
  Parse p;
  Abrir(p, Imagen_firmware());
  ASSERT_NE(p.hex, nullptr);
  EXPECT_TRUE(p.ventana.pitidos.empty());
  EXPECT_TRUE(p.ventana.mensajes.empty());

  const auto& v = p.ventana.estado.version_fichero;
  EXPECT_STREQ(v.data(), "3.01.00000");
  for (size_t s = 0; s < 64; ++s)
    EXPECT_EQ(p.ventana.estado.segmentos_presentes[s], s <= 30 ? 1 : 0) << "segment " << s;

  const auto t = Imagen_firmware();
  EXPECT_EQ(p.hex->numero_registros, std::count(t.begin(), t.end(), '\n'));
}

// Walks every line and record of the image as the sender will see them.
TEST(Imagen_firmware, LinesAndRecordsHaveTheShapeTheSenderReliesOn) {
  const auto t = Imagen_firmware();
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.front(), ':');

  size_t inicio = 0;
  size_t lineas_largas = 0, saltos_sueltos = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] != '\n') continue;
    if (i == 0 || t[i - 1] != '\r') ++saltos_sueltos;
    if (i + 1 - inicio > 77) ++lineas_largas;  // 75 characters + CR LF
    inicio = i + 1;
  }
  EXPECT_EQ(inicio, t.size()) << "the text ends with CR LF";
  EXPECT_EQ(saltos_sueltos, 0u);
  EXPECT_EQ(lineas_largas, 0u);
  EXPECT_EQ(std::count(t.begin(), t.end(), '\r'), std::count(t.begin(), t.end(), '\n'));

  Lector_lineas lineas(t);
  Lector_hex hex(lineas);
  uint8_t datos[256];
  Registro_hex r;
  r.datos = datos;
  int numero = 0, segmento = -1, segmentos = 0, identidad = 0;
  uint8_t codigo = 0;
  while ((codigo = hex.Leer_registro(r)) == kRegistro_valido) {
    ++numero;
    if (numero == 1) {
      EXPECT_EQ(r.tipo, kTipo_direccion_lineal) << "the first record";
    }
    if (r.tipo == kTipo_fin) break;
    if (r.tipo == kTipo_direccion_lineal) {
      ASSERT_EQ(r.longitud, 2);
      EXPECT_EQ(datos[1], segmentos) << "segments in order, each introduced once";
      segmento = datos[1];
      ++segmentos;
      continue;
    }
    ASSERT_EQ(r.tipo, kTipo_datos) << "line " << hex.Linea();
    EXPECT_LE(r.longitud, 32) << "line " << hex.Linea();
    if (segmento == 0x18 && r.direccion == 0x0000) {
      ++identidad;
      ASSERT_EQ(r.longitud, 16);
      EXPECT_EQ(std::string(reinterpret_cast<char*>(datos), 16),
                std::string("QZT\0\0\0\0\0\0\0\0\0\0\0\0\0", 16));
    }
  }
  EXPECT_EQ(codigo, kRegistro_valido);
  EXPECT_EQ(r.tipo, kTipo_fin);
  EXPECT_EQ(segmentos, 31);
  EXPECT_EQ(identidad, 1);
  EXPECT_EQ(lineas.Posicion(), lineas.Longitud()) << "nothing after the end-of-file record";
}

TEST(Generador_firmware, OtherVersionsKeepTheLayoutAndLength) {
  struct {
    const char* version;
    const char* build;
    const char* esperada;
  } const casos[] = {{"3.02", "00012", "3.02.00012"}, {"2.99", "99999", "2.99.99999"}};
  for (const auto& c : casos) {
    std::string texto, error;
    ASSERT_TRUE(generador::Generar_firmware({c.version, c.build}, texto, error)) << error;
    EXPECT_EQ(texto.size(), generador::kLongitud_imagen);
    Parse p;
    Abrir(p, {texto.data(), texto.size()});
    ASSERT_NE(p.hex, nullptr);
    EXPECT_STREQ(p.ventana.estado.version_fichero.data(), c.esperada);
    EXPECT_EQ(std::count(p.ventana.estado.segmentos_presentes.begin(),
                         p.ventana.estado.segmentos_presentes.end(), 1),
              31);
  }
}

TEST(Generador_firmware, IsDeterministicAndMatchesTheEmbeddedImage) {
  std::string texto, error;
  ASSERT_TRUE(generador::Generar_firmware({}, texto, error)) << error;
  const auto t = Imagen_firmware();
  EXPECT_TRUE(std::equal(t.begin(), t.end(), texto.begin(), texto.end()));
}

TEST(Generador_firmware, RefusesVersionTextsThatWouldShiftTheLayout) {
  const generador::Opciones_firmware malas[] = {
      {"3.1", "00000"}, {"3.011", "00000"}, {"3.01", "0000"}, {"3.01", "0000A"}, {"3 01", "00000"}};
  for (const auto& o : malas) {
    std::string texto = "x", error;
    EXPECT_FALSE(generador::Generar_firmware(o, texto, error)) << o.version << " " << o.build;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(texto.empty());
  }
}

}  // namespace
}  // namespace r27
