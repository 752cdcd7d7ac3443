#include "sim/fallos_simulados.h"

namespace r27::sim {

Fallos_simulados::Fallos_simulados(std::vector<Fallo> fallos, uint64_t semilla)
    : semilla_(semilla) {
  Reemplazar(std::move(fallos));
}

void Fallos_simulados::Reemplazar(std::vector<Fallo> fallos) {
  fallos_ = std::move(fallos);
  disparos_.assign(fallos_.size(), 0);
  generadores_.clear();
  // One stream per fault, so adding a fault does not move when another fires. Each
  // stream's start is hashed: starts a multiple of the generator's own step apart
  // would make the streams shifted copies of one another, every fault firing on
  // neighbouring requests.
  for (size_t i = 0; i < fallos_.size(); ++i) {
    generadores_.emplace_back(Generador(semilla_ * 0x100000001B3ull + i).Siguiente());
  }
}

Decision_fallos Fallos_simulados::Decidir(Peticion p, uint64_t t_us) {
  ++cuentas_[static_cast<int>(p)];
  if (p != Peticion::Cualquiera) ++cuentas_[static_cast<int>(Peticion::Cualquiera)];
  Decision_fallos d;
  for (size_t i = 0; i < fallos_.size(); ++i) {
    const Fallo& f = fallos_[i];
    if (f.peticion != Peticion::Cualquiera && f.peticion != p) continue;
    uint32_t n = cuentas_[static_cast<int>(f.peticion)];
    bool dispara;
    if (f.enesima > 0) {
      dispara = n >= f.enesima && uint64_t{n} < uint64_t{f.enesima} + f.veces;
    } else {
      dispara = f.probabilidad > 0.0 && generadores_[i].Uniforme() < f.probabilidad;
    }
    if (!dispara) continue;
    ++disparos_[i];
    registro_.push_back({t_us, i, p, cuentas_[static_cast<int>(p)]});
    switch (f.tipo) {
      case Tipo_fallo::Ack_perdido:
        d.ack_perdido = true;
        break;
      case Tipo_fallo::Ack_erroneo:
        d.ack_erroneo = true;
        break;
      case Tipo_fallo::Paquete_alterado:
        d.alterado = true;
        break;
      case Tipo_fallo::Silencio:
        d.silencio = true;
        d.silencio_us = f.duracion_us;
        break;
      case Tipo_fallo::Reinicio:
        d.reinicio = true;
        break;
      case Tipo_fallo::Desenchufe:
        d.desenchufe = true;
        d.desenchufe_us = f.duracion_us;
        break;
      case Tipo_fallo::Liberacion_espuria:
        d.liberacion = true;
        break;
      case Tipo_fallo::Respuesta_m:
        d.respuesta_m = true;
        break;
      case Tipo_fallo::Respuesta_arranque:
        d.respuesta_arranque = true;
        break;
      case Tipo_fallo::Respuesta_tardia:
        d.tardia_us = f.duracion_us;
        break;
    }
  }
  return d;
}

}  // namespace r27::sim
