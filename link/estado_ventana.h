#pragma once
// The state the main window holds for the whole run and shares with every step:
// connection flags, identity flags, step ticks, result code and progress base.
// The Qt window shows it; the Qt-free layers read and write it directly.
#include <array>
#include <cstdint>

#include "link/dcb_linea.h"
#include "link/fallo.h"

namespace r27 {

// MPEG-4 module versions as read from the meter; 0xFF / 0x00FF mean "not answered".
struct Datos_mpeg4 {
  uint16_t version_aplicacion = 0x00FF;
  uint16_t build_aplicacion = 0x00FF;
  uint8_t version_boot = 0xFF;
  uint8_t version_decoders = 0xFF;
};

struct Estado_ventana {
  int32_t puerto = 1;
  DCB_linea linea = Linea_inicial();
  bool conectado = false;
  bool saliendo = false;
  bool actualizando = false;
  bool abortar = false;
  bool modo_arranque = false;
  bool respuesta_m = false;
  bool diferencial = false;
  uint8_t modo_servicio = 0x4E;  // 'N'; 'A' would enable the factory dialog's boxes
  int32_t codigo_error = 0;
  int32_t progreso_base = 0;
  int32_t idioma_medidor = 0;
  int32_t indice_plan = 0;
  // The technician chose a plan set (indice_plan) that no update has written yet.
  bool planes_elegidos = false;
  // A zone or erase step began in this session and did not finish: nothing read
  // from the meter would tick it again, so the next tick decision does.
  bool zona_pendiente = false;
  bool borrado_pendiente = false;
  std::array<char, 12> version_fichero{};
  std::array<uint8_t, 64> segmentos_presentes{};
  int64_t inicio_operacion = 0;
  // Last progress value the flash burn showed; one value for the whole run.
  int32_t ultimo_avance = -1;

  bool familia_valida = false;
  bool familia_ajena = false;
  bool region_usa = false;
  bool estado_b5 = false;
  Datos_mpeg4 mpeg4{};

  // Step ticks.
  bool Check_teclado = false;
  bool Check_borrar = false;
  bool Check_planes = false;
  bool Check_configuracion = false;
  bool Check_fpga = false;
  bool Check_firmware = false;
  bool Check_mpeg4_apl = false;

  // Why the run got `codigo_error`: the failure that set it, never a later one.
  Fallo motivo_error;

  // The first failure of a run wins: later codes never overwrite it, nor its reason.
  void Fijar_error(const Fallo& fallo) {
    if (codigo_error != 0 || fallo.codigo == 0) return;
    codigo_error = fallo.codigo;
    motivo_error = fallo;
  }
  // Gives `fallo` the code, offers it as the run's, and returns it.
  Fallo Fijar_error(int32_t codigo, Fallo fallo) {
    fallo.codigo = codigo;
    Fijar_error(fallo);
    return fallo;
  }
  void Borrar_error() {
    codigo_error = 0;
    motivo_error = {};
  }
};

}  // namespace r27
