#pragma once
// A connected meter for the update's steps: the connection bench's fake window
// on the simulated meter at COM1, with the embedded firmware image parsed and the
// graphics uploader in place, as the window has them at start-up.
#include <memory>

#include "abrir_hex.h"
#include "banco_conexion.h"
#include "imagen_firmware.h"
#include "imagenes_arranque.h"
#include "lector_hex.h"
#include "lector_lineas.h"
#include "subida_graficos.h"

namespace r27::pruebas {

struct Banco_actualizacion : Banco_conexion {
  explicit Banco_actualizacion(sim::Config_medidor config = {}, bool conectar = true)
      : lineas(Imagen_firmware()), graficos(v) {
    Imagenes_arranque::Restaurar();
    medidor = &Medidor(1, std::move(config));
    Abrir_hex(v, lineas, hex);
    v.lineas = &lineas;
    v.hex = hex.get();
    v.graficos = &graficos;
    Fijar_version_fichero(kVersion_fichero_pruebas);
    if (conectar) Conectar(1);
    // Each test ticks the steps it runs.
    Estado_ventana& e = v.estado;
    e.Check_teclado = e.Check_borrar = e.Check_planes = e.Check_configuracion = false;
    e.Check_fpga = e.Check_firmware = e.Check_mpeg4_apl = false;
  }

  sim::Medidor_simulado* medidor = nullptr;
  Lector_lineas lineas;
  std::unique_ptr<Lector_hex> hex;
  Subida_graficos graficos;
};

}  // namespace r27::pruebas
