#pragma once
// Decides which of the configured faults fire on each request the meter handles.
#include <array>
#include <cstdint>
#include <vector>

#include "sim/config_simulador.h"
#include "sim/linea_simulada.h"

namespace r27::sim {

// The faults that fire on one request.
struct Decision_fallos {
  bool ack_perdido = false;
  bool ack_erroneo = false;
  bool alterado = false;
  bool silencio = false;
  uint64_t silencio_us = 0;  // 0: for good
  bool reinicio = false;
  bool desenchufe = false;
  uint64_t desenchufe_us = 0;  // 0: at once; otherwise this long after the request came in
  bool liberacion = false;
  bool respuesta_m = false;
  bool respuesta_arranque = false;
  uint64_t tardia_us = 0;  // the answer leaves this late (0: on time)
  bool Alguno() const {
    return ack_perdido || ack_erroneo || alterado || silencio || reinicio || desenchufe ||
           liberacion || respuesta_m || respuesta_arranque || tardia_us > 0;
  }
};

// One firing of a configured fault: when, which fault (its place in the list),
// on which request and on that request kind's count.
struct Disparo_fallo {
  uint64_t t_us;
  size_t fallo;
  Peticion peticion;
  uint32_t cuenta;
};

class Fallos_simulados {
 public:
  Fallos_simulados(std::vector<Fallo> fallos, uint64_t semilla);
  // Counts one request of kind `p`, handled at `t_us`, and returns the faults that
  // fire on it.
  Decision_fallos Decidir(Peticion p, uint64_t t_us = 0);
  // Puts other faults in place of the configured ones (none: the meter behaves
  // from now on); the request counts go on.
  void Reemplazar(std::vector<Fallo> fallos);
  // Requests of kind `p` counted so far (Cualquiera: all of them).
  uint32_t Cuenta(Peticion p) const { return cuentas_[static_cast<int>(p)]; }
  // How many times each configured fault has fired, in the order given.
  const std::vector<uint32_t>& Disparos() const { return disparos_; }
  // Every firing, in order.
  const std::vector<Disparo_fallo>& Registro() const { return registro_; }

 private:
  uint64_t semilla_;
  std::vector<Fallo> fallos_;
  std::vector<Generador> generadores_;
  std::vector<uint32_t> disparos_;
  std::vector<Disparo_fallo> registro_;
  std::array<uint32_t, kNum_peticiones> cuentas_{};
};

}  // namespace r27::sim
