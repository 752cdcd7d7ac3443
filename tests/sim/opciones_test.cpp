// The r27-sim command line: what each option sets, and the mistakes it refuses.
#include <gtest/gtest.h>

#include "sim/opciones_sim.h"

namespace r27::sim {
namespace {

Opciones_sim Leer(std::vector<std::string> a) {
  Opciones_sim o;
  std::string error;
  EXPECT_TRUE(Leer_opciones(a, o, error)) << error;
  return o;
}

TEST(Opciones, CadaOpcionPoneSuCampo) {
  Opciones_sim o = Leer({"--com",
                         "12",
                         "--enlace",
                         "/tmp/x",
                         "--ritmo",
                         "--version",
                         "3.01",
                         "--build",
                         "00004",
                         "--familia",
                         "VMK",
                         "--region",
                         "USA",
                         "--idioma",
                         "7",
                         "--fpga",
                         "3.3",
                         "--nivel",
                         "0x31",
                         "--estado26",
                         "0x20",
                         "--bus8",
                         "0x80",
                         "--bus12",
                         "0x40",
                         "--bus-sin-listo",
                         "--arranque",
                         "--rechazo",
                         "--graficos",
                         "0xC6:0x1000",
                         "--relleno",
                         "f",
                         "--confirmar-sin-eco",
                         "--grabacion-sin-efecto",
                         "--mpeg4",
                         "140,2,6,3",
                         "--mpeg4-nueva",
                         "141,0,7,4",
                         "--mpeg4-sin-cabecera",
                         "--teclado",
                         "3,14,18",
                         "--teclado-error-id",
                         "--teclado-error-verificacion",
                         "--t-reinicio",
                         "100",
                         "--t-sector",
                         "50",
                         "--t-borrado-segmento",
                         "1",
                         "--t-programa-segmento",
                         "2",
                         "--t-mpeg4",
                         "5",
                         "--semilla",
                         "99",
                         "--volver",
                         "250"});
  const Config_medidor& c = o.medidor;
  EXPECT_EQ(o.com, 12);
  EXPECT_EQ(o.enlace, "/tmp/x");
  EXPECT_EQ(o.volver_ms, 250);
  EXPECT_TRUE(c.ritmo);
  EXPECT_EQ(c.version, "3.01");
  EXPECT_EQ(c.build, "00004");
  EXPECT_EQ(c.familia, "VMK");
  EXPECT_EQ(c.region, "USA");
  EXPECT_EQ(c.idioma, 7);
  EXPECT_EQ(c.fpga_mayor, 3);
  EXPECT_EQ(c.fpga_menor, 3);
  EXPECT_EQ(c.nivel, 0x31);
  EXPECT_EQ(c.bloque_estado[26], 0x20);
  EXPECT_EQ(c.bus_registro8, 0x80);
  EXPECT_EQ(c.bus_registro12, 0x40);
  EXPECT_TRUE(c.bus_sin_listo);
  EXPECT_TRUE(c.etapa_arranque);
  EXPECT_TRUE(c.rechazo);
  EXPECT_EQ(c.graficos_segmento, 0xC6);
  EXPECT_EQ(c.graficos_direccion, 0x1000);
  EXPECT_EQ(c.respuesta_relleno, 'f');
  EXPECT_TRUE(c.confirmar_sin_eco);
  EXPECT_TRUE(c.grabacion_sin_efecto);
  EXPECT_EQ(c.mpeg4_actual.aplicacion, 140);
  EXPECT_EQ(c.mpeg4_actual.arranque, 3);
  EXPECT_EQ(c.mpeg4_nueva.aplicacion, 141);
  EXPECT_FALSE(c.mpeg4_comprobar_cabecera);
  EXPECT_EQ(c.secuencia_teclado, (std::vector<uint8_t>{3, 14, 18}));
  EXPECT_TRUE(c.teclado_fallo_id);
  EXPECT_TRUE(c.teclado_fallo_verificacion);
  EXPECT_EQ(c.t_reinicio_us, 100'000u);
  EXPECT_EQ(c.t_sector_us, 50'000u);
  EXPECT_EQ(c.t_borrado_segmento_us, 1'000u);
  EXPECT_EQ(c.t_programa_segmento_us, 2'000u);
  EXPECT_EQ(c.t_mpeg4_us, 5'000'000u);
  EXPECT_EQ(c.semilla, 99u);
  EXPECT_FALSE(Leer({"--sin-mpeg4", "--sin-graficos"}).medidor.mpeg4);
  EXPECT_EQ(Leer({"--latencia", "16"}).latencia_ms, 16u);
  // The serving options go with a replay, a latency among them.
  Opciones_sim r =
      Leer({"--reproducir", "/tmp/t.txt", "--latencia", "0", "--com", "4", "--enlace", "/tmp/m"});
  EXPECT_EQ(r.reproducir, "/tmp/t.txt");
  EXPECT_EQ(r.latencia_ms, 0u);
}

TEST(Opciones, Fallos) {
  Opciones_sim o =
      Leer({"--fallo", "ack-perdido:bloque:n=5:veces=2", "--fallo",
            "silencio:cualquiera:p=0.25:ms=1500", "--fallo", "desenchufe:grabacion:n=1"});
  ASSERT_EQ(o.medidor.fallos.size(), 3u);
  const Fallo& a = o.medidor.fallos[0];
  EXPECT_EQ(a.tipo, Tipo_fallo::Ack_perdido);
  EXPECT_EQ(a.peticion, Peticion::Bloque);
  EXPECT_EQ(a.enesima, 5u);
  EXPECT_EQ(a.veces, 2u);
  const Fallo& b = o.medidor.fallos[1];
  EXPECT_EQ(b.tipo, Tipo_fallo::Silencio);
  EXPECT_EQ(b.peticion, Peticion::Cualquiera);
  EXPECT_DOUBLE_EQ(b.probabilidad, 0.25);
  EXPECT_EQ(b.duracion_us, 1'500'000u);
  EXPECT_EQ(o.medidor.fallos[2].peticion, Peticion::Grabacion);
}

TEST(Opciones, ErroresClaros) {
  const std::vector<std::vector<std::string>> malos = {
      {"--desconocida"},
      {"--com"},
      {"--com", "0"},
      {"--com", "300"},
      {"--idioma", "-1"},
      {"--idioma", "7x"},
      {"--version", "3.1"},
      {"--build", "123456"},
      {"--familia", "DEMASIADOLARGO"},
      {"--fpga", "3"},
      {"--fpga", "3.300"},
      {"--graficos", "0x100:0"},
      {"--relleno", "x"},
      {"--mpeg4", "1,2,3"},
      {"--teclado", "3,,18"},
      {"--teclado", "3,256"},
      {"--t-reinicio", "abc"},
      {"--fallo", "ack-perdido:bloque"},
      {"--fallo", "ack-perdido:nada:n=1"},
      {"--fallo", "roto:bloque:n=1"},
      {"--fallo", "ack-perdido:bloque:n=0"},
      {"--fallo", "ack-perdido:bloque:p=1.5"},
      {"--fallo", "ack-perdido:bloque:x=1"},
      {"--latencia", "256"},
      {"--latencia", "-1"},
      {"--reproducir"},
      // A replayed trace has no meter to set up.
      {"--reproducir", "t.txt", "--version", "3.01"},
      {"--fallo", "ack-perdido:bloque:n=1", "--reproducir", "t.txt"},
      {"--reproducir", "t.txt", "--ritmo"},
      {"--reproducir", "t.txt", "--informe", "i.txt"},
  };
  for (const auto& a : malos) {
    Opciones_sim o;
    std::string error;
    EXPECT_FALSE(Leer_opciones(a, o, error)) << a[0] << " " << (a.size() > 1 ? a[1] : "");
    EXPECT_FALSE(error.empty()) << a[0];
  }
}

}  // namespace
}  // namespace r27::sim
