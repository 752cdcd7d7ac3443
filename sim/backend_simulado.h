#pragma once
// The in-process serial backend of the tests: COM numbers lead to simulated
// devices (the meter model, a silent device, a device that answers garbage) or to
// nothing, and time is the virtual clock's.
//
// Leer(n) returns what is ready now; when nothing is, it moves the virtual clock
// to the first byte's ready time if that comes within the read time-out (2n+2 ms)
// and returns it, otherwise it moves the clock by the whole time-out and returns
// 0. Escribir hands the bytes to the device at the current virtual time. The rate
// the port was opened with travels with every byte, so a device set to another
// rate sees garbage and is seen as garbage.
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "link/backend_serie.h"
#include "link/directorio_puertos.h"
#include "link/reloj.h"
#include "sim/dispositivo_linea.h"

namespace r27::sim {

struct Pulso_rts {
  uint64_t t_us;
  bool activo;
};

class Backend_simulado final : public Backend_serie {
 public:
  explicit Backend_simulado(Reloj_virtual& reloj) : reloj_(&reloj) {}
  // Without a clock yet: for a port whose owner makes the clock (a fake window);
  // until Usar_reloj is called every port stays closed.
  Backend_simulado() = default;
  void Usar_reloj(Reloj_virtual& reloj) { reloj_ = &reloj; }

  // COM `numero` leads to `dispositivo` (not owned; it must outlive the backend's use).
  void Conectar(int numero, Dispositivo_linea& dispositivo) { puertos_[numero] = &dispositivo; }
  // COM `numero` leads to a device owned by the backend.
  Dispositivo_linea& Conectar_propio(int numero, std::unique_ptr<Dispositivo_linea> d);
  void Desconectar(int numero) { puertos_.erase(numero); }

  bool Abrir(int numero, const DCB_linea& linea) override;
  void Cerrar() override { abierto_ = nullptr; }
  bool Esta_abierto() const override { return abierto_ != nullptr; }
  bool Desaparecido() const override { return abierto_ && abierto_->Desenchufado(); }
  uint32_t Escribir(const uint8_t* datos, uint32_t n) override;
  uint32_t Leer(uint8_t* destino, uint32_t n) override;
  bool Consultar_cola(Estado_cola& estado) override;
  void Purgar(bool recepcion, bool transmision) override;
  void Fijar_rts(bool activo) override;

  // The COM numbers that lead somewhere, in order.
  std::vector<int> Numeros() const;

  int Numero_abierto() const { return abierto_ ? numero_ : 0; }
  uint32_t Baudios() const { return baudios_; }
  // RTS changes while a port was open (the last 4096).
  const std::vector<Pulso_rts>& Pulsos_rts() const { return pulsos_; }
  // Every COM number an Abrir was tried on, in order.
  const std::vector<int>& Aperturas() const { return aperturas_; }

 private:
  static constexpr uint32_t kCola_salida = 2048;

  Reloj_virtual* reloj_ = nullptr;
  std::map<int, Dispositivo_linea*> puertos_;
  std::vector<std::unique_ptr<Dispositivo_linea>> propios_;
  Dispositivo_linea* abierto_ = nullptr;
  int numero_ = 0;
  uint32_t baudios_ = 115200;
  std::vector<Pulso_rts> pulsos_;
  std::vector<int> aperturas_;
};

// The port directory that goes with a simulated backend: a COM number exists when
// it leads to a device, and the system's list names each of them ("COM7"), so the
// wizard's two passes find the simulated ports. Extra names can be listed that
// lead nowhere (a stale registry entry).
class Directorio_simulado final : public Directorio_puertos {
 public:
  explicit Directorio_simulado(const Backend_simulado& backend,
                               std::vector<std::string> nombres_extra = {})
      : backend_(backend), extra_(std::move(nombres_extra)) {}
  bool Existe(int numero) const override;
  std::vector<std::string> Nombres_sistema() const override;
  std::optional<std::string> Ruta(int numero) const override;

 private:
  const Backend_simulado& backend_;
  std::vector<std::string> extra_;
};

}  // namespace r27::sim
