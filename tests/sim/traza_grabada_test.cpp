// A wire trace read back: what each kind of line becomes, and the lines that are
// refused with their line number.
#include "sim/traza_grabada.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace r27::sim {
namespace {

using Tipo = Registro_traza::Tipo;

// One record as "<type letter><time µs>:<bytes in hex>@<line>", to compare in one go.
std::string Resumen(const Traza_grabada& t) {
  std::string r;
  for (const auto& g : t.registros) {
    r += g.tipo == Tipo::Apertura    ? 'A'
         : g.tipo == Tipo::Escritura ? 'W'
         : g.tipo == Tipo::Lectura   ? 'R'
                                     : 'T';
    r += std::to_string(g.t_us) + ":";
    for (uint8_t b : g.bytes) {
      char h[3];
      std::snprintf(h, sizeof h, "%02X", b);
      r += h;
    }
    r += "@" + std::to_string(g.linea) + " ";
  }
  return r;
}

TEST(Traza_grabada, CadaLineaSuRegistro) {
  struct Caso {
    const char* nombre;
    const char* texto;
    const char* registros;
  };
  const Caso casos[] = {
      {"the lines the updater writes",
       "# puerto abierto\n748.404 R 0 x1\n748.439 W 1 00\n748.836 R 1 5D\n"
       "749.187 ! Sondeo: esperaba 0x5D, llego nada (tiempo agotado)\n",
       "A0:@1 T748404:@2 W748439:00@3 R748836:5D@4 T749187:@5 "},
      {"several bytes, lower-case hex, no decimals", "12 W 3 0a ff 5A\n13.5 R 2 10 04\n",
       "W12000:0AFF5A@1 R13500:1004@2 "},
      {"CR LF endings, blank lines, trailing spaces and other comments",
       "# r27-sim --rechazo\r\n\r\n# puerto abierto\r\n1.000 W 1 00  \r\n", "A0:@3 W1000:00@4 "},
      {"an empty trace", "", ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::istringstream texto(c.texto);
    Traza_grabada t;
    std::string error;
    ASSERT_TRUE(Leer_traza(texto, t, error)) << error;
    EXPECT_EQ(Resumen(t), c.registros);
  }
}

TEST(Traza_grabada, LineasQueNoSonDeTraza) {
  struct Caso {
    const char* texto;
    const char* error;
  };
  const Caso casos[] = {
      {"1.0 W 2 00\n", "linea 1: dice 2 bytes y trae 1"},
      {"1.0 W 1 00 01\n", "linea 1: dice 1 bytes y trae 2"},
      {"# puerto abierto\n1.0 R 1 5G\n", "linea 2: el byte 5G no son dos cifras hexadecimales"},
      {"1.0 R 1 5\n", "linea 1: el byte 5 no son dos cifras"},
      {"1.0 W 0\n", "linea 1: una escritura sin bytes"},
      {"1.0 R 0\n", "linea 1: una lectura vacia se escribe R 0 x<n>"},
      {"1.0 R 0 x\n", "linea 1: una lectura vacia"},
      {"1.0 W\n", "linea 1: falta la cuenta de bytes"},
      {"1.0 W -1 00\n", "linea 1: falta la cuenta de bytes"},
      {"1.0 Q 1 00\n", "linea 1: se esperaba W, R o !"},
      {"abc W 1 00\n", "linea 1: no empieza por un tiempo en ms"},
      {"1.0000 W 1 00\n", "linea 1: no empieza por un tiempo"},
      {"99999999999999999999 W 1 00\n", "linea 1: no empieza por un tiempo"},
      {"puerto abierto\n", "linea 1: no empieza por un tiempo"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.texto);
    std::istringstream texto(c.texto);
    Traza_grabada t;
    std::string error;
    EXPECT_FALSE(Leer_traza(texto, t, error));
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
  }
}

}  // namespace
}  // namespace r27::sim
