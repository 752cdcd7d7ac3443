// The MPEG-4 upload against a scripted meter: what goes over the line, every
// time-out and wrong answer with its result code, the progress bars and the
// rate switch. Small images keep the block loops short; the embedded ones go
// through the simulated meter in the integration test.
#include "components/programador_mpeg4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

#include "components/tramas_mpeg4.h"
#include "flash/subida_graficos.h"
#include "link/codigos_resultado.h"
#include "tests/apoyo/backend_guion.h"
#include "tests/apoyo/conexion_falsa.h"

namespace r27 {
namespace {

using pruebas::Bytes;
using pruebas::Conexion_falsa;
using pruebas::Ventana_con_guion;

constexpr uint64_t kSegundo_us = 1'000'000;
constexpr uint8_t kSegmento_graficos = 0xF0;

Bytes Serie(size_t n, uint32_t semilla) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>((i * 31 + semilla) ^ (i >> 8));
  return b;
}

// A meter that answers from a script and keeps what it was sent.
struct Medidor_guion {
  // Answer to each staging-erase attempt (the last one repeats); none: silence.
  std::vector<std::optional<uint8_t>> borrado{'p'};
  int sin_respuesta_etapa1 = -1;  // index of a stage-1 block left unanswered
  int sin_respuesta_etapa2 = -1;
  std::optional<uint8_t> preparado = 0x0D;  // answer to 0x0D 0x00
  std::optional<uint32_t> fin_ms = 60'000;  // 0xBB this long after the start request

  std::vector<Bytes> etapa1, etapa2;
  int bloques_graficos = 0;
  int intentos_borrado = 0;
  Bytes inicio;

  void Instalar(pruebas::Backend_guion& g) {
    g.al_escribir = [this, &g](std::span<const uint8_t> w) -> Bytes {
      const Bytes e(w.begin(), w.end());
      if (std::ranges::equal(e, kBorrado_staging_mpeg4)) {
        const auto r = borrado[std::min<size_t>(intentos_borrado++, borrado.size() - 1)];
        return r ? Bytes{*r} : Bytes{};
      }
      if (e.size() == 8 && e[0] == 0x07) return {'p'};  // the graphics area's erase
      if (e.size() >= 6 && e[0] == 0x03 && e[1] + 2u == e.size()) {
        const Bytes datos(e.begin() + 5, e.end() - 1);
        const uint8_t s = e[4];
        if (s >= kSegmento_graficos) {
          ++bloques_graficos;
          return {'0'};
        }
        auto& etapa = s == 0x81 ? etapa2 : etapa1;
        const int sin = s == 0x81 ? sin_respuesta_etapa2 : sin_respuesta_etapa1;
        if (static_cast<int>(etapa.size()) == sin) return {};
        etapa.push_back(datos);
        return {'0'};
      }
      if (std::ranges::equal(e, kOrden_preparar_mpeg4))
        return preparado ? Bytes{*preparado} : Bytes{};
      if (e.size() == kBytes_orden_inicio_mpeg4 && (e[0] == 0xCC || e[0] == 0x4C)) {
        inicio = e;
        if (fin_ms) g.Responder({0x0A, kFin_mpeg4}, *fin_ms);  // a stray byte first
        return {};
      }
      return {};  // fillers and anything else: no answer
    };
  }
};

struct Banco {
  explicit Banco(bool con_graficos = true) {
    if (con_graficos) {
      graficos.activo = true;
      graficos.segmento_base = kSegmento_graficos;
      f.v.graficos = &graficos;
    }
    f.v.barra_general.Fijar_rango(0, 2000);
    f.v.estado.progreso_base = 300;
    // Answers take longer than one read, so the waits let window messages run.
    f.guion->retraso_respuesta_ms = 10;
    medidor.Instalar(*f.guion);
  }
  Resultado Actualizar(bool region_usa = false) {
    return Programador_mpeg4(f.v, conexion, aplicacion, etapa2).Actualizar_mpeg4(0, region_usa);
  }
  int Pitidos() const { return static_cast<int>(f.v.pitidos.size()); }
  // Virtual seconds from the last write to now: how long the last wait lasted.
  double Tras_ultima_escritura() const {
    return double(f.v.reloj.Ahora_us() - f.guion->Escrituras().back().instante_us) / kSegundo_us;
  }

  Ventana_con_guion f;
  Subida_graficos graficos{f.v};
  Conexion_falsa conexion{f.v};
  Bytes aplicacion = Serie(30 * 200 + 156, 7);  // 31 blocks, as the real image ends
  Bytes etapa2 = Serie(5 * 32 + 12, 99);        // 6 blocks
  Medidor_guion medidor;
};

Bytes Unir(const std::vector<Bytes>& bloques) {
  Bytes todo;
  for (const Bytes& b : bloques) todo.insert(todo.end(), b.begin(), b.end());
  return todo;
}

TEST(Programador_mpeg4, SendsBothImagesAndStartsTheModule) {
  struct Caso {
    const char* nombre;
    bool region_usa, windows64, con_graficos;
    uint8_t codigo_inicio;
    std::vector<uint32_t> velocidades;
  };
  const Caso casos[] = {
      {"fast line, other region", false, false, true, 0xCC, {115200}},
      {"WOW64 keeps the rate, US region", true, true, true, 0x4C, {}},
      {"no graphics uploader", false, false, false, 0xCC, {115200}},
  };
  for (const Caso& c : casos) {
    Banco b(c.con_graficos);
    b.conexion.windows64 = c.windows64;
    ASSERT_TRUE(b.Actualizar(c.region_usa)) << c.nombre << ": " << b.f.v.estado.codigo_error;
    EXPECT_TRUE(b.f.v.pitidos.empty()) << c.nombre;
    EXPECT_EQ(Unir(b.medidor.etapa1), b.aplicacion) << c.nombre;
    EXPECT_EQ(Unir(b.medidor.etapa2), b.etapa2) << c.nombre;
    EXPECT_EQ(b.medidor.bloques_graficos, c.con_graficos ? 300 : 0) << c.nombre;  // pictures 3, 4
    EXPECT_EQ(b.conexion.velocidades, c.velocidades) << c.nombre;
    EXPECT_EQ(b.f.v.estado.progreso_base, 300 + 220) << c.nombre;
    // Staging erase first; 0x0D 0x00 and the start request (length 6,156) last.
    const auto& w = b.f.guion->Escrituras();
    EXPECT_TRUE(std::ranges::equal(w.front().bytes, kBorrado_staging_mpeg4)) << c.nombre;
    EXPECT_TRUE(std::ranges::equal(w[w.size() - 2].bytes, kOrden_preparar_mpeg4)) << c.nombre;
    EXPECT_EQ(w.back().bytes, Bytes({c.codigo_inicio, 0, 0, 0x20, 0, 0x0C, 0x18, 0, 0}))
        << c.nombre;
  }
}

TEST(Programador_mpeg4, TimeOutsAndWrongAnswersGiveTheirCodes) {
  struct Caso {
    const char* nombre;
    std::function<void(Medidor_guion&)> preparar;
    int32_t codigo;
    int pitidos, intentos_borrado;
    bool inicio_enviado;
    double espera_s;       // the last wait, after the last write (0: not checked)
    std::string peticion;  // the request that gave up ("" on success)
  };
  const Caso casos[] = {
      // Up to 10 whole seconds, then the 500 ms pause.
      {"erase never answered", [](auto& m) { m.borrado = {std::nullopt}; }, 12, 3, 3, false, 10.5,
       "Actualizar_mpeg4 (borrado)"},
      {"erase answered wrongly", [](auto& m) { m.borrado = {'x'}; }, 12, 3, 3, false, 0,
       "Actualizar_mpeg4 (borrado)"},
      {"erase at the third attempt",
       [](auto& m) {
         m.borrado = {{}, 'x', 'p'};
       },
       0, 2, 3, true, 0, ""},
      // Block 17 starts at 17 x 200 bytes; block 5 of the program at 5 x 32.
      {"stage-1 block refused", [](auto& m) { m.sin_respuesta_etapa1 = 17; }, 12, 1, 1, false, 0,
       "Actualizar_mpeg4 (etapa 1, bloque B0:0D48)"},
      {"stage-2 block refused", [](auto& m) { m.sin_respuesta_etapa2 = 5; }, 13, 1, 1, false, 0,
       "Actualizar_mpeg4 (etapa 2, bloque 81:00A0)"},
      {"no answer to 0x0D 0x00", [](auto& m) { m.preparado.reset(); }, 24, 1, 1, false, 10,
       "Actualizar_mpeg4 (0x0D 0x00)"},
      // The 1,000 ms pause, then up to 1,020 whole seconds.
      {"no end byte", [](auto& m) { m.fin_ms.reset(); }, 15, 0, 1, true, 1021,
       "Actualizar_mpeg4 (fin)"},
      {"end byte after 1,020 s", [](auto& m) { m.fin_ms = 1'030'000; }, 15, 0, 1, true, 1021,
       "Actualizar_mpeg4 (fin)"},
      {"end byte at 1,000 s", [](auto& m) { m.fin_ms = 1'000'000; }, 0, 0, 1, true, 0, ""},
  };
  for (const Caso& c : casos) {
    // Each failure once on its own and once after an earlier step's code.
    std::vector<int32_t> previos{0};
    if (c.codigo != 0) previos.push_back(kCodigo_paso_previo_mpeg4);
    for (const int32_t previo : previos) {
      Banco b;
      c.preparar(b.medidor);
      b.f.v.estado.codigo_error = previo;
      const Resultado r = b.Actualizar();
      EXPECT_EQ(static_cast<bool>(r), c.codigo == 0) << c.nombre;
      EXPECT_EQ(b.f.v.estado.codigo_error, previo != 0 ? previo : c.codigo) << c.nombre;
      // The failure returned names the request with its code; it becomes the
      // run's reason only with the run's code.
      EXPECT_EQ(r ? "" : r.Motivo()->peticion, c.peticion) << c.nombre;
      EXPECT_EQ(r ? 0 : r.Motivo()->codigo, c.codigo) << c.nombre;
      EXPECT_EQ(b.f.v.estado.motivo_error.peticion, previo != 0 ? "" : c.peticion) << c.nombre;
      EXPECT_EQ(b.Pitidos(), c.pitidos) << c.nombre;
      EXPECT_EQ(b.medidor.intentos_borrado, c.intentos_borrado) << c.nombre;
      EXPECT_EQ(!b.medidor.inicio.empty(), c.inicio_enviado) << c.nombre;
      if (c.espera_s > 0) {
        EXPECT_GE(b.Tras_ultima_escritura(), c.espera_s - 1.0) << c.nombre;
        EXPECT_LE(b.Tras_ultima_escritura(), c.espera_s + 0.1) << c.nombre;
      }
    }
  }
}

TEST(Programador_mpeg4, AbortsGiveTheirStageCode) {
  struct Caso {
    const char* nombre;
    std::function<bool(const Banco&)> cuando;
    int32_t codigo;
    uint64_t pausa_ms;  // from the abort to the return
  };
  // In a block's acknowledgement wait the sender pauses; between two blocks
  // (the bar already shows the block just sent) the stage loop does.
  const Caso casos[] = {
      {"picture 3", [](const Banco& b) { return b.medidor.bloques_graficos > 0; }, 12, 0},
      {"stage 1, in a wait", [](const Banco& b) { return b.medidor.etapa1.size() == 3; }, 12, 300},
      {"stage 1, between blocks",
       [](const Banco& b) {
         return b.medidor.etapa1.size() == 3 && b.f.v.barra_progreso.Posicion() == 2;
       },
       12, 300},
      {"stage 2, in a wait", [](const Banco& b) { return b.medidor.etapa2.size() == 2; }, 13, 300},
      {"stage 2, between blocks",
       [](const Banco& b) {
         return b.medidor.etapa2.size() == 2 && b.f.v.barra_progreso.Posicion() == 64;
       },
       13, 300},
      {"picture 4", [](const Banco& b) { return b.medidor.bloques_graficos > 150; }, 14, 0},
  };
  for (const Caso& c : casos) {
    Banco b;
    uint64_t t_abortar = 0;
    b.f.v.al_procesar_mensajes = [&] {
      if (!b.f.v.estado.abortar && c.cuando(b)) {
        b.f.v.estado.abortar = true;
        t_abortar = b.f.v.reloj.Ahora_us();
      }
    };
    EXPECT_FALSE(b.Actualizar()) << c.nombre;
    EXPECT_EQ(b.f.v.estado.codigo_error, c.codigo) << c.nombre;
    EXPECT_EQ(b.f.v.estado.motivo_error.llegada, Llegada::cancelada) << c.nombre;
    EXPECT_TRUE(b.f.v.pitidos.empty()) << c.nombre;
    EXPECT_TRUE(b.medidor.inicio.empty()) << c.nombre;
    ASSERT_NE(t_abortar, 0u) << c.nombre;
    const uint64_t ms = (b.f.v.reloj.Ahora_us() - t_abortar) / 1000;
    EXPECT_GE(ms, c.pausa_ms) << c.nombre;
    EXPECT_LT(ms, c.pausa_ms + 20) << c.nombre;
  }
}

TEST(Programador_mpeg4, ProgressStaysWithinItsShares) {
  struct Caso {
    const char* nombre;
    std::optional<uint32_t> fin_ms;
    int paso_final;  // elapsed seconds shown last in the wait
  };
  const Caso casos[] = {
      {"end at 200 s", 200'000, 199}, {"end at 700 s", 700'000, 509}, {"no end", {}, 509}};
  for (const Caso& c : casos) {
    Banco b;
    b.medidor.fin_ms = c.fin_ms;
    Barra& paso = b.f.v.barra_progreso;
    Barra& general = b.f.v.barra_general;
    int previo = 300, etapa1 = 0;
    general.Al_cambiar([&] {
      EXPECT_GE(general.Posicion(), previo) << c.nombre;  // never backwards
      previo = general.Posicion();
      if (paso.Maximo() == 30) {  // stage 1: blocks sent before this one, of 6,156 / 200
        EXPECT_EQ(general.Posicion(), 300 + paso.Posicion() * 220 / 30) << c.nombre;
        etapa1 = general.Posicion();
      } else if (paso.Maximo() == 510) {  // the wait, on the new base
        EXPECT_EQ(general.Posicion(), 520 + paso.Posicion() * 420 / 510) << c.nombre;
        EXPECT_LT(general.Posicion(), 520 + 420) << c.nombre;
      }
    });
    std::vector<int> etapa2;  // stage 2 shows the bytes sent after each block
    paso.Al_cambiar([&, maximo = 0]() mutable {
      if (paso.Maximo() == 172 && maximo == 172) etapa2.push_back(paso.Posicion());
      maximo = paso.Maximo();
    });
    (void)b.Actualizar();
    EXPECT_EQ(etapa1, 520) << c.nombre;  // stage 1 fills its share with its last block
    EXPECT_EQ(etapa2, (std::vector<int>{32, 64, 96, 128, 160, 172})) << c.nombre;
    EXPECT_NEAR(paso.Posicion(), c.paso_final, 1) << c.nombre;  // whole seconds of the clock
    EXPECT_EQ(general.Posicion(), 520 + paso.Posicion() * 420 / 510) << c.nombre;
  }
}

TEST(Programador_mpeg4, TheEmbeddedImages) {
  const auto app = Aplicacion_mpeg4();
  ASSERT_EQ(app.size(), 3'043'156u);
  EXPECT_EQ(std::string(app.begin(), app.begin() + 13), "RDHBmpeg4_app");
  EXPECT_EQ(Etapa2_mpeg4().size(), 21'676u);
  // Code, tables and data, not a filler: no byte value fills a quarter of it.
  std::array<uint32_t, 256> cuenta{};
  for (uint8_t v : app) ++cuenta[v];
  EXPECT_LT(*std::ranges::max_element(cuenta), app.size() / 4);
}

}  // namespace
}  // namespace r27
