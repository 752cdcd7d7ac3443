#pragma once
// The factory-parameter object ("Parametros por defecto"): it owns the record
// buffer, builds the default configuration and the four measurement profiles
// from what the connection learned about the meter, and writes them into the
// meter's EEPROM in 128-byte pages. The update creates it without showing it,
// builds the configuration and runs the zone step (Grabar_zona).
//
// It is also the factory dialog: ten check boxes, a status line and an action
// line, and OK, which runs the ticked work in a fixed order (EEPROM, plan area,
// flash erasures and the options block) on the connected meter and reports one
// overall result. The Qt form mirrors this state and calls the handlers.
// Created per run (or per dialog), used, released.
//
// EEPROM map: 0x0040..0x00FD incidents, 0x0100..0x01FD factory configuration,
// 0x0200..0x02FD default configuration, 0x0300..0x06FF profiles 0..3.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "components/texto_control.h"
#include "factory/registros_zona.h"
#include "factory/textos_param_defecto.h"
#include "link/fallo.h"
#include "link/interfaz_ventana.h"
#include "link/operaciones_conexion.h"

namespace r27 {

// Record buffer: configuration at 0, profile p at 256 + 256 p, the rest unused.
inline constexpr size_t kTamano_buffer_zona = 1536;
inline constexpr size_t kInicio_perfiles = 256;

// A page write is tried up to 5 times. An attempt counts only when 0x20 comes
// within the same wall-clock second as the write; 500 ms pass after every attempt.
inline constexpr int kIntentos_pagina_eeprom = 5;
inline constexpr int64_t kEspera_pagina_eeprom_s = 1;
inline constexpr int64_t kRetraso_maximo_pagina_s = 0;  // elapsed whole seconds
inline constexpr uint32_t kPausa_tras_intento_eeprom_ms = 500;

inline constexpr size_t kBytes_pagina_zona = 128;
inline constexpr uint16_t kDireccion_perfiles = 0x0300;
inline constexpr size_t kBytes_perfiles = kPerfiles * kTamano_ranura_registro;  // 8 pages

// Configurations: 128 bytes at the base, 126 at base + 0x80 (the page's last two
// bytes are never written), with 1000 ms after each page.
inline constexpr uint16_t kDireccion_conf_fabrica = 0x0100;
inline constexpr uint16_t kDireccion_conf_defecto = 0x0200;
inline constexpr size_t kBytes_segunda_pagina_conf = 126;
inline constexpr uint32_t kPausa_pagina_conf_ms = 1000;

// Incidents: one write of 190 x 0xFF at 0x0040, one attempt, 0x20 within 10 s,
// then 1000 ms and the end command kOrden_fin (0x0F 0x00).
inline constexpr uint16_t kDireccion_incidencias = 0x0040;
inline constexpr size_t kBytes_incidencias = 190;
inline constexpr int64_t kEspera_incidencias_s = 10;
inline constexpr uint32_t kPausa_tras_incidencias_ms = 1000;

// The zone step's share of the overall bar: it moves the bar within these 50
// and advances progreso_base by exactly them.
inline constexpr int32_t kParte_zona = 50;
inline constexpr int kPasos_zona = 3;  // profiles, factory, default

// Flash sectors the dialog's erase groups clear, numbered as the meter counts them.
inline constexpr uint8_t kSector_tablas = 1;
inline constexpr uint8_t kSector_memorias = 39;
inline constexpr uint8_t kSector_macromedidas = 40;
inline constexpr std::array<uint8_t, 4> kSectores_logs{43, 44, 45, 46};

// Sector erase 0x0C n: the echo n within 10 s (any other byte fails at once),
// then 500 ms; a whole group that succeeded waits another 500 ms.
inline constexpr int64_t kEspera_borrar_sector_s = 10;  // gives up once more than 10 s passed
inline constexpr uint32_t kPausa_sector_borrado_ms = 500;
inline constexpr uint32_t kPausa_grupo_borrado_ms = 500;

// Write confirmation 0x06 n: each answer byte within 10 s of the request.
inline constexpr int64_t kEspera_confirmar_grabacion_s = 10;

// The service-mode value of modo_servicio ('A'): only then may the boxes change.
inline constexpr uint8_t kModo_servicio_activo = 0x41;

// A check box of the dialog.
struct Casilla {
  bool marcada = false;
  bool habilitada = true;
};

class TFParam_defecto {
 public:
  // The hidden object of the update: record builders, writers and zone step.
  explicit TFParam_defecto(Interfaz_ventana& ventana);
  // The dialog: the same, plus the connect toggle its OK needs to let the meter
  // go and take it again.
  TFParam_defecto(Interfaz_ventana& ventana, Operaciones_conexion& conexion);

  // Builds the default configuration record at buffer offset 0 for `idioma`,
  // from the window's region_usa, estado_b5 and indice_plan.
  void Construir_configuracion(int32_t idioma);
  // Builds profile `perfil` (0..3; a larger index is profile 0) at 256 + 256 p.
  void Construir_perfil(uint8_t perfil, int32_t idioma);

  // Builds the four profiles with idioma_medidor and writes them to
  // 0x0300..0x06FF; stops at the first page that fails.
  Resultado Grabar_perfiles();
  // Write buffer bytes 0..253 to 0x0100 / 0x0200. When the configuration was
  // never built, they build it with idioma_medidor first rather than write an
  // empty record.
  Resultado Grabar_conf_fabrica();
  Resultado Grabar_conf_defecto();
  // Fills the incidents area with 0xFF, then sends the end command.
  Resultado Borrar_incidencias();

  // The zone step: profiles, factory and default configuration, with the step
  // bar (0..3), the overall bar within its 50, and result code 5, 6 or 7 with
  // the failure of the first of them that failed. Advances progreso_base by 50.
  Resultado Grabar_zona();

  std::span<const uint8_t, kTamano_buffer_zona> Buffer() const { return buffer_; }

  // --- The dialog ---

  // OK: the ticked work in its fixed order, the overall message box, the
  // disconnect, the form closed. Without a connected meter (or without the
  // connect toggle) it says so and sends nothing, and the form stays open.
  void Button_okClick();
  // Closes the form; nothing is sent.
  void Button_cancelClick();

  // Erases one flash sector: 0x0C n, answered n. Action line.
  Resultado Borrar_sector(uint8_t sector);
  // Erase groups, each stopping at its first failed sector. Status line.
  Resultado Borrar_tablas();
  Resultado Borrar_memorias();
  Resultado Borrar_macromedidas();
  Resultado Borrar_logs();
  // Writes the options block and ends the loader's exchange; action line.
  Resultado Grabar_opciones();
  // Reads the meter's 50-byte block at 0x6000, puts the options in bytes 16..47,
  // stages it and has the meter write its sector. True only when the block was
  // read, sent and the write confirmed; a block that could not be read is not
  // written at all (message box).
  Resultado Escribir_opciones();
  // 0x06 n, answered n then 0x60, or 0x60 alone.
  Resultado Confirmar_grabacion(uint8_t eco);
  // Loads both loader stages (unless the meter is in its boot stage, whose
  // connect loaded the loader already); always a success.
  Resultado Enviar_boots();
  // Nothing beyond the blank block goes to the plan area: success, no exchange.
  Resultado Grabar_planes_dialogo();

  bool En_curso() const { return en_curso_; }

  // Controls. The radio groups select nothing: the records use the meter's own
  // language and edition.
  int RadioGroup_modelo = 0;
  int RadioGroup_idioma = 0;
  Casilla check_grabar_conf_fabrica{true};
  Casilla check_grabar_conf_actual{true};
  Casilla check_grabar_perfiles;
  Casilla check_borrar_incidencias;
  Casilla check_borrar_tablas;
  Casilla check_borrar_memorias;
  Casilla check_borrar_macromedidas;
  Casilla check_borrar_logs;
  Casilla check_grabar_planes;
  Casilla check_grabar_opciones;
  Texto_control Panel_estado;  // whole operations
  Texto_control Panel_accion;  // single requests

  // The outcome of the last OK run that reached the meter, and why it failed.
  bool resultado = false;
  std::optional<Fallo> motivo;
  bool cerrado = false;             // OK or cancel closed the form
  std::function<void()> al_cerrar;  // the Qt form closes itself here

 private:
  Ranura_registro Ranura(size_t inicio) {
    return Ranura_registro(buffer_.data() + inicio, kTamano_ranura_registro);
  }
  Resultado Grabar_configuracion(uint16_t base, std::string_view operacion);
  // One page frame with the attempt rule; the give-up names the page.
  Resultado Enviar_pagina(uint16_t direccion, std::span<const uint8_t> datos,
                          std::string_view operacion);
  void Mostrar_avance(int paso);
  void Preparar_casillas();
  Resultado Borrar_grupo(std::span<const uint8_t> sectores, const Textos_grupo_borrado& textos);
  // Lets the meter go (while connected) and connects again.
  void Reconectar_dialogo();
  void Cerrar();

  Interfaz_ventana& ventana_;
  Operaciones_conexion* conexion_ = nullptr;
  bool en_curso_ = false;
  std::array<uint8_t, kTamano_buffer_zona> buffer_{};
  bool configuracion_construida_ = false;
};

}  // namespace r27
