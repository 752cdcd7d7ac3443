// The keyboard microcontroller's programming as the meter drives it: this test
// plays the computer's side with the vector tables and packets written by hand.
#include <gtest/gtest.h>

#include "tests/sim/banco_medidor.h"

namespace r27::sim {
namespace {

const std::vector<uint32_t> kTabla3 = {0x9F82BC, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C,
                                       0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C,
                                       0xDF481C, 0xDE00BC, 0xDF001C, 0xDFE25C};
const std::vector<uint32_t> kTabla5 = {0x9F8A9C, 0x9FCADC, 0xDEE01C, 0xDEC01C, 0x9F075C,
                                       0x9F207C, 0xDEA01C, 0xDE807C, 0x9F701C, 0xDF261C,
                                       0xDF481C, 0xDE005C, 0xDF001C, 0xDFE25C};
const std::vector<uint32_t> kTabla6 = {0xDEE01C, 0xDEC01C, 0x9F075C, 0x9F207C, 0xDEA01C, 0xDE807C,
                                       0x9F701C, 0xDF261C, 0xDF481C, 0xDE003C, 0xDF001C, 0xDFE25C};

Bytes Vector(uint32_t v) {
  return {0xBC, 0x03, static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
          static_cast<uint8_t>(v)};
}

Bytes Datos_bloque(int i) { return Serie(64, static_cast<uint8_t>(i * 3)); }

Bytes Paquete_64(const Bytes& datos) {
  Bytes p = {0xBC, 0x40};
  p.insert(p.end(), datos.begin(), datos.end());
  return p;
}

// The computer's side: sends a table, expecting one byte after every vector but
// the last; returns what came after the last one.
Bytes Enviar_tabla(Banco& b, const std::vector<uint32_t>& tabla) {
  for (size_t i = 0; i + 1 < tabla.size(); ++i) {
    EXPECT_EQ(b.Pedir(Vector(tabla[i]), 1000), Bytes{0x01}) << "vector " << i;
  }
  return b.Pedir(Vector(tabla.back()), 10'000);
}

// Sends the 256 blocks of one pass; `cambiar` alters block `alterado` in it.
Bytes Enviar_bloques(Banco& b, bool verificando, int alterado = -1) {
  for (int i = 0; i < 256; ++i) {
    Bytes datos = Datos_bloque(i);
    if (i == alterado) datos[10] ^= 0x01;
    Bytes tras_bloque = b.Pedir(Paquete_64(datos), 10'000);
    if (verificando && i == 255) return tras_bloque;
    EXPECT_EQ(tras_bloque, Bytes{0x01}) << "bloque " << i;
    Bytes tras_tabla = Enviar_tabla(b, verificando ? kTabla6 : kTabla5);
    if (i == 255) return tras_tabla;
    EXPECT_EQ(tras_tabla, Bytes{14}) << "bloque " << i;
  }
  return {};
}

TEST(Teclado, ProgramacionCompleta) {
  Banco b;
  EXPECT_EQ(b.Pedir({0xBB}, 10'000), Bytes{3});
  EXPECT_EQ(Enviar_tabla(b, kTabla3), Bytes{5});
  EXPECT_EQ(Enviar_tabla(b, kTabla5), Bytes{14});
  EXPECT_EQ(Enviar_bloques(b, false), Bytes{6});
  EXPECT_EQ(Enviar_tabla(b, kTabla6), Bytes{14});
  EXPECT_EQ(Enviar_bloques(b, true), Bytes{16});
  Bytes seguridad = Serie(64, 0xA0);
  EXPECT_EQ(b.Pedir(Paquete_64(seguridad), 10'000), Bytes{17});
  EXPECT_EQ(b.Pedir({0xBC, 0x02, 0x12, 0x34}, 10'000), Bytes{18});

  const Estado_teclado& t = b.m.Teclado();
  EXPECT_EQ(t.resultado, 18);
  EXPECT_EQ(t.codigos_enviados, (Bytes{3, 5, 14, 6, 14, 16, 17, 18}));
  EXPECT_EQ(t.bloques_programados, 256);
  EXPECT_EQ(t.bloques_verificados, 256);
  for (int i : {0, 1, 128, 255}) {
    Bytes d = Datos_bloque(i);
    EXPECT_TRUE(std::equal(d.begin(), d.end(), t.bloques[i].begin())) << i;
  }
  EXPECT_TRUE(std::equal(seguridad.begin(), seguridad.end(), t.seguridad.begin()));
  EXPECT_EQ(t.suma, (std::array<uint8_t, 2>{0x12, 0x34}));

  // The meter restarts once the exchange is over.
  EXPECT_TRUE(b.Pedir({0x00}).empty());
  b.Esperar(b.m.Config().t_reinicio_us);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
}

TEST(Teclado, VectorErroneoSeRechaza) {
  Banco b;
  EXPECT_EQ(b.Pedir({0xBB}, 10'000), Bytes{3});
  EXPECT_EQ(b.Pedir(Vector(kTabla3[0]), 1000), Bytes{0x01});
  EXPECT_TRUE(b.Pedir(Vector(kTabla3[1] ^ 0x000400), 1000).empty());
  // The computer goes on with the table, each reply wait running out (2 s).
  for (size_t i = 2; i < kTabla3.size(); ++i) {
    EXPECT_TRUE(b.Pedir(Vector(kTabla3[i]), 2'000'000).empty());
  }
  // Once it is quiet, the meter ends the exchange.
  EXPECT_EQ(b.Esperar(1'000'000), Bytes{21});
  EXPECT_EQ(b.m.Teclado().resultado, 21);
}

TEST(Teclado, EntramaIncorrectaSeRechaza) {
  struct Caso {
    const char* nombre;
    Bytes paquete;
  };
  for (const Caso& c :
       {Caso{"sin 0xBC", {0x00}}, Caso{"longitud de bloque", Paquete_64(Serie(64, 1))},
        Caso{"vector corto", {0xBC, 0x02, 0x9F, 0x82}}}) {
    Banco b;
    b.Pedir({0xBB}, 10'000);
    EXPECT_TRUE(b.Pedir(c.paquete, 1000).empty()) << c.nombre;
    EXPECT_EQ(b.Esperar(3'000'000), Bytes{21}) << c.nombre;
  }
}

TEST(Teclado, SinRespuestasElMedidorAbandona) {
  Banco b;
  EXPECT_EQ(b.Pedir({0xBB}, 10'000), Bytes{3});
  EXPECT_EQ(b.Pedir(Vector(kTabla3[0]), 1000), Bytes{0x01});
  EXPECT_TRUE(b.Esperar(9'000'000).empty());
  EXPECT_EQ(b.Esperar(2'000'000), Bytes{21});
  b.Esperar(b.m.Config().t_reinicio_us);
  EXPECT_EQ(b.Pedir({0x00}), Bytes{0x5D});
}

TEST(Teclado, ErrorDeIdentificacionTrasLaTabla3) {
  Config_medidor c;
  c.teclado_fallo_id = true;
  Banco b(c);
  EXPECT_EQ(b.Pedir({0xBB}, 10'000), Bytes{3});
  EXPECT_EQ(Enviar_tabla(b, kTabla3), Bytes{19});
  EXPECT_EQ(b.m.Teclado().resultado, 19);
}

TEST(Teclado, VerificacionDistintaDa20) {
  Banco b;
  b.Pedir({0xBB}, 10'000);
  Enviar_tabla(b, kTabla3);
  Enviar_tabla(b, kTabla5);
  Enviar_bloques(b, false);
  Enviar_tabla(b, kTabla6);
  EXPECT_EQ(Enviar_bloques(b, true, 77), Bytes{20});
  EXPECT_EQ(b.m.Teclado().resultado, 20);
}

TEST(Teclado, SecuenciaConfigurableConPaquetesFijos) {
  Config_medidor c;
  c.secuencia_teclado = {10, 15, 22, 1, 18};
  Banco b(c);
  EXPECT_EQ(b.Pedir({0xBB}, 10'000), Bytes{10});
  EXPECT_EQ(b.Pedir({0xBC, 0x02, 0x00, 0x1F}, 1000), Bytes{15});
  EXPECT_EQ(b.Pedir({0xBC, 0x02, 0x00, 0x80}, 1000), Bytes{22});
  // Code 1 asks for nothing; the meter goes straight on to the end.
  EXPECT_EQ(b.Pedir({0xBC, 0x01, 0x02}, 1000), (Bytes{1, 18}));
}

}  // namespace
}  // namespace r27::sim
