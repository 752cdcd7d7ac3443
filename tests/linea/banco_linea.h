#pragma once
// The command-line updater run in process: the simulated meter on COM3 (or a
// port that will not open), stdin and stdout in memory, the virtual clock and
// the built-in language texts in English (a test may choose another language).
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/linea/ejecutar_linea.h"
#include "app/linea/opciones_linea.h"
#include "app/linea/resumen_json.h"
#include "app/linea/textos_linea.h"
#include "sim/backend_simulado.h"
#include "sim/medidor_simulado.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27::pruebas {

using sim::Config_medidor;
using sim::Peticion;
using sim::Tipo_fallo;

inline constexpr int kCom_medidor = 3;

// A port the system lists but will not open, for the reason given.
class Backend_cerrado final : public Backend_inerte {
 public:
  explicit Backend_cerrado(Fallo_apertura fallo) : fallo_(fallo) {}
  Fallo_apertura Ultimo_fallo_apertura() const override { return fallo_; }

 private:
  Fallo_apertura fallo_;
};

struct Directorio_un_puerto final : Directorio_puertos {
  bool Existe(int n) const override { return n == kCom_medidor; }
  std::vector<std::string> Nombres_sistema() const override { return {"COM3"}; }
  std::optional<std::string> Ruta(int n) const override {
    if (n == kCom_medidor) return "/dev/ttyACM0";
    return std::nullopt;
  }
};

inline Config_medidor Medidor_rapido() {
  Config_medidor c;
  c.t_mpeg4_us = 20'000'000;  // the module update, shortened
  return c;
}

// A meter the tick decision leaves alone: the embedded image's firmware, FPGA
// 3.3 and a module past version 133.
inline Config_medidor Medidor_al_dia() {
  Config_medidor c = Medidor_rapido();
  c.version = "3.01";
  c.fpga_menor = 3;
  c.mpeg4_actual = {133, 0, 5, 2};
  return c;
}

// One run of Ejecutar_linea: the meter on COM3 (or a port that will not open),
// stdin and stdout in memory, the built-in language texts.
struct Banco_linea {
  explicit Banco_linea(const Config_medidor& c, bool con_medidor = true)
      : medidor(c, reloj.Ahora_us()) {
    auto backend = std::make_unique<sim::Backend_simulado>(reloj);
    if (con_medidor) backend->Conectar(kCom_medidor, medidor);
    directorio = std::make_unique<sim::Directorio_simulado>(*backend);
    Preparar(std::move(backend), *directorio);
  }
  explicit Banco_linea(Fallo_apertura fallo) : medidor(Config_medidor{}, reloj.Ahora_us()) {
    Preparar(std::make_unique<Backend_cerrado>(fallo), un_puerto);
  }
  void Preparar(std::unique_ptr<Backend_serie> backend, const Directorio_puertos& d) {
    entorno.backend = std::move(backend);
    entorno.reloj = &reloj;
    entorno.directorio = &d;
    entorno.entrada = &entrada;
    entorno.salida = &salida;
    entorno.errores = &errores;
    entorno.textos = Idioma_linea("EN");
    entorno.windows64 = [] { return false; };
  }
  int Ejecutar(const Opciones_linea& o) { return Ejecutar_linea(o, entorno, &resumen); }

  // Nothing of the update reached the meter: no staging block, no loader, no
  // EEPROM page, no flash burn, no sector, no module update.
  bool Nada_escrito() const {
    for (const Peticion p :
         {Peticion::Bloque, Peticion::Carga_programa, Peticion::Escritura_eeprom,
          Peticion::Grabacion, Peticion::Sector_preparacion, Peticion::Actualizar_mpeg4})
      if (medidor.Cuenta(p) != 0) return false;
    return true;
  }

  Reloj_virtual reloj;
  sim::Medidor_simulado medidor;
  std::unique_ptr<sim::Directorio_simulado> directorio;
  Directorio_un_puerto un_puerto;
  std::istringstream entrada;
  std::ostringstream salida;
  std::ostringstream errores;
  Entorno_linea entorno;
  Resumen_linea resumen;
};

}  // namespace r27::pruebas
