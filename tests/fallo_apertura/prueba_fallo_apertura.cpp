// Why a port could not be opened, on real pseudo-terminals: a node this user may
// not open, a port another process holds (its lock, or the exclusive flag), a path
// that is not there or is no terminal; and the text the technician then reads.
// Root ignores file modes and the exclusive flag, so under root those cases open
// the port from a child that has become the unprivileged user "nobody".
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/fallo_apertura.h"
#include "link/directorio_puertos.h"
#include "link/puerto_serie.h"
#include "tests/serie/cerrojo_prueba.h"

namespace r27 {
namespace {

constexpr int kCom = 78;  // beyond any numbering of the machine's own devices
constexpr uid_t kNadie = 65534;
constexpr int kAbierto = 100;  // a child's exit status when its open succeeded

// The coverage runtime's flush, in a build that measures coverage: a child that
// ends with _exit would otherwise drop the counts of the code it ran. A child
// that acted as "nobody" takes root's ids back first, to write them.
extern "C" void __gcov_dump() __attribute__((weak));

// Runs `f` in a child process and returns its exit status (-1 when it died).
int En_hijo(const std::function<int()>& f) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int estado = f();
    if (__gcov_dump) {
      (void)!seteuid(0);
      (void)!setegid(0);
      __gcov_dump();
    }
    _exit(estado);
  }
  int estado = 0;
  if (pid < 0 || waitpid(pid, &estado, 0) != pid || !WIFEXITED(estado)) return -1;
  return WEXITSTATUS(estado);
}

// Root becomes "nobody" (the group first: after that it may no longer change it).
// The saved ids stay root's: the open is judged as nobody's all the same, since
// a process whose effective id is not root has none of root's powers.
bool Dejar_de_ser_root() {
  if (geteuid() != 0) return true;
  return setgroups(0, nullptr) == 0 && setresgid(kNadie, kNadie, 0) == 0 &&
         setresuid(kNadie, kNadie, 0) == 0;
}

// Opens COM kCom through the system's backend; the outcome as an exit status.
int Abrir_con_backend() {
  auto backend = Crear_backend_sistema();
  if (backend->Abrir(kCom, Linea_inicial())) return kAbierto;
  return static_cast<int>(backend->Ultimo_fallo_apertura());
}

enum class Tenencia { cerrojo, exclusivo };

// Another process that holds the device open: with the advisory lock a serial
// program takes, or with the exclusive flag (TIOCEXCL). It lets go when it dies.
class Otro_programa {
 public:
  Otro_programa(const std::string& ruta, Tenencia tenencia) {
    int listo[2];
    if (pipe(listo) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(listo[0]);
      const int fd = open(ruta.c_str(), O_RDWR | O_NOCTTY);
      const bool tomado =
          fd >= 0 && (tenencia == Tenencia::cerrojo ? flock(fd, LOCK_EX | LOCK_NB) == 0
                                                    : ioctl(fd, TIOCEXCL) == 0);
      const char r = tomado ? 'S' : 'N';
      (void)!write(listo[1], &r, 1);
      for (;;) pause();
    }
    close(listo[1]);
    char r = 0;
    tomado_ = pid_ > 0 && read(listo[0], &r, 1) == 1 && r == 'S';
    close(listo[0]);
  }
  ~Otro_programa() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  bool Tomado() const { return tomado_; }

 private:
  pid_t pid_ = -1;
  bool tomado_ = false;
};

class Fallo_apertura_pty : public testing::Test {
 protected:
  void SetUp() override {
    maestro = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(maestro, 0);
    ASSERT_EQ(grantpt(maestro), 0);
    ASSERT_EQ(unlockpt(maestro), 0);
    esclavo = ptsname(maestro);
    Mapear(esclavo);
  }
  void TearDown() override {
    if (maestro >= 0) close(maestro);
    unsetenv(kVariable_puertos);
  }
  static void Mapear(const std::string& ruta) {
    setenv(kVariable_puertos, ("COM" + std::to_string(kCom) + "=" + ruta).c_str(), 1);
  }

  const prueba::Nombre_cerrojo cerrojo{"fallo-apertura"};
  int maestro = -1;
  std::string esclavo;
};

// How a case reaches the port: the ruta COM78 leads to, what holds it, and who opens.
struct Caso {
  const char* nombre;
  std::function<std::string(const std::string& esclavo)> ruta;
  mode_t modo;                        // of the slave node
  std::optional<Tenencia> otro;       // another process holds the slave
  bool sin_privilegios;               // the port is opened as "nobody" under root
  Fallo_apertura esperado;            // ninguno: the port opens
  std::vector<std::string> en_texto;  // besides the port's name, in the message
};

std::string El_esclavo(const std::string& e) { return e; }

// The texts in code, as a language file without them gives them (English).
const Textos_idioma& Textos() {
  static const Textos_idioma t = Leer_idioma(Fichero_ini{});
  return t;
}

const std::vector<std::string> kArreglo_permiso = {"No permission", "group dialout",
                                                   "sudo usermod -aG dialout $USER", "log in again",
                                                   "udev rule"};
// A Linux port may be held by ModemManager: the rule that keeps it away from the
// meter alone is spelled out.
const std::vector<std::string> kArreglo_ocupado = {"busy",
                                                   "another program",
                                                   "ModemManager",
                                                   "terminal",
                                                   "udevadm info -q property -n /",
                                                   "ATTRS{idVendor}",
                                                   "ENV{ID_MM_DEVICE_IGNORE}=\"1\""};

TEST_F(Fallo_apertura_pty, CadaFalloDiceSuCausaYElTextoSuArreglo) {
  const std::vector<Caso> casos = {
      {"libre", El_esclavo, 0620, std::nullopt, false, Fallo_apertura::ninguno, {}},
      {"sin permiso", El_esclavo, 0000, std::nullopt, true, Fallo_apertura::sin_permiso,
       kArreglo_permiso},
      {"cerrado por otro", El_esclavo, 0666, Tenencia::cerrojo, false, Fallo_apertura::ocupado,
       kArreglo_ocupado},
      {"cerrado por otro, sin privilegios", El_esclavo, 0666, Tenencia::cerrojo, true,
       Fallo_apertura::ocupado, kArreglo_ocupado},
      {"exclusivo de otro", El_esclavo, 0666, Tenencia::exclusivo, true, Fallo_apertura::ocupado,
       kArreglo_ocupado},
      {"ruta ausente",
       [](const std::string&) { return std::string("/dev/r27-no-existe"); },
       0620,
       std::nullopt,
       false,
       Fallo_apertura::no_existe,
       {"does not exist"}},
      {"no es un terminal",
       [](const std::string&) { return std::string("/dev/null"); },
       0620,
       std::nullopt,
       false,
       Fallo_apertura::no_es_serie,
       {"is not a serial port"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    ASSERT_EQ(chmod(esclavo.c_str(), c.modo), 0);
    const std::string ruta = c.ruta(esclavo);
    Mapear(ruta);
    std::unique_ptr<Otro_programa> otro;
    if (c.otro) {
      otro = std::make_unique<Otro_programa>(esclavo, *c.otro);
      ASSERT_TRUE(otro->Tomado());
    }

    Fallo_apertura fallo = Fallo_apertura::otro;
    if (c.sin_privilegios) {
      const int r = En_hijo([] { return Dejar_de_ser_root() ? Abrir_con_backend() : 99; });
      ASSERT_NE(r, 99) << "could not become an unprivileged user";
      fallo = r == kAbierto ? Fallo_apertura::ninguno : static_cast<Fallo_apertura>(r);
    } else {
      Reloj_sistema reloj;
      Puerto_serie puerto(Crear_backend_sistema(), reloj, cerrojo);
      EXPECT_EQ(puerto.Abrir(kCom, Linea_inicial()), c.esperado == Fallo_apertura::ninguno);
      fallo = puerto.Ultimo_fallo_apertura();
    }
    EXPECT_EQ(fallo, c.esperado);

    const std::string texto = Texto_fallo_apertura({kCom, ruta, fallo}, Textos());
    EXPECT_NE(texto.find("COM78 (" + ruta + ")"), std::string::npos) << texto;
    for (const std::string& trozo : c.en_texto)
      EXPECT_NE(texto.find(trozo), std::string::npos) << trozo << " in: " << texto;
  }
}

// Two updaters on one port: the second is refused while the first holds it, and
// the first lets go on close. Reopening (the rate switch) closes before it opens.
TEST_F(Fallo_apertura_pty, UnSegundoActualizadorEncuentraElPuertoOcupadoHastaQueElPrimeroLoCierra) {
  Reloj_sistema reloj;
  Puerto_serie primero(Crear_backend_sistema(), reloj, cerrojo);
  Puerto_serie segundo(Crear_backend_sistema(), reloj, cerrojo);
  ASSERT_TRUE(primero.Abrir(kCom, Linea_inicial()));
  DCB_linea rapida = Linea_inicial();
  rapida.BaudRate = 500000;
  ASSERT_TRUE(primero.Abrir(kCom, rapida));
  EXPECT_EQ(primero.Ultimo_fallo_apertura(), Fallo_apertura::ninguno);

  EXPECT_FALSE(segundo.Abrir(kCom, Linea_inicial()));
  EXPECT_EQ(segundo.Ultimo_fallo_apertura(), Fallo_apertura::ocupado);
  // Another process sees it busy as well.
  EXPECT_EQ(En_hijo(Abrir_con_backend), static_cast<int>(Fallo_apertura::ocupado));

  primero.Cerrar();
  EXPECT_TRUE(segundo.Abrir(kCom, Linea_inicial()));
  EXPECT_EQ(segundo.Ultimo_fallo_apertura(), Fallo_apertura::ninguno);
  // Nor does the exclusive flag outlive the close: an unprivileged process opens
  // the port once the second updater has let it go.
  segundo.Cerrar();
  ASSERT_EQ(chmod(esclavo.c_str(), 0666), 0);
  EXPECT_EQ(En_hijo([] { return Dejar_de_ser_root() ? Abrir_con_backend() : 99; }), kAbierto);
}

TEST(Texto_puertos_sin_abrir, UnParrafoPorPuertoEnElOrdenDeLaBusqueda) {
  const std::string texto = Texto_puertos_sin_abrir({{3, "/dev/ttyACM0", Fallo_apertura::ocupado},
                                                     {5, "", Fallo_apertura::sin_permiso},
                                                     {7, "\\\\.\\COM7", Fallo_apertura::ocupado}},
                                                    Textos());
  const size_t com3 = texto.find("COM3 (/dev/ttyACM0)");
  const size_t separacion = texto.find("\n\n");
  const size_t com5 = texto.find("COM5.");         // no device path known: the COM name alone
  const size_t com7 = texto.find("COM7 is busy");  // a Windows name is not repeated
  ASSERT_NE(com3, std::string::npos) << texto;
  ASSERT_NE(com5, std::string::npos) << texto;
  ASSERT_NE(com7, std::string::npos) << texto;
  EXPECT_LT(com3, separacion);
  EXPECT_LT(separacion, com5);
  EXPECT_LT(com5, com7);
  // ModemManager is named for the Linux port only.
  EXPECT_LT(texto.find("ModemManager"), separacion);
  EXPECT_EQ(texto.find("ModemManager", separacion), std::string::npos);
  // The remedy names the Linux device itself.
  EXPECT_LT(texto.find("udevadm info -q property -n /dev/ttyACM0"), separacion);
  EXPECT_EQ(Texto_puertos_sin_abrir({}, Textos()), "");
}

}  // namespace
}  // namespace r27
