// The wire trace: what a traced port writes for writes, reads, runs of empty
// reads and a request that gives up, with time stamps from the port's opening.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/peticiones.h"
#include "link/puerto_serie.h"
#include "tests/serie/backend_falso.h"
#include "tests/serie/cerrojo_prueba.h"

namespace r27 {
namespace {

std::string Leer_fichero(const std::filesystem::path& p) {
  std::ifstream f(p);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

class Traza : public testing::Test {
 protected:
  Traza() {
    ruta = std::filesystem::temp_directory_path() /
           ("r27-traza-" + std::to_string(::getpid()) + "-" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove(ruta);
  }
  ~Traza() override { std::filesystem::remove(ruta); }
  std::unique_ptr<Puerto_serie> Puerto() {
    auto b = std::make_unique<prueba::Backend_falso>(reloj, cerrojo);
    falso = b.get();
    return std::make_unique<Puerto_serie>(std::move(b), reloj, cerrojo);
  }

  const prueba::Nombre_cerrojo cerrojo{
      std::string("traza-") + testing::UnitTest::GetInstance()->current_test_info()->name()};
  Reloj_virtual reloj{5'000'123'456ull};
  prueba::Backend_falso* falso = nullptr;
  std::filesystem::path ruta;
};

TEST_F(Traza, EscriturasLecturasVaciasYAbandonos) {
  auto puerto = Puerto();
  puerto->Fijar_traza(Traza_linea::Abrir(ruta.string()));
  ASSERT_NE(puerto->Traza(), nullptr);
  ASSERT_TRUE(puerto->Abrir(3, Linea_inicial()));
  reloj.Avanzar_us(1'500);
  const uint8_t orden[] = {0x07, 0x06, 0xDB, 0xE2};
  ASSERT_EQ(puerto->Escribir(orden, 4), 4);
  uint8_t b = 0;
  for (int i = 0; i < 3; ++i) puerto->Leer(&b, 1);  // nothing waiting: one line for the run
  falso->entrada = {0x70, 0x0A};
  reloj.Avanzar_us(250);
  ASSERT_EQ(puerto->Leer(&b, 1), 1u);
  ASSERT_EQ(puerto->Leer_disponible(&b, 1), 1u);
  (void)Abandono(*puerto, "Borrar_memoria", "0x70", Llegada::nada);
  puerto.reset();  // closes the file

  const std::string t = Leer_fichero(ruta);
  std::istringstream lineas(t);
  std::string l;
  std::vector<std::string> v;
  while (std::getline(lineas, l)) v.push_back(l);
  ASSERT_EQ(v.size(), 6u) << t;
  EXPECT_EQ(v[0], "# puerto abierto");
  EXPECT_EQ(v[1], "1.500 W 4 07 06 DB E2");
  EXPECT_EQ(v[2].substr(v[2].find(' ')), " R 0 x3");
  EXPECT_EQ(v[3].substr(v[3].find(' ')), " R 1 70");
  EXPECT_EQ(v[4].substr(v[4].find(' ')), " R 1 0A");
  EXPECT_EQ(v[5].substr(v[5].find(' ')),
            " ! Borrar_memoria: esperaba 0x70, llego nada (tiempo agotado)");
}

TEST_F(Traza, UnAbandonoSinTrazaDaIgualSuMotivo) {
  auto puerto = Puerto();
  puerto->Fijar_traza(nullptr);
  Respuesta r;
  r.llego = true;
  r.byte = 0x3F;
  EXPECT_EQ(Abandono(*puerto, "Enviar_bloque", "0x30", r).Texto(),
            "Enviar_bloque: esperaba 0x30, llego 0x3F");
  EXPECT_FALSE(std::filesystem::exists(ruta));
}

TEST_F(Traza, LaVariableDeEntornoLaEnciende) {
  ::setenv(kVariable_traza, ruta.string().c_str(), 1);
  auto con = Puerto();
  ::unsetenv(kVariable_traza);
  auto sin = Puerto();
  ::setenv(kVariable_traza, "", 1);
  auto vacia = Puerto();
  ::unsetenv(kVariable_traza);
  EXPECT_NE(con->Traza(), nullptr);
  EXPECT_EQ(sin->Traza(), nullptr);
  EXPECT_EQ(vacia->Traza(), nullptr);  // an empty name is no file
  // A file that cannot be opened leaves the trace off instead of failing the port.
  EXPECT_EQ(Traza_linea::Abrir("/nonexistent-dir/traza"), nullptr);
}

// A request's write the port does not take gives up with what the port says:
// no connection (closed, or closed by the stall guard), the device gone, or the
// port's error; the give-up goes to the trace.
TEST_F(Traza, CadaEscrituraRechazadaDiceComoFallo) {
  struct Caso {
    const char* nombre;
    void (*preparar)(prueba::Backend_falso&, Puerto_serie&);
    Llegada llegada;
    const char* llegado;
  };
  const Caso casos[] = {
      {"taken whole", [](prueba::Backend_falso&, Puerto_serie&) {}, Llegada::nada, nullptr},
      {"the port closed", [](prueba::Backend_falso&, Puerto_serie& p) { p.Cerrar(); },
       Llegada::sin_conexion, "sin conexion"},
      {"the driver stops taking bytes",
       [](prueba::Backend_falso& f, Puerto_serie&) { f.acepta_por_escritura = 0; },
       Llegada::sin_conexion, "sin conexion"},
      {"the device gone", [](prueba::Backend_falso& f, Puerto_serie&) { f.desaparecido = true; },
       Llegada::dispositivo_perdido, "nada (el dispositivo ya no esta)"},
      {"a line error", [](prueba::Backend_falso& f, Puerto_serie&) { f.error_linea = true; },
       Llegada::escritura_fallida, "error del puerto"},
  };
  const uint8_t orden[] = {0x0F, 0x00};
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    std::filesystem::remove(ruta);
    auto puerto = Puerto();
    puerto->Fijar_traza(Traza_linea::Abrir(ruta.string()));
    ASSERT_TRUE(puerto->Abrir(3, Linea_inicial()));
    k.preparar(*falso, *puerto);
    EXPECT_TRUE(Escribir_todo(*puerto, {}, "Fin_conexion"));  // nothing to write: no write
    const Resultado r = Escribir_todo(*puerto, orden, "Fin_conexion");
    ASSERT_EQ(static_cast<bool>(r), k.llegado == nullptr);
    if (!k.llegado) continue;
    EXPECT_EQ(r.Motivo()->peticion, "Fin_conexion");
    EXPECT_EQ(r.Motivo()->esperado, "2 bytes escritos");
    EXPECT_EQ(r.Motivo()->llegada, k.llegada);
    EXPECT_EQ(r.Motivo()->llegado, k.llegado);
    puerto.reset();
    EXPECT_NE(Leer_fichero(ruta).find(" ! " + r.Motivo()->Texto()), std::string::npos);
  }
}

}  // namespace
}  // namespace r27
