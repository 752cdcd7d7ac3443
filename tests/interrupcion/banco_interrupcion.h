#pragma once
// Whole updates as the technician runs them, in process on the virtual clock:
// the wizard's "Actualizar" searches the ports, finds the simulated meter on COM1,
// connects, checks it and hands it to the update, every question answered OK.
// The meter can be unplugged by a fault, plugged in again and updated again, and
// what it holds compared with a meter that ran one clean update.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/nucleo/actualizacion.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/idiomas.h"
#include "flash/subida_graficos.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "sim/medidor_simulado.h"
#include "tests/apoyo/vista_falsa.h"
#include "tests/conexion/banco_conexion.h"

namespace r27::pruebas {

// A stretch of the run during which the step bar kept one range: the requests
// counted when the range was set and at the last change the step made to it.
struct Tramo_barra {
  int maximo = 0;
  uint64_t t_inicio_us = 0;
  std::array<uint32_t, sim::kNum_peticiones> inicio{};
  std::array<uint32_t, sim::kNum_peticiones> fin{};
  uint32_t Dentro(sim::Peticion p) const {
    const auto i = static_cast<size_t>(p);
    return fin[i] - inicio[i];
  }
};

// What the meter holds in the memories an update writes or keeps.
struct Copia_medidor {
  std::vector<uint8_t> flash;
  std::vector<uint8_t> eeprom;
  std::vector<uint8_t> graficos;  // the screen-graphics area (flash on the meter)
  std::vector<uint8_t> aplicacion_mpeg4;
  std::vector<uint8_t> etapa2_mpeg4;
  sim::Versiones_mpeg4 versiones_mpeg4{};
};
Copia_medidor Copiar(const sim::Medidor_simulado& m);
// Every difference between two copies, one line per region (empty: equal).
std::vector<std::string> Diferencias(const Copia_medidor& esperada, const Copia_medidor& real);

struct Resultado_actualizacion {
  bool correcta = false;  // the update-correct screen
  int32_t codigo = 0;
  int ultima_imagen = 0;  // the wizard picture it ended on
  std::string abandono;   // the reason behind the result code
  uint64_t fin_us = 0;    // when the outcome screen showed (virtual time)
};

class Banco_interrupcion : public Banco_conexion {
 public:
  explicit Banco_interrupcion(sim::Config_medidor config);

  // "Actualizar": search, connect, checks, the update; every question answered OK.
  Resultado_actualizacion Actualizar();
  // The meter is plugged in again and given time to come up.
  void Reenchufar();

  sim::Medidor_simulado medidor;
  Textos_idioma textos;
  Vista_falsa vista;
  sim::Directorio_simulado directorio;
  Asistente asistente;
  Actualizacion actualizacion;
  Lector_lineas lineas;
  std::unique_ptr<Lector_hex> hex;
  Subida_graficos graficos;
  // The step bar's ranges in the order the runs set them.
  std::vector<Tramo_barra> tramos;

 private:
  void Anotar_barra();
  int maximo_visto_ = -1;
  int minimo_visto_ = -1;
};

}  // namespace r27::pruebas
