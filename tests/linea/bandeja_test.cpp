// Several meters at once, in process: each simulated meter on its own virtual
// clock and its own thread, behind a port directory that renumbers the ports as
// soon as one meter reconnects after its restart.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "app/linea/bandeja_linea.h"
#include "app/linea/codigos_salida.h"
#include "app/linea/textos_linea.h"
#include "app/nucleo/historial.h"
#include "incrustado/firmware_hex.h"
#include "sim/backend_simulado.h"
#include "sim/informe_medidor.h"
#include "sim/medidor_simulado.h"

namespace r27::pruebas {
namespace {

using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

// The system's directory of the tray: COM1 leads nowhere, COM3..COM5 to the
// meters' devices. Once any meter has reconnected (it restarted and came back),
// the numbers rotate, as a real directory may renumber when a device returns.
struct Directorio_renumerado final : Directorio_puertos {
  std::atomic<int>& reconexiones;
  explicit Directorio_renumerado(std::atomic<int>& r) : reconexiones(r) {}
  bool Existe(int n) const override { return n == 1 || (n >= 3 && n <= 5); }
  std::vector<std::string> Nombres_sistema() const override {
    return {"COM1", "COM3", "COM4", "COM5"};
  }
  std::optional<std::string> Ruta(int n) const override {
    if (n == 1) return "/dev/ttyS0";
    if (n < 3 || n > 5) return std::nullopt;
    const int giro = reconexiones > 0 ? 1 : 0;
    return "/dev/ttyACM" + std::to_string((n - 3 + giro) % 3);
  }
};

// A meter's port as the system backend opens it: COM number -> path through the
// directory it was given -> the device at that path. A reopen counts as a
// reconnect.
class Backend_por_ruta final : public Backend_serie {
 public:
  Backend_por_ruta(Reloj_virtual& reloj, const Directorio_puertos& directorio,
                   const std::map<std::string, sim::Medidor_simulado*>& dispositivos,
                   std::atomic<int>& reconexiones)
      : sim_(reloj), directorio_(directorio), reconexiones_(reconexiones) {
    int interno = 100;
    for (const auto& [ruta, medidor] : dispositivos) {
      sim_.Conectar(interno, *medidor);
      internos_[ruta] = interno++;
    }
  }
  bool Abrir(int n, const DCB_linea& l) override {
    n_ = n;
    if (abierto_alguna_vez_) ++reconexiones_;
    abierto_alguna_vez_ = true;
    const auto ruta = directorio_.Ruta(n);
    const auto it = ruta ? internos_.find(*ruta) : internos_.end();
    return it != internos_.end() && sim_.Abrir(it->second, l);
  }
  void Cerrar() override { sim_.Cerrar(); }
  bool Esta_abierto() const override { return sim_.Esta_abierto(); }
  bool Desaparecido() const override { return sim_.Desaparecido(); }
  uint32_t Escribir(const uint8_t* d, uint32_t n) override { return sim_.Escribir(d, n); }
  uint32_t Leer(uint8_t* d, uint32_t n) override { return sim_.Leer(d, n); }
  uint32_t Leer_disponible(uint8_t* d, uint32_t n) override { return sim_.Leer_disponible(d, n); }
  bool Consultar_cola(Estado_cola& e) override { return sim_.Consultar_cola(e); }
  void Purgar(bool r, bool t) override { sim_.Purgar(r, t); }
  void Fijar_rts(bool a) override { sim_.Fijar_rts(a); }
  Fallo_apertura Ultimo_fallo_apertura() const override {
    const auto ruta = directorio_.Ruta(n_);
    return com1_ocupado_ && ruta == "/dev/ttyS0" ? Fallo_apertura::ocupado
                                                 : Fallo_apertura::no_existe;
  }

 private:
  sim::Backend_simulado sim_;
  const Directorio_puertos& directorio_;
  std::atomic<int>& reconexiones_;
  std::map<std::string, int> internos_;
  bool abierto_alguna_vez_ = false;
  int n_ = 0;

 public:
  bool com1_ocupado_ = false;  // COM1's device is held by another program
};

struct Medidor_de_bandeja {
  std::unique_ptr<Reloj_virtual> reloj = std::make_unique<Reloj_virtual>();
  std::unique_ptr<sim::Medidor_simulado> medidor;
};

struct Banco_bandeja {
  explicit Banco_bandeja(const std::vector<Config_medidor>& configs) : sistema(reconexiones) {
    for (size_t i = 0; i < configs.size(); ++i) {
      Medidor_de_bandeja m;
      Config_medidor c = configs[i];
      c.t_mpeg4_us = 20'000'000;
      m.medidor = std::make_unique<sim::Medidor_simulado>(c, m.reloj->Ahora_us());
      dispositivos["/dev/ttyACM" + std::to_string(i)] = m.medidor.get();
      medidores.push_back(std::move(m));
    }
    entorno.directorio = &sistema;
    entorno.medios = [this](int n, const Directorio_puertos& fijo) {
      // Each COM number keeps its first meter's clock: the meter it should reach.
      const size_t i = static_cast<size_t>(n - 3);
      Reloj_virtual& reloj =
          n >= 3 && i < medidores.size() ? *medidores[i].reloj : reloj_sin_medidor;
      auto backend = std::make_unique<Backend_por_ruta>(reloj, fijo, dispositivos, reconexiones);
      backend->com1_ocupado_ = com1_ocupado;
      return Medios_medidor{std::move(backend), &reloj};
    };
    entorno.ruta_estable = [](const std::string& ruta) { return ruta; };
    entorno.salida = &salida;
    entorno.errores = &errores;
    entorno.textos = Idioma_linea("EN");
    entorno.windows64 = [] { return false; };
  }
  int Ejecutar(std::vector<std::string_view> argumentos) {
    const Lectura_opciones l = Leer_opciones(argumentos, entorno.textos);
    EXPECT_EQ(l.error, "");
    return Ejecutar_bandeja(l.opciones, entorno, &resumenes);
  }
  std::string Informe(size_t i) const {
    const auto imagen = datos::firmware_hex();
    return sim::Informe_medidor(
        *medidores[i].medidor,
        std::span(reinterpret_cast<const char*>(imagen.data()), imagen.size()));
  }

  std::atomic<int> reconexiones{0};
  bool com1_ocupado = false;
  Directorio_renumerado sistema;
  Reloj_virtual reloj_sin_medidor;
  std::vector<Medidor_de_bandeja> medidores;
  std::map<std::string, sim::Medidor_simulado*> dispositivos;
  std::ostringstream salida;
  std::ostringstream errores;
  Entorno_bandeja entorno;
  std::vector<Resumen_linea> resumenes;
};

Config_medidor Con_fallo(Fallo f) {
  Config_medidor c;
  c.fallos = {f};
  return c;
}

// One meter completes, one fails part-way, one is unplugged in the firmware's
// FPGA set's blocks: each ends on its own, the others are not disturbed, every meter
// keeps its own device while the numbers move under them, and each leaves its record.
TEST(Ejecutar_bandeja, CadaMedidorConSuDesenlaceYSuDispositivo) {
  Banco_bandeja b({Config_medidor{},
                   Con_fallo({Tipo_fallo::Ack_perdido, Peticion::Escritura_eeprom, 1, 1000}),
                   Con_fallo({Tipo_fallo::Desenchufe, Peticion::Bloque, 400, 1})});
  const std::filesystem::path fichero_historial =
      std::filesystem::path(::testing::TempDir()) /
      ("r27_bandeja_historial_" + std::to_string(::getpid()) + ".jsonl");
  std::filesystem::remove(fichero_historial);
  Historial historial(fichero_historial);
  b.entorno.historial = &historial;
  const int salida = b.Ejecutar({"--todos", "--si"});

  ASSERT_EQ(b.resumenes.size(), 3u) << b.salida.str();  // COM1 holds no meter
  EXPECT_GT(b.reconexiones.load(), 0);                  // the numbers did move
  EXPECT_EQ(b.resumenes[0].puerto, 3);
  EXPECT_EQ(b.resumenes[0].resultado, "updated");
  EXPECT_EQ(b.resumenes[0].codigo_salida, kSalida_correcta);
  ASSERT_TRUE(b.resumenes[0].comprobacion);
  EXPECT_TRUE(b.resumenes[0].comprobacion->probada);
  EXPECT_NE(b.Informe(0).find("firmware=igual\nversion=3.01"), std::string::npos) << b.Informe(0);
  EXPECT_NE(b.Informe(0).find("fpga=3.3\nmpeg4=133,0,5,2"), std::string::npos);

  // The zone step gives up: nothing of the firmware reached that meter.
  EXPECT_EQ(b.resumenes[1].resultado, "failed");
  EXPECT_GE(b.resumenes[1].codigo_resultado, 5);
  EXPECT_LE(b.resumenes[1].codigo_resultado, 7);
  EXPECT_NE(b.resumenes[1].motivo, "");
  EXPECT_EQ(b.medidores[1].medidor->Cuenta(Peticion::Grabacion), 0u);
  EXPECT_NE(b.Informe(1).find("version=3.00"), std::string::npos);

  // Unplugged in the FPGA set's blocks: the block code, the device gone.
  EXPECT_EQ(b.resumenes[2].resultado, "failed");
  EXPECT_EQ(b.resumenes[2].codigo_resultado, 18);
  EXPECT_NE(b.resumenes[2].motivo.find("ya no esta"), std::string::npos) << b.resumenes[2].motivo;
  EXPECT_EQ(b.medidores[2].medidor->Cuenta(Peticion::Grabacion), 0u);

  // The exit code is the first failing meter's, in port order.
  EXPECT_EQ(salida, b.resumenes[1].codigo_salida);
  // The table names every meter with its result.
  const std::string texto = b.salida.str();
  for (const char* esperado : {"COM3", "COM4", "COM5", "updated", "failed"})
    EXPECT_NE(texto.find(esperado), std::string::npos) << esperado << "\n" << texto;

  // The history: one record per meter, written by the meters' threads at once,
  // each with its own outcome and the device it was held to.
  const Lectura_historial l = historial.Leer();
  EXPECT_TRUE(l.danadas.empty());
  ASSERT_EQ(l.registros.size(), 3u);
  std::map<std::string, Registro_historial> por_puerto;
  for (const Registro_historial& r : l.registros) por_puerto[r.puerto] = r;
  ASSERT_EQ(por_puerto.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const Resumen_linea& s = b.resumenes[i];
    const Registro_historial& r = por_puerto["COM" + std::to_string(s.puerto)];
    SCOPED_TRACE(r.puerto);
    EXPECT_EQ(r.resultado, s.resultado);
    EXPECT_EQ(r.codigo_resultado, s.codigo_resultado);
    EXPECT_EQ(r.motivo, s.motivo);
    EXPECT_EQ(r.ruta, "/dev/ttyACM" + std::to_string(i));
    EXPECT_EQ(r.desconectado, i == 2);
  }
  EXPECT_TRUE(por_puerto["COM3"].comprobacion && por_puerto["COM3"].comprobacion->probada);
  std::filesystem::remove(fichero_historial);
}

TEST(Ejecutar_bandeja, PuertosPedidosYSinMedidor) {
  struct Caso {
    const char* nombre;
    std::vector<std::string_view> argumentos;
    size_t conectados;  // meters in the tray
    bool terminal;      // stdout is a terminal
    bool rutas;         // device paths get a COM number (as on Linux)
    bool com1_ocupado;  // another program holds COM1
    int salida;
    std::vector<int> puertos;  // the table's, in order
    std::string en_salida;     // in what the technician reads
  };
  const std::string nada = Idioma_linea("EN").Asistente()[Texto::P6_E1_L1];
  const std::vector<int> tres = {3, 4, 5};
  const Caso casos[] = {
      // A port given that leads to no meter is still a meter of the tray: it failed.
      {"COM1 and COM3",
       {"--puerto", "COM3", "--puerto", "COM1", "--si"},
       3,
       false,
       false,
       false,
       kSalida_no_encontrado,
       {1, 3},
       ""},
      {"check only",
       {"--todos", "--solo-comprobar"},
       3,
       false,
       false,
       false,
       kSalida_correcta,
       tres,
       ""},
      {"a port given twice",
       {"--puerto", "COM3", "--puerto", "COM4", "--puerto", "COM3", "--si"},
       3,
       false,
       false,
       false,
       kSalida_orden_erronea,
       {},
       ""},
      {"a device path where paths are not mapped",
       {"--puerto", "/dev/ttyACM0", "--si"},
       3,
       false,
       false,
       false,
       kSalida_orden_erronea,
       {},
       ""},
      {"a device path and a COM number",
       {"--puerto", "/dev/ttyACM1", "--puerto", "COM3", "--si"},
       3,
       false,
       true,
       false,
       kSalida_correcta,
       {3, 4},
       ""},
      {"a device path that leads nowhere",
       {"--puerto", "/dev/ttyACM7", "--si"},
       3,
       false,
       true,
       false,
       kSalida_orden_erronea,
       {},
       ""},
      {"no meter on any port",
       {"--todos", "--si"},
       0,
       false,
       false,
       false,
       kSalida_no_encontrado,
       {},
       nada},
      // A port that could not be opened may hold a meter: it is named.
      {"a port held by another program",
       {"--todos", "--solo-comprobar"},
       3,
       false,
       false,
       true,
       kSalida_correcta,
       tres,
       "/dev/ttyS0: no meter found, a port held by another program, not searched"},
      // Each meter's line rewritten in place (a whole update lasts several of its
      // 250 ms redraws), and the block erased once all have ended.
      {"on a terminal",
       {"--todos", "--si"},
       3,
       true,
       false,
       false,
       kSalida_correcta,
       tres,
       "A\r\033[J"},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Banco_bandeja b(std::vector<Config_medidor>(k.conectados));
    b.entorno.salida_terminal = k.terminal;
    b.com1_ocupado = k.com1_ocupado;
    if (k.rutas) {
      // The devices the directory numbers first: /dev/ttyACMk is COM 3 + k.
      b.entorno.numero_de_ruta = [](const std::string& ruta,
                                    std::string& error) -> std::optional<int> {
        for (int i = 0; i < 3; ++i)
          if (ruta == "/dev/ttyACM" + std::to_string(i)) return 3 + i;
        error = "no device at " + ruta;
        return std::nullopt;
      };
    }
    EXPECT_EQ(b.Ejecutar(k.argumentos), k.salida) << b.errores.str();
    std::vector<int> puertos;
    for (const Resumen_linea& r : b.resumenes) puertos.push_back(r.puerto);
    EXPECT_EQ(puertos, k.puertos);
    EXPECT_NE(b.salida.str().find(k.en_salida), std::string::npos) << b.salida.str();
    // Every line, the table's rows too, names its meter by its device, not by a
    // COM number the system may give another device after a restart; so does the
    // summary.
    std::istringstream lineas(b.salida.str());
    for (std::string l; !k.terminal && std::getline(lineas, l);)
      EXPECT_TRUE(l.rfind("/dev/tty", 0) == 0 || l.rfind("Port ", 0) == 0 || l == nada) << l;
    for (const Resumen_linea& r : b.resumenes)
      EXPECT_EQ(r.ruta,
                r.puerto == 1 ? "/dev/ttyS0" : "/dev/ttyACM" + std::to_string(r.puerto - 3));
    // A command line refused is said on stderr, and nothing else is printed.
    if (k.salida == kSalida_orden_erronea) {
      EXPECT_NE(b.errores.str().find("r27-actualizar: "), std::string::npos);
      EXPECT_EQ(b.salida.str(), "");
    }
  }
}

TEST(Traza_de_medidor, ElPuertoAntesDeLaExtension) {
  EXPECT_EQ(Traza_de_medidor("/tmp/t.txt", 3), "/tmp/t-COM3.txt");
  EXPECT_EQ(Traza_de_medidor("/tmp/traza", 12), "/tmp/traza-COM12");
  EXPECT_EQ(Traza_de_medidor("/tmp.d/traza", 4), "/tmp.d/traza-COM4");
  EXPECT_EQ(Traza_de_medidor(".traza", 5), ".traza-COM5");
}

}  // namespace
}  // namespace r27::pruebas
