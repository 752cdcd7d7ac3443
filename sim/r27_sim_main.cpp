// r27-sim: the simulated R27 meter on a pseudo-terminal. It prints the slave's
// path and a ready-made R27_PUERTOS line, then serves the meter in real time
// until SIGINT or SIGTERM, when it removes what it created and exits. SIGUSR1
// makes the meter send a release byte 0x0A (it asks to be let go). With
// --reproducir it serves a recorded trace's meter side instead, and exits with
// status 3 where the updater departs from it; with --latencia the device sits
// behind a USB serial adapter's latency timer.
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "incrustado/firmware_hex.h"
#include "sim/informe_contenido.h"
#include "sim/informe_medidor.h"
#include "sim/latencia_adaptador.h"
#include "sim/medidor_simulado.h"
#include "sim/opciones_sim.h"
#include "sim/reproduccion_traza.h"
#include "sim/servidor_pty.h"

namespace {

volatile std::sig_atomic_t g_parar = 0;
volatile std::sig_atomic_t g_liberar = 0;

void Al_recibir_senal(int senal) {
  if (senal == SIGUSR1) {
    g_liberar = 1;
  } else {
    g_parar = 1;
  }
}

// Points the symlink at the slave (replacing an earlier symlink, never a file).
bool Enlazar(const std::string& enlace, const std::string& destino) {
  char viejo[4096];
  if (readlink(enlace.c_str(), viejo, sizeof viejo) >= 0) unlink(enlace.c_str());
  if (symlink(destino.c_str(), enlace.c_str()) != 0) {
    std::perror(("r27-sim: no se pudo crear el enlace " + enlace).c_str());
    return false;
  }
  return true;
}

void Quitar_enlace(const std::string& enlace) {
  char viejo[4096];
  if (!enlace.empty() && readlink(enlace.c_str(), viejo, sizeof viejo) >= 0) {
    unlink(enlace.c_str());
  }
}

void Anunciar(const r27::sim::Opciones_sim& o, const std::string& esclavo) {
  std::printf("%s\nR27_PUERTOS=\"COM%d=%s\"\n", esclavo.c_str(), o.com,
              o.enlace.empty() ? esclavo.c_str() : o.enlace.c_str());
  std::fflush(stdout);
}

// Waits until `hasta_us` or a stop signal.
void Esperar_hasta(uint64_t hasta_us, const sigset_t& mascara) {
  while (!g_parar) {
    uint64_t ahora = r27::sim::Ahora_real_us();
    if (ahora >= hasta_us) return;
    uint64_t resto = std::min<uint64_t>(hasta_us - ahora, 200'000);
    timespec plazo{static_cast<time_t>(resto / 1'000'000),
                   static_cast<long>(resto % 1'000'000) * 1000};
    ppoll(nullptr, 0, &plazo, &mascara);
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace r27::sim;
  Opciones_sim o;
  std::string error;
  if (!Leer_opciones(std::vector<std::string>(argv + 1, argv + argc), o, error)) {
    std::fprintf(stderr, "r27-sim: %s\n(r27-sim --help muestra las opciones)\n", error.c_str());
    return 2;
  }
  if (o.ayuda) {
    std::fputs(Texto_ayuda(), stdout);
    return 0;
  }

  // A meter is a device: it answers on time whatever the computer is doing. The
  // stand-in asks to be scheduled before ordinary programs (a compile beside it
  // would otherwise hold its answers back for a second); without the right to,
  // it runs as it is.
  (void)setpriority(PRIO_PROCESS, 0, kPrioridad_medidor);

  // The stop signals are blocked except while the server waits, so none is lost.
  sigset_t senales, mascara_espera;
  sigemptyset(&senales);
  sigaddset(&senales, SIGINT);
  sigaddset(&senales, SIGTERM);
  sigaddset(&senales, SIGUSR1);
  sigprocmask(SIG_BLOCK, &senales, &mascara_espera);
  sigdelset(&mascara_espera, SIGINT);
  sigdelset(&mascara_espera, SIGTERM);
  sigdelset(&mascara_espera, SIGUSR1);
  struct sigaction accion {};
  accion.sa_handler = Al_recibir_senal;
  sigemptyset(&accion.sa_mask);
  sigaction(SIGINT, &accion, nullptr);
  sigaction(SIGTERM, &accion, nullptr);
  sigaction(SIGUSR1, &accion, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  // The replay's trace is read before anything is served: a trace that is not
  // one gets its message and no pseudo-terminal.
  std::unique_ptr<Reproduccion_traza> reproduccion;
  if (!o.reproducir.empty()) {
    Traza_grabada traza;
    if (!Leer_traza_fichero(o.reproducir, traza, error)) {
      std::fprintf(stderr, "r27-sim: %s\n", error.c_str());
      return 2;
    }
    if (traza.Escrituras() == 0) {
      std::fprintf(stderr, "r27-sim: la traza %s no tiene ninguna escritura\n",
                   o.reproducir.c_str());
      return 2;
    }
    // A pseudo-terminal does not tell when the updater opens it.
    reproduccion = std::make_unique<Reproduccion_traza>(std::move(traza), false, Ahora_real_us());
  }
  Medidor_simulado medidor(o.medidor, Ahora_real_us());
  medidor.Fijar_aviso(
      [](const std::string& texto) { std::fprintf(stderr, "r27-sim: %s\n", texto.c_str()); });
  Dispositivo_linea& dispositivo = reproduccion ? static_cast<Dispositivo_linea&>(*reproduccion)
                                                : static_cast<Dispositivo_linea&>(medidor);
  std::unique_ptr<Latencia_adaptador> adaptador;
  if (o.latencia_ms > 0) {
    adaptador = std::make_unique<Latencia_adaptador>(dispositivo, uint64_t{o.latencia_ms} * 1000,
                                                     Ahora_real_us());
  }
  Servidor_pty servidor(adaptador ? static_cast<Dispositivo_linea&>(*adaptador) : dispositivo);
  if (o.parar_lectura_ms >= 0)
    servidor.Dejar_de_leer_en(Ahora_real_us() + uint64_t(o.parar_lectura_ms) * 1000);
  int estado = 0;
  for (;;) {
    if (!servidor.Abrir(error)) {
      std::fprintf(stderr, "r27-sim: %s\n", error.c_str());
      estado = 1;
      break;
    }
    if (!o.enlace.empty() && !Enlazar(o.enlace, servidor.Ruta_esclavo())) {
      estado = 1;
      break;
    }
    Anunciar(o, servidor.Ruta_esclavo());
    const Servidor_pty::Fin fin = servidor.Servir(g_parar, g_liberar, mascara_espera);
    if (fin == Servidor_pty::Fin::Senal) break;
    if (fin == Servidor_pty::Fin::Detenido) {
      const std::string motivo =
          reproduccion ? reproduccion->Desvio().value_or("detenido") : "detenido";
      std::fprintf(stderr, "r27-sim: %s\n", motivo.c_str());
      estado = 3;
      break;
    }

    std::fprintf(stderr, "r27-sim: desenchufado\n");
    Quitar_enlace(o.enlace);
    if (o.volver_ms < 0) {
      Esperar_hasta(UINT64_MAX, mascara_espera);
      break;
    }
    Esperar_hasta(Ahora_real_us() + uint64_t(o.volver_ms) * 1000, mascara_espera);
    if (g_parar) break;
    medidor.Reenchufar(Ahora_real_us());
  }
  Quitar_enlace(o.enlace);
  if (reproduccion && estado == 0) {
    if (reproduccion->Terminada()) {
      std::fprintf(stderr, "r27-sim: traza reproducida entera (%u lineas)\n",
                   reproduccion->Ultima_linea());
    } else {
      std::fprintf(stderr, "r27-sim: reproduccion parada en la linea %u de %u\n",
                   reproduccion->Linea_actual(), reproduccion->Ultima_linea());
    }
  }
  if (!o.informe.empty()) {
    const auto imagen = r27::datos::firmware_hex();
    std::ofstream fichero(o.informe, std::ios::binary | std::ios::trunc);
    fichero << Informe_medidor(
                   medidor, std::span(reinterpret_cast<const char*>(imagen.data()), imagen.size()))
            << Informe_contenido(medidor);
    if (!fichero.flush()) {
      std::fprintf(stderr, "r27-sim: no se pudo escribir el informe %s\n", o.informe.c_str());
      if (estado == 0) estado = 1;
    }
  }
  return estado;
}
