#pragma once
// A connected meter for the update's steps: the connection bench's fake window
// on the simulated meter at COM1, with the embedded firmware image parsed and the
// graphics uploader in place, as the window has them at start-up.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/imagen_firmware.h"
#include "flash/imagenes_arranque.h"
#include "flash/subida_graficos.h"
#include "link/directorio_puertos.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "tests/conexion/banco_conexion.h"

namespace r27::pruebas {

// The steps ticked for a run, as service mode sets them on the window.
struct Pasos {
  bool teclado = false, borrar = false, planes = false, zona = false, fpga = false,
       firmware = false, mpeg4 = false;
};
// What the tick decision gives a meter behind on everything.
inline constexpr Pasos kCompleta{false, false, false, true, true, true, true};

inline void Marcar_pasos(Estado_ventana& e, const Pasos& p) {
  e.Check_teclado = p.teclado;
  e.Check_borrar = p.borrar;
  e.Check_planes = p.planes;
  e.Check_configuracion = p.zona;
  e.Check_fpga = p.fpga;
  e.Check_firmware = p.firmware;
  e.Check_mpeg4_apl = p.mpeg4;
}

// The port directory of a wizard whose meter is connected already: no ports.
struct Directorio_vacio final : Directorio_puertos {
  bool Existe(int) const override { return false; }
  std::vector<std::string> Nombres_sistema() const override { return {}; }
  std::optional<std::string> Ruta(int) const override { return std::nullopt; }
};

struct Banco_actualizacion : Banco_conexion {
  explicit Banco_actualizacion(sim::Config_medidor config = {}, bool conectar = true)
      : lineas(Imagen_firmware()), graficos(v) {
    medidor = &Medidor(1, std::move(config));
    Abrir_hex(v, lineas, hex);
    v.lineas = &lineas;
    v.hex = hex.get();
    v.graficos = &graficos;
    Fijar_version_fichero(kVersion_fichero_pruebas);
    if (conectar) Conectar(1);
    // Each test ticks the steps it runs.
    Marcar_pasos(v.estado, Pasos{});
  }

  sim::Medidor_simulado* medidor = nullptr;
  Lector_lineas lineas;
  std::unique_ptr<Lector_hex> hex;
  Subida_graficos graficos;
};

}  // namespace r27::pruebas
