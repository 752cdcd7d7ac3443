#pragma once
// One COM number tied to one device path for a whole run. The system's port
// directory is read afresh at every call, so a meter that restarts may come back
// under another number and move other meters' numbers with it; a session that
// holds its meter's device by a stable path (the hub port's) reaches that meter
// alone on every reconnect.
#include <string>

#include "link/directorio_puertos.h"

namespace r27 {

class Directorio_fijo final : public Directorio_puertos {
 public:
  Directorio_fijo(int numero, std::string ruta) : numero_(numero), ruta_(std::move(ruta)) {}
  bool Existe(int numero) const override { return numero == numero_; }
  std::vector<std::string> Nombres_sistema() const override {
    return {"COM" + std::to_string(numero_)};
  }
  std::optional<std::string> Ruta(int numero) const override {
    if (numero != numero_) return std::nullopt;
    return ruta_;
  }

 private:
  int numero_;
  std::string ruta_;
};

}  // namespace r27
