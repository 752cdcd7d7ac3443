// The built r27-actualizar against r27-sim on a pseudo-terminal, in real time with
// short meter timings: the port given as a device path, stdin not a terminal so
// --si answers, the wire trace written, the JSON summary of a whole update, and
// the run's record in the history of a data folder of the test's own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/mutex_puerto.h"
#include "tests/apoyo/programa_sim.h"

namespace r27::pruebas {
namespace {

namespace fs = std::filesystem;

struct Salida_programa {
  int estado = -1;  // exit status, -1 when it did not exit normally
  std::string salida;
  std::string errores;
};

// Runs `programa` with stdin from /dev/null and no port map in its environment
// but `mapa` (R27_PUERTOS) when given; its stdout and its stderr are collected.
Salida_programa Ejecutar(const std::string& programa, const std::vector<std::string>& argumentos,
                         const std::string& mapa = "") {
  Salida_programa r;
  int tubo[2];
  if (pipe(tubo) != 0) return r;
  FILE* errores = std::tmpfile();
  if (errores == nullptr) return r;
  const pid_t pid = fork();
  if (pid == 0) {
    const int nulo = open("/dev/null", O_RDONLY);
    dup2(nulo, 0);
    dup2(tubo[1], 1);
    dup2(fileno(errores), 2);
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
  std::rewind(errores);
  size_t leidos;
  while ((leidos = std::fread(buffer, 1, sizeof buffer, errores)) > 0)
    r.errores.append(buffer, leidos);
  std::fclose(errores);
  return r;
}

// The program on a pseudo-terminal of its own (stdin, stdout and stderr), as a
// technician runs it: the test reads what the terminal shows, types, and
// presses Ctrl-C (the signal the terminal would send), or closes the terminal.
// With `tubo`, stdin is /dev/null and stdout and stderr go into a pipe the test
// reads, as `r27-actualizar 2>&1 | less` would; closing it is the reader going away.
class Programa_en_terminal {
 public:
  ~Programa_en_terminal() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (maestro_ >= 0) close(maestro_);
  }
  bool Lanzar(const std::string& programa, const std::vector<std::string>& argumentos,
              bool tubo = false) {
    int esclavo = -1;
    if (tubo) {
      int extremos[2];
      if (pipe(extremos) != 0) return false;
      maestro_ = extremos[0];
      esclavo = extremos[1];
    } else if (openpty(&maestro_, &esclavo, nullptr, nullptr, nullptr) != 0) {
      return false;
    }
    // Other programs the test starts do not keep the terminal (or the pipe)
    // open: closing it here closes it.
    fcntl(maestro_, F_SETFD, FD_CLOEXEC);
    pid_ = fork();
    if (pid_ == 0) {
      setsid();
      ioctl(esclavo, TIOCSCTTY, 0);
      for (int d = 0; d < 3; ++d) dup2(esclavo, d);
      if (tubo) dup2(open("/dev/null", O_RDONLY), 0);
      close(esclavo);
      close(maestro_);
      unsetenv("R27_PUERTOS");
      std::vector<char*> argv = {const_cast<char*>(programa.c_str())};
      for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(programa.c_str(), argv.data());
      _exit(127);
    }
    close(esclavo);
    return pid_ > 0;
  }
  // Reads the terminal until `texto` has shown (since the start) or `segundos` pass.
  bool Esperar(const std::string& texto, int segundos) {
    const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(segundos);
    while (visto_.find(texto) == std::string::npos) {
      if (std::chrono::steady_clock::now() > fin) return false;
      (void)Leer(100);
    }
    return true;
  }
  void Teclear(const std::string& texto) { (void)!write(maestro_, texto.data(), texto.size()); }
  void Senal(int senal) { kill(pid_, senal); }
  // The terminal's window closed (the pipe's reader went away): nothing more is read.
  void Cerrar() {
    close(maestro_);
    maestro_ = -1;
  }
  // Reads to the end; the exit status, or -1 when it did not exit within `segundos`.
  int Fin(int segundos) {
    const auto fin = std::chrono::steady_clock::now() + std::chrono::seconds(segundos);
    while (std::chrono::steady_clock::now() < fin) {
      int estado = 0;
      if (waitpid(pid_, &estado, WNOHANG) == pid_) {
        pid_ = -1;
        while (Leer(0)) {
        }
        return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
      }
      (void)Leer(50);
    }
    return -1;
  }
  const std::string& Visto() const { return visto_; }

 private:
  // One read of what the terminal shows; false when nothing came in `espera_ms`.
  bool Leer(int espera_ms) {
    if (maestro_ < 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(espera_ms));
      return false;
    }
    pollfd p{maestro_, POLLIN, 0};
    if (poll(&p, 1, espera_ms) <= 0) return false;
    char b[4096];
    const ssize_t n = read(maestro_, b, sizeof b);
    if (n <= 0) return false;
    visto_.append(b, static_cast<size_t>(n));
    return true;
  }
  pid_t pid_ = -1;
  int maestro_ = -1;
  std::string visto_;
};

// A language file naming English and holding one text of its own: the others
// come from the built-in copy.
std::string Fichero_idiomas(const fs::path& dir) {
  const fs::path f = dir / "idiomas.ini";
  std::FILE* s = std::fopen(f.c_str(), "w");
  if (s == nullptr) return "";
  std::fputs("[COMUN]\nIDIOMA=EN\n[EN]\nP6_E1_L1=Nothing answered here.\n", s);
  std::fclose(s);
  return f.string();
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
                   "\"3.00.00000\",\"boot_stage\""),
            std::string::npos)
      << j;
  EXPECT_NE(j.find("\"identity_after\":{\"family\":\"QZT\""), std::string::npos) << j;
  EXPECT_NE(j.find("\"version\":\"3.01.00000\",\"boot_stage\":false,\"fpga\":\"3.3\""),
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
  EXPECT_EQ(Cuenta(tabla.salida, "\n"), 3u) << tabla.salida;  // the steps below the run
  EXPECT_NE(tabla.salida.find("3.00.00000  3.01.00000  updated  0     yes\n  Steps: zone "
                              "configuration, FPGA set and screen graphics, main firmware, MPEG-4 "
                              "application\n"),
            std::string::npos)
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

// What the program answers before any meter is asked: its help, each command
// line it refuses (exit 40, the reason on stderr), and a port that is no meter's,
// with the texts of a language file that lacks most of them.
TEST(Programa_linea, AyudaOrdenesRechazadasYPuertoSinMedidor) {
  const fs::path dir = fs::temp_directory_path() / ("r27_ordenes_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string idiomas = Fichero_idiomas(dir);
  setenv("XDG_DATA_HOME", (dir / "datos").c_str(), 1);  // a history, if any, stays here
  struct Caso {
    const char* nombre;
    std::vector<std::string> argumentos;
    int estado;
    std::string en_salida, en_errores;
  };
  const Caso casos[] = {
      {"--help", {"--help"}, 0, "--puerto COMn|PATH", ""},
      {"-h", {"-h"}, 0, "Exit codes:", ""},
      {"an unknown option", {"--sii"}, 40, "", "unknown option \"--sii\""},
      {"a language file that is not there",
       {"--idiomas", (dir / "no").string()},
       40,
       "",
       "is not a file"},
      {"a port path with a blank", {"--puerto", "/tmp/r27 medidor"}, 40, "", "blank"},
      {"a trace file that cannot be opened",
       {"--puerto", "COM3", "--traza", (dir / "no" / "traza.txt").string()},
       40,
       "",
       "cannot open the trace file"},
      // /dev/null opens, but it is no serial port: nothing is found on it.
      {"a path that is no serial port",
       {"--puerto", "/dev/null", "--idiomas", idiomas},
       31,
       "Nothing answered here.\nCheck the cable and that the meter is on, then run the command",
       ""},
      {"a path that leads nowhere",
       {"--puerto", (dir / "ttyACM9").string()},
       40,
       "",
       "ttyACM9: no such device"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    std::vector<std::string> argumentos = k.argumentos;
    argumentos.insert(argumentos.end(), {"--idioma", "EN"});  // the texts looked for are English
    const Salida_programa r = Ejecutar(R27_ACTUALIZAR_PROGRAMA, argumentos);
    EXPECT_EQ(r.estado, k.estado) << r.salida << r.errores;
    EXPECT_NE(r.salida.find(k.en_salida), std::string::npos) << r.salida;
    EXPECT_NE(r.errores.find(k.en_errores), std::string::npos) << r.errores;
    if (k.estado == 40) {
      EXPECT_EQ(r.salida, "");
    }
  }
  // The help lists every exit code, its meaning broken to fit 80 columns.
  const std::string ayuda = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--help", "--idioma", "EN"}).salida;
  for (const char* codigo : {"\n  0 ", "\n  1-29 ", "\n  30 ", "\n  37 ", "\n  40 "})
    EXPECT_NE(ayuda.find(codigo), std::string::npos) << codigo;
  size_t inicio = ayuda.find("Exit codes:");
  ASSERT_NE(inicio, std::string::npos);
  for (size_t fin; (fin = ayuda.find('\n', inicio)) != std::string::npos; inicio = fin + 1)
    EXPECT_LE(fin - inicio, 80u) << ayuda.substr(inicio, fin - inicio);
  unsetenv("XDG_DATA_HOME");
  std::error_code ec;
  fs::remove_all(dir, ec);
}

// Ctrl-C on the technician's terminal: at a question it answers no, and nothing
// is written; while the update runs it is refused with a warning, and the update
// ends as it would have.
TEST(Programa_linea, CtrlCEnElTerminal) {
  const fs::path dir = fs::temp_directory_path() / ("r27_ctrl_c_" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string enlace = (dir / "medidor").string();
  const std::string idiomas = Fichero_idiomas(dir);
  Programa_sim sim;
  ASSERT_TRUE(sim.Lanzar(R27_SIM_PROGRAMA, {"--enlace", enlace, "--t-reinicio", "1000"}));
  ASSERT_EQ(sim.Linea().rfind("/dev/pts/", 0), 0u);
  setenv("XDG_DATA_HOME", (dir / "datos").c_str(), 1);  // the runs' history stays here
  struct Caso {
    const char* nombre;
    const char* tecleado;     // typed at the question
    const char* pulsar_tras;  // Ctrl-C once this shows
    int estado;
    std::vector<std::string> vistos;  // on the terminal after it
    std::vector<std::string> no_vistos;
  };
  const Caso casos[] = {
      // The meter is let go before the run ends, and the technician is told.
      {"at the question",
       "",
       "[y/N] ",
       30,
       {"Letting the meter go", "The meter was let go in ", "The update was cancelled",
        "Result: cancelled"},
       {"An update is running.", "Updating the meter.", "failed"}},
      {"during the update",
       "y\n",
       "[1/1] zone",
       0,
       {"Updating the meter.", "An update is running.", "Result: updated"},
       {}},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Programa_en_terminal p;
    ASSERT_TRUE(p.Lanzar(R27_ACTUALIZAR_PROGRAMA, {"--puerto", enlace, "--servicio", "--pasos",
                                                   "zona", "--idiomas", idiomas}));
    ASSERT_TRUE(p.Esperar("[y/N] ", 60)) << p.Visto();
    p.Teclear(k.tecleado);
    ASSERT_TRUE(p.Esperar(k.pulsar_tras, 60)) << p.Visto();
    p.Senal(SIGINT);
    EXPECT_EQ(p.Fin(120), k.estado) << p.Visto();
    for (const std::string& v : k.vistos) EXPECT_NE(p.Visto().find(v), std::string::npos) << v;
    for (const std::string& v : k.no_vistos) EXPECT_EQ(p.Visto().find(v), std::string::npos) << v;
  }
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(sim.Terminar(SIGTERM), 0);
  std::error_code ec;
  fs::remove_all(dir, ec);
}

// Told to end while the meter's firmware burns, in every way a program is told
// (SIGTERM, SIGHUP, the terminal or the pipe of its output closed), one meter or
// a tray of two: each run goes on to its end, every meter ends holding the new
// firmware exact, and the history holds every run as updated. The runs go at once.
TEST(Programa_linea, FinPedidoEnElFirmware) {
  const fs::path dir = fs::temp_directory_path() / ("r27_fin_pedido_" + std::to_string(getpid()));
  fs::create_directories(dir);
  setenv("XDG_DATA_HOME", (dir / "datos").c_str(), 1);  // every run's history, together
  struct Caso {
    const char* nombre;
    int senal;  // 0: its terminal (or pipe) is closed instead
    bool tubo;  // the output goes into a pipe
    int medidores;
  };
  const Caso casos[] = {
      {"SIGTERM", SIGTERM, false, 1},           {"SIGHUP", SIGHUP, false, 1},
      {"the terminal closed", 0, false, 1},     {"the pipe of its output closed", 0, true, 1},
      {"SIGTERM to a tray", SIGTERM, false, 2},
  };
  constexpr size_t kCasos = std::size(casos);
  std::vector<std::unique_ptr<Programa_sim>> sims;
  std::vector<std::string> enlaces;
  Programa_en_terminal programas[kCasos];
  for (size_t i = 0; i < kCasos; ++i) {
    std::vector<std::string> argumentos = {"--si",     "--servicio", "--pasos",
                                           "firmware", "--idioma",   "EN"};
    for (int m = 0; m < casos[i].medidores; ++m) {
      const std::string base = (dir / ("medidor" + std::to_string(sims.size()))).string();
      sims.push_back(std::make_unique<Programa_sim>());
      ASSERT_TRUE(sims.back()->Lanzar(
          R27_SIM_PROGRAMA, {"--enlace", base, "--informe", base + ".informe", "--t-reinicio",
                             "1000", "--t-borrado-segmento", "20", "--t-programa-segmento", "40"}));
      ASSERT_EQ(sims.back()->Linea().rfind("/dev/pts/", 0), 0u);
      enlaces.push_back(base);
      argumentos.insert(argumentos.end(), {"--puerto", base});
    }
    ASSERT_TRUE(programas[i].Lanzar(R27_ACTUALIZAR_PROGRAMA, argumentos, casos[i].tubo));
  }
  std::vector<std::thread> hilos;
  int estados[kCasos];
  for (size_t i = 0; i < kCasos; ++i) {
    hilos.emplace_back([&, i] {
      const Caso& k = casos[i];
      Programa_en_terminal& p = programas[i];
      estados[i] = -2;
      if (!p.Esperar("main firmware", 120)) return;
      // Well into the burn's transfer.
      std::this_thread::sleep_for(std::chrono::seconds(3));
      if (k.senal != 0) {
        p.Senal(k.senal);
      } else {
        p.Cerrar();
      }
      estados[i] = p.Fin(180);
    });
  }
  for (std::thread& h : hilos) h.join();
  for (size_t i = 0; i < kCasos; ++i) {
    SCOPED_TRACE(casos[i].nombre);
    EXPECT_EQ(estados[i], 0) << programas[i].Visto();
    if (casos[i].senal != 0) {  // the terminal is still there to show the refusal
      EXPECT_NE(programas[i].Visto().find("An update is running."), std::string::npos)
          << programas[i].Visto();
    }
  }
  for (size_t m = 0; m < sims.size(); ++m) {
    EXPECT_EQ(sims[m]->Terminar(SIGTERM), 0);
    std::ifstream f(enlaces[m] + ".informe");
    const std::string informe((std::istreambuf_iterator<char>(f)),
                              std::istreambuf_iterator<char>());
    EXPECT_NE(informe.find("firmware=igual\nversion=3.01.00000"), std::string::npos)
        << m << ": " << informe;
  }
  const Salida_programa csv = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--historial", "--csv"});
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(Cuenta(csv.salida, ",updated,0,,yes,"), sims.size()) << csv.salida;
  for (const std::string& enlace : enlaces)
    EXPECT_EQ(Cuenta(csv.salida, "," + enlace + ",updated,"), 1u) << enlace << "\n" << csv.salida;
  std::error_code ec;
  fs::remove_all(dir, ec);
}

// A tray of four meters found by the search and updated at once: each meter's
// memory ends exact, the summary names all four and the history holds four proven runs.
// Meanwhile another process takes the old machine-wide port lock and the lock of
// one meter's device for 400 ms every 1.5 s (a holder that stalls): no meter
// fails for it, and a second updater asked for a meter the tray holds is refused.
TEST(Programa_linea, CuatroMedidoresALaVez) {
  const fs::path dir = fs::temp_directory_path() / ("r27_bandeja_" + std::to_string(getpid()));
  fs::create_directories(dir);
  Programa_sim sims[4];
  std::string esclavos[4];
  std::string mapa;
  for (int i = 0; i < 4; ++i) {
    const std::string base = (dir / ("medidor" + std::to_string(i))).string();
    ASSERT_TRUE(sims[i].Lanzar(
        R27_SIM_PROGRAMA,
        {"--enlace", base, "--informe", base + ".informe", "--t-reinicio", "1000", "--t-sector",
         "200", "--t-borrado-segmento", "20", "--t-programa-segmento", "40", "--t-mpeg4", "8"}));
    esclavos[i] = sims[i].Linea();
    ASSERT_EQ(esclavos[i].rfind("/dev/pts/", 0), 0u);
    mapa += (i ? " COM" : "COM") + std::to_string(3 + i) + "=" + base;
  }
  setenv("XDG_DATA_HOME", (dir / "datos").c_str(), 1);
  std::atomic<bool> fin{false};
  std::thread retenedor([&] {
    Mutex_Puerto de_la_maquina("Mutex_Puerto");
    Mutex_Puerto de_un_medidor("Mutex_Puerto-" + esclavos[1]);
    while (!fin) {
      de_la_maquina.Bloquear();
      de_un_medidor.Bloquear();
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      de_un_medidor.Liberar();
      de_la_maquina.Liberar();
      for (int i = 0; i < 11 && !fin; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  });
  Salida_programa segundo;
  std::thread otro_actualizador([&] {
    std::this_thread::sleep_for(std::chrono::seconds(8));  // the tray holds every meter by now
    segundo = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--puerto", (dir / "medidor2").string(), "--si"});
  });
  const Salida_programa r = Ejecutar(R27_ACTUALIZAR_PROGRAMA, {"--todos", "--si", "--json"}, mapa);
  fin = true;
  retenedor.join();
  otro_actualizador.join();
  EXPECT_EQ(segundo.estado, 36) << segundo.salida << segundo.errores;  // the port is busy
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
