// A recorded trace played back as the meter: the answers at their recorded
// delays, openings told or not, writes split differently, and the two ways the
// updater departs from the trace.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "sim/reproduccion_traza.h"

namespace r27::sim {
namespace {

using Bytes = std::vector<uint8_t>;
using Salidas = std::vector<std::pair<uint64_t, Bytes>>;  // (time in µs, bytes read then)
constexpr uint64_t kMs = 1000;

struct Paso {
  uint64_t t_us;
  bool abrir;  // the port opens (else: the updater writes `bytes`)
  Bytes bytes;
};

// A probe answered 0.4 ms after it, then a two-byte request answered at once.
constexpr const char* kSondeo_y_lectura =
    "# puerto abierto\n100.000 W 1 00\n100.400 R 1 5D\n100.500 R 0 x2\n"
    "101.000 W 2 01 02\n101.000 R 2 10 04\n";
// A request, the port reopened, and a byte that came before the next write.
constexpr const char* kByte_tras_reapertura =
    "# puerto abierto\n5.000 W 2 0F 00\n6.000 R 0 x3\n# puerto abierto\n3.107 R 0 x230\n"
    "1000.239 R 1 BB\n1000.252 W 2 0F 00\n";

// Reads the way the in-process port does, up to `hasta_us`.
void Leer_hasta(Reproduccion_traza& r, uint64_t hasta_us, Salidas& vistas) {
  for (;;) {
    const auto t = r.Proximo_evento_us();
    if (!t || *t > hasta_us) return;
    uint8_t b[64];
    const size_t n = r.Tomar_salida(*t, 115200, b, sizeof b);
    if (n == 0) return;
    if (vistas.empty() || vistas.back().first != *t) vistas.emplace_back(*t, Bytes{});
    vistas.back().second.insert(vistas.back().second.end(), b, b + n);
  }
}

TEST(Reproduccion_traza, RespondeComoLaTrazaOSeDetieneDondeSeAparta) {
  struct Caso {
    const char* nombre;
    const char* traza;
    bool avisa_aperturas;
    std::vector<Paso> pasos;
    Salidas salidas;
    const char* desvio;  // "" while the updater follows the trace
    bool terminada;
  };
  const Caso casos[] = {
      {"each write answered at its recorded delay, a split one once whole",
       kSondeo_y_lectura,
       true,
       {{0, true, {}},
        {100 * kMs, false, {0x00}},
        {200 * kMs, false, {0x01}},
        {201 * kMs, false, {0x02}}},
       {{100'400, {0x5D}}, {201 * kMs, {0x10, 0x04}}},
       "",
       true},
      {"a write with no opening told passes the opening",
       kSondeo_y_lectura,
       true,
       {{100 * kMs, false, {0x00}}},
       {{100'400, {0x5D}}},
       "",
       false},
      {"a byte read before the next write comes at its delay from the opening told",
       kByte_tras_reapertura,
       true,
       {{0, true, {}},
        {10 * kMs, false, {0x0F, 0x00}},
        {20 * kMs, true, {}},
        {2000 * kMs, false, {0x0F, 0x00}}},
       {{1020'239, {0xBB}}},
       "",
       true},
      {"untold, the opening is taken to follow the last thing the trace saw",
       kByte_tras_reapertura,
       false,
       {{10 * kMs, false, {0x0F, 0x00}}, {2000 * kMs, false, {0x0F, 0x00}}},
       {{1011'239, {0xBB}}},
       "",
       true},
      {"a byte that departs in the middle of a write stops the replay",
       kSondeo_y_lectura,
       true,
       {{0, true, {}},
        {100 * kMs, false, {0x00}},
        {200 * kMs, false, {0x01, 0x03, 0x04}},
        {300 * kMs, false, {0x00}}},
       {{100'400, {0x5D}}},
       "el actualizador se aparta de la traza en la linea 5 (W de 2 bytes a 101.000 ms), byte 2: "
       "la traza sigue 02, el actualizador escribio 03 04",
       false},
      {"a write past the end of the trace",
       kSondeo_y_lectura,
       true,
       {{0, true, {}},
        {100 * kMs, false, {0x00}},
        {200 * kMs, false, {0x01, 0x02}},
        {300 * kMs, false, {0x00}}},
       {{100'400, {0x5D}}, {200 * kMs, {0x10, 0x04}}},
       "el actualizador escribio 00 despues del final de la traza (linea 6)",
       true},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::istringstream texto(c.traza);
    Traza_grabada traza;
    std::string error;
    ASSERT_TRUE(Leer_traza(texto, traza, error)) << error;
    Reproduccion_traza r(std::move(traza), c.avisa_aperturas);
    Salidas vistas;
    for (const Paso& p : c.pasos) {
      Leer_hasta(r, p.t_us, vistas);
      if (p.abrir)
        r.Puerto_abierto(p.t_us);
      else
        r.Recibir(p.bytes.data(), p.bytes.size(), p.t_us, 115200);
    }
    Leer_hasta(r, UINT64_MAX, vistas);
    EXPECT_EQ(vistas, c.salidas);
    EXPECT_EQ(r.Desvio().value_or(""), c.desvio);
    EXPECT_EQ(r.Detenido(), *c.desvio != '\0');
    EXPECT_EQ(r.Terminada(), c.terminada);
  }
}

}  // namespace
}  // namespace r27::sim
