#pragma once
// The factory-parameter object ("Parametros por defecto"): it owns the record
// buffer, builds the default configuration and the four measurement profiles
// from what the connection learned about the meter, and writes them into the
// meter's EEPROM in 128-byte pages. The update creates it without showing it,
// builds the configuration and runs the zone step (Grabar_zona); the factory
// dialog calls the writers one by one. Created per run, used, released.
//
// EEPROM map: 0x0040..0x00FD incidents, 0x0100..0x01FD factory configuration,
// 0x0200..0x02FD default configuration, 0x0300..0x06FF profiles 0..3.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "interfaz_ventana.h"
#include "registros_zona.h"

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
// then 1000 ms and the end command 0x0F 0x00.
inline constexpr uint16_t kDireccion_incidencias = 0x0040;
inline constexpr size_t kBytes_incidencias = 190;
inline constexpr int64_t kEspera_incidencias_s = 10;
inline constexpr uint32_t kPausa_tras_incidencias_ms = 1000;
inline constexpr std::array<uint8_t, 2> kOrden_fin_zona{0x0F, 0x00};

// The zone step's share of the overall bar: it moves the bar within these 50
// and advances progreso_base by exactly them.
inline constexpr int32_t kParte_zona = 50;
inline constexpr int kPasos_zona = 3;  // profiles, factory, default

class TFParam_defecto {
 public:
  explicit TFParam_defecto(Interfaz_ventana& ventana);

  // Builds the default configuration record at buffer offset 0 for `idioma`,
  // from the window's region_usa, estado_b5 and indice_plan.
  void Construir_configuracion(int32_t idioma);
  // Builds profile `perfil` (0..3; a larger index is profile 0) at 256 + 256 p.
  void Construir_perfil(uint8_t perfil, int32_t idioma);

  // Builds the four profiles with idioma_medidor and writes them to
  // 0x0300..0x06FF; stops at the first page that fails.
  bool Grabar_perfiles();
  // Write buffer bytes 0..253 to 0x0100 / 0x0200. When the configuration was
  // never built, they build it with idioma_medidor first rather than write an
  // empty record.
  bool Grabar_conf_fabrica();
  bool Grabar_conf_defecto();
  // Fills the incidents area with 0xFF, then sends the end command.
  bool Borrar_incidencias();

  // The zone step: profiles, factory and default configuration, with the step
  // bar (0..3), the overall bar within its 50, and codigo_error 5, 6 or 7 for
  // the first of them that failed. Advances progreso_base by 50.
  bool Grabar_zona();

  std::span<const uint8_t, kTamano_buffer_zona> Buffer() const { return buffer_; }

 private:
  Ranura_registro Ranura(size_t inicio) {
    return Ranura_registro(buffer_.data() + inicio, kTamano_ranura_registro);
  }
  bool Grabar_configuracion(uint16_t base, std::string_view operacion);
  // One page frame with the attempt rule; notes the give-up on the wire trace.
  bool Enviar_pagina(uint16_t direccion, std::span<const uint8_t> datos,
                     std::string_view operacion);
  void Mostrar_avance(int paso);

  Interfaz_ventana& ventana_;
  std::array<uint8_t, kTamano_buffer_zona> buffer_{};
  bool configuracion_construida_ = false;
};

}  // namespace r27
