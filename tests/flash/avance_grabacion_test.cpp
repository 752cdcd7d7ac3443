// The judge of the meter's progress bytes during a flash burn, shared by the
// firmware's burn and the FPGA set's.
#include "flash/avance_grabacion.h"

#include <gtest/gtest.h>

#include <vector>

namespace r27 {
namespace {

TEST(Avance_grabacion, ProgressBytesJudgedInPairs) {
  using P = Paso_grabacion;
  struct Caso {
    const char* nombre;
    std::vector<uint8_t> bytes;
    std::vector<P> pasos;     // one per byte
    bool borrando, grabando;  // after the last byte
  };
  const Caso casos[] = {
      {"whole burn",
       {0x8A, 0x8A, 0x37, 0x3D, 0x8B, 0x8B, 0xDB, 0xE1, 0x80, 0x80},
       {P::Seguir, P::Borrando, P::Seguir, P::Seguir, P::Seguir, P::Grabando, P::Seguir, P::Seguir,
        P::Seguir, P::Completa},
       false,
       true},
      {"end at once", {0x80, 0x80}, {P::Seguir, P::Completa}, false, false},
      {"refused at once", {0x41}, {P::Rechazada}, false, false},
      {"a lone 0x8A starts nothing", {0x8A, 0x41}, {P::Seguir, P::Rechazada}, false, false},
      {"a lone 0x8B starts nothing",
       {0x8B, 0x80, 0x07},
       {P::Seguir, P::Seguir, P::Rechazada},
       false,
       false},
      {"other bytes ignored once erasing",
       {0x8A, 0x8A, 0x41, 0x80, 0x41, 0x80, 0x80},
       {P::Seguir, P::Borrando, P::Seguir, P::Seguir, P::Seguir, P::Seguir, P::Completa},
       true,
       false},
      {"programming alone is enough",
       {0x8B, 0x8B, 0x00},
       {P::Seguir, P::Grabando, P::Seguir},
       false,
       true},
      {"three in a row", {0x8A, 0x8A, 0x8A}, {P::Seguir, P::Borrando, P::Borrando}, true, false},
      {"erase after programming ends the programming",
       {0x8B, 0x8B, 0x8A, 0x8A},
       {P::Seguir, P::Grabando, P::Seguir, P::Borrando},
       true,
       false},
  };
  for (const Caso& c : casos) {
    Avance_grabacion a;
    std::vector<P> pasos;
    for (uint8_t b : c.bytes) pasos.push_back(a.Recibir(b));
    EXPECT_EQ(pasos, c.pasos) << c.nombre;
    EXPECT_EQ(a.Borrando(), c.borrando) << c.nombre;
    EXPECT_EQ(a.Grabando(), c.grabando) << c.nombre;
  }
}

}  // namespace
}  // namespace r27
