// The choice of plan set survives the tick decision of the next connection, which
// then ticks the plan step and makes an up-to-date meter ready for an update;
// without a valid choice nothing changes.
#include "app/nucleo/eleccion_planes.h"

#include <gtest/gtest.h>

#include "tests/conexion/banco_conexion.h"

namespace r27 {
namespace {

TEST(Eleccion_planes, TheNextConnectionTicksTheChosenSet) {
  struct Caso {
    const char* nombre;
    int32_t eleccion;  // -100: no choice
    bool aceptada;
    int32_t indice_plan;
  };
  const Caso casos[] = {
      {"no choice", -100, false, 0}, {"Eastern European", 3, true, 3},   {"European", 0, true, 0},
      {"Australian", 4, true, 4},    {"past the last set", 5, false, 0}, {"negative", -1, false, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    pruebas::Banco_conexion b;
    sim::Config_medidor config;
    config.version = "3.01";  // nothing else to update
    config.fpga_menor = 3;
    config.mpeg4_actual = {133, 0, 5, 2};
    b.Medidor(1, config);
    if (c.eleccion != -100) {
      EXPECT_EQ(Elegir_planes(b.v.estado, c.eleccion), c.aceptada);
    }
    EXPECT_EQ(b.v.estado.Check_planes, c.aceptada);  // ticked at once

    b.Conectar(1);
    ASSERT_TRUE(b.v.estado.conectado);
    EXPECT_EQ(b.v.estado.Check_planes, c.aceptada);
    EXPECT_EQ(b.v.estado.indice_plan, c.indice_plan);
    EXPECT_FALSE(b.v.estado.Check_firmware);
    EXPECT_EQ(b.conexion.Medidor_listo(), c.aceptada);
  }
}

}  // namespace
}  // namespace r27
