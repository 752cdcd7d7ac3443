// The status pictures: erase command, the row/column block plan, segment
// changes, the segment guard, abort, and the embedded tables themselves.
#include "flash/subida_graficos.h"

#include <gtest/gtest.h>

#include <numeric>

#include "tests/apoyo/backend_guion.h"
#include "tests/flash/medidor_bloques.h"

namespace r27 {
namespace {

using pruebas::Bloque_visto;
using pruebas::Bytes;
using pruebas::Ventana_con_guion;

// Four tables whose pixel bytes are all different in sequence (entry i of table n
// holds (i * 7 + n) & 0xFF), with a non-zero high byte that must not be sent.
Bytes Tablas_prueba() {
  Bytes t(size_t{kBytes_tabla} * 4);
  for (size_t n = 0; n < 4; ++n)
    for (size_t i = 0; i < size_t{kEntradas_tabla}; ++i) {
      t[n * kBytes_tabla + 2 * i] = uint8_t(i * 7 + n + (i >> 8));
      t[n * kBytes_tabla + 2 * i + 1] = 0xEE;
    }
  return t;
}

Bytes Bytes_imagen(const Bytes& tablas, int n) {
  Bytes b;
  for (size_t i = 0; i < size_t{kEntradas_tabla}; ++i)
    b.push_back(tablas[size_t(n - 1) * kBytes_tabla + 2 * i]);
  return b;
}

struct Banco {
  Ventana_con_guion f;
  Bytes tablas = Tablas_prueba();
  Subida_graficos g{f.v, tablas};
  std::vector<Bloque_visto> vistos;
  Banco() {
    f.v.graficos = &g;
    pruebas::Aceptar_bloques(*f.guion, vistos);
  }
};

TEST(Borrar_graficos, EraseCommandWithSegmentAndSegmentPlusTwo) {
  struct Caso {
    uint8_t base;
    Bytes respuesta;
    bool pita;
  };
  for (const Caso& c :
       {Caso{0xC6, {'p'}, false}, Caso{0xFF, {'p'}, false}, Caso{0xC6, {'x'}, true}}) {
    Banco b;
    b.g.activo = true;
    b.g.segmento_base = c.base;
    b.f.guion->Intercambio({0x07, 0x06, 0x00, 0x00, c.base, 0xFD, 0xFF, uint8_t(c.base + 2)},
                           c.respuesta, 3000);
    b.f.v.estado.inicio_operacion = b.f.v.reloj.Segundos();
    b.g.Borrar_graficos();
    EXPECT_TRUE(b.f.guion->Cumplido()) << b.f.guion->Resumen();
    EXPECT_EQ(b.f.v.Un_pitido_de_fallo(), c.pita);
  }
}

TEST(Borrar_graficos, SilentAfterThirtySecondsFromTheOperationStart) {
  Banco b;
  b.g.activo = true;
  b.g.segmento_base = 0xC6;
  b.f.guion->Esperar({0x07, 0x06, 0x00, 0x00, 0xC6, 0xFD, 0xFF, 0xC8});
  b.f.v.estado.inicio_operacion = b.f.v.reloj.Segundos() - 10;  // started 10 s ago
  const uint64_t t0 = b.f.v.reloj.Ahora_us();
  b.g.Borrar_graficos();
  EXPECT_TRUE(b.f.v.pitidos.empty());
  EXPECT_NEAR(double(b.f.v.reloj.Ahora_us() - t0), 21e6, 20'000);  // until 31 s have passed
}

TEST(Subida_graficos, InactiveWritesNothing) {
  Banco b;
  b.g.segmento_base = 0xC6;
  b.g.Borrar_graficos();
  for (int n = 1; n <= 4; ++n) b.g.Enviar_imagen(n);
  EXPECT_TRUE(b.f.guion->Escrituras().empty());
}

TEST(Enviar_imagen, RowAndColumnPlanOfPictureOne) {
  Banco b;
  b.g.activo = true;
  b.g.segmento_base = 0xC6;
  b.g.direccion_base = 0x0000;
  b.g.Enviar_imagen(1);
  ASSERT_EQ(b.vistos.size(), 150u);
  EXPECT_EQ(b.vistos[0].segmento, 0xC6);
  EXPECT_EQ(b.vistos[0].direccion, 0xCDAA);  // 82 x 640 + 170
  EXPECT_EQ(b.vistos[0].datos.size(), 200u);
  EXPECT_EQ(b.vistos[1].direccion, 0xCE72);
  EXPECT_EQ(b.vistos[1].datos.size(), 100u);
  // Row 20 is still in segment C6; row 21 starts segment C7.
  EXPECT_EQ(b.vistos[40].segmento, 0xC6);
  EXPECT_EQ(b.vistos[40].direccion, 0xFFAA);
  EXPECT_EQ(b.vistos[41].segmento, 0xC7);  // its second run starts past 0xFFFF
  EXPECT_EQ(b.vistos[41].direccion, 0x0072);
  EXPECT_EQ(b.vistos[42].segmento, 0xC7);
  EXPECT_EQ(b.vistos[42].direccion, 0x022A);
  EXPECT_EQ(b.vistos.back().segmento, 0xC7);
  Bytes enviados;
  for (const Bloque_visto& v : b.vistos) {
    EXPECT_TRUE(v.check_correcto);
    enviados.insert(enviados.end(), v.datos.begin(), v.datos.end());
  }
  EXPECT_EQ(enviados, Bytes_imagen(b.tablas, 1));
}

TEST(Enviar_imagen, ARunAcrossA64KiBBoundaryStaysInOneBlock) {
  Banco b;
  b.g.activo = true;
  b.g.segmento_base = 0xC6;
  // Row 0's first run starts at 0xFF80 and ends past 0xFFFF.
  b.g.direccion_base = uint16_t(0xFF80 - (82 * 640 + 170));
  b.g.Enviar_imagen(2);
  ASSERT_EQ(b.vistos.size(), 150u);
  EXPECT_EQ(b.vistos[0].segmento, 0xC6);
  EXPECT_EQ(b.vistos[0].direccion, 0xFF80);
  EXPECT_EQ(b.vistos[0].datos.size(), 200u);
  EXPECT_EQ(b.vistos[1].segmento, 0xC7);
  EXPECT_EQ(b.vistos[1].direccion, 0x0048);
}

TEST(Enviar_imagen, MpegPicturesSitLowerAndUseTheirOwnTables) {
  for (int n : {3, 4}) {
    Banco b;
    b.g.activo = true;
    b.g.segmento_base = 0xC6;
    b.g.Enviar_imagen(n);
    ASSERT_EQ(b.vistos.size(), 150u);
    EXPECT_EQ(b.vistos[0].direccion, uint16_t(132 * 640 + 170));
    Bytes enviados;
    for (const Bloque_visto& v : b.vistos)
      enviados.insert(enviados.end(), v.datos.begin(), v.datos.end());
    EXPECT_EQ(enviados, Bytes_imagen(b.tablas, n));
  }
}

TEST(Enviar_imagen, AreaBelowSegment80IsReportedSentWithoutTraffic) {
  // The picture always reaches into the segment after the base; those blocks
  // stay unsent as well, or they would land in segment 0x80.
  Banco b;
  b.g.activo = true;
  b.g.segmento_base = 0x7F;
  b.f.guion->Intercambio({0x07, 0x06, 0x00, 0x00, 0x7F, 0xFD, 0xFF, 0x81}, {'p'});
  b.f.v.estado.inicio_operacion = b.f.v.reloj.Segundos();
  b.g.Borrar_graficos();
  b.g.Enviar_imagen(1);
  EXPECT_TRUE(b.f.guion->Cumplido());
  EXPECT_EQ(b.f.guion->Escrituras().size(), 1u);
}

// A meter that does not take a block after the filler and the resend is not
// listening: the rest of the picture is not sent (a silent meter would cost 7 s a
// block, over 17 minutes a picture).
TEST(Enviar_imagen, RefusedBlocksDoNotStopTheUploadButASilentMeterDoes) {
  {
    Banco b;  // '?' to the block and '?' to the resend: refused, and the next goes
    b.g.activo = true;
    b.g.segmento_base = 0xC6;
    pruebas::Aceptar_bloques(*b.f.guion, b.vistos, '?');
    b.g.Enviar_imagen(1);
    EXPECT_EQ(b.vistos.size(), 300u);  // every block sent twice
    EXPECT_EQ(b.f.v.pitidos.size(), 150u);
  }
  {
    Banco b;  // the meter answers nothing at all, not even to the fillers
    b.g.activo = true;
    b.g.segmento_base = 0xC6;
    std::vector<Bloque_visto> vistos_silencio;
    pruebas::Aceptar_bloques(*b.f.guion, vistos_silencio);
    b.f.guion->al_escribir = [&](std::span<const uint8_t> w) -> Bytes {
      if (w.size() >= 6 && w[0] == 0x03) vistos_silencio.push_back({});
      return {};
    };
    b.g.Enviar_imagen(1);
    EXPECT_EQ(vistos_silencio.size(), 1u);  // the first block only: no resend, then it stops
  }
}

TEST(Enviar_imagen, AbortStopsBetweenBlocks) {
  Banco b;
  b.g.activo = true;
  b.g.segmento_base = 0xC6;
  b.f.guion->al_escribir = [&](std::span<const uint8_t>) -> Bytes {
    if (b.f.guion->Escrituras().size() == 5) b.f.v.estado.abortar = true;
    return {'0'};
  };
  b.g.Enviar_imagen(1);
  EXPECT_EQ(b.f.guion->Escrituras().size(), 5u);
}

TEST(Enviar_imagen, OutOfRangePictureOrShortTablesSendNothing) {
  Ventana_con_guion f;
  const Bytes corta(size_t{kBytes_tabla} * 2);
  Subida_graficos g(f.v, corta);
  g.activo = true;
  g.segmento_base = 0xC6;
  std::vector<Bloque_visto> vistos;
  pruebas::Aceptar_bloques(*f.guion, vistos);
  g.Enviar_imagen(0);
  g.Enviar_imagen(5);
  g.Enviar_imagen(3);  // beyond the tables handed over
  EXPECT_TRUE(vistos.empty());
  g.Enviar_imagen(2);
  EXPECT_EQ(vistos.size(), 150u);
}

TEST(Tablas_graficos, FourTablesOfPixelBytesWithZeroHighBytes) {
  const auto t = Tablas_graficos();
  ASSERT_EQ(t.size(), 180'000u);
  for (size_t i = 1; i < t.size(); i += 2) ASSERT_EQ(t[i], 0) << i;
  // Each picture has a background, text and a frame: several colours, and the
  // four pictures differ from one another.
  std::vector<Bytes> imagenes;
  for (int n = 1; n <= 4; ++n) {
    Bytes img;
    for (size_t i = 0; i < size_t{kEntradas_tabla}; ++i)
      img.push_back(t[size_t(n - 1) * kBytes_tabla + 2 * i]);
    std::vector<uint16_t> colores;
    for (size_t p = 0; p < img.size(); p += 2)
      colores.push_back(uint16_t(img[p] | img[p + 1] << 8));
    std::sort(colores.begin(), colores.end());
    const auto distintos = std::unique(colores.begin(), colores.end()) - colores.begin();
    EXPECT_GE(distintos, 4) << n;
    imagenes.push_back(img);
  }
  for (int a = 0; a < 4; ++a)
    for (int b = a + 1; b < 4; ++b) EXPECT_NE(imagenes[size_t(a)], imagenes[size_t(b)]);
}

}  // namespace
}  // namespace r27
