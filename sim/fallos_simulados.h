#pragma once
// Decides which of the configured faults fire on each request the meter handles.
#include <array>
#include <cstdint>
#include <vector>

#include "config_simulador.h"
#include "linea_simulada.h"

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
  bool liberacion = false;
  bool Alguno() const {
    return ack_perdido || ack_erroneo || alterado || silencio || reinicio || desenchufe ||
           liberacion;
  }
};

class Fallos_simulados {
 public:
  Fallos_simulados(std::vector<Fallo> fallos, uint64_t semilla);
  // Counts one request of kind `p` and returns the faults that fire on it.
  Decision_fallos Decidir(Peticion p);
  // Requests of kind `p` counted so far (Cualquiera: all of them).
  uint32_t Cuenta(Peticion p) const { return cuentas_[static_cast<int>(p)]; }
  // How many times each configured fault has fired, in the order given.
  const std::vector<uint32_t>& Disparos() const { return disparos_; }

 private:
  std::vector<Fallo> fallos_;
  std::vector<Generador> generadores_;
  std::vector<uint32_t> disparos_;
  std::array<uint32_t, kNum_peticiones> cuentas_{};
};

}  // namespace r27::sim
