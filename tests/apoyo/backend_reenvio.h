#pragma once
// The port owns its backend, but a simulated backend needs the window's clock,
// which only exists once the window does: the port gets this stand-in, pointed at
// the real backend afterwards (and cut loose before that backend goes).
#include "link/backend_serie.h"

namespace r27::pruebas {

class Backend_reenvio final : public Backend_serie {
 public:
  Backend_serie* destino = nullptr;
  bool Abrir(int n, const DCB_linea& l) override { return destino && destino->Abrir(n, l); }
  void Cerrar() override {
    if (destino) destino->Cerrar();
  }
  bool Esta_abierto() const override { return destino && destino->Esta_abierto(); }
  bool Desaparecido() const override { return destino && destino->Desaparecido(); }
  uint32_t Escribir(const uint8_t* d, uint32_t n) override {
    return destino ? destino->Escribir(d, n) : 0;
  }
  uint32_t Leer(uint8_t* d, uint32_t n) override { return destino ? destino->Leer(d, n) : 0; }
  uint32_t Leer_disponible(uint8_t* d, uint32_t n) override {
    return destino ? destino->Leer_disponible(d, n) : 0;
  }
  bool Consultar_cola(Estado_cola& e) override { return destino && destino->Consultar_cola(e); }
  void Purgar(bool r, bool t) override {
    if (destino) destino->Purgar(r, t);
  }
  void Fijar_rts(bool a) override {
    if (destino) destino->Fijar_rts(a);
  }
  Fallo_apertura Ultimo_fallo_apertura() const override {
    return destino ? destino->Ultimo_fallo_apertura() : Fallo_apertura::otro;
  }
};

}  // namespace r27::pruebas
