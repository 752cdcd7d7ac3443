// The meter a burn cut short leaves behind answers from its boot stage, its
// identity page possibly erased, its RAM (level word, language byte) not filled
// by any firmware, its status block possibly erased. The search offers it the
// whole update; any other meter is decided as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "app/nucleo/decisiones.h"
#include "app/nucleo/pantallas.h"
#include "tests/interrupcion/banco_interrupcion.h"

namespace r27::pruebas {
namespace {

// What the search did with the meter.
enum class Final : uint8_t { Actualizacion, Rechazo_nivel, Nada_familia, Nada_ajena };

const char* Nombre(Final f) {
  switch (f) {
    case Final::Actualizacion:
      return "update";
    case Final::Rechazo_nivel:
      return "refused for its level";
    case Final::Nada_familia:
      return "nothing to do";
    case Final::Nada_ajena:
      return "another family";
  }
  return "?";
}

// The identity page as a test writes it: block, version field, build field.
struct Pagina_identidad {
  std::array<uint8_t, 16> bloque;
  std::array<uint8_t, 6> version;
  std::array<uint8_t, 6> build;
};

std::array<uint8_t, 16> Bloque(const char* familia) {
  std::array<uint8_t, 16> b{};
  std::memcpy(b.data(), familia, std::strlen(familia));
  std::memcpy(b.data() + 12, "EUR", 3);
  return b;
}
std::array<uint8_t, 6> Campo(const char* texto) {
  std::array<uint8_t, 6> c{};
  std::memcpy(c.data(), texto, std::strlen(texto));
  return c;
}
template <size_t N>
std::array<uint8_t, N> Borrado() {
  std::array<uint8_t, N> b;
  b.fill(0xFF);
  return b;
}

void Escribir(sim::Medidor_simulado& m, const Pagina_identidad& p) {
  auto s = m.Memoria().Segmento_flash(0x18);
  std::copy(p.bloque.begin(), p.bloque.end(), s.begin());
  std::copy(p.version.begin(), p.version.end(), s.begin() + 0x10);
  std::copy(p.build.begin(), p.build.end(), s.begin() + 0x16);
}

TEST(Medidor_en_arranque, LaIdentidadBorradaRecibeLaActualizacionCompletaYNadaMas) {
  const Pagina_identidad borrada{Borrado<16>(), Borrado<6>(), Borrado<6>()};
  const Pagina_identidad al_dia{Bloque("QZT"), Campo("3.01"), Campo("00000")};
  auto medio_borrado = Borrado<16>();
  medio_borrado[15] = 0x00;
  auto qzt_sin_cero = Borrado<16>();
  std::memcpy(qzt_sin_cero.data(), "QZT", 3);
  struct Caso {
    const char* nombre;
    bool arranque;
    Pagina_identidad pagina;
    bool al_dia;     // FPGA 3.3 and module 133
    int nivel = -1;  // RAM word written before the search (-1: as the stage leaves it)
    Final final;
    bool familia_valida;
  };
  const Caso casos[] = {
      {"boot stage, page erased", true, borrada, false, -1, Final::Actualizacion, true},
      {"boot stage, page erased, all else current", true, borrada, true, -1, Final::Actualizacion,
       true},
      {"boot stage, block erased, version readable",
       true,
       {Borrado<16>(), Campo("3.01"), Campo("00000")},
       false,
       -1,
       Final::Nada_ajena,
       false},
      {"boot stage, block erased but its last byte",
       true,
       {medio_borrado, Borrado<6>(), Borrado<6>()},
       false,
       -1,
       Final::Nada_ajena,
       false},
      {"boot stage, QZT then erased bytes",
       true,
       {qzt_sin_cero, Borrado<6>(), Borrado<6>()},
       false,
       -1,
       Final::Nada_ajena,
       false},
      {"boot stage, another family",
       true,
       {Bloque("VMK"), Campo("3.01"), Campo("00000")},
       false,
       -1,
       Final::Nada_ajena,
       false},
      {"running firmware, page erased", false, borrada, false, -1, Final::Nada_ajena, false},
      // The firmware cannot start: whatever its version says, it is written again.
      {"boot stage, current version", true, al_dia, true, -1, Final::Actualizacion, true},
      {"running firmware, current version", false, al_dia, true, -1, Final::Nada_familia, true},
      // The level: 0 in the boot stage is no measurement; a measured low level refuses.
      {"boot stage, level measured low", true, borrada, false, 30, Final::Rechazo_nivel, true},
      {"running firmware, level 0", false, al_dia, false, 0, Final::Rechazo_nivel, true},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    sim::Config_medidor c;
    c.etapa_arranque = k.arranque;
    if (k.al_dia) {
      c.fpga_menor = 3;
      c.mpeg4_actual = {133, 0, 5, 2};
    }
    Banco_interrupcion b(c);
    Escribir(b.medidor, k.pagina);
    if (k.nivel >= 0) {
      b.medidor.Memoria().Escribir(0x00FEA0, static_cast<uint8_t>(k.nivel));
      b.medidor.Memoria().Escribir(0x00FEA1, 0);
    }
    Estado_ventana& e = b.v.estado;
    e.region_usa = true;  // left from an earlier meter: the decision must clear it
    bool entregado = false;
    b.asistente.ejecutar_actualizacion = [&] {
      entregado = true;
      b.asistente.Volver_al_inicio();
    };
    b.asistente.Actualizar1Click();

    Final final = Final::Actualizacion;
    if (!entregado) {
      const Pantalla& p = b.vista.pantallas.back();
      final = p == Pantalla_rechazo_nivel(b.textos)  ? Final::Rechazo_nivel
              : p == Pantalla_nada_familia(b.textos) ? Final::Nada_familia
                                                     : Final::Nada_ajena;
      EXPECT_TRUE(final != Final::Nada_ajena || p == Pantalla_nada_ajena(b.textos));
    }
    EXPECT_STREQ(Nombre(final), Nombre(k.final));
    if (k.final == Final::Rechazo_nivel) continue;  // refused before the identity was judged
    EXPECT_EQ(e.familia_valida, k.familia_valida);
    if (k.final == Final::Actualizacion) {
      EXPECT_FALSE(e.region_usa);
      EXPECT_FALSE(e.familia_ajena);
      // The whole update: the firmware brings the FPGA set, the zone and the module.
      EXPECT_TRUE(e.Check_firmware && e.Check_fpga && e.Check_configuracion && e.Check_mpeg4_apl);
      EXPECT_FALSE(e.Check_borrar || e.Check_planes || e.Check_teclado);
    }
  }
}

// A meter in its boot stage cannot say its language nor (its segment erased) its
// hardware status: those read from the meter this session found running its
// firmware stand; a session without one takes what the boot stage reads.
TEST(Medidor_en_arranque, IdiomaYEstadoDeLaSesion) {
  sim::Config_medidor corriendo;
  corriendo.idioma = 4;
  corriendo.bloque_estado[26] = 0x00;  // bit 5 clear
  sim::Config_medidor en_arranque;
  en_arranque.etapa_arranque = true;
  en_arranque.idioma = 4;
  for (const bool antes : {true, false}) {
    SCOPED_TRACE(antes ? "after a running meter" : "fresh session");
    Banco_interrupcion b(en_arranque);
    auto estado = b.medidor.Memoria().Segmento_flash(0);
    std::fill(estado.begin() + 0x6010, estado.begin() + 0x6030, uint8_t{0xFF});
    Estado_ventana& e = b.v.estado;
    if (antes) {
      b.Medidor(2, corriendo);
      b.Conectar(2);
      ASSERT_TRUE(e.conectado);
      EXPECT_FALSE(e.modo_arranque);
      b.conexion.Medidor_listo();
      b.conexion.Boton_ConectarClick();
      EXPECT_EQ(e.idioma_medidor, 4);
      EXPECT_TRUE(e.estado_b5);
    }
    b.Conectar(1);
    ASSERT_TRUE(e.conectado);
    EXPECT_TRUE(e.modo_arranque);
    b.conexion.Medidor_listo();
    EXPECT_EQ(e.idioma_medidor, antes ? 4 : 0);  // the boot stage's RAM reads 0
    EXPECT_EQ(e.estado_b5, antes);               // an erased bit 5 reads set
  }
}

TEST(Medidor_en_arranque, ElNivelCeroEnArranqueNoEsUnaMedida) {
  struct Caso {
    int promedio;
    bool arranque;
    bool rechaza;
  };
  for (const Caso k :
       {Caso{49, false, true}, Caso{50, false, false}, Caso{0, false, true}, Caso{0, true, false},
        Caso{1, true, true}, Caso{49, true, true}, Caso{50, true, false}}) {
    EXPECT_EQ(Nivel_rechaza(k.promedio, 50, k.arranque), k.rechaza)
        << k.promedio << (k.arranque ? " in the boot stage" : "");
  }
}

}  // namespace
}  // namespace r27::pruebas
