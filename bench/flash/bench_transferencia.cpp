// Wall and CPU time of the large transfers against the simulated meter on a real
// pseudo-terminal, paced at 500,000 baud: the firmware records and burn, the
// FPGA set's blocks and the MPEG-4 module's stage 1.
//
// The meter runs in a thread of this process behind the simulator's
// pseudo-terminal server; the updater runs on the main thread through the
// system serial backend, exactly as the program does. Reported:
// - records: wall time against the wire-time bound (every byte written and read,
//   11 bits per byte at 500,000 baud), and the updater thread's CPU time;
// - burn: wall time against the meter's own work (its erase and programming
//   time per segment) plus the wire time of its bytes;
// then the model's flash is compared with the embedded image.
//
// Each block transfer is also replayed by a reference client (the tightest
// stop-and-wait loop over a raw descriptor on the same pseudo-terminal, in the
// same run, sending the very packets the updater sent) and the updater's time is
// reported as a ratio to it: the updater's own overhead per block.
//
//   bench_transferencia [--veces N]
#include <signal.h>
#include <termios.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"
#include "bench/flash/cliente_referencia.h"
#include "components/memoria_medidor.h"
#include "components/programador_mpeg4.h"
#include "components/tcfpga.h"
#include "flash/tcdiferencial.h"
#include "link/directorio_puertos.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "sim/medidor_simulado.h"
#include "sim/servidor_pty.h"
#include "tests/apoyo/conexion_falsa.h"
#include "tests/apoyo/ventana_falsa.h"

namespace {

using namespace r27;

constexpr uint32_t kBaudios = 500'000;
constexpr double kBits_por_byte = 11.0;

double Segundos_pared() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// One write or read as the updater made it.
struct Suceso {
  double t;
  bool escritura;
  std::vector<uint8_t> bytes;
};

// Counts the bytes that cross the line in each direction and, while `registrar`
// is set, keeps every write and every non-empty read with its time.
class Backend_contador final : public Backend_serie {
 public:
  explicit Backend_contador(std::unique_ptr<Backend_serie> b) : b_(std::move(b)) {}
  bool registrar = false;
  std::vector<Suceso> sucesos;
  // Runs after every write (the benchmark stops a run part-way with it).
  std::function<void(const uint8_t*, uint32_t)> al_escribir;
  bool Abrir(int n, const DCB_linea& l) override { return b_->Abrir(n, l); }
  void Cerrar() override { b_->Cerrar(); }
  bool Esta_abierto() const override { return b_->Esta_abierto(); }
  bool Desaparecido() const override { return b_->Desaparecido(); }
  uint32_t Escribir(const uint8_t* d, uint32_t n) override {
    const uint32_t r = b_->Escribir(d, n);
    escritos += r;
    if (registrar) sucesos.push_back({Segundos_pared(), true, {d, d + r}});
    if (al_escribir) al_escribir(d, r);
    return r;
  }
  uint32_t Leer(uint8_t* d, uint32_t n) override { return Leido(d, b_->Leer(d, n)); }
  uint32_t Leer_disponible(uint8_t* d, uint32_t n) override {
    return Leido(d, b_->Leer_disponible(d, n));
  }
  bool Esperar_entrada(uint32_t n) override { return b_->Esperar_entrada(n); }
  bool Sin_entrada() override { return b_->Sin_entrada(); }
  bool Consultar_cola(Estado_cola& e) override { return b_->Consultar_cola(e); }
  void Purgar(bool r, bool t) override { b_->Purgar(r, t); }
  void Fijar_rts(bool a) override { b_->Fijar_rts(a); }
  uint64_t escritos = 0, leidos = 0;

 private:
  uint32_t Leido(const uint8_t* d, uint32_t r) {
    leidos += r;
    if (registrar && r > 0) sucesos.push_back({Segundos_pared(), false, {d, d + r}});
    return r;
  }
  std::unique_ptr<Backend_serie> b_;
};

void Imprimir_mensaje(const std::string& texto) {
  std::fprintf(stderr, "message: %s\n", texto.c_str());
}

double Segundos_cpu_hilo() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct Medida {
  double pared = 0, cpu = 0, cota = 0;
  uint64_t bytes = 0;
};

// The block packets the updater wrote in one phase, in order, from the write of
// the first to the answer to the last.
struct Tramo {
  std::vector<banco::Paquete> paquetes;
  double inicio = 0, fin = 0;
};

template <class Elegir>
Tramo Paquetes_de(const std::vector<Suceso>& sucesos, Elegir&& elegir_segmento) {
  Tramo t;
  size_t ultimo = sucesos.size();
  for (size_t i = 0; i < sucesos.size(); ++i) {
    const auto& b = sucesos[i].bytes;
    const bool es_bloque = sucesos[i].escritura && b.size() >= 7 && b[0] == kOrden_bloque &&
                           b.size() == size_t{b[1]} + 2;
    if (!es_bloque || !elegir_segmento(b[4])) continue;
    if (t.paquetes.empty()) t.inicio = sucesos[i].t;
    t.paquetes.push_back(b);
    ultimo = i;
  }
  for (size_t i = ultimo + 1; i < sucesos.size(); ++i) {
    if (!sucesos[i].escritura) {
      t.fin = sucesos[i].t;
      break;
    }
  }
  return t;
}

// The updater's time and CPU for a transfer beside the reference client's.
struct Comparacion {
  std::string nombre;
  size_t paquetes = 0;
  double actualizador_s = 0, referencia_s = 0;
  double cpu_actualizador = 0, cpu_referencia = 0;  // fraction of one core
};

bool Comparar(const char* nombre, int referencia, const Tramo& tramo, double cpu_fase_s,
              double pared_fase_s, std::vector<Comparacion>& salida) {
  if (tramo.paquetes.empty() || tramo.fin <= tramo.inicio) {
    std::fprintf(stderr, "%s: no packets recorded\n", nombre);
    return false;
  }
  // A stale answer (an aborted block's) must not be taken for the first packet's.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  tcflush(referencia, TCIOFLUSH);
  const banco::Resultado_referencia r =
      banco::Enviar_referencia(referencia, tramo.paquetes, kBloque_aceptado);
  if (!r.ok) {
    std::fprintf(stderr, "%s: reference client: %s\n", nombre, r.error.c_str());
    return false;
  }
  Comparacion c;
  c.nombre = nombre;
  c.paquetes = tramo.paquetes.size();
  c.actualizador_s = tramo.fin - tramo.inicio;
  c.referencia_s = r.pared_s;
  c.cpu_actualizador = pared_fase_s > 0 ? cpu_fase_s / pared_fase_s : 0;
  c.cpu_referencia = r.pared_s > 0 ? r.cpu_s / r.pared_s : 0;
  salida.push_back(c);
  return true;
}

bool Una_vez(bool imprimir_detalle, Medida& envio, Medida& grabacion,
             std::vector<Comparacion>& comparaciones) {
  sim::Config_medidor config;
  config.ritmo = true;
  config.t_respuesta_us = 0;  // the meter's reaction is not the updater's cost
  sim::Medidor_simulado medidor(config, sim::Ahora_real_us());
  sim::Servidor_pty servidor(medidor);
  std::string error;
  if (!servidor.Abrir(error)) {
    std::fprintf(stderr, "pseudo-terminal: %s\n", error.c_str());
    return false;
  }
  volatile std::sig_atomic_t parar = 0, liberar = 0;
  sigset_t mascara;
  sigemptyset(&mascara);
  std::thread hilo([&] { servidor.Servir(parar, liberar, mascara); });

  // The reference client's descriptor, opened before the updater takes the
  // terminal for itself; both share the line's settings.
  const int referencia = banco::Abrir_referencia(servidor.Ruta_esclavo(), 115'200);
  if (referencia < 0) std::fprintf(stderr, "reference client: cannot open the terminal\n");

  const std::string mapa = "COM1=" + servidor.Ruta_esclavo();
  setenv(kVariable_puertos, mapa.c_str(), 1);
  auto backend = std::make_unique<Backend_contador>(Crear_backend_sistema());
  Backend_contador* contador = backend.get();
  // The tests' fake window on the system clock, with the embedded image parsed.
  Reloj_sistema reloj;
  pruebas::Ventana_falsa v(std::move(backend), reloj, reloj);
  v.al_mensaje = Imprimir_mensaje;
  Lector_lineas lineas_firmware(Imagen_firmware());
  std::unique_ptr<Lector_hex> hex_firmware;
  Abrir_hex(v, lineas_firmware, hex_firmware);
  v.lineas = &lineas_firmware;
  v.hex = hex_firmware.get();
  bool ok = referencia >= 0 && v.Hex_firmware() != nullptr && v.Puerto().Abrir(1, Linea_inicial());

  // The update sequence's rate switch: the meter first, then the port.
  const uint8_t codigo[2] = {0x01, 0x00};
  if (ok) ok = static_cast<bool>(Escribir_memoria(v, codigo, 0x00, 0xFEB4));
  v.Reloj_().Dormir_ms(100);
  v.Estado().linea.BaudRate = kBaudios;
  if (ok) ok = v.Puerto().Abrir(1, v.Estado().linea);

  TCDiferencial d(v);
  d.segmentos = v.Estado().segmentos_presentes;
  if (ok) ok = d.Cargar_primera_etapa() && d.Cargar_segunda_etapa() && d.Preparar_memoria();
  if (!ok) std::fprintf(stderr, "the meter was not ready for programming\n");

  auto medir = [&](Medida& m, auto&& paso) {
    const uint64_t e0 = contador->escritos, l0 = contador->leidos;
    const double p0 = Segundos_pared(), c0 = Segundos_cpu_hilo();
    const bool r = static_cast<bool>(paso());
    m.pared = Segundos_pared() - p0;
    m.cpu = Segundos_cpu_hilo() - c0;
    m.bytes = (contador->escritos - e0) + (contador->leidos - l0);
    m.cota = double(m.bytes) * kBits_por_byte / kBaudios;
    return r;
  };
  auto registrado = [&](Medida& m, auto&& paso) {
    contador->sucesos.clear();
    contador->registrar = true;
    const bool r = medir(m, paso);
    contador->registrar = false;
    return r;
  };
  auto todos = [](uint8_t) { return true; };

  // Firmware records (and the reference over the same packets, which rewrites
  // the same staged bytes), then the burn.
  if (ok) ok = registrado(envio, [&] { return d.Enviar_firmware(); });
  if (ok)
    ok = Comparar("records", referencia, Paquetes_de(contador->sucesos, todos), envio.cpu,
                  envio.pared, comparaciones);
  if (ok) ok = medir(grabacion, [&] { return d.Grabar_flash(); });
  int segmentos = 0;
  for (uint8_t s : d.segmentos) segmentos += s != 0;
  // The burn's bound: the meter's own work on every segment plus its bytes.
  grabacion.cota += double(segmentos) *
                    double(config.t_borrado_segmento_us + config.t_programa_segmento_us) / 1e6;

  // The FPGA set's blocks, staged only: with the firmware ticked nothing is burnt.
  Medida fpga;
  if (ok) {
    TCFpga f(v);
    f.num_configuraciones = TCFpga::kMaximo_configuraciones;
    f.grabar_flash = false;
    ok = registrado(fpga, [&] { return static_cast<bool>(f.Grabar_configuraciones()); });
  }
  if (ok)
    ok = Comparar("FPGA", referencia, Paquetes_de(contador->sucesos, todos), fpga.cpu, fpga.pared,
                  comparaciones);

  // MPEG-4 stage 1: the run is stopped when the first stage-2 block goes out, so
  // the meter stays in its loader for the reference.
  Medida mpeg4;
  if (ok) {
    pruebas::Conexion_falsa conexion(v);
    Programador_mpeg4 p(v, conexion);
    contador->al_escribir = [&](const uint8_t* b, uint32_t n) {
      if (n >= 7 && b[0] == kOrden_bloque && b[4] == 0x81) v.Estado().abortar = true;
    };
    registrado(mpeg4, [&] { return static_cast<bool>(p.Actualizar_mpeg4(0, false)); });
    contador->al_escribir = nullptr;
    v.Estado().abortar = false;
    ok = Comparar("MPEG-4 1", referencia,
                  Paquetes_de(contador->sucesos, [](uint8_t s) { return s >= 0xB0; }), mpeg4.cpu,
                  mpeg4.pared, comparaciones);
  }

  v.Puerto().Cerrar();
  if (referencia >= 0) close(referencia);
  parar = 1;
  hilo.join();

  if (ok) {
    // The model must hold the embedded image, or the figures mean nothing.
    Lector_lineas lineas(Imagen_firmware());
    Lector_hex hex(lineas);
    uint8_t datos[256];
    Registro_hex r;
    r.datos = datos;
    int seg = -1;
    size_t comprobados = 0;
    while (hex.Leer_registro(r) == kRegistro_valido && r.tipo != kTipo_fin) {
      if (r.tipo == kTipo_direccion_lineal) seg = datos[1];
      if (r.tipo != kTipo_datos || seg < 0) continue;
      const auto flash = medidor.Segmento_flash(seg);
      for (int i = 0; i < r.longitud; ++i) {
        if (flash[(r.direccion + i) & 0xFFFF] != datos[i]) {
          std::fprintf(stderr, "flash differs in segment %d at 0x%04X\n", seg, r.direccion + i);
          return false;
        }
      }
      comprobados += r.longitud;
    }
    if (imprimir_detalle)
      std::printf("flash checked: %zu bytes in %d segments, %zu beeps\n", comprobados, segmentos,
                  v.pitidos.size());
  }
  return ok;
}

void Imprimir(const char* nombre, const Medida& m, const char* cota) {
  std::printf(
      "%-8s wall %7.3f s   %s %7.3f s   over by %+6.2f %%   CPU %6.3f s = %5.2f %% of a core"
      "   (%llu bytes on the line)\n",
      nombre, m.pared, cota, m.cota, 100.0 * (m.pared / m.cota - 1.0), m.cpu,
      100.0 * m.cpu / m.pared, static_cast<unsigned long long>(m.bytes));
}

void Imprimir(const Comparacion& c) {
  std::printf(
      "%-8s %6zu blocks   updater %8.3f s   reference %8.3f s   ratio %.4f   CPU updater %5.2f %%"
      "   reference %5.2f %% of a core\n",
      c.nombre.c_str(), c.paquetes, c.actualizador_s, c.referencia_s,
      c.actualizador_s / c.referencia_s, 100.0 * c.cpu_actualizador, 100.0 * c.cpu_referencia);
}

}  // namespace

int main(int argc, char** argv) {
  int veces = 1;
  if (argc == 3 && std::strcmp(argv[1], "--veces") == 0) veces = std::max(1, std::atoi(argv[2]));
  std::signal(SIGPIPE, SIG_IGN);
  std::printf("transfers over a pseudo-terminal, meter paced at %u baud\n", kBaudios);
  for (int i = 0; i < veces; ++i) {
    Medida envio, grabacion;
    std::vector<Comparacion> comparaciones;
    if (!Una_vez(i == 0, envio, grabacion, comparaciones)) return 1;
    Imprimir("records", envio, "wire bound");
    Imprimir("burn", grabacion, "meter work");
    Medida total{envio.pared + grabacion.pared, envio.cpu + grabacion.cpu,
                 envio.cota + grabacion.cota, envio.bytes + grabacion.bytes};
    Imprimir("total", total, "bound     ");
    std::printf("against the reference client (same packets, same line, same run):\n");
    for (const Comparacion& c : comparaciones) Imprimir(c);
  }
  return 0;
}
