#pragma once
// Writes a new application into the meter's MPEG-4 module. The application
// image and the module's stage-2 program are staged in the meter with block
// packets, the meter is told to start the module update, and the meter's end
// byte is awaited for up to 17 minutes. It also carries the entry patch of the
// second loader stage, which must be in place before the loader is sent.
// Created by a step, used and released; the meter must be running the loader.
//
// Bounds added here: the meter's answer to 0x0D 0x00 is awaited for
// kEspera_preparado_mpeg4_s (10 s). Without it the start request is not sent
// and the upload fails with kCodigo_mpeg4_sin_inicio (24) and a beep.
#include <array>
#include <cstdint>
#include <span>

#include "flash/bloque.h"
#include "flash/imagenes_arranque.h"
#include "link/fallo.h"
#include "link/interfaz_ventana.h"
#include "link/operaciones_conexion.h"

namespace r27 {

// Entry patch: the jump target of the second loader stage (bytes 257..259).
inline constexpr std::array<uint8_t, 3> kParche_entrada_mpeg4{0x03, 0x20, 0x41};

// Staging erase 07 06 00 00 D0 FD FF E8 -> "p".
inline constexpr int kIntentos_borrado_mpeg4 = 3;
inline constexpr int64_t kEspera_borrado_mpeg4_s = 10;
inline constexpr uint32_t kPausa_tras_borrado_mpeg4_ms = 500;  // after every attempt
inline constexpr uint8_t kRespuesta_borrado_mpeg4 = 'p';

// Before the status picture, and before failing on an abort between blocks.
inline constexpr uint32_t kPausa_antes_imagen_mpeg4_ms = 200;
inline constexpr uint32_t kPausa_abortar_mpeg4_ms = 300;

// Shares of the overall bar: stage 1, then the wait for the module.
inline constexpr int kParte_etapa1_mpeg4 = 220;
inline constexpr int kParte_espera_mpeg4 = 420;

// 0x0D 0x00 -> any byte (our bound), then the start request.
inline constexpr int64_t kEspera_preparado_mpeg4_s = 10;
// After the start request the line goes back to 115,200 baud.
inline constexpr uint32_t kPausa_tras_inicio_mpeg4_ms = 1000;
inline constexpr uint32_t kBaudios_tras_inicio_mpeg4 = 115200;

// The module update: 0xBB when it is done.
inline constexpr int64_t kEspera_fin_mpeg4_s = 1020;
inline constexpr int64_t kAvance_fin_mpeg4_s = 510;  // the bars move during this part
inline constexpr uint32_t kIntervalo_fin_mpeg4_ms = 1;
inline constexpr uint8_t kFin_mpeg4 = 0xBB;

class Programador_mpeg4 {
 public:
  // The embedded application and stage-2 program.
  Programador_mpeg4(Interfaz_ventana& ventana, Operaciones_conexion& conexion);
  // Other images (tests hand small ones).
  Programador_mpeg4(Interfaz_ventana& ventana, Operaciones_conexion& conexion,
                    std::span<const uint8_t> aplicacion, std::span<const uint8_t> etapa2);

  // Writes the entry patch into the second loader stage of the session's loader
  // images (seen by every holder of them for the rest of the session).
  void Parchear_entrada();

  // The whole upload. Success when the meter reported the end of the module
  // update; otherwise the failure, set on the step with its code (12, 13, 14, 15
  // or 24; a code set earlier in the run stays). `region_usa` chooses the start
  // request's code. `parametro` has no effect.
  Resultado Actualizar_mpeg4(int parametro, bool region_usa);

  // The MPEG-4 sender (segment guard below 0x80; an abort pauses 300 ms), on `segmento`.
  bool Enviar_bloque(uint16_t direccion_bloque, std::span<const uint8_t> datos);

  uint32_t tamano_imagen = 0;   // the application's length, also sent in the start request
  uint32_t bytes_enviados = 0;  // of the stage being sent
  uint16_t direccion = 0;       // of the block being sent
  uint8_t segmento = 0;

 private:
  Resultado Borrar_staging();
  Resultado Etapa1();
  Resultado Etapa2();
  // 0x0D 0x00, its answer, then the start request for the region.
  Resultado Iniciar_modulo(bool region_usa);
  Resultado Esperar_fin();
  // The give-up of the block being sent (`etapa`: 1 or 2), or of the stage when
  // the technician stopped it.
  Fallo Fallo_bloque(int etapa);
  Fallo Fallo_cancelada(int etapa);
  Resultado Fallar(Fallo fallo, int32_t codigo);

  Interfaz_ventana& ventana_;
  Operaciones_conexion& conexion_;
  Imagenes_arranque& imagenes_;  // the session's
  std::span<const uint8_t> aplicacion_;
  std::span<const uint8_t> etapa2_;
};

// The embedded images.
std::span<const uint8_t> Aplicacion_mpeg4();
std::span<const uint8_t> Etapa2_mpeg4();

}  // namespace r27
