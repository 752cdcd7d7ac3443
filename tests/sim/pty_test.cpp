// r27-sim on a real pseudo-terminal: the program is started, its printed path is
// opened like a serial port, the meter answers, and SIGTERM ends it cleanly.
// Times are only bounded from above, generously.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "link/directorio_puertos.h"
#include "link/puerto_serie.h"
#include "link/reloj.h"
#include "link/termios_velocidad_posix.h"
#include "sim/servidor_pty.h"
#include "tests/apoyo/programa_sim.h"

namespace r27::sim {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

// r27-sim as a child process of the test, started from its build location.
class Programa : public pruebas::Programa_sim {
 public:
  bool Lanzar(const std::vector<std::string>& argumentos) {
    return Programa_sim::Lanzar(R27_SIM_PROGRAMA, argumentos);
  }
};

// The slave opened the way a serial backend opens it: raw, at a given rate.
int Abrir_esclavo(const std::string& ruta) {
  int fd = open(ruta.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B115200);
  cfsetospeed(&t, B115200);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// What arrives on `fd` until n bytes or `espera_ms`.
Bytes Leer_fd(int fd, size_t n, int espera_ms = 2000) {
  Bytes r;
  auto fin = std::chrono::steady_clock::now() + std::chrono::milliseconds(espera_ms);
  while (r.size() < n && std::chrono::steady_clock::now() < fin) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    uint8_t b[256];
    ssize_t k = read(fd, b, sizeof b);
    if (k <= 0) break;
    r.insert(r.end(), b, b + k);
  }
  return r;
}

Bytes Pedir(int fd, const Bytes& peticion, size_t n, int espera_ms = 2000) {
  tcflush(fd, TCIFLUSH);
  EXPECT_EQ(write(fd, peticion.data(), peticion.size()), static_cast<ssize_t>(peticion.size()));
  return Leer_fd(fd, n, espera_ms);
}

std::string Carpeta_temporal() {
  char plantilla[] = "/tmp/r27-sim-prueba-XXXXXX";
  const char* c = mkdtemp(plantilla);
  return c ? c : "/tmp";
}

TEST(ProgramaSim, SondeoIdentidadYSalidaLimpia) {
  std::string carpeta = Carpeta_temporal();
  std::string enlace = carpeta + "/medidor";
  Programa sim;
  ASSERT_TRUE(sim.Lanzar({"--com", "9", "--enlace", enlace, "--version", "3.01"}));
  std::string esclavo = sim.Linea();
  ASSERT_EQ(esclavo.rfind("/dev/pts/", 0), 0u) << esclavo;
  EXPECT_EQ(sim.Linea(), "R27_PUERTOS=\"COM9=" + enlace + "\"");
  char destino[256] = {};
  ASSERT_GT(readlink(enlace.c_str(), destino, sizeof destino - 1), 0);
  EXPECT_EQ(std::string(destino), esclavo);

  int fd = Abrir_esclavo(enlace);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Pedir(fd, {0x00}, 1), Bytes{0x5D});
  Bytes version = Pedir(fd, {0x01, 0x18, 0x10, 0x00, 0x06}, 8);
  EXPECT_EQ(version, (Bytes{0x10, 0x06, '3', '.', '0', '1', 0, 0}));
  // SIGUSR1: the meter asks to be let go.
  sim.Senal(SIGUSR1);
  EXPECT_EQ(Leer_fd(fd, 1), Bytes{0x0A});

  EXPECT_EQ(sim.Terminar(SIGTERM), 0);
  EXPECT_NE(access(enlace.c_str(), F_OK), 0);
  // The master went with the program: the slave we still hold hangs up. (Its
  // /dev/pts number may already serve another terminal, so the node is not checked.)
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  EXPECT_NE(p.revents & (POLLHUP | POLLERR), 0);
  close(fd);
  rmdir(carpeta.c_str());
}

// Bytes read soon after the slave changed its rate may have been written before
// the change (a busy computer hands them over late): the meter takes them at the
// rate it listens at when that is the old one. Bytes at a rate the slave has held
// for longer never reach it.
TEST(ProgramaSim, LaVelocidadDelEsclavoDebeSerLaDelMedidor) {
  const auto pasado_el_retraso =
      std::chrono::microseconds(Servidor_pty::kRetraso_entrega_us) + 500ms;
  Programa sim;
  ASSERT_TRUE(sim.Lanzar({}));
  std::string esclavo = sim.Linea();
  sim.Linea();
  int fd = Abrir_esclavo(esclavo);
  ASSERT_GE(fd, 0);
  ASSERT_TRUE(Fijar_velocidad_termios(fd, 500000));
  std::this_thread::sleep_for(pasado_el_retraso);
  EXPECT_NE(Pedir(fd, {0x00}, 1, 300), Bytes{0x5D});
  ASSERT_TRUE(Fijar_velocidad_termios(fd, 115200));
  EXPECT_EQ(Pedir(fd, {0x00}, 1), Bytes{0x5D});
  // The meter is switched to 500,000 baud by a request the slave changes its own
  // rate right after, as the updater does: the request still counts. Like the
  // updater, the next request waits a second after the switch.
  EXPECT_EQ(write(fd, "\x02\x05\x00\xB4\xFE\x01\x00", 7), 7);
  ASSERT_TRUE(Fijar_velocidad_termios(fd, 500000));
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Pedir(fd, {0x00}, 1), Bytes{0x5D});
  // The old rate, held longer, no longer reaches it.
  ASSERT_TRUE(Fijar_velocidad_termios(fd, 115200));
  std::this_thread::sleep_for(pasado_el_retraso);
  EXPECT_NE(Pedir(fd, {0x00}, 1, 300), Bytes{0x5D});
  close(fd);
  EXPECT_EQ(sim.Terminar(SIGINT), 0);
}

TEST(ProgramaSim, PuertoSerieDelSistemaPorR27Puertos) {
  Programa sim;
  ASSERT_TRUE(sim.Lanzar({"--com", "41"}));
  sim.Linea();
  std::string linea = sim.Linea();
  // R27_PUERTOS="COM41=/dev/pts/N": the value between the quotes.
  auto a = linea.find('"');
  auto b = linea.rfind('"');
  ASSERT_NE(a, b);
  setenv(kVariable_puertos, linea.substr(a + 1, b - a - 1).c_str(), 1);
  {
    Reloj_sistema reloj;
    Puerto_serie puerto(Crear_backend_sistema(), reloj, "prueba-sim-" + std::to_string(getpid()));
    ASSERT_TRUE(puerto.Abrir(41, Linea_inicial()));
    uint8_t sondeo = 0x00;
    ASSERT_EQ(puerto.Escribir(&sondeo, 1), 1);
    uint8_t r = 0;
    uint32_t n = 0;
    for (int i = 0; i < 200 && n == 0; ++i) n = puerto.Leer(&r, 1);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(r, 0x5D);
  }
  unlink(("/tmp/r27-prueba-sim-" + std::to_string(getpid()) + ".lock").c_str());
  unsetenv(kVariable_puertos);
  EXPECT_EQ(sim.Terminar(SIGTERM), 0);
}

TEST(ProgramaSim, DesenchufeYVuelta) {
  Programa sim;
  ASSERT_TRUE(
      sim.Lanzar({"--fallo", "desenchufe:sondeo:n=2", "--volver", "200", "--t-reinicio", "100"}));
  std::string esclavo = sim.Linea();
  sim.Linea();
  int fd = Abrir_esclavo(esclavo);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Pedir(fd, {0x00}, 1), Bytes{0x5D});
  EXPECT_TRUE(Pedir(fd, {0x00}, 1, 500).empty());
  // The port has vanished: the slave reports a hang-up.
  pollfd p{fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 2000), 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
  close(fd);
  // Plugged in again: a new pseudo-terminal is announced and answers.
  std::string nuevo = sim.Linea();
  ASSERT_EQ(nuevo.rfind("/dev/pts/", 0), 0u) << nuevo;
  sim.Linea();
  fd = Abrir_esclavo(nuevo);
  ASSERT_GE(fd, 0);
  std::this_thread::sleep_for(200ms);
  EXPECT_EQ(Pedir(fd, {0x00}, 1), Bytes{0x5D});
  close(fd);
  EXPECT_EQ(sim.Terminar(SIGTERM), 0);
}

// A trace's meter side replayed on the pseudo-terminal: the answers the trace
// read, then a write the trace does not hold ends the program with status 3.
TEST(ProgramaSim, ReproduceUnaTrazaHastaQueElActualizadorSeAparta) {
  const std::string carpeta = Carpeta_temporal();
  const std::string traza = carpeta + "/traza.txt";
  {
    std::ofstream f(traza);
    f << "# puerto abierto\n740.100 W 1 00\n740.500 R 1 5D\n741.000 W 5 01 18 10 00 06\n"
         "741.300 R 8 10 06 33 2E 30 31 00 00\n";
  }
  Programa sim;
  ASSERT_TRUE(sim.Lanzar({"--reproducir", traza}));
  const std::string esclavo = sim.Linea();
  sim.Linea();
  int fd = Abrir_esclavo(esclavo);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Pedir(fd, {0x00}, 1), Bytes{0x5D});
  EXPECT_EQ(Pedir(fd, {0x01, 0x18, 0x10, 0x00, 0x06}, 8),
            (Bytes{0x10, 0x06, '3', '.', '0', '1', 0, 0}));
  EXPECT_TRUE(Pedir(fd, {0x00}, 1, 300).empty());
  EXPECT_EQ(sim.Terminar(0), 3);
  close(fd);
  // A trace that cannot be read: no pseudo-terminal, status 2.
  Programa otro;
  ASSERT_TRUE(otro.Lanzar({"--reproducir", carpeta + "/ninguna.txt"}));
  EXPECT_EQ(otro.Terminar(0), 2);
  unlink(traza.c_str());
  rmdir(carpeta.c_str());
}

TEST(ProgramaSim, AyudaYOpcionErronea) {
  {
    Programa sim;
    ASSERT_TRUE(sim.Lanzar({"--help"}));
    EXPECT_EQ(sim.Linea(), "r27-sim: medidor R27 simulado en un pseudoterminal.");
    EXPECT_EQ(sim.Terminar(0), 0);
  }
  Programa sim;
  ASSERT_TRUE(sim.Lanzar({"--fallo", "roto"}));
  EXPECT_EQ(sim.Terminar(0), 2);
}

}  // namespace
}  // namespace r27::sim
