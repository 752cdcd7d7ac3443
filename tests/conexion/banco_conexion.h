#pragma once
// A fake main window whose COM numbers lead to simulated devices in process, on
// the window's virtual clock, with the connection object and a recorded watch
// timer. Every device is wrapped so the test sees what reached it, and when.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/conexion.h"
#include "sim/backend_simulado.h"
#include "sim/medidor_simulado.h"
#include "tests/apoyo/backend_reenvio.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27::pruebas {

class Temporizador_falso final : public Interfaz_temporizador {
 public:
  void Habilitar() override {
    habilitado = true;
    ++habilitaciones;
  }
  void Deshabilitar() override {
    habilitado = false;
    ++deshabilitaciones;
  }
  bool Habilitado() const override { return habilitado; }

  bool habilitado = false;
  int habilitaciones = 0;
  int deshabilitaciones = 0;
};

struct Byte_recibido {
  uint8_t valor;
  uint64_t t_us;
};

// Passes everything to the device behind it and keeps what the computer sent.
class Dispositivo_grabado final : public sim::Dispositivo_linea {
 public:
  explicit Dispositivo_grabado(std::unique_ptr<sim::Dispositivo_linea> d) : d_(std::move(d)) {}
  void Recibir(const uint8_t* datos, size_t n, uint64_t t_us, uint32_t baudios) override {
    if (grabar)
      for (size_t i = 0; i < n; ++i) recibidos.push_back({datos[i], t_us});
    d_->Recibir(datos, n, t_us, baudios);
    if (desenchufar_tras && desenchufar_tras(datos, n)) desenchufado = true;
  }
  void Avanzar(uint64_t t_us) override { d_->Avanzar(t_us); }
  std::optional<uint64_t> Proximo_evento_us() const override { return d_->Proximo_evento_us(); }
  size_t Tomar_salida(uint64_t hasta_us, uint32_t baudios, uint8_t* destino, size_t max) override {
    return d_->Tomar_salida(hasta_us, baudios, destino, max);
  }
  void Descartar_salida(uint64_t hasta_us) override { d_->Descartar_salida(hasta_us); }
  size_t Entrada_en_camino(uint64_t t_us) const override { return d_->Entrada_en_camino(t_us); }
  void Descartar_entrada_en_camino(uint64_t t_us) override {
    d_->Descartar_entrada_en_camino(t_us);
  }
  bool Desenchufado() const override { return desenchufado || d_->Desenchufado(); }

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> b;
    for (const auto& r : recibidos) b.push_back(r.valor);
    return b;
  }
  sim::Dispositivo_linea& Interior() { return *d_; }

  std::vector<Byte_recibido> recibidos;
  bool grabar = true;         // off where whole updates would keep megabytes
  bool desenchufado = false;  // a test unplugs the port at a moment of its choosing
  // Asked after each delivery with what was sent: unplug now?
  std::function<bool(const uint8_t*, size_t)> desenchufar_tras;

 private:
  std::unique_ptr<sim::Dispositivo_linea> d_;
};

// The embedded firmware version the tick decision compares with in these tests.
inline constexpr const char* kVersion_fichero_pruebas = "3.01.00000";

struct Banco_conexion {
  Banco_conexion()
      : reenvio(new Backend_reenvio),
        ventana_(std::make_unique<Ventana_falsa>(std::unique_ptr<Backend_serie>(reenvio))),
        v(*ventana_),
        backend(v.reloj),
        conexion(v, timer) {
    reenvio->destino = &backend;
    Fijar_version_fichero(kVersion_fichero_pruebas);
  }
  ~Banco_conexion() {
    v.Puerto().Cerrar();
    reenvio->destino = nullptr;
  }

  void Fijar_version_fichero(const std::string& texto) {
    v.estado.version_fichero = {};
    for (size_t i = 0; i < texto.size() && i < 11; ++i) v.estado.version_fichero[i] = texto[i];
  }

  // COM `com` leads to a simulated meter built with `config`.
  sim::Medidor_simulado& Medidor(int com, sim::Config_medidor config = {}) {
    auto& g =
        Grabar(com, std::make_unique<sim::Medidor_simulado>(std::move(config), v.reloj.Ahora_us()));
    return static_cast<sim::Medidor_simulado&>(g.Interior());
  }
  Dispositivo_grabado& Basura(int com) {
    return Grabar(com, std::make_unique<sim::Dispositivo_basura>());
  }
  Dispositivo_grabado& Mudo(int com) {
    return Grabar(com, std::make_unique<sim::Dispositivo_mudo>());
  }
  // What reached COM `com` (its device must have been attached by this bench).
  Dispositivo_grabado& Linea(int com) { return *grabados.at(com); }

  Dispositivo_grabado& Grabar(int com, std::unique_ptr<sim::Dispositivo_linea> d) {
    auto& g = static_cast<Dispositivo_grabado&>(
        backend.Conectar_propio(com, std::make_unique<Dispositivo_grabado>(std::move(d))));
    if (grabados.size() <= static_cast<size_t>(com)) grabados.resize(static_cast<size_t>(com) + 1);
    grabados[static_cast<size_t>(com)] = &g;
    return g;
  }

  // Connects on COM `com`.
  void Conectar(int com) {
    v.estado.puerto = com;
    conexion.Boton_ConectarClick();
  }

  Backend_reenvio* reenvio;
  std::unique_ptr<Ventana_falsa> ventana_;
  Ventana_falsa& v;
  sim::Backend_simulado backend;
  Temporizador_falso timer;
  Conexion conexion;
  std::vector<Dispositivo_grabado*> grabados;
};

}  // namespace r27::pruebas
