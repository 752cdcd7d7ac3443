// The USB serial adapter's latency timer: when each byte a device sends reaches
// the computer, for short replies, replies across a tick, full packets and a
// purge while the adapter still holds a reply.
#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "sim/latencia_adaptador.h"

namespace r27::sim {
namespace {

constexpr uint64_t kMs = 1000;

// A device that sends the bytes it is given at the times it is given.
class Emisor_guion final : public Dispositivo_linea {
 public:
  void Poner(uint64_t t_us, size_t n) {
    for (size_t i = 0; i < n; ++i) salida_.Poner(static_cast<uint8_t>(i), t_us, 115200);
  }
  void Recibir(const uint8_t*, size_t, uint64_t, uint32_t) override {}
  void Avanzar(uint64_t) override {}
  std::optional<uint64_t> Proximo_evento_us() const override { return salida_.Primero_us(); }
  size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) override {
    return salida_.Tomar(hasta_us, baudios, destino, max);
  }
  void Descartar_salida(uint64_t hasta_us) override { salida_.Descartar(hasta_us); }

 private:
  Cola_salida salida_;
};

using Tandas = std::vector<std::pair<uint64_t, size_t>>;  // (time in µs, bytes)

// Reads as a port does: goes to the next event, takes what has come. With a
// purge, the computer purges its input at that time and reads only after it.
Tandas Entregas(Latencia_adaptador& adaptador, std::optional<uint64_t> purga_us) {
  if (purga_us) {
    adaptador.Avanzar(*purga_us);
    adaptador.Descartar_salida(*purga_us);
  }
  Tandas vistas;
  for (int vueltas = 0; vueltas < 1000; ++vueltas) {
    const auto t = adaptador.Proximo_evento_us();
    if (!t) break;
    adaptador.Avanzar(*t);
    uint8_t b[256];
    const size_t n = adaptador.Tomar_salida(*t, 115200, b, sizeof b);
    if (n == 0) continue;
    if (!vistas.empty() && vistas.back().first == *t)
      vistas.back().second += n;
    else
      vistas.emplace_back(*t, n);
  }
  return vistas;
}

TEST(Latencia_adaptador, CadaByteLlegaEnElPaqueteQueLoLleva) {
  struct Caso {
    const char* nombre;
    uint64_t latencia_ms;
    Tandas envios;  // what the device sends
    std::optional<uint64_t> purga_us;
    Tandas entregas;  // what the computer gets, and when
  };
  const Caso casos[] = {
      {"a one-byte reply waits for the next tick", 16, {{5 * kMs, 1}}, {}, {{16 * kMs, 1}}},
      {"a reply across a tick goes in two packets",
       16,
       {{15 * kMs, 1}, {17 * kMs, 1}},
       {},
       {{16 * kMs, 1}, {32 * kMs, 1}}},
      {"idle ticks keep the timer's phase", 16, {{40 * kMs, 1}}, {}, {{48 * kMs, 1}}},
      {"a byte on a tick leaves with it", 16, {{32 * kMs, 1}}, {}, {{32 * kMs, 1}}},
      {"a full packet leaves at once and restarts the timer",
       16,
       {{5 * kMs, 62}, {6 * kMs, 1}},
       {},
       {{5 * kMs, 62}, {21 * kMs, 1}}},
      {"past a full packet the rest waits for the tick",
       16,
       {{5 * kMs, 70}},
       {},
       {{5 * kMs, 62}, {21 * kMs, 8}}},
      {"low latency: a 1 ms timer", 1, {{5'500, 2}}, {}, {{6 * kMs, 2}}},
      {"a purge does not reach what the adapter still holds",
       16,
       {{5 * kMs, 2}},
       10 * kMs,
       {{16 * kMs, 2}}},
      {"a purge drops what the adapter has passed on", 16, {{5 * kMs, 2}}, 20 * kMs, {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Emisor_guion emisor;
    for (const auto& [t, n] : c.envios) emisor.Poner(t, n);
    Latencia_adaptador adaptador(emisor, c.latencia_ms * kMs);
    EXPECT_EQ(Entregas(adaptador, c.purga_us), c.entregas);
  }
}

}  // namespace
}  // namespace r27::sim
