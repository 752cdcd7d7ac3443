// A progress bar's numbers: a position always inside the range, a range whose
// maximum is below its minimum taken as empty, and the overall bar that never
// runs backwards.
#include <gtest/gtest.h>

#include "link/barra.h"

namespace r27 {
namespace {

TEST(Barra, LaPosicionQuedaDentroDelRango) {
  struct Caso {
    const char* nombre;
    int minimo, maximo;
    bool solo_avanza;
    int antes, pedida;  // the position shown, then the one asked for
    int maximo_fijado, posicion;
  };
  const Caso casos[] = {
      {"inside", 0, 100, false, 10, 40, 100, 40},
      {"below the minimum", 20, 100, false, 30, 5, 100, 20},
      {"past the maximum", 0, 100, false, 10, 250, 100, 100},
      {"a maximum below the minimum", 50, 10, false, 60, 70, 50, 50},
      {"backwards", 0, 100, false, 60, 30, 100, 30},
      {"backwards on the overall bar", 0, 100, true, 60, 30, 100, 60},
      {"forwards on the overall bar", 0, 100, true, 60, 61, 100, 61},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Barra b;
    int avisos = 0;
    b.Al_cambiar([&] { ++avisos; });
    b.Fijar_rango(k.minimo, k.maximo);
    b.Fijar_posicion(k.antes);
    b.Solo_avanzar(k.solo_avanza);
    const int avisos_antes = avisos;
    b.Fijar_posicion(k.pedida);
    EXPECT_EQ(b.Maximo(), k.maximo_fijado);
    EXPECT_EQ(b.Posicion(), k.posicion);
    // The screen is told of every move it has to show.
    EXPECT_EQ(avisos - avisos_antes, k.solo_avanza && k.pedida < k.antes ? 0 : 1);
  }
}

}  // namespace
}  // namespace r27
