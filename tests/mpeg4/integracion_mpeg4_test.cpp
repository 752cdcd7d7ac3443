// The MPEG-4 module application upload end to end against the simulated meter,
// with the embedded images: the module must end up holding them byte for byte
// and the meter's screen the MPEG pictures; then the meter's faults, each with
// the result code it must give.
#include <gtest/gtest.h>

#include <algorithm>

#include "components/memoria_medidor.h"
#include "components/programador_mpeg4.h"
#include "flash/tcdiferencial.h"
#include "link/codigos_resultado.h"
#include "tests/apoyo/conexion_falsa.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27 {
namespace {

using pruebas::Conexion_falsa;
using pruebas::Medidor_en_proceso;
using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

constexpr uint32_t kBloques_imagen = 150;  // one status picture
constexpr uint32_t kBloques_etapa1 = 15'216;

// The meter at the MPEG-4 step: loader running and, off WOW64, the line at
// 500,000 baud as the update sequence leaves it.
struct Banco {
  explicit Banco(Config_medidor c = {}, bool windows64 = false) : m(std::move(c)), conexion(m.v) {
    conexion.windows64 = windows64;
    m.v.estado.inicio_operacion = m.v.reloj.Segundos();
    TCDiferencial d(m.v);
    cargador = d.Cargar_primera_etapa() && d.Cargar_segunda_etapa();
    if (!windows64) {
      const std::array<uint8_t, 2> codigo_500000{0x01, 0x00};
      EXPECT_TRUE(Escribir_memoria(m.v, codigo_500000, 0x00, 0xFEB4));
      conexion.Cambiar_velocidad_puerto(500000);
      conexion.velocidades.clear();
    }
    m.v.barra_general.Fijar_rango(0, 1360);
    m.v.estado.progreso_base = 380;
  }
  Resultado Actualizar(bool region_usa = false) {
    return Programador_mpeg4(m.v, conexion).Actualizar_mpeg4(0, region_usa);
  }

  // Picture n (1..4) as the meter's screen shows it, compared row by row.
  bool Muestra_imagen(const std::vector<uint8_t>& area, int n) const {
    const auto tablas = Tablas_graficos();
    for (int fila = 0; fila < kAlto_imagen; ++fila)
      for (int x = 0; x < 2 * kAncho_imagen; ++x) {
        const size_t en_area = size_t((kFila_imagen_mpeg + fila) * 640 + 2 * kColumna_imagen + x);
        const size_t en_tabla = size_t((n - 1) * kBytes_tabla + 2 * (fila * 300 + x));
        if (area[en_area] != tablas[en_tabla]) return false;
      }
    return true;
  }
  std::vector<uint8_t> Area() const {
    return m.medidor.Area_graficos((kFila_imagen_mpeg + kAlto_imagen) * 640);
  }

  Medidor_en_proceso m;
  Conexion_falsa conexion;
  bool cargador = false;
};

TEST(Integracion_mpeg4, TheModuleHoldsTheEmbeddedImages) {
  struct Caso {
    const char* nombre;
    bool windows64, region_usa;
    uint8_t codigo_inicio;
    std::vector<uint32_t> velocidades;
  };
  const Caso casos[] = {
      {"fast line, other region", false, false, 0xCC, {115200}},
      {"WOW64 at 115,200, US region", true, true, 0x4C, {}},
  };
  for (const Caso& c : casos) {
    Config_medidor config;
    config.mpeg4_nueva = {134, 7, 6, 3};
    Banco b(config, c.windows64);
    ASSERT_TRUE(b.cargador) << c.nombre;
    // What the meter's screen shows while the program is being sent.
    std::vector<uint8_t> area_etapa2;
    b.m.v.al_procesar_mensajes = [&] {
      if (area_etapa2.empty() &&
          b.m.medidor.Cuenta(Peticion::Bloque) > kBloques_imagen + kBloques_etapa1)
        area_etapa2 = b.Area();
    };
    ASSERT_TRUE(b.Actualizar(c.region_usa)) << c.nombre << ": code " << b.m.v.estado.codigo_error
                                            << ", " << b.m.v.estado.motivo_error.Texto();
    EXPECT_EQ(b.m.v.estado.codigo_error, 0) << c.nombre;
    EXPECT_TRUE(b.m.v.pitidos.empty()) << c.nombre;

    const sim::Estado_mpeg4& modulo = b.m.medidor.Mpeg4();
    EXPECT_EQ(modulo.actualizaciones, 1) << c.nombre;
    EXPECT_TRUE(std::ranges::equal(modulo.aplicacion, Aplicacion_mpeg4())) << c.nombre;
    EXPECT_TRUE(std::ranges::equal(modulo.etapa2, Etapa2_mpeg4())) << c.nombre;
    EXPECT_EQ(modulo.codigo_inicio, c.codigo_inicio) << c.nombre;
    EXPECT_EQ(modulo.tamano_pedido, 3'043'156u) << c.nombre;
    EXPECT_EQ(modulo.versiones.aplicacion, 134) << c.nombre;
    EXPECT_EQ(modulo.versiones.build, 7) << c.nombre;
    EXPECT_EQ(b.m.medidor.Cuenta(Peticion::Bloque), 2 * kBloques_imagen + kBloques_etapa1 + 678)
        << c.nombre;  // no block sent twice

    ASSERT_FALSE(area_etapa2.empty()) << c.nombre;
    EXPECT_TRUE(b.Muestra_imagen(area_etapa2, Subida_graficos::kCargando_mpeg)) << c.nombre;
    EXPECT_TRUE(b.Muestra_imagen(b.Area(), Subida_graficos::kActualizando_mpeg)) << c.nombre;

    EXPECT_EQ(b.conexion.velocidades, c.velocidades) << c.nombre;
    EXPECT_EQ(b.m.v.estado.progreso_base, 380 + 220) << c.nombre;
    EXPECT_LT(b.m.v.barra_general.Posicion(), 380 + 220 + 420) << c.nombre;
  }
}

TEST(Integracion_mpeg4, MeterFaultsGiveTheirCodes) {
  struct Caso {
    const char* nombre;
    int32_t codigo;
    int pitidos;
    Fallo fallo;
    const char* peticion;  // how the request behind the code starts ("" without a code)
  };
  // Blocks are counted from the meter's start: picture 3 comes first.
  constexpr uint32_t kEtapa1 = kBloques_imagen + 1;
  constexpr uint32_t kEtapa2 = kBloques_imagen + kBloques_etapa1 + 1;
  using enum Tipo_fallo;
  using enum Peticion;
  const Caso casos[] = {
      {"lost ack, recovered", 0, 0, {Ack_perdido, Bloque, kEtapa1 + 400, 1}, ""},
      // Block 9000 of the application starts at 9000 x 200 = 0x1B7740.
      {"application block lost twice",
       12,
       1,
       {Ack_perdido, Bloque, kEtapa1 + 9000, 2},
       "Actualizar_mpeg4 (etapa 1, bloque CB:7740)"},
      {"unplugged in the application",
       12,
       1,
       {Desenchufe, Bloque, kEtapa1 + 20, 1},
       "Actualizar_mpeg4 (etapa 1, bloque B0:0FA0)"},
      {"program block lost twice",
       13,
       1,
       {Ack_perdido, Bloque, kEtapa2 + 300, 2},
       "Actualizar_mpeg4 (etapa 2, bloque 81:2580)"},
      {"silent at 0x0D 0x00",
       24,
       1,
       {Silencio, Preparar_mpeg4, 1, 1},
       "Actualizar_mpeg4 (0x0D 0x00)"},
      {"silent at the start request",
       15,
       0,
       {Silencio, Actualizar_mpeg4, 1, 1},
       "Actualizar_mpeg4 (fin)"},
      {"restart in the module update",
       15,
       0,
       {Reinicio, Actualizar_mpeg4, 1, 1},
       "Actualizar_mpeg4 (fin)"},
  };
  for (const Caso& c : casos) {
    Config_medidor config;
    config.fallos = {c.fallo};
    Banco b(config);
    ASSERT_TRUE(b.cargador) << c.nombre;
    const bool ok = static_cast<bool>(b.Actualizar());
    EXPECT_EQ(ok, c.codigo == 0) << c.nombre;
    EXPECT_EQ(b.m.v.estado.codigo_error, c.codigo) << c.nombre;
    // The reason shown with the code names the request that gave up.
    EXPECT_EQ(b.m.v.estado.motivo_error.peticion, c.peticion) << c.nombre;
    EXPECT_EQ(b.m.v.estado.motivo_error.codigo, c.codigo) << c.nombre;
    EXPECT_EQ(static_cast<int>(b.m.v.pitidos.size()), c.pitidos) << c.nombre;
    for (uint32_t disparos : b.m.medidor.Disparos_fallos()) EXPECT_GE(disparos, 1u) << c.nombre;
    const sim::Estado_mpeg4& modulo = b.m.medidor.Mpeg4();
    if (ok) {
      EXPECT_TRUE(std::ranges::equal(modulo.aplicacion, Aplicacion_mpeg4())) << c.nombre;
      EXPECT_TRUE(std::ranges::equal(modulo.etapa2, Etapa2_mpeg4())) << c.nombre;
    }
    // The start request goes only after both images and an answer to 0x0D 0x00.
    const bool iniciado = c.codigo == 0 || c.codigo == kCodigo_mpeg4_sin_fin;
    EXPECT_EQ(b.m.medidor.Cuenta(Peticion::Actualizar_mpeg4), iniciado ? 1u : 0u) << c.nombre;
    if (c.codigo == kCodigo_mpeg4_etapa1) {
      EXPECT_LT(b.m.medidor.Cuenta(Peticion::Bloque), kEtapa2) << c.nombre;  // no program block
    }
  }
}

}  // namespace
}  // namespace r27
