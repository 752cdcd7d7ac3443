// Time, CPU and peak memory of every transfer of an update, and of a whole
// update, against the r27-sim program serving the simulated meter on a real
// pseudo-terminal and pacing its bytes at the line rate, in real time.
//
// Each transfer runs in its own r27-sim, on the line rate the update sequence
// uses for it: 500,000 baud after the baud switch (firmware records and burn,
// FPGA blocks, MPEG-4 stages 1 and 2, the zone's EEPROM frames), 115,200 before
// it (the plan upload, the keyboard exchange). The updater is this process's
// only thread, driving the port through the system backend exactly as the
// program does; its CPU time and peak memory are the process's (getrusage).
//
// What the updater did on the line is kept as a transcript, and the reference
// client replays it on the same pseudo-terminal with the simplest write-then-wait
// loop (the same requests, the same prescribed pauses), so the updater's time is
// also given as a ratio to the reference's. The wire-time bound is every byte
// written and read at 11 bits per byte at the rate it crossed the line; the
// time is also split between the meter's own work, the prescribed pauses, the
// wire and the rest.
//
//   bench_rendimiento [--sim RUTA] [--salida FICHERO] [--veces N] [--mutex NOMBRE]
//                     [--cpu N] [--cpu-sim N] PASO... [-- OPCIONES_SIM...]
//
// --cpu N and --cpu-sim N keep the bench (the updater and the reference) on core
// N and the simulated meter on another: a real meter never takes the PC's
// processor, and where the two share a core, which of them waits for the other
// changes from run to run.
//
// PASO: firmware fpga mpeg4 zona planes teclado completa, or todos. The options
// after "--" go to r27-sim (which always gets --ritmo) and give the bench the
// meter's timings. Each result is one tab-separated line, appended to FICHERO
// (with a header when the file is new) and printed.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/actualizacion.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/imagen_firmware.h"
#include "app/nucleo/paso_firmware.h"
#include "bench/flash/cliente_referencia.h"
#include "bench/rendimiento/registro_linea.h"
#include "bench/rendimiento/reparto.h"
#include "components/planes.h"
#include "components/programador_mpeg4.h"
#include "components/programador_teclado.h"
#include "components/tcfpga.h"
#include "factory/tfparam_defecto.h"
#include "flash/bloque.h"
#include "flash/subida_graficos.h"
#include "flash/tcdiferencial.h"
#include "link/directorio_puertos.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "link/termios_velocidad_posix.h"
#include "sim/opciones_sim.h"
#include "tests/apoyo/programa_sim.h"
#include "tests/apoyo/ventana_falsa.h"

namespace {

using namespace r27;
using namespace r27::banco;

constexpr uint32_t kBaudios_rapidos = 500'000;
constexpr uint8_t kSegmento_etapa2 = 0x81;
// The bench's port lock: the machine-wide name is shared with whatever else runs
// on the machine (other people's tests), whose lock holds are not the updater's.
// (--mutex NOMBRE shares one with other processes, to see what sharing costs.)
std::string g_mutex_banco = "Mutex_Puerto_rendimiento";
// The cores of --cpu and --cpu-sim (-1: wherever the system puts them).
int g_cpu_banco = -1, g_cpu_sim = -1;

bool Fijar_cpu(int cpu) {
  if (cpu < 0) return true;
  cpu_set_t c;
  CPU_ZERO(&c);
  CPU_SET(cpu, &c);
  return sched_setaffinity(0, sizeof c, &c) == 0;
}

// --- The simulator as a child process ------------------------------------------

// Starts r27-sim (always with --ritmo) on its core and returns the slave's path
// ("" on failure).
std::string Lanzar_simulador(pruebas::Programa_sim& sim, const std::string& programa,
                             const std::vector<std::string>& opciones) {
  std::vector<std::string> argumentos{"--ritmo"};
  argumentos.insert(argumentos.end(), opciones.begin(), opciones.end());
  if (!sim.Lanzar(programa, argumentos, [] { return Fijar_cpu(g_cpu_sim); })) return "";
  return sim.Linea();
}

// --- The window as the programming code sees it ---------------------------------

// The tests' fake window on the system clock, with the embedded image parsed. The
// sequence's pauses are marked in the transcript; the port's own waits are not
// prescribed pauses and go to a plain system clock.
class Ventana_banco {
 public:
  explicit Ventana_banco(Registro_linea& registro)
      : reloj_(registro),
        v_(Crear_backend(registro), reloj_, reloj_puerto_, g_mutex_banco),
        lineas_(Imagen_firmware()),
        graficos_(v_) {
    v_.al_mensaje = [](const std::string& t) { std::fprintf(stderr, "message: %s\n", t.c_str()); };
    v_.sin_respuestas = true;  // every question answered OK
    Abrir_hex(v_, lineas_, hex_);
    v_.lineas = &lineas_;
    v_.hex = hex_.get();
    v_.graficos = &graficos_;
  }
  pruebas::Ventana_falsa& V() { return v_; }
  Backend_registrado& Backend() { return *backend_; }

 private:
  std::unique_ptr<Backend_serie> Crear_backend(Registro_linea& registro) {
    auto b = std::make_unique<Backend_registrado>(Crear_backend_sistema(), registro);
    backend_ = b.get();
    return b;
  }
  Reloj_registrado reloj_;
  Reloj_sistema reloj_puerto_;
  Backend_registrado* backend_ = nullptr;
  pruebas::Ventana_falsa v_;
  Lector_lineas lineas_;
  std::unique_ptr<Lector_hex> hex_;
  Subida_graficos graficos_;
  Imagenes_arranque arranque_;
};

class Temporizador_banco final : public Interfaz_temporizador {
 public:
  void Habilitar() override { activo_ = true; }
  void Deshabilitar() override { activo_ = false; }
  bool Habilitado() const override { return activo_; }

 private:
  bool activo_ = false;
};

// The wizard's view: the step banner marks the transcript.
class Vista_banco final : public Vista_asistente {
 public:
  explicit Vista_banco(Registro_linea& registro) : registro_(registro) {}
  void Mostrar_pantalla(const Pantalla&) override {}
  void Fijar_linea2(const std::string&) override {}
  void Fijar_linea3(const std::string&) override {
    registro_.Marcar("paso " + std::to_string(++pasos_));
  }
  void Mostrar_imagen(int) override {}
  void Mostrar_numeros(bool) override {}
  void Mostrar_boton(bool) override {}
  void Ocultar_progreso() override {}
  void Habilitar_menus(bool) override {}
  bool Modo_automatico() const override { return true; }
  void Elegir_manual() override {}

 private:
  Registro_linea& registro_;
  int pasos_ = 0;
};

// --- Results ---------------------------------------------------------------------

struct Medida {
  std::string paso;
  uint32_t baudios = 0;
  double pared_s = 0, referencia_s = 0, cota_s = 0;
  double cpu_s = 0, cpu_referencia_s = 0;
  long pico_kb = 0, base_kb = 0;
  uint64_t bytes = 0;
  Reparto reparto;
  size_t agotadas = 0;
  uint64_t distintos = 0;
  // Exchanges (a write, then the read that answers it) and the summed turnarounds
  // (an answer read to the next write) of each side: what the updater does
  // between two requests, beside what the reference's bare loop does.
  size_t intercambios = 0;
  double vuelta_s = 0, vuelta_referencia_s = 0;
};

const char* kCabecera =
    "paso\tbaudios\tpared_s\treferencia_s\trazon_referencia\tcota_cable_s\trazon_cota\tcpu_s\t"
    "cuota_cpu\tcpu_referencia_s\tpico_kb\tbase_kb\tbytes\tmedidor_s\tesperas_s\tcable_s\t"
    "resto_s\tesperas_agotadas\tbytes_distintos\tintercambios\tvuelta_s\tvuelta_referencia_s\n";

void Escribir(std::FILE* f, const Medida& r) {
  std::fprintf(
      f,
      "%s\t%u\t%.4f\t%.4f\t%.5f\t%.4f\t%.3f\t%.4f\t%.5f\t%.4f\t%ld\t%ld\t%llu\t%.4f\t%.4f\t"
      "%.4f\t%.4f\t%zu\t%llu\t%zu\t%.4f\t%.4f\n",
      r.paso.c_str(), r.baudios, r.pared_s, r.referencia_s,
      r.referencia_s > 0 ? r.pared_s / r.referencia_s : 0.0, r.cota_s,
      r.cota_s > 0 ? r.pared_s / r.cota_s : 0.0, r.cpu_s, r.pared_s > 0 ? r.cpu_s / r.pared_s : 0.0,
      r.cpu_referencia_s, r.pico_kb, r.base_kb, static_cast<unsigned long long>(r.bytes),
      r.reparto.medidor_s, r.reparto.esperas_s, r.reparto.cable_s, r.reparto.resto_s, r.agotadas,
      static_cast<unsigned long long>(r.distintos), r.intercambios, r.vuelta_s,
      r.vuelta_referencia_s);
}

struct Opciones {
  std::string sim = R27_SIM_PROGRAMA;
  std::string salida;
  int veces = 1;
  std::vector<std::string> pasos;
  std::vector<std::string> opciones_sim;
  sim::Config_medidor medidor;
};

// --- One transfer's bench ---------------------------------------------------------

class Banco {
 public:
  Banco(const Opciones& o, std::string etiqueta)
      : o_(o),
        ruta_registro_(std::filesystem::temp_directory_path() /
                       ("r27-rendimiento-" + std::to_string(getpid()) + "-" + etiqueta + ".lin")),
        registro_(ruta_registro_.string()),
        base_kb_(Pico_memoria_kb()) {}
  ~Banco() {
    if (referencia_ >= 0) close(referencia_);
    std::error_code e;
    std::filesystem::remove(ruta_registro_, e);
  }

  // Starts the meter and the window on it; the reference client's descriptor is
  // opened first, before the updater takes the terminal for itself.
  bool Empezar() {
    esclavo_ = Lanzar_simulador(sim_, o_.sim, o_.opciones_sim);
    if (esclavo_.empty() || !registro_.Abierto()) return Fallo("r27-sim did not start");
    referencia_ = Abrir_referencia(esclavo_, 115'200);
    if (referencia_ < 0) return Fallo("the reference client cannot open " + esclavo_);
    const std::string mapa = "COM1=" + esclavo_;
    setenv(kVariable_puertos, mapa.c_str(), 1);
    v_ = std::make_unique<Ventana_banco>(registro_);
    conexion_ = std::make_unique<Conexion>(V(), timer_);
    conexion_->consulta_windows64 = [] { return false; };
    if (!V().Hex_firmware()) return Fallo("the embedded firmware image does not parse");
    return true;
  }

  bool Conectar() {
    V().Estado().puerto = 1;
    conexion_->Boton_ConectarClick();
    return V().Estado().conectado || Fallo("the meter did not answer the connect");
  }

  // The update sequence's switch to the fast line, with its pause.
  bool Linea_rapida() {
    const bool ok = conexion_->Cambiar_velocidad_medidor(kBaudios_rapidos);
    conexion_->Cambiar_velocidad_puerto(kBaudios_rapidos);
    V().Reloj_().Dormir_ms(kEspera_tras_velocidad_ms);
    return ok || Fallo("the meter refused the baud switch");
  }

  // Runs `paso` between the marks `nombre` and `nombre + " fin"`.
  bool Medir(const std::string& nombre, const std::function<bool()>& paso) {
    std::fill(std::begin(registro_.intercambios), std::end(registro_.intercambios), 0);
    std::fill(std::begin(registro_.tiempo_intercambios), std::end(registro_.tiempo_intercambios),
              0.0);
    registro_.Marcar(nombre);
    const bool ok = paso();
    registro_.Marcar(nombre + " fin");
    std::fprintf(stderr, "%s: exchanges by empty reads before the answer:", nombre.c_str());
    for (int k = 0; k <= Registro_linea::kMaximo_vacias; ++k)
      if (registro_.intercambios[k] > 0)
        std::fprintf(stderr, " %d: %llu (mean %.3f ms)", k,
                     static_cast<unsigned long long>(registro_.intercambios[k]),
                     1e3 * registro_.tiempo_intercambios[k] / double(registro_.intercambios[k]));
    std::fprintf(stderr, "\n");
    return ok || Fallo(nombre + ": the updater failed (code " +
                       std::to_string(V().Estado().codigo_error) + ", " +
                       V().Estado().motivo_error.Texto() + ")");
  }

  // The reference replays the transcript from mark `desde` to mark `hasta` on
  // descriptor `fd` (the bench's own when -1), then one result per pair of
  // consecutive marks named in `tramos` is made.
  bool Comparar(const std::string& desde, const std::string& hasta,
                const std::vector<std::pair<std::string, std::string>>& tramos,
                std::vector<Medida>& salida, int fd = -1) {
    const std::vector<Suceso_linea> todos = registro_.Leer();
    size_t i0 = todos.size(), i1 = todos.size();
    const int m0 = registro_.Indice_marca(desde), m1 = registro_.Indice_marca(hasta);
    uint32_t baudios = 115'200;
    for (size_t i = 0; i < todos.size(); ++i) {
      const Suceso_linea& s = todos[i];
      if (i0 == todos.size() && s.tipo == Tipo_suceso::Apertura) baudios = s.valor;
      if (s.tipo != Tipo_suceso::Marca) continue;
      if (int(s.valor) == m0) i0 = i;
      if (int(s.valor) == m1) i1 = i;
    }
    if (i0 >= todos.size() || i1 >= todos.size() || i1 < i0) return Fallo("no marks " + desde);
    const int fd_referencia = fd >= 0 ? fd : referencia_;
    Fijar_velocidad_referencia(fd_referencia, baudios);
    tcflush(fd_referencia, TCIOFLUSH);
    const auto tramo = std::span(todos).subspan(i0, i1 - i0 + 1);
    const Resultado_reproduccion r = Reproducir_referencia(fd_referencia, tramo);
    if (!r.ok) return Fallo("reference: " + r.error);
    for (size_t i : r.distintos_en) {
      std::fprintf(stderr, "reference read other bytes at step %zu (%c %u bytes after %c %u)\n", i,
                   static_cast<char>(tramo[i].tipo), tramo[i].valor,
                   i > 0 ? static_cast<char>(tramo[i - 1].tipo) : '-',
                   i > 0 ? tramo[i - 1].valor : 0u);
    }
    for (size_t i : r.agotadas_en) {
      // What the updater got there, and the step before it.
      std::fprintf(stderr, "reference wait ran out at step %zu (%c %u bytes after %c %u)\n", i,
                   static_cast<char>(tramo[i].tipo), tramo[i].valor,
                   i > 0 ? static_cast<char>(tramo[i - 1].tipo) : '-',
                   i > 0 ? tramo[i - 1].valor : 0u);
    }

    // Where each mark of the stretch falls in the replay.
    std::vector<std::pair<int, double>> marcas_referencia;
    size_t k = 0;
    for (const Suceso_linea& s : tramo)
      if (s.tipo == Tipo_suceso::Marca && k < r.marcas_s.size())
        marcas_referencia.emplace_back(int(s.valor), r.marcas_s[k++]);
    auto en_referencia = [&](int marca) {
      for (const auto& [m, t] : marcas_referencia)
        if (m == marca) return t;
      return -1.0;
    };
    const auto& marcas = registro_.Marcas();
    for (const auto& [a, b] : tramos) {
      const int ia = registro_.Indice_marca(a), ib = registro_.Indice_marca(b);
      if (ia < 0 || ib < 0) return Fallo("no marks " + a + " / " + b);
      const Marca& ma = marcas[size_t(ia)];
      const Marca& mb = marcas[size_t(ib)];
      Medida res;
      res.paso = a.substr(0, a.rfind(" #"));
      res.pared_s = mb.t - ma.t;
      res.cpu_s = mb.cpu_s - ma.cpu_s;
      res.pico_kb = mb.pico_kb;
      res.base_kb = base_kb_;
      res.referencia_s = en_referencia(ib) - en_referencia(ia);
      res.cpu_referencia_s = r.cpu_s * (res.referencia_s / std::max(r.pared_s, 1e-9));
      res.agotadas = r.esperas_agotadas;
      res.distintos = r.distintos;
      // The wire bound and the split over the updater's own stretch.
      uint32_t tasa = 115'200;
      bool dentro = false;
      for (const Suceso_linea& s : todos) {
        if (s.tipo == Tipo_suceso::Marca) {
          if (int(s.valor) == ia) dentro = true;
          if (int(s.valor) == ib) break;
        }
        if (s.tipo == Tipo_suceso::Apertura) tasa = s.valor;
        if (!dentro) continue;
        if (s.tipo == Tipo_suceso::Escritura || s.tipo == Tipo_suceso::Lectura) {
          res.bytes += s.valor;
          res.cota_s += double(s.valor) * Segundos_byte(tasa);
          res.baudios = std::max(res.baudios, tasa);
        }
      }
      res.reparto = Repartir(todos, ma.t, mb.t, o_.medidor);
      Diagnostico(a, tramo, r, ia, ib, res);
      salida.push_back(res);
    }
    return true;
  }

  // On stderr: where the updater's time differs from the reference's, as the sum
  // and the percentiles of the exchange times (a write to the read that answers
  // it) and of the turnarounds (a read to the next write), each side; the
  // turnarounds' count and sums also go into `res`.
  static void Diagnostico(const std::string& nombre, std::span<const Suceso_linea> tramo,
                          const Resultado_reproduccion& r, int marca_a, int marca_b, Medida& res) {
    std::vector<double> ida[2], vuelta[2];
    bool dentro = false;
    constexpr size_t kNinguno = SIZE_MAX;
    size_t histograma[2][7] = {};
    double suma_dif[2][7] = {};
    size_t escritura = kNinguno, lectura = kNinguno;
    for (size_t i = 0; i < tramo.size() && i < r.sucesos_s.size(); ++i) {
      const Suceso_linea& s = tramo[i];
      if (s.tipo == Tipo_suceso::Marca) {
        if (int(s.valor) == marca_a) dentro = true;
        if (int(s.valor) == marca_b) break;
        continue;
      }
      if (!dentro) continue;
      if (s.tipo == Tipo_suceso::Escritura) {
        if (lectura != kNinguno) {
          vuelta[0].push_back(s.t - tramo[lectura].t);
          vuelta[1].push_back(r.sucesos_s[i] - r.sucesos_s[lectura]);
        }
        escritura = i;
        lectura = kNinguno;
      } else if (s.tipo == Tipo_suceso::Lectura) {
        if (escritura != kNinguno) {
          ida[0].push_back(s.t - tramo[escritura].t);
          ida[1].push_back(r.sucesos_s[i] - r.sucesos_s[escritura]);
          const double d = 1e3 * (ida[0].back() - ida[1].back());
          const int cubo = d < -1     ? 0
                           : d < -0.1 ? 1
                           : d < 0.1  ? 2
                           : d < 1    ? 3
                           : d < 3    ? 4
                           : d < 5    ? 5
                                      : 6;
          ++histograma[tramo[escritura].valor > 16][cubo];
          suma_dif[tramo[escritura].valor > 16][cubo] += d;
        }
        escritura = kNinguno;
        lectura = i;
      } else {
        escritura = lectura = kNinguno;
      }
    }
    res.intercambios = vuelta[0].size();
    for (double v : vuelta[0]) res.vuelta_s += v;
    for (double v : vuelta[1]) res.vuelta_referencia_s += v;
    auto resumen = [](std::vector<double> v, char* texto, size_t n) {
      double suma = 0;
      for (double x : v) suma += x;
      std::sort(v.begin(), v.end());
      auto p = [&](double q) {
        return v.empty() ? 0.0 : 1e3 * v[size_t(q * double(v.size() - 1))];
      };
      std::snprintf(texto, n,
                    "n %6zu sum %8.3f s  p10 %6.3f p50 %6.3f p90 %6.3f p99 %6.3f max %7.3f ms",
                    v.size(), suma, p(0.1), p(0.5), p(0.9), p(0.99), p(1.0));
    };
    char t[4][160];
    resumen(ida[0], t[0], sizeof t[0]);
    resumen(ida[1], t[1], sizeof t[1]);
    resumen(vuelta[0], t[2], sizeof t[2]);
    resumen(vuelta[1], t[3], sizeof t[3]);
    std::fprintf(stderr,
                 "%s\n  exchange   updater   %s\n  exchange   reference %s\n"
                 "  turnaround updater   %s\n  turnaround reference %s\n",
                 nombre.c_str(), t[0], t[1], t[2], t[3]);
    for (int g = 0; g < 2; ++g) {
      std::fprintf(stderr, "  %s writes, updater minus reference (ms):", g ? "long " : "short");
      const char* cubos[] = {"<-1", "-1..-.1", "+-.1", ".1..1", "1..3", "3..5", ">5"};
      for (int c = 0; c < 7; ++c)
        std::fprintf(stderr, " %s: %zu (%.0f ms)", cubos[c], histograma[g][c], suma_dif[g][c]);
      std::fprintf(stderr, "\n");
    }
  }

  pruebas::Ventana_falsa& V() { return v_->V(); }
  Backend_registrado& Backend() { return v_->Backend(); }
  Conexion& Conexion_() { return *conexion_; }
  Temporizador_banco& Timer() { return timer_; }
  Registro_linea& Registro() { return registro_; }
  const std::string& Error() const { return error_; }
  void Cerrar_medidor() {
    if (v_) V().Puerto().Cerrar();
    sim_.Terminar(SIGTERM);
  }

 private:
  bool Fallo(const std::string& e) {
    if (error_.empty()) error_ = e;
    return false;
  }
  // The reference shares the terminal's settings with the updater; this only
  // makes sure a replay that starts later starts at the stretch's rate.
  static void Fijar_velocidad_referencia(int fd, uint32_t baudios) {
    Fijar_velocidad_termios(fd, baudios);
  }

  const Opciones& o_;
  std::filesystem::path ruta_registro_;
  Registro_linea registro_;
  long base_kb_;
  pruebas::Programa_sim sim_;
  std::string esclavo_;
  int referencia_ = -1;
  Temporizador_banco timer_;
  std::unique_ptr<Ventana_banco> v_;
  std::unique_ptr<Conexion> conexion_;
  std::string error_;
};

// Waits until a meter that restarts after a step listens again.
void Esperar_reinicio(const Opciones& o) {
  std::this_thread::sleep_for(std::chrono::microseconds(o.medidor.t_reinicio_us + 1'000'000));
}

// --- The transfers ------------------------------------------------------------------

using Salida = std::vector<Medida>;

// Each transfer runs `veces` times on the same meter, each run followed at once
// by the reference's replay of it: the pairs see the same load on the machine.
std::string Vez(const std::string& nombre, int vez) { return nombre + " #" + std::to_string(vez); }

bool Firmware(const Opciones& o, Salida& salida, std::string& error) {
  Banco b(o, "firmware");
  bool ok = b.Empezar() && b.Conectar() && b.Linea_rapida() &&
            Preparar_fpga(b.V(), b.Conexion_(), b.Timer());
  TCDiferencial* d = ok ? b.Conexion_().Diferencial() : nullptr;
  if (d) {
    d->segmentos = b.V().Estado().segmentos_presentes;
    ok = static_cast<bool>(d->Preparar_memoria());
  }
  b.V().Estado().Check_fpga = false;  // the burn of the firmware's segments alone
  for (int vez = 1; ok && d && vez <= o.veces; ++vez) {
    const std::string r = Vez("registros", vez), g = Vez("grabacion", vez);
    ok = b.Medir(r, [&] { return static_cast<bool>(d->Enviar_firmware()); }) &&
         b.Comparar(r, r + " fin", {{r, r + " fin"}}, salida) &&
         b.Medir(g, [&] { return static_cast<bool>(d->Grabar_flash()); }) &&
         b.Comparar(g, g + " fin", {{g, g + " fin"}}, salida);
  }
  error = b.Error();
  return ok && d;
}

bool Fpga(const Opciones& o, Salida& salida, std::string& error) {
  Banco b(o, "fpga");
  bool ok = b.Empezar() && b.Conectar() && b.Linea_rapida() &&
            Preparar_fpga(b.V(), b.Conexion_(), b.Timer());
  for (int vez = 1; ok && vez <= o.veces; ++vez) {
    const std::string f = Vez("fpga", vez);
    ok = b.Medir(f, [&] {
      TCFpga fpga(b.V());
      // Staged only, as in an update that writes the firmware too: its burn takes them.
      fpga.grabar_flash = false;
      fpga.num_configuraciones = TCFpga::kMaximo_configuraciones;
      return static_cast<bool>(fpga.Grabar_configuraciones());
    }) && b.Comparar(f, f + " fin", {{f, f + " fin"}}, salida);
  }
  error = b.Error();
  return ok;
}

bool Mpeg4(const Opciones& o, Salida& salida, std::string& error) {
  Banco b(o, "mpeg4");
  bool ok = b.Empezar() && b.Conectar() && b.Linea_rapida() &&
            Preparar_fpga(b.V(), b.Conexion_(), b.Timer());
  Estado_ventana& e = b.V().Estado();
  for (int vez = 1; ok && vez <= o.veces; ++vez) {
    const std::string uno = Vez("mpeg4 etapa 1", vez), dos = Vez("mpeg4 etapa 2", vez),
                      fin = Vez("mpeg4", vez) + " fin";
    // Stage 2 begins with the first block at its segment and ends with the first
    // write after it, where the run is stopped: the module update would follow.
    bool en_etapa2 = false, hecho = false;
    b.Backend().antes_de_escribir = [&](std::span<const uint8_t> w) {
      const bool bloque_etapa2 = w.size() >= 7 && w[0] == kOrden_bloque && w[4] == kSegmento_etapa2;
      if (!en_etapa2 && !hecho && bloque_etapa2) {
        en_etapa2 = true;
        b.Registro().Marcar(dos);
      } else if (en_etapa2 && !bloque_etapa2) {
        en_etapa2 = false;
        hecho = true;
        b.Registro().Marcar(fin);
        e.abortar = true;
      }
    };
    b.Registro().Marcar(uno);
    e.codigo_error = 0;
    (void)Programador_mpeg4(b.V(), b.Conexion_()).Actualizar_mpeg4(0, e.region_usa);
    b.Backend().antes_de_escribir = nullptr;
    e.abortar = false;
    ok = hecho && e.codigo_error == kCodigo_mpeg4_abortado;
    if (!ok) error = "MPEG-4 stages did not complete (code " + std::to_string(e.codigo_error) + ")";
    ok = ok && b.Comparar(uno, fin, {{uno, dos}, {dos, fin}}, salida);
  }
  if (error.empty()) error = b.Error();
  return ok;
}

bool Zona(const Opciones& o, Salida& salida, std::string& error) {
  Banco b(o, "zona");
  bool ok = b.Empezar() && b.Conectar() && b.Linea_rapida();
  for (int vez = 1; ok && vez <= o.veces; ++vez) {
    const std::string z = Vez("eeprom", vez);
    ok = b.Medir(z, [&] {
      TFParam_defecto fparam(b.V());
      fparam.Construir_configuracion(b.V().Estado().idioma_medidor);
      return static_cast<bool>(fparam.Grabar_zona());
    }) && b.Comparar(z, z + " fin", {{z, z + " fin"}}, salida);
  }
  error = b.Error();
  return ok;
}

// The plan upload and the keyboard exchange end with the meter restarting: the
// reference replays once it listens again, and so does the next run.
bool Con_reinicio(const Opciones& o, Salida& salida, std::string& error, const char* nombre,
                  const std::function<bool(Banco&)>& paso) {
  Banco b(o, nombre);
  bool ok = b.Empezar();
  for (int vez = 1; ok && vez <= o.veces; ++vez) {
    const std::string n = Vez(nombre, vez);
    if (vez > 1) Esperar_reinicio(o);
    ok = b.Conectar() && b.Medir(n, [&] { return paso(b); });
    if (!ok) break;
    b.V().Puerto().Cerrar();
    b.V().Estado().conectado = false;
    Esperar_reinicio(o);
    ok = b.Comparar(n, n + " fin", {{n, n + " fin"}}, salida);
  }
  error = b.Error();
  return ok;
}

bool Planes(const Opciones& o, Salida& salida, std::string& error) {
  return Con_reinicio(o, salida, error, "planes", [](Banco& b) {
    std::vector<uint8_t> buffer(128 * 1024);
    Preparar_buffer_planes(buffer);
    return static_cast<bool>(Grabar_plan(b.V(), buffer, b.V().Estado().indice_plan));
  });
}

bool Teclado(const Opciones& o, Salida& salida, std::string& error) {
  return Con_reinicio(o, salida, error, "teclado", [](Banco& b) {
    b.Timer().Deshabilitar();
    return static_cast<bool>(
        Programador_teclado(b.V(), b.V().Estado().progreso_base).Programar_teclado());
  });
}

// The whole update the tick decision chooses for the meter, run by the update
// sequence itself; the reference replays the whole session on a second meter.
bool Completa(const Opciones& o, Salida& salida, std::string& error) {
  Banco b(o, "completa");
  bool ok = b.Empezar();
  Textos_idioma textos;
  Vista_banco vista(b.Registro());
  if (ok) {
    b.Registro().Marcar("conexion");
    ok = b.Conectar();
  }
  Estado_ventana marcados;  // the ticks the decision set, before the run clears any
  if (ok) {
    marcados = b.V().Estado();
    Actualizacion a(b.V(), b.Conexion_(), b.Timer(), vista, textos);
    b.Registro().Marcar("completa");
    const bool fallida = a.Actualizar_medidor();
    b.Registro().Marcar("completa fin");
    ok = !fallida && b.V().Estado().codigo_error == 0;
    if (!ok)
      error = "the update failed (code " + std::to_string(b.V().Estado().codigo_error) + ", " +
              b.V().Estado().motivo_error.Texto() + ")";
  }
  b.Cerrar_medidor();
  if (!ok) {
    if (error.empty()) error = b.Error();
    return false;
  }
  // A fresh meter for the reference, which replays the connect and the update.
  pruebas::Programa_sim otro;
  const std::string esclavo = Lanzar_simulador(otro, o.sim, o.opciones_sim);
  const int fd = esclavo.empty() ? -1 : Abrir_referencia(esclavo, 115'200);
  if (fd < 0) {
    error = "second r27-sim for the reference";
    return false;
  }
  std::vector<std::pair<std::string, std::string>> tramos{{"completa", "completa fin"}};
  // The steps inside the update, banner to banner (the last to the end).
  const auto& marcas = b.Registro().Marcas();
  std::vector<std::string> pasos;
  for (const Marca& m : marcas)
    if (m.nombre.rfind("paso ", 0) == 0) pasos.push_back(m.nombre);
  for (size_t i = 0; i < pasos.size(); ++i)
    tramos.emplace_back(pasos[i], i + 1 < pasos.size() ? pasos[i + 1] : "completa fin");
  const size_t primero = salida.size();
  ok = b.Comparar("conexion", "completa fin", tramos, salida, fd);
  close(fd);
  // The banners come in the sequence's order of the ticked steps.
  const Estado_ventana& e = marcados;
  std::vector<std::string> nombres;
  for (const auto& [marcado, n] : {std::pair{e.Check_teclado, "teclado"},
                                   {e.Check_borrar, "borrado"},
                                   {e.Check_planes && !e.Check_firmware, "planes"},
                                   {e.Check_configuracion, "zona"},
                                   {e.Check_fpga, "fpga"},
                                   {e.Check_firmware, "firmware"},
                                   {e.Check_mpeg4_apl, "mpeg4"}})
    if (marcado) nombres.emplace_back(n);
  for (size_t i = primero; i < salida.size(); ++i) {
    Medida& r = salida[i];
    if (r.paso.rfind("paso ", 0) != 0) continue;
    const size_t k = size_t(std::atoi(r.paso.c_str() + 5));
    r.paso = "completa/" + (k >= 1 && k <= nombres.size() ? nombres[k - 1] : r.paso);
  }
  if (!ok) error = b.Error();
  return ok;
}

struct Paso {
  const char* nombre;
  bool (*correr)(const Opciones&, Salida&, std::string&);
};
constexpr Paso kPasos[] = {
    {"firmware", Firmware}, {"fpga", Fpga},       {"mpeg4", Mpeg4},       {"zona", Zona},
    {"planes", Planes},     {"teclado", Teclado}, {"completa", Completa},
};

void Uso() {
  std::fprintf(stderr,
               "bench_rendimiento [--sim RUTA] [--salida FICHERO] [--veces N] [--mutex NOMBRE] "
               "[--cpu N] [--cpu-sim N] PASO... [-- OPCIONES_SIM...]\nPASO: firmware fpga mpeg4 "
               "zona planes teclado completa todos\n");
}

}  // namespace

int main(int argc, char** argv) {
  Opciones o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--") {
      o.opciones_sim.assign(argv + i + 1, argv + argc);
      break;
    }
    if ((a == "--sim" || a == "--salida" || a == "--veces" || a == "--mutex" || a == "--cpu" ||
         a == "--cpu-sim") &&
        i + 1 < argc) {
      const std::string v = argv[++i];
      if (a == "--cpu") g_cpu_banco = std::atoi(v.c_str());
      if (a == "--cpu-sim") g_cpu_sim = std::atoi(v.c_str());
      if (a == "--mutex") g_mutex_banco = v;
      if (a == "--sim") o.sim = v;
      if (a == "--salida") o.salida = v;
      if (a == "--veces") o.veces = std::max(1, std::atoi(v.c_str()));
    } else if (a == "todos") {
      for (const Paso& p : kPasos) o.pasos.push_back(p.nombre);
    } else if (std::any_of(std::begin(kPasos), std::end(kPasos),
                           [&](const Paso& p) { return a == p.nombre; })) {
      o.pasos.push_back(a);
    } else {
      Uso();
      return 2;
    }
  }
  if (o.pasos.empty()) {
    Uso();
    return 2;
  }
  sim::Opciones_sim opciones_sim;
  std::string error;
  if (!sim::Leer_opciones(o.opciones_sim, opciones_sim, error)) {
    std::fprintf(stderr, "r27-sim options: %s\n", error.c_str());
    return 2;
  }
  o.medidor = opciones_sim.medidor;
  std::signal(SIGPIPE, SIG_IGN);
  if (!Fijar_cpu(g_cpu_banco)) {
    std::perror("--cpu");
    return 2;
  }

  std::FILE* f = nullptr;
  if (!o.salida.empty()) {
    const bool nuevo = !std::filesystem::exists(o.salida);
    f = std::fopen(o.salida.c_str(), "a");
    if (!f) {
      std::perror(o.salida.c_str());
      return 2;
    }
    if (nuevo) std::fputs(kCabecera, f);
  }
  std::fputs(kCabecera, stdout);
  int estado = 0;
  for (const std::string& nombre : o.pasos) {
    const Paso& p = *std::find_if(std::begin(kPasos), std::end(kPasos),
                                  [&](const Paso& k) { return nombre == k.nombre; });
    // The transfers repeat inside their run; whole updates one to a process.
    const int procesos = nombre == "completa" ? o.veces : 1;
    for (int vez = 0; vez < procesos; ++vez) {
      // Each run in a process of its own, so its peak memory is its own.
      std::fflush(stdout);
      if (f) std::fflush(f);
      const pid_t hijo = fork();
      if (hijo == 0) {
        Salida salida;
        std::string e;
        if (!p.correr(o, salida, e)) {
          std::fprintf(stderr, "%s: %s\n", p.nombre, e.c_str());
          std::fflush(stdout);
          _exit(1);
        }
        for (const Medida& r : salida) {
          Escribir(stdout, r);
          if (f) Escribir(f, r);
        }
        std::fflush(stdout);
        if (f) std::fflush(f);
        _exit(0);
      }
      int fin = 0;
      if (hijo < 0 || waitpid(hijo, &fin, 0) != hijo || !WIFEXITED(fin) || WEXITSTATUS(fin) != 0)
        estado = 1;
    }
  }
  if (f) std::fclose(f);
  return estado;
}
