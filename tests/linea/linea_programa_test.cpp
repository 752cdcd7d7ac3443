// The built r27-actualizar against r27-sim on a pseudo-terminal, in real time with
// short meter timings: the port given as a device path, stdin not a terminal so
// --si answers, the wire trace written, the JSON summary of a whole update, and
// the run's record in the history of a data folder of the test's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/apoyo/programa_sim.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;

struct Salida_programa {
  int estado = -1;  // exit status, -1 when it did not exit normally
  std::string salida;
};

// Runs `programa` with stdin from /dev/null and no port map in its environment
// but `mapa` (R27_PUERTOS) when given; its stdout is collected, its stderr goes
// to the test's.
Salida_programa Ejecutar(const std::string& programa, const std::vector<std::string>& argumentos,
                         const std::string& mapa = "") {
  Salida_programa r;
  int tubo[2];
  if (pipe(tubo) != 0) return r;
  const pid_t pid = fork();
  if (pid == 0) {
    const int nulo = open("/dev/null", O_RDONLY);
    dup2(nulo, 0);
    dup2(tubo[1], 1);
    close(tubo[0]);
    close(tubo[1]);
    if (mapa.empty()) {
      unsetenv("R27_PUERTOS");
    } else {
      setenv("R27_PUERTOS", mapa.c_str(), 1);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(programa.c_str()));
    for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(programa.c_str(), argv.data());
    _exit(127);
  }
  close(tubo[1]);
  char buffer[4096];
  ssize_t n;
  while ((n = read(tubo[0], buffer, sizeof buffer)) > 0)
    r.salida.append(buffer, static_cast<size_t>(n));
  close(tubo[0]);
  int estado = 0;
  if (waitpid(pid, &estado, 0) == pid && WIFEXITED(estado)) r.estado = WEXITSTATUS(estado);
  return r;
}

size_t Cuenta(const std::string& texto, const std::string& buscado) {
  size_t n = 0;
  for (size_t p = texto.find(buscado); p != std::string::npos; p = texto.find(buscado, p + 1)) ++n;
  return n;
}

TEST(Programa_linea, ActualizacionCompletaContraElSimulador) {
  const fs::path dir = fs::temp_directory_path() / ("r27_linea_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string enlace = (dir / "medidor").string();
  const std::string traza = (dir / "traza.txt").string();
  // The history goes to the test's folder (the child inherits the variable).
  setenv("XDG_DATA_HOME", (dir / "datos").c_str(), 1);

  Programa_sim sim;
  ASSERT_TRUE(sim.Lanzar(R27_SIM_PROGRAMA, {"--enlace", enlace, "--t-reinicio", "1000",
                                            "--t-sector", "200", "--t-borrado-segmento", "20",
                                            "--t-programa-segmento", "40", "--t-mpeg4", "8"}));
  ASSERT_EQ(sim.Linea().rfind("/dev/pts/", 0), 0u);

  const Salida_programa r =
      Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--puerto", enlace, "--si", "--json", "--traza", traza});
  EXPECT_EQ(r.estado, 0);
  // One JSON object on one line, and nothing else on stdout.
  const std::string& j = r.salida;
  ASSERT_FALSE(j.empty());
  EXPECT_EQ(j.front(), '{');
  EXPECT_EQ(j.find('\n'), j.size() - 1) << j;
  EXPECT_NE(j.find("\"outcome\":\"updated\""), std::string::npos) << j;
  EXPECT_NE(j.find("\"exit_code\":0"), std::string::npos) << j;
  EXPECT_NE(j.find("\"result_code\":0"), std::string::npos) << j;
  EXPECT_NE(j.find("\"path\":\"" + enlace + "\""), std::string::npos) << j;
  EXPECT_NE(j.find("\"identity_before\":{\"family\":\"QZT\",\"region\":\"EUR\",\"version\":"
                   "\"3.00\",\"build\":\"00000\""),
            std::string::npos)
      << j;
  EXPECT_NE(j.find("\"identity_after\":{\"family\":\"QZT\""), std::string::npos) << j;
  EXPECT_NE(
      j.find("\"version\":\"3.01\",\"build\":\"00000\",\"boot_stage\":false,\"fpga\":\"3.3\""),
      std::string::npos)
      << j;
  EXPECT_EQ(Cuenta(j, "\"ran\":true,\"ok\":true"), 4u) << j;
  EXPECT_NE(j.find("\"check\":{\"proven\":true"), std::string::npos) << j;
  EXPECT_NE(j.find("\"name\":\"main firmware\""), std::string::npos) << j;
  // The wire trace holds the exchange.
  std::error_code ec;
  EXPECT_GT(fs::file_size(traza, ec), 100'000u);

  // One record of the run, on disk; --historial prints it, --csv under its heading.
  // The table is in the language asked for (the CSV keeps the record's words).
  const Salida_programa tabla =
      Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--historial", "--idioma", "EN"});
  EXPECT_EQ(tabla.estado, 0);
  EXPECT_EQ(Cuenta(tabla.salida, "\n"), 2u) << tabla.salida;
  EXPECT_NE(tabla.salida.find("zona fpga firmware mpeg4  updated  0     yes"), std::string::npos)
      << tabla.salida;
  const Salida_programa csv = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--historial", "--csv"});
  EXPECT_EQ(csv.estado, 0);
  EXPECT_EQ(Cuenta(csv.salida, "\n"), 2u) << csv.salida;
  EXPECT_NE(csv.salida.find(",r27-actualizar,"), std::string::npos) << csv.salida;
  EXPECT_NE(csv.salida.find("," + enlace + ",updated,0,,yes,"), std::string::npos) << csv.salida;
  EXPECT_NE(csv.salida.find("," + traza + ","), std::string::npos) << csv.salida;
  unsetenv("XDG_DATA_HOME");

  EXPECT_EQ(sim.Terminar(SIGTERM), 0);
  fs::remove_all(dir, ec);
}

// Service mode from a script: one step chosen, done and proven; what the meter
// still needs is information, not a failure.
TEST(Programa_linea, ServicioConPasosElegidosContraElSimulador) {
  const fs::path dir = fs::temp_directory_path() / ("r27_servicio_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string enlace = (dir / "medidor").string();
  setenv("XDG_DATA_HOME", (dir / "datos").c_str(), 1);
  Programa_sim sim;
  ASSERT_TRUE(sim.Lanzar(R27_SIM_PROGRAMA,
                         {"--enlace", enlace, "--version", "1.05", "--t-reinicio", "1000"}));
  // The meter serves once it has printed its line.
  ASSERT_EQ(sim.Linea().rfind("/dev/pts/", 0), 0u);
  const Salida_programa r = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--puerto", enlace, "--si", "--json",
                                                               "--servicio", "--pasos", "borrado"});
  EXPECT_EQ(r.estado, 0) << r.salida;
  const std::string& j = r.salida;
  EXPECT_NE(j.find("\"outcome\":\"updated\""), std::string::npos) << j;
  EXPECT_EQ(Cuenta(j, "\"state\":\"done\""), 1u) << j;
  EXPECT_NE(j.find("\"name\":\"erase stored tables\""), std::string::npos) << j;
  EXPECT_NE(j.find("\"check\":{\"proven\":true"), std::string::npos) << j;
  EXPECT_NE(j.find("\"still_to_do\":[\""), std::string::npos) << j;
  // Without service mode the choice is refused before anything is opened.
  EXPECT_EQ(Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--puerto", enlace, "--pasos", "borrado"}).estado,
            40);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(sim.Terminar(SIGTERM), 0);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

// A tray of four meters found by the search and updated at once: each meter's
// memory ends exact, the summary names all four and the history holds four proven runs.
TEST(Programa_linea, CuatroMedidoresALaVez) {
  const fs::path dir = fs::temp_directory_path() / ("r27_bandeja_" + std::to_string(getpid()));
  fs::create_directories(dir);
  Programa_sim sims[4];
  std::string mapa;
  for (int i = 0; i < 4; ++i) {
    const std::string base = (dir / ("medidor" + std::to_string(i))).string();
    ASSERT_TRUE(sims[i].Lanzar(
        R27_SIM_PROGRAMA,
        {"--enlace", base, "--informe", base + ".informe", "--t-reinicio", "1000", "--t-sector",
         "200", "--t-borrado-segmento", "20", "--t-programa-segmento", "40", "--t-mpeg4", "8"}));
    ASSERT_EQ(sims[i].Linea().rfind("/dev/pts/", 0), 0u);
    mapa += (i ? " COM" : "COM") + std::to_string(3 + i) + "=" + base;
  }
  setenv("XDG_DATA_HOME", (dir / "datos").c_str(), 1);
  const Salida_programa r = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--todos", "--si", "--json"}, mapa);
  EXPECT_EQ(r.estado, 0) << r.salida;
  EXPECT_EQ(r.salida.front(), '[') << r.salida;
  EXPECT_EQ(Cuenta(r.salida, "\"outcome\":\"updated\""), 4u) << r.salida;
  EXPECT_EQ(Cuenta(r.salida, "\"check\":{\"proven\":true"), 4u) << r.salida;
  for (int i = 0; i < 4; ++i) {
    EXPECT_NE(r.salida.find("\"port\":\"COM" + std::to_string(3 + i) + "\""), std::string::npos);
    EXPECT_EQ(sims[i].Terminar(SIGTERM), 0);
    std::ifstream f(dir / ("medidor" + std::to_string(i) + ".informe"));
    const std::string informe((std::istreambuf_iterator<char>(f)),
                              std::istreambuf_iterator<char>());
    EXPECT_NE(informe.find("firmware=igual\nversion=3.01.00000\nfpga=3.3\nmpeg4=133,0,5,2"),
              std::string::npos)
        << i << ": " << informe;
  }
  // The history holds the four proven runs.
  const Salida_programa csv = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--historial", "--csv"});
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(Cuenta(csv.salida, "\n"), 5u) << csv.salida;
  EXPECT_EQ(Cuenta(csv.salida, ",updated,0,,yes,"), 4u) << csv.salida;
  for (int i = 0; i < 4; ++i)
    EXPECT_NE(csv.salida.find(",COM" + std::to_string(3 + i) + ","), std::string::npos);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
}  // namespace r27::pruebas
