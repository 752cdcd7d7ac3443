#pragma once
// A run of the command line in process, traced to a file: against the simulated
// meter (to record a trace) or against a device put on COM3 in its place (a
// replayed trace, the meter behind an adapter). What the technician read, the
// trace and the outcome come back.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sim/backend_simulado.h"
#include "sim/reproduccion_traza.h"
#include "tests/linea/banco_linea.h"

namespace r27::pruebas {

struct Corrida {
  int salida = -1;
  std::string texto;  // stdout, then stderr
  std::string traza;
  Resumen_linea resumen;
};

// --puerto COM3 --si, and with steps given: --servicio --pasos.
inline Opciones_linea Opciones_corrida(const std::vector<Paso_actualizacion>& pasos = {}) {
  Opciones_linea o;
  o.puertos = {Puerto_pedido{kCom_medidor, ""}};
  o.si = true;
  if (!pasos.empty()) {
    o.servicio = true;
    o.pasos = pasos;
  }
  return o;
}

inline Corrida Correr(Banco_linea& b, Opciones_linea o) {
  static int corridas = 0;
  const auto ruta =
      std::filesystem::temp_directory_path() / ("r27-reproduccion-" + std::to_string(::getpid()) +
                                                "-" + std::to_string(++corridas) + ".txt");
  std::filesystem::remove(ruta);
  o.traza = ruta.string();
  Corrida c;
  c.salida = b.Ejecutar(o);
  c.texto = b.salida.str() + b.errores.str();
  c.resumen = b.resumen;
  std::ifstream f(ruta);
  std::stringstream texto;
  texto << f.rdbuf();
  c.traza = texto.str();
  std::filesystem::remove(ruta);
  return c;
}

// A bench whose COM3 leads to `dispositivo` instead of the bench's own meter.
inline void Poner_en_com3(Banco_linea& b, sim::Dispositivo_linea& dispositivo) {
  static_cast<sim::Backend_simulado&>(*b.entorno.backend).Conectar(kCom_medidor, dispositivo);
}

inline sim::Traza_grabada Leer_traza_texto(const std::string& texto) {
  std::istringstream flujo(texto);
  sim::Traza_grabada t;
  std::string error;
  EXPECT_TRUE(sim::Leer_traza(flujo, t, error)) << error;
  return t;
}

// The trace's lines of one kind ('W', 'R'), without their times, one a line.
inline std::string Lineas(const std::string& traza, char tipo) {
  std::string v;
  std::istringstream flujo(traza);
  std::string linea;
  const std::string marca = std::string(" ") + tipo + " ";
  while (std::getline(flujo, linea)) {
    const auto p = linea.find(marca);
    if (p != std::string::npos) v += linea.substr(p + 1) + "\n";
  }
  return v;
}

// "" when the texts are equal; otherwise the first line where they differ, both
// ways (a whole update's trace is too long to print).
inline std::string Primera_diferencia(const std::string& a, const std::string& b) {
  std::istringstream fa(a), fb(b);
  std::string la, lb;
  for (size_t n = 1;; ++n) {
    const bool hay_a = static_cast<bool>(std::getline(fa, la));
    const bool hay_b = static_cast<bool>(std::getline(fb, lb));
    if (!hay_a && !hay_b) return "";
    if (!hay_a) la = "(end)";
    if (!hay_b) lb = "(end)";
    if (la != lb || !hay_a || !hay_b)
      return "line " + std::to_string(n) + ": \"" + la.substr(0, 120) + "\" against \"" +
             lb.substr(0, 120) + "\"";
  }
}

}  // namespace r27::pruebas
