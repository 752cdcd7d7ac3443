#pragma once
// The programming object of the meter's main processor: loads the programming
// loader into the meter, erases the firmware's staging range, sends the firmware
// image as blocks and has the meter burn the staged segments into flash while
// its progress is shown. Created by a step, used and released.
#include <array>
#include <cstdint>
#include <span>

#include "flash/bloque.h"
#include "flash/bloques_firmware.h"
#include "flash/dialogo_diferencial.h"
#include "flash/imagenes_arranque.h"
#include "link/fallo.h"
#include "link/interfaz_ventana.h"

namespace r27 {

// Bootstrap load: image 1, image 3, answered 0xAD.
inline constexpr uint32_t kPausa_tras_imagen_ms = 100;
inline constexpr int64_t kEspera_arranque_s = 30;  // gives up once more than 30 s passed
inline constexpr uint8_t kRespuesta_cargado = 0xAD;

// First loader stage: 04 90 00 + image 2, answered "J" seg addrH addrL or 0x40.
inline constexpr int64_t kEspera_primera_etapa_s = 20;
inline constexpr uint32_t kPausa_tras_etapa_ms = 2000;
inline constexpr uint8_t kRespuesta_con_graficos = 'J';
inline constexpr uint8_t kRespuesta_sin_graficos = 0x40;

// Second loader stage: 04 48 04 + image 3 in small writes, answered any byte, then 0xAD.
inline constexpr int64_t kEspera_segunda_etapa_s = 20;
inline constexpr uint32_t kPausa_entre_escrituras_ms = 1;
inline constexpr size_t kTrozo_segunda_etapa = 4;

// Ready check 0xAA -> "f" and staging erase 07 06 00 00 AB FD FF C9 -> "p".
inline constexpr int kIntentos_listo = 5;
inline constexpr int64_t kEspera_listo_s = 3;  // the wait
inline constexpr int64_t kMaximo_listo_s = 2;  // the answer must come within this
inline constexpr int kIntentos_borrado_staging = 3;
inline constexpr int64_t kEspera_borrado_staging_s = 5;
inline constexpr int64_t kMaximo_borrado_staging_s = 4;
inline constexpr uint32_t kPausa_tras_intento_ms = 500;

// The firmware's staging range: segment bytes 0xAB (segment 0) to 0xC9 (segment 30).
inline constexpr uint8_t kUltimo_segmento_staging_firmware = 0xC9;

// Firmware records (grouped into blocks by Bloques_firmware).
inline constexpr int kParte_envio_firmware = 120;  // share of the overall bar
inline constexpr uint32_t kPausa_abortar_firmware_ms = 300;

// Flash burn: 09 40 + 64 map bytes; progress pairs until 0x80 0x80.
inline constexpr int64_t kEspera_grabacion_s = 600;  // 10 whole minutes
inline constexpr uint32_t kPausa_avance_ms = 100;
inline constexpr int kParte_grabacion = 180;  // share of the overall bar
inline constexpr int kPrimer_segmento_fpga = 48;
inline constexpr int kUltimo_segmento_fpga = 54;

// Each operation that talks to the meter returns its failure (the request, what
// it awaited, what came) or success; none sets a result code (the callers do).
class TCDiferencial {
 public:
  // Loads the loader images of the window's session.
  explicit TCDiferencial(Interfaz_ventana& ventana);

  Resultado Cargar_arranque();
  Resultado Cargar_primera_etapa();
  Resultado Cargar_segunda_etapa();
  Resultado Preparar_memoria();
  Resultado Enviar_firmware();
  // The firmware sender (no segment guard; a cancel pauses 300 ms), on `segmento`.
  Resultado Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos);
  Resultado Grabar_flash();
  // 0x0F 0x00, then the input drained; no answer is awaited (a write the port
  // did not take is on the trace).
  void Fin_grabacion();

  void Button_diferencial_okClick();
  void Button_diferencial_cancelClick();

  Imagenes_arranque& imagenes;  // the session's
  uint8_t segmento = 0;
  std::array<uint8_t, kSegmentos_mapa> segmentos{};
  bool borrando = false;
  bool grabando = false;
  // Data records the last Enviar_firmware met before any extended linear address
  // record: they have no segment, so they are skipped.
  int registros_sin_segmento = 0;
  Dialogo_diferencial dialogo;

 private:
  // The blocks the last record completed, in order, each on its segment byte.
  Resultado Enviar_listos(const Bloques_firmware& bloques);
  // The bars after the record `contador` of `total`.
  void Mostrar_envio(int contador);
  void Mostrar_avance(uint8_t b);
  Interfaz_ventana& ventana_;
};

}  // namespace r27
