// The in-process backend: COM numbers lead to devices, reads move the virtual
// clock, the opened rate must match the meter's, an unplug shows as a line error.
#include "sim/backend_simulado.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "link/puerto_serie.h"
#include "sim/medidor_simulado.h"

namespace r27::sim {
namespace {

class Backend : public ::testing::Test {
 protected:
  Backend() : medidor(Config_medidor{}, reloj.Ahora_us()), backend(reloj) {
    backend.Conectar(3, medidor);
    backend.Conectar_propio(4, std::make_unique<Dispositivo_mudo>());
    backend.Conectar_propio(5, std::make_unique<Dispositivo_basura>());
  }

  bool Abrir(int com, uint32_t baudios = 115200) {
    DCB_linea l = Linea_inicial();
    l.BaudRate = baudios;
    return backend.Abrir(com, l);
  }
  void Escribir(std::vector<uint8_t> b) {
    ASSERT_EQ(backend.Escribir(b.data(), static_cast<uint32_t>(b.size())), b.size());
  }
  int Leer1() {
    uint8_t b = 0;
    return backend.Leer(&b, 1) == 1 ? b : -1;
  }

  Reloj_virtual reloj;
  Medidor_simulado medidor;
  Backend_simulado backend;
};

TEST_F(Backend, PuertoSinDispositivoNoAbre) {
  EXPECT_FALSE(Abrir(6));
  EXPECT_FALSE(backend.Esta_abierto());
  uint8_t b = 0x00;
  EXPECT_EQ(backend.Escribir(&b, 1), 0u);
  EXPECT_EQ(backend.Leer(&b, 1), 0u);
  EXPECT_EQ(backend.Aperturas(), std::vector<int>{6});
}

TEST_F(Backend, LeerAvanzaElRelojHastaLaRespuesta) {
  ASSERT_TRUE(Abrir(3));
  uint64_t t0 = reloj.Ahora_us();
  Escribir({0x00});
  EXPECT_EQ(Leer1(), 0x5D);
  // The meter reacts in 200 us; the read returned then, not at its time-out.
  EXPECT_EQ(reloj.Ahora_us() - t0, medidor.Config().t_respuesta_us);
  // Nothing more: the read costs its whole time-out of 2n+2 ms.
  t0 = reloj.Ahora_us();
  EXPECT_EQ(Leer1(), -1);
  EXPECT_EQ(reloj.Ahora_us() - t0, 4000u);
}

TEST_F(Backend, RespuestaLejanaNoSeEspera) {
  ASSERT_TRUE(Abrir(3));
  medidor.Enviar_liberacion(reloj.Ahora_us() + 50'000);
  uint64_t t0 = reloj.Ahora_us();
  EXPECT_EQ(Leer1(), -1);
  EXPECT_EQ(reloj.Ahora_us() - t0, 4000u);
  reloj.Dormir_ms(50);
  EXPECT_EQ(Leer1(), 0x0A);
}

TEST_F(Backend, DispositivoMudoYDispositivoBasura) {
  ASSERT_TRUE(Abrir(4));
  Escribir({0x00});
  EXPECT_EQ(Leer1(), -1);
  ASSERT_TRUE(Abrir(5));
  for (int i = 0; i < 50; ++i) {
    Escribir({0x00});
    int r = Leer1();
    ASSERT_NE(r, -1);
    EXPECT_NE(r, 0x5D);
    EXPECT_NE(r, 0xD5);
    EXPECT_NE(r, 0x6D);
  }
}

TEST_F(Backend, VelocidadDistintaEsBasura) {
  // Opened at 500,000 while the meter listens at 115,200: no answer.
  ASSERT_TRUE(Abrir(3, 500000));
  Escribir({0x00});
  EXPECT_EQ(Leer1(), -1);
  // The meter is switched, but the port is not reopened: the switch is missed.
  ASSERT_TRUE(Abrir(3, 115200));
  Escribir({0x02, 0x05, 0x00, 0xB4, 0xFE, 0x01, 0x00});
  Escribir({0x00});
  EXPECT_EQ(Leer1(), -1);
  ASSERT_TRUE(Abrir(3, 500000));
  Escribir({0x00});
  EXPECT_EQ(Leer1(), 0x5D);
}

TEST_F(Backend, DesenchufeEsErrorDeLinea) {
  Config_medidor c;
  c.fallos = {Fallo{Tipo_fallo::Desenchufe, Peticion::Sondeo, 1}};
  Medidor_simulado m(c, reloj.Ahora_us());
  backend.Conectar(7, m);
  ASSERT_TRUE(Abrir(7));
  Escribir({0x00});
  EXPECT_EQ(Leer1(), -1);
  Estado_cola e;
  ASSERT_TRUE(backend.Consultar_cola(e));
  EXPECT_TRUE(e.error_linea);
  uint8_t b = 0;
  EXPECT_EQ(backend.Escribir(&b, 1), 0u);
  EXPECT_FALSE(Abrir(7));
}

TEST_F(Backend, PurgarDescartaLoRecibido) {
  ASSERT_TRUE(Abrir(3));
  Escribir({0x00});
  reloj.Dormir_ms(10);
  backend.Purgar(true, true);
  EXPECT_EQ(Leer1(), -1);
}

TEST_F(Backend, ColaDeSalidaConRitmo) {
  Config_medidor c;
  c.ritmo = true;
  Medidor_simulado m(c, reloj.Ahora_us());
  backend.Conectar(8, m);
  ASSERT_TRUE(Abrir(8));
  std::vector<uint8_t> e1 = {0x04, 0x90, 0x00};
  e1.resize(147, 0x11);
  Escribir(e1);
  Estado_cola e;
  ASSERT_TRUE(backend.Consultar_cola(e));
  EXPECT_EQ(e.bytes_en_salida, 147u);
  reloj.Dormir_ms(8);  // 84 byte-times of 96 us
  ASSERT_TRUE(backend.Consultar_cola(e));
  EXPECT_EQ(e.bytes_en_salida, 147u - 83u);
  reloj.Dormir_ms(20);
  ASSERT_TRUE(backend.Consultar_cola(e));
  EXPECT_EQ(e.bytes_en_salida, 0u);
}

TEST_F(Backend, DirectorioDeLosPuertosSimulados) {
  Directorio_simulado d(backend, {"COM20:"});
  EXPECT_TRUE(d.Existe(3));
  EXPECT_TRUE(d.Existe(5));
  EXPECT_FALSE(d.Existe(6));
  EXPECT_EQ(d.Nombres_sistema(), (std::vector<std::string>{"COM3", "COM4", "COM5", "COM20:"}));
  EXPECT_FALSE(d.Ruta(20).has_value());
}

TEST_F(Backend, AtravesDelPuertoSerie) {
  auto propio = std::make_unique<Backend_simulado>(reloj);
  Backend_simulado& b = *propio;
  b.Conectar(3, medidor);
  const std::string cerrojo = "prueba-sim-backend-" + std::to_string(getpid());
  Puerto_serie puerto(std::move(propio), reloj, cerrojo);
  ASSERT_TRUE(puerto.Abrir(3, Linea_inicial()));
  puerto.Fijar_rts(true);
  puerto.Fijar_rts(false);
  uint8_t sondeo = 0x00;
  ASSERT_EQ(puerto.Escribir(&sondeo, 1), 1);
  uint8_t r = 0;
  ASSERT_EQ(puerto.Leer(&r, 1), 1u);
  EXPECT_EQ(r, 0x5D);
  ASSERT_EQ(b.Pulsos_rts().size(), 2u);
  EXPECT_TRUE(b.Pulsos_rts()[0].activo);
  EXPECT_FALSE(b.Pulsos_rts()[1].activo);
  unlink(("/tmp/r27-" + cerrojo + ".lock").c_str());
}

}  // namespace
}  // namespace r27::sim
