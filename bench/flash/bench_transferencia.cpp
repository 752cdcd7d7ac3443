// Wall and CPU time of the firmware transfer (Enviar_firmware + Grabar_flash)
// against the simulated meter on a real pseudo-terminal, paced at 500,000 baud.
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
//   bench_transferencia [--veces N]
#include <signal.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "abrir_hex.h"
#include "directorio_puertos.h"
#include "imagen_firmware.h"
#include "lector_hex.h"
#include "lector_lineas.h"
#include "medidor_simulado.h"
#include "memoria_medidor.h"
#include "servidor_pty.h"
#include "tcdiferencial.h"

namespace {

using namespace r27;

constexpr uint32_t kBaudios = 500'000;
constexpr double kBits_por_byte = 11.0;

// Counts the bytes that cross the line in each direction.
class Backend_contador final : public Backend_serie {
 public:
  explicit Backend_contador(std::unique_ptr<Backend_serie> b) : b_(std::move(b)) {}
  bool Abrir(int n, const DCB_linea& l) override { return b_->Abrir(n, l); }
  void Cerrar() override { b_->Cerrar(); }
  bool Esta_abierto() const override { return b_->Esta_abierto(); }
  uint32_t Escribir(const uint8_t* d, uint32_t n) override {
    const uint32_t r = b_->Escribir(d, n);
    escritos += r;
    return r;
  }
  uint32_t Leer(uint8_t* d, uint32_t n) override {
    const uint32_t r = b_->Leer(d, n);
    leidos += r;
    return r;
  }
  uint32_t Leer_disponible(uint8_t* d, uint32_t n) override {
    const uint32_t r = b_->Leer_disponible(d, n);
    leidos += r;
    return r;
  }
  bool Consultar_cola(Estado_cola& e) override { return b_->Consultar_cola(e); }
  void Purgar(bool r, bool t) override { b_->Purgar(r, t); }
  void Fijar_rts(bool a) override { b_->Fijar_rts(a); }
  uint64_t escritos = 0, leidos = 0;

 private:
  std::unique_ptr<Backend_serie> b_;
};

// The main window as the programming code sees it, on the system clock.
class Ventana_banco final : public Interfaz_ventana {
 public:
  explicit Ventana_banco(std::unique_ptr<Backend_serie> backend)
      : puerto_(std::move(backend), reloj_), lineas_(Imagen_firmware()) {}
  Puerto_serie& Puerto() override { return puerto_; }
  Estado_ventana& Estado() override { return estado_; }
  Reloj& Reloj_() override { return reloj_; }
  Barra& Barra_progreso() override { return paso_; }
  Barra& ProgressBar_general() override { return general_; }
  void Procesar_mensajes() override {}
  void Pitido(unsigned, unsigned) override { ++pitidos; }
  void Mensaje(const std::string& t) override { std::fprintf(stderr, "message: %s\n", t.c_str()); }
  bool Confirmar(const std::string&) override { return true; }
  Lector_lineas* Lineas_firmware() override { return &lineas_; }
  Lector_hex* Hex_firmware() override { return hex_.get(); }
  Subida_graficos* Graficos() override { return nullptr; }
  void Analizar_imagen() { Abrir_hex(*this, lineas_, hex_); }
  int pitidos = 0;

 private:
  Reloj_sistema reloj_;
  Puerto_serie puerto_;
  Estado_ventana estado_;
  Barra paso_, general_;
  Lector_lineas lineas_;
  std::unique_ptr<Lector_hex> hex_;
};

double Segundos_cpu_hilo() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double Segundos_pared() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

struct Medida {
  double pared = 0, cpu = 0, cota = 0;
  uint64_t bytes = 0;
};

bool Una_vez(bool imprimir_detalle, Medida& envio, Medida& grabacion) {
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

  const std::string mapa = "COM1=" + servidor.Ruta_esclavo();
  setenv(kVariable_puertos, mapa.c_str(), 1);
  auto backend = std::make_unique<Backend_contador>(Crear_backend_sistema());
  Backend_contador* contador = backend.get();
  Ventana_banco v(std::move(backend));
  v.Analizar_imagen();
  bool ok = v.Hex_firmware() != nullptr && v.Puerto().Abrir(1, Linea_inicial());

  // The update sequence's rate switch: the meter first, then the port.
  const uint8_t codigo[2] = {0x01, 0x00};
  if (ok) ok = Escribir_memoria(v, codigo, 0x00, 0xFEB4);
  v.Reloj_().Dormir_ms(100);
  DCB_linea rapida = Linea_inicial();
  rapida.BaudRate = kBaudios;
  if (ok) ok = v.Puerto().Abrir(1, rapida);

  TCDiferencial d(v);
  d.segmentos = v.Estado().segmentos_presentes;
  if (ok) ok = d.Cargar_primera_etapa() && d.Cargar_segunda_etapa() && d.Preparar_memoria();
  if (!ok) std::fprintf(stderr, "the meter was not ready for programming\n");

  auto medir = [&](Medida& m, auto&& paso) {
    const uint64_t e0 = contador->escritos, l0 = contador->leidos;
    const double p0 = Segundos_pared(), c0 = Segundos_cpu_hilo();
    const bool r = paso();
    m.pared = Segundos_pared() - p0;
    m.cpu = Segundos_cpu_hilo() - c0;
    m.bytes = (contador->escritos - e0) + (contador->leidos - l0);
    m.cota = double(m.bytes) * kBits_por_byte / kBaudios;
    return r;
  };
  if (ok) ok = medir(envio, [&] { return d.Enviar_firmware(); });
  if (ok) ok = medir(grabacion, [&] { return d.Grabar_flash(); });
  int segmentos = 0;
  for (uint8_t s : d.segmentos) segmentos += s != 0;
  // The burn's bound: the meter's own work on every segment plus its bytes.
  grabacion.cota += double(segmentos) *
                    double(config.t_borrado_segmento_us + config.t_programa_segmento_us) / 1e6;
  v.Puerto().Cerrar();
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
      std::printf("flash checked: %zu bytes in %d segments, %d beeps\n", comprobados, segmentos,
                  v.pitidos);
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

}  // namespace

int main(int argc, char** argv) {
  int veces = 1;
  if (argc == 3 && std::strcmp(argv[1], "--veces") == 0) veces = std::max(1, std::atoi(argv[2]));
  std::signal(SIGPIPE, SIG_IGN);
  std::printf("firmware transfer over a pseudo-terminal, meter paced at %u baud\n", kBaudios);
  for (int i = 0; i < veces; ++i) {
    Medida envio, grabacion;
    if (!Una_vez(i == 0, envio, grabacion)) return 1;
    Imprimir("records", envio, "wire bound");
    Imprimir("burn", grabacion, "meter work");
    Medida total{envio.pared + grabacion.pared, envio.cpu + grabacion.cpu,
                 envio.cota + grabacion.cota, envio.bytes + grabacion.bytes};
    Imprimir("total", total, "bound     ");
  }
  return 0;
}
