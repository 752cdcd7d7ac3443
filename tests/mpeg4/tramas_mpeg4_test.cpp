// The fixed bytes of the MPEG-4 upload: the start request, the entry patch of the
// second loader stage, and where every block of both images goes.
#include "components/tramas_mpeg4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "components/programador_mpeg4.h"
#include "flash/tcdiferencial.h"
#include "tests/apoyo/conexion_falsa.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27 {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(Tramas_mpeg4, StartRequestPerRegion) {
  struct Caso {
    const char* nombre;
    bool region_usa;
    uint32_t tamano;
    Bytes esperado;
  };
  const Caso casos[] = {
      {"other regions", false, 3'043'156, {0xCC, 0x00, 0x00, 0x20, 0x00, 0x54, 0x6F, 0x2E, 0x00}},
      {"US region", true, 3'043'156, {0x4C, 0x00, 0x00, 0x20, 0x00, 0x54, 0x6F, 0x2E, 0x00}},
      {"every length byte", false, 0x12345678, {0xCC, 0, 0, 0x20, 0, 0x78, 0x56, 0x34, 0x12}},
  };
  for (const Caso& c : casos) {
    const auto orden = Orden_inicio_mpeg4(c.region_usa, c.tamano);
    EXPECT_EQ(Bytes(orden.begin(), orden.end()), c.esperado) << c.nombre;
  }
}

TEST(Tramas_mpeg4, EntryPatchWritesThreeBytesSeenByTheSessionOnly) {
  const auto embebida = Imagenes_arranque_incrustadas().subspan(
      Imagenes_arranque::kBytes_arranque + Imagenes_arranque::kBytes_primera_etapa,
      Imagenes_arranque::kBytes_segunda_etapa);
  pruebas::Ventana_falsa v, otra_sesion;
  pruebas::Conexion_falsa c(v);
  Programador_mpeg4(v, c, {}, {}).Parchear_entrada();
  // Another holder of the session, as the firmware step's programmer, sees the patch.
  const auto etapa = TCDiferencial(v).imagenes.Segunda_etapa();
  ASSERT_EQ(etapa.size(), 1096u);
  for (size_t i = 0; i < etapa.size(); ++i) {
    const uint8_t esperado = i == 257 ? 0x03 : i == 258 ? 0x20 : i == 259 ? 0x41 : embebida[i];
    EXPECT_EQ(etapa[i], esperado) << "byte " << i;
  }
  EXPECT_TRUE(std::ranges::equal(otra_sesion.Arranque().Segunda_etapa(), embebida));
}

TEST(Tramas_mpeg4, BlockPlans) {
  struct Marca {
    size_t indice;
    Bloque_mpeg4 bloque;
  };
  struct Caso {
    const char* nombre;
    int etapa;  // 1: 200-byte blocks from 0xB0, the segment follows the address; 2: 32 at 0x81
    uint32_t tamano;
    size_t bloques;  // 0: the image cannot be staged
    std::vector<Marca> marcas;
  };
  const Caso casos[] = {
      {"application",
       1,
       3'043'156,
       15'216,
       {{0, {0, 0xB0, 0, 200}},
        {327, {65'400, 0xB0, 65'400, 200}},  // straddles the boundary
        {328, {65'600, 0xB1, 64, 200}},
        {15'215, {3'043'000, 0xDE, 28'344, 156}}}},
      {"stage-2 program",
       2,
       21'676,
       678,
       {{0, {0, 0x81, 0, 32}}, {677, {21'664, 0x81, 21'664, 12}}}},
      {"program filling its segment", 2, 65'536, 2048, {{2047, {65'504, 0x81, 65'504, 32}}}},
      {"application up to 0xFF",
       1,
       0x50 * 65'536,
       26'215,
       {{26'214, {5'242'800, 0xFF, 65'456, 80}}}},
      {"empty application", 1, 0, 0, {}},
      {"application past 0xFF", 1, 0x50 * 65'536 + 1, 0, {}},
      {"program past its segment", 2, 65'537, 0, {}},  // would wrap onto its own start
  };
  for (const Caso& c : casos) {
    const auto plan = c.etapa == 1 ? Plan_etapa1_mpeg4(c.tamano) : Plan_etapa2_mpeg4(c.tamano);
    ASSERT_EQ(plan.size(), c.bloques) << c.nombre;
    if (plan.empty()) continue;
    for (const Marca& m : c.marcas)
      EXPECT_EQ(plan[m.indice], m.bloque) << c.nombre << " " << m.indice;
    // Every byte once, in order, each block where its first byte belongs.
    uint32_t siguiente = 0;
    for (const Bloque_mpeg4& b : plan) {
      ASSERT_EQ(b.desplazamiento, siguiente) << c.nombre;
      EXPECT_EQ(b.segmento, c.etapa == 1 ? 0xB0 + (b.desplazamiento >> 16) : 0x81) << c.nombre;
      EXPECT_EQ(b.direccion, b.desplazamiento & 0xFFFF) << c.nombre;
      if (&b != &plan.back()) {
        EXPECT_EQ(b.longitud, c.etapa == 1 ? 200 : 32) << c.nombre;
      }
      siguiente += b.longitud;
    }
    EXPECT_EQ(siguiente, c.tamano) << c.nombre;
  }
}

}  // namespace
}  // namespace r27
