#pragma once
// The programming object of the meter's main processor: loads the programming
// loader into the meter, erases the firmware's staging range, sends the firmware
// image as blocks and has the meter burn the staged segments into flash while
// its progress is shown. Created by a step, used and released.
#include <array>
#include <cstdint>
#include <span>

#include "flash/bloque.h"
#include "flash/dialogo_diferencial.h"
#include "flash/imagenes_arranque.h"
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

// Firmware records: merged blocks go out once they hold more than 200 bytes.
inline constexpr size_t kLongitud_envio_bloque = 200;
inline constexpr uint8_t kSegmento_firmware_base = 0xAB;  // wire byte of segment 0
inline constexpr int kSegmentos_mapa = 64;
inline constexpr int kParte_envio_firmware = 120;  // share of the overall bar
inline constexpr uint32_t kPausa_abortar_firmware_ms = 300;

// Flash burn: 09 40 + 64 map bytes; progress pairs until 0x80 0x80.
inline constexpr int64_t kEspera_grabacion_s = 600;  // 10 whole minutes
inline constexpr uint32_t kPausa_avance_ms = 100;
inline constexpr int kParte_grabacion = 180;  // share of the overall bar
inline constexpr int kPrimer_segmento_fpga = 48;
inline constexpr int kUltimo_segmento_fpga = 54;
inline constexpr uint8_t kFase_borrado = 0x8A;
inline constexpr uint8_t kFase_programacion = 0x8B;
inline constexpr uint8_t kFin_grabacion = 0x80;

class TCDiferencial {
 public:
  explicit TCDiferencial(Interfaz_ventana& ventana);

  bool Cargar_arranque();
  bool Cargar_primera_etapa();
  bool Cargar_segunda_etapa();
  bool Preparar_memoria();
  bool Enviar_firmware();
  // The firmware sender (no segment guard; an abort pauses 300 ms), on `segmento`.
  bool Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos);
  bool Grabar_flash();
  void Fin_grabacion();

  void Button_diferencial_okClick();
  void Button_diferencial_cancelClick();

  Imagenes_arranque imagenes;
  uint8_t segmento = 0;
  std::array<uint8_t, kSegmentos_mapa> segmentos{};
  bool borrando = false;
  bool grabando = false;
  // Data records the last Enviar_firmware met before any extended linear address
  // record: they have no segment, so they are skipped.
  int registros_sin_segmento = 0;
  Dialogo_diferencial dialogo;

 private:
  void Mostrar_avance(uint8_t b);
  Interfaz_ventana& ventana_;
};

}  // namespace r27
