// Puerto_serie with the termios backend on a real pseudo-terminal: the port opens
// the slave through its COM number (R27_PUERTOS), the test plays the meter on the
// master. Times are only bounded from above, generously.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "link/baja_latencia_posix.h"
#include "link/directorio_puertos.h"
#include "link/mutex_puerto.h"
#include "link/peticiones.h"
#include "link/puerto_serie.h"
#include "link/termios_velocidad_posix.h"
#include "tests/serie/cerrojo_prueba.h"

namespace r27 {
namespace {

using Reloj_mono = std::chrono::steady_clock;
constexpr int kCom = 77;  // beyond any numbering of the machine's own devices

class PuertoPty : public testing::Test {
 protected:
  void SetUp() override {
    Crear_maestro();
    puerto = std::make_unique<Puerto_serie>(Crear_backend_sistema(), reloj, cerrojo);
  }
  // A new pseudo-terminal on COM kCom (a case that closed the last one needs it).
  void Crear_maestro() {
    if (maestro >= 0) close(maestro);
    maestro = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(maestro, 0);
    ASSERT_EQ(grantpt(maestro), 0);
    ASSERT_EQ(unlockpt(maestro), 0);
    esclavo = ptsname(maestro);
    Mapear("COM" + std::to_string(kCom) + "=" + esclavo);
  }
  void Cerrar_maestro() {
    close(maestro);
    maestro = -1;
  }
  void TearDown() override {
    puerto.reset();
    if (maestro >= 0) close(maestro);
    unsetenv(kVariable_puertos);
  }
  static void Mapear(const std::string& mapa) { setenv(kVariable_puertos, mapa.c_str(), 1); }
  void Abrir(uint32_t baudios = 115200) {
    DCB_linea l = Linea_inicial();
    l.BaudRate = baudios;
    ASSERT_TRUE(puerto->Abrir(kCom, l));
  }
  void Escribir_maestro(const std::vector<uint8_t>& v) {
    ASSERT_EQ(write(maestro, v.data(), v.size()), static_cast<ssize_t>(v.size()));
  }
  // What the master receives, until n bytes or five quiet seconds.
  std::vector<uint8_t> Leer_maestro(size_t n) {
    std::vector<uint8_t> v;
    uint8_t b[4096];
    while (v.size() < n) {
      pollfd p{maestro, POLLIN, 0};
      if (poll(&p, 1, 5000) <= 0) break;
      const ssize_t r = read(maestro, b, std::min(sizeof b, n - v.size()));
      if (r <= 0) break;
      v.insert(v.end(), b, b + r);
    }
    return v;
  }
  // What the port receives, until n bytes or five seconds.
  std::vector<uint8_t> Leer_puerto(size_t n) {
    std::vector<uint8_t> v;
    std::vector<uint8_t> b(n);
    const auto fin = Reloj_mono::now() + std::chrono::seconds(5);
    while (v.size() < n && Reloj_mono::now() < fin) {
      const uint32_t r = puerto->Leer(b.data(), static_cast<uint32_t>(n - v.size()));
      v.insert(v.end(), b.begin(), b.begin() + r);
    }
    return v;
  }
  static std::vector<uint8_t> Todos_los_bytes(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + i / 256);
    return v;
  }

  const prueba::Nombre_cerrojo cerrojo{"pty"};
  int maestro = -1;
  std::string esclavo;
  Reloj_sistema reloj;
  std::unique_ptr<Puerto_serie> puerto;
};

TEST_F(PuertoPty, AbrePorNumeroYLlevaTodosLosBytesSinTocarlos) {
  Abrir();
  const std::vector<uint8_t> hola{'h', 'o', 'l', 'a', '\r', '\n', 0x03, 0x11, 0x13, 0x7F};
  EXPECT_EQ(puerto->Escribir(hola.data(), hola.size()), static_cast<int32_t>(hola.size()));
  EXPECT_EQ(Leer_maestro(hola.size()), hola);

  const auto todos = Todos_los_bytes(256 * 3);  // raw mode: every byte value passes unchanged
  Escribir_maestro(todos);
  EXPECT_EQ(Leer_puerto(todos.size()), todos);
}

// A pseudo-terminal has no serial settings: the request for low latency is
// refused, and the port the system backend opens (which asks) works as before.
TEST_F(PuertoPty, LaBajaLatenciaRechazadaNoEsUnFallo) {
  const int fd = open(esclavo.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Pedir_baja_latencia(fd), Latencia_puerto::rechazada);
  Devolver_latencia(fd);
  close(fd);
  Abrir();
  const std::vector<uint8_t> sondeo{0x00};
  EXPECT_EQ(puerto->Escribir(sondeo.data(), 1), 1);
  EXPECT_EQ(Leer_maestro(1), sondeo);
  Escribir_maestro({0x5D});
  EXPECT_EQ(Leer_puerto(1), std::vector<uint8_t>{0x5D});
}

TEST_F(PuertoPty, LecturaSinNadaVuelveEnCeroYPronto) {
  Abrir();
  uint8_t b = 0xAA;
  const auto t0 = Reloj_mono::now();
  EXPECT_EQ(puerto->Leer(&b, 1), 0u);
  EXPECT_EQ(b, 0);
  EXPECT_LT(Reloj_mono::now() - t0, std::chrono::seconds(1));
}

// A read waiting for its first byte leaves the machine-wide lock free for another
// program's port (a second updater would otherwise wait out every time-out of
// this one's reads), and still takes a byte that comes during the wait.
TEST_F(PuertoPty, LaEsperaDeUnaLecturaNoRetieneElCerrojo) {
  struct Caso {
    const char* nombre;
    bool llega_un_byte;
  };
  for (const Caso& k : {Caso{"nothing comes", false}, Caso{"a byte comes", true}}) {
    SCOPED_TRACE(k.nombre);
    Abrir();
    constexpr uint32_t kBytes = 100;  // a read of 100 bytes waits 202 ms for the first
    uint8_t b[kBytes] = {};
    uint32_t leidos = 99;
    const auto t0 = Reloj_mono::now();
    std::thread lector([&] { leidos = puerto->Leer(b, kBytes); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Mutex_Puerto otro(puerto->Nombre_cerrojo());
    const bool libre = otro.Intentar_bloquear();
    if (libre) otro.Liberar();
    if (k.llega_un_byte) Escribir_maestro({0x30});
    lector.join();
    const auto duracion = Reloj_mono::now() - t0;
    EXPECT_TRUE(libre) << "the lock was held while the read waited";
    if (k.llega_un_byte) {
      EXPECT_EQ(leidos, 1u);
      EXPECT_EQ(b[0], 0x30);
    } else {
      EXPECT_EQ(leidos, 0u);
      EXPECT_GE(duracion, std::chrono::milliseconds(2 * kBytes));  // the time-out is kept
    }
    EXPECT_LT(duracion, std::chrono::seconds(2));
  }
}

// An input with nothing waiting is looked at without the machine-wide lock (the
// drain before every request, a read whose time-out passed), while taking bytes
// that wait is an operation on the port and waits for the lock. Another program
// holds the lock throughout; each case runs in a thread of its own.
TEST_F(PuertoPty, UnaEntradaVaciaSeMiraSinElCerrojo) {
  enum class Operacion { leer_disponible, leer, drenar };
  struct Caso {
    const char* nombre;
    Operacion operacion;
    std::vector<uint8_t> esperando;  // written by the meter before the operation
    bool espera_el_cerrojo;
    uint32_t resultado;
  };
  const Caso casos[] = {
      {"nothing waiting, a non-waiting read", Operacion::leer_disponible, {}, false, 0},
      {"nothing waiting, a read's time-out passes", Operacion::leer, {}, false, 0},
      {"nothing waiting, a drain", Operacion::drenar, {}, false, 0},
      {"a byte waiting, a non-waiting read", Operacion::leer_disponible, {0x41}, true, 1},
      {"three bytes waiting, a drain", Operacion::drenar, {1, 2, 3}, true, 3},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Abrir();
    if (!k.esperando.empty()) {
      Escribir_maestro(k.esperando);
      // The bytes have come in (a busy kernel can take a while to pass them on).
      const auto hasta = Reloj_mono::now() + std::chrono::seconds(5);
      while (puerto->Backend().Sin_entrada() && Reloj_mono::now() < hasta)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Mutex_Puerto otro(puerto->Nombre_cerrojo());
    ASSERT_TRUE(otro.Intentar_bloquear());
    std::atomic<bool> hecho{false};
    uint32_t resultado = 99;
    uint8_t b[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    std::thread hilo([&] {
      switch (k.operacion) {
        case Operacion::leer_disponible:
          resultado = puerto->Leer_disponible(b, 1);
          break;
        case Operacion::leer:
          resultado = puerto->Leer(b, 1);
          break;
        case Operacion::drenar:
          resultado = Drenar(*puerto);
          break;
      }
      hecho = true;
    });
    // An operation held by the lock is seen still waiting after 300 ms; one that
    // needs no lock ends on its own, however busy the machine.
    const auto limite = Reloj_mono::now() + (k.espera_el_cerrojo ? std::chrono::milliseconds(300)
                                                                 : std::chrono::milliseconds(5000));
    while (!hecho && Reloj_mono::now() < limite)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(hecho.load(), !k.espera_el_cerrojo);
    otro.Liberar();
    hilo.join();
    EXPECT_EQ(resultado, k.resultado);
    if (k.operacion == Operacion::leer_disponible) {
      EXPECT_EQ(b[0], k.resultado ? 0x41 : 0);
    }
    // Whatever waited has been taken: the input is empty now.
    uint8_t resto = 0;
    EXPECT_EQ(puerto->Leer_disponible(&resto, 1), 0u);
  }
}

TEST_F(PuertoPty, BloquesGrandesEnAmbosSentidos) {
  Abrir();
  const auto datos = Todos_los_bytes(6000);
  std::vector<uint8_t> recibidos;
  std::thread lector([&] { recibidos = Leer_maestro(datos.size()); });
  EXPECT_EQ(puerto->Escribir(datos.data(), datos.size()), 6000);
  lector.join();
  EXPECT_EQ(recibidos, datos);

  const std::vector<uint8_t> bloque(datos.begin(), datos.begin() + 3000);
  Escribir_maestro(bloque);
  EXPECT_EQ(Leer_puerto(bloque.size()), bloque);
}

// A purge of the input drops what waits there; a purge of the output alone
// leaves it for the next read.
TEST_F(PuertoPty, PurgarDescartaLaEntradaPendiente) {
  struct Caso {
    bool recepcion, transmision;
    bool queda_la_entrada;
  };
  for (const Caso& k :
       {Caso{true, true, false}, Caso{true, false, false}, Caso{false, true, true}}) {
    SCOPED_TRACE(std::string("input ") + (k.recepcion ? "yes" : "no") + ", output " +
                 (k.transmision ? "yes" : "no"));
    Abrir();
    Escribir_maestro({'x', 'y', 'z'});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the bytes have come in
    puerto->Purgar(k.recepcion, k.transmision);
    Escribir_maestro({'k'});
    const std::vector<uint8_t> queda{'x', 'y', 'z', 'k'};
    EXPECT_EQ(Leer_puerto(k.queda_la_entrada ? 4 : 1),
              k.queda_la_entrada ? queda : std::vector<uint8_t>{'k'});
  }
}

TEST_F(PuertoPty, ReabrirCambiaLaVelocidad) {
  for (uint32_t baudios : {115200u, 500000u, 115200u}) {
    Abrir(baudios);
    uint32_t leida = 0;
    ASSERT_TRUE(Leer_velocidad_termios(maestro, leida));
    EXPECT_EQ(leida, baudios);
  }
}

TEST_F(PuertoPty, ElRegistroNoPuedePedirFlujoDeEntradaNiRts) {
  DCB_linea l = Linea_inicial();
  l.fRtsControl = RTS_CONTROL_ENABLE;
  l.fInX = true;
  l.fOutxDsrFlow = true;
  ASSERT_TRUE(puerto->Abrir(kCom, l));
  termios t{};
  ASSERT_EQ(tcgetattr(maestro, &t), 0);  // the master shows the slave's settings
  EXPECT_EQ(t.c_iflag & (IXOFF | IXON), 0u);
  EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_cflag & (CSTOPB | CLOCAL | CREAD), CSTOPB | CLOCAL | CREAD);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(puerto->Linea_aplicada().fRtsControl, RTS_CONTROL_DISABLE);
  EXPECT_FALSE(puerto->Linea_aplicada().fInX);
  EXPECT_FALSE(puerto->Linea_aplicada().fOutxDsrFlow);
  // RTS and DTR on a pseudo-terminal: no modem lines, no failure.
  puerto->Fijar_rts(true);
  EXPECT_TRUE(puerto->Esta_abierto());
}

TEST_F(PuertoPty, SoloUnTerminalEsUnPuertoSerie) {
  char fichero[] = "/tmp/r27-prueba-fichero-XXXXXX";
  const int fd = mkstemp(fichero);
  ASSERT_GE(fd, 0);
  close(fd);
  const std::string casos[] = {"COM77=/tmp/r27-no-existe-" + std::to_string(getpid()),
                               std::string("COM77=") + fichero, "COM77=/tmp", "COM77=/dev/null",
                               "COM78=" + esclavo /* COM77 is not mapped */};
  for (const auto& mapa : casos) {
    SCOPED_TRACE(mapa);
    Mapear(mapa);
    EXPECT_FALSE(puerto->Abrir(kCom, Linea_inicial()));
    EXPECT_FALSE(puerto->Esta_abierto());
    uint8_t b[2] = {0xAA, 0xAA};
    EXPECT_EQ(puerto->Escribir(b, 2), 0);
    EXPECT_EQ(puerto->Leer(b, 1), 0u);
    EXPECT_EQ(b[0], 0xAA);
  }
  unlink(fichero);
}

TEST_F(PuertoPty, ElOtroExtremoDesapareceYNadaCuelga) {
  Abrir();
  close(maestro);
  maestro = -1;
  const auto t0 = Reloj_mono::now();
  const uint8_t datos[4] = {1, 2, 3, 4};
  EXPECT_EQ(puerto->Espacio_libre(), Puerto_serie::kEspacio_error);
  EXPECT_EQ(puerto->Escribir(datos, 4), -1);
  uint8_t b[16];
  EXPECT_EQ(puerto->Leer(b, 16), 0u);
  EXPECT_EQ(puerto->Leer(b, Puerto_serie::kLeer_todo), 0u);
  puerto->Fijar_rts(true);
  puerto->Purgar(true, true);
  EXPECT_LT(Reloj_mono::now() - t0, std::chrono::seconds(3));
  puerto->Cerrar();
  EXPECT_FALSE(puerto->Esta_abierto());
}

// An unplug is known by whichever call meets the vanished device first, and
// that call returns at once: the waits above it end on the loss instead of
// running to their bounds.
TEST_F(PuertoPty, LaPrimeraLlamadaTrasDesaparecerLoSabe) {
  uint8_t b[16];
  const uint8_t datos[4] = {1, 2, 3, 4};
  struct Caso {
    const char* nombre;
    std::function<void()> llamada;
  };
  const Caso casos[] = {
      {"a read", [&] { EXPECT_EQ(puerto->Leer(b, 16), 0u); }},
      {"a read of what has come", [&] { EXPECT_EQ(puerto->Leer_disponible(b, 16), 0u); }},
      {"a write", [&] { EXPECT_EQ(puerto->Escribir(datos, 4), -1); }},
      {"the room in the queue",
       [&] { EXPECT_EQ(puerto->Espacio_libre(), Puerto_serie::kEspacio_error); }},
      {"RTS", [&] { puerto->Fijar_rts(true); }},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Crear_maestro();
    Abrir();
    EXPECT_FALSE(puerto->Dispositivo_perdido());
    Cerrar_maestro();
    const auto t0 = Reloj_mono::now();
    k.llamada();
    EXPECT_TRUE(puerto->Dispositivo_perdido());
    EXPECT_LT(Reloj_mono::now() - t0, std::chrono::seconds(1));
    puerto->Cerrar();
  }
}

// A write the line stops taking (the other end reads nothing) fails at the
// stall limit and closes the port; when the other end hangs up meanwhile, the
// write ends within a second, on the lost device, instead of at the limit.
TEST_F(PuertoPty, UnaEscrituraQueLaLineaNoTomaAcaba) {
  using std::chrono::milliseconds;
  struct Caso {
    const char* nombre;
    bool cuelga;  // the other end hangs up 300 ms into the write
    milliseconds minimo, maximo;
  };
  const Caso casos[] = {
      {"the other end stops reading", false, milliseconds(Puerto_serie::kLimite_atasco_ms),
       milliseconds(Puerto_serie::kLimite_atasco_ms + 5000)},
      {"the other end hangs up during the stall", true, milliseconds(300), milliseconds(1300)},
  };
  const std::vector<uint8_t> mucho = Todos_los_bytes(1 << 20);  // far more than a pty holds
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Crear_maestro();
    Abrir();
    std::thread colgar;
    if (k.cuelga)
      colgar = std::thread([&] {
        std::this_thread::sleep_for(milliseconds(300));
        Cerrar_maestro();
      });
    const auto t0 = Reloj_mono::now();
    EXPECT_EQ(puerto->Escribir(mucho.data(), static_cast<uint32_t>(mucho.size())), -1);
    const auto duracion = Reloj_mono::now() - t0;
    if (colgar.joinable()) colgar.join();
    EXPECT_GE(duracion, k.minimo);
    EXPECT_LT(duracion, k.maximo);
    // The stall closes the port; the lost device leaves it open and known gone.
    EXPECT_EQ(puerto->Esta_abierto(), k.cuelga);
    EXPECT_EQ(puerto->Dispositivo_perdido(), k.cuelga);
    puerto->Cerrar();
  }
}

}  // namespace
}  // namespace r27
