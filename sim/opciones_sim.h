#pragma once
// The command line of r27-sim: the meter's configuration, its faults and how it
// is served.
#include <cstdint>
#include <string>
#include <vector>

#include "sim/config_simulador.h"

namespace r27::sim {

struct Opciones_sim {
  Config_medidor medidor;
  int com = 3;             // COM number printed in the R27_PUERTOS line
  std::string enlace;      // optional symlink to the slave, removed at exit
  int64_t volver_ms = -1;  // after an unplug, plug in again after this long (-1: never)
  std::string informe;     // file the meter's contents are reported to at exit
  // A USB serial adapter's latency timer in front of the device: replies wait up
  // to this long in its buffer (0: none).
  uint32_t latencia_ms = 0;
  // After this long the meter hangs and stops reading the line (-1: never).
  int64_t parar_lectura_ms = -1;
  // A wire trace whose meter side is replayed in place of the meter (empty: none).
  std::string reproducir;
  bool ayuda = false;
};

// The longest latency timer an adapter has (ms).
inline constexpr uint32_t kMaximo_latencia_ms = 255;

// Parses argv[1..]. False, with a message in `error`, on an unknown option, a
// missing or malformed value, a value out of range, or an option of the meter
// beside --reproducir (a replayed trace has no meter to set up).
bool Leer_opciones(const std::vector<std::string>& argumentos, Opciones_sim& o, std::string& error);

// One fault as written on the command line: TIPO:PETICION[:n=N][:veces=K][:p=P][:ms=D].
bool Leer_fallo(const std::string& texto, Fallo& f, std::string& error);

const char* Texto_ayuda();

}  // namespace r27::sim
