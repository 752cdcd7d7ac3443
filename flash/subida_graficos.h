#pragma once
// Writes the meter's on-screen status pictures ("loading firmware", "updating
// firmware" and the two MPEG variants) into its image area in flash, so the
// meter's own screen tells what is going on while it is being rewritten. The
// area's place comes from the meter's answer to the first loader stage.
#include <cstdint>
#include <span>

#include "link/contexto_peticion.h"
#include "link/fallo.h"
#include "link/interfaz_ventana.h"

namespace r27 {

// Geometry of the pictures and of the meter's image area.
inline constexpr int kAncho_imagen = 150;
inline constexpr int kAlto_imagen = 75;
inline constexpr int kBytes_imagen = kAncho_imagen * kAlto_imagen * 2;  // RGB565
inline constexpr int kEntradas_tabla = kBytes_imagen;  // one 16-bit entry per pixel byte
inline constexpr int kBytes_tabla = kEntradas_tabla * 2;
inline constexpr int kNumero_imagenes = 4;
inline constexpr int kBytes_fila_pantalla = 640;  // 320 pixels of 16 bits
inline constexpr int kColumna_imagen = 85;
inline constexpr int kFila_imagen_firmware = 82;     // pictures 1 and 2
inline constexpr int kFila_imagen_mpeg = 132;        // pictures 3 and 4
inline constexpr int kColumnas_primer_bloque = 100;  // a row goes as 200 + 100 bytes

// Staging erase of the image area: segment bytes S to S+2, answered "p".
inline constexpr int64_t kEspera_borrar_graficos_s = 30;  // counted from inicio_operacion
inline constexpr uint8_t kSegmentos_area_graficos = 2;    // the range ends at S+2

class Subida_graficos {
 public:
  enum Imagen : int {
    kCargando_firmware = 1,
    kActualizando_firmware = 2,
    kCargando_mpeg = 3,
    kActualizando_mpeg = 4,
  };

  // The uploader of a window: its step context, and the start of the current
  // operation the erase counts its wait from. `tablas` holds the four picture
  // tables one after another (the embedded ones unless a test hands others).
  explicit Subida_graficos(Interfaz_ventana& ventana);
  Subida_graficos(Interfaz_ventana& ventana, std::span<const uint8_t> tablas);
  Subida_graficos(Contexto_paso& paso, const int64_t& inicio_operacion,
                  std::span<const uint8_t> tablas);

  // Erases the image area (nothing when the meter has none). Nobody is told of
  // a failure but the trace; a wrong answer beeps.
  void Borrar_graficos();
  // Uploads picture 1..4 as 150 blocks; other numbers do nothing. The picture
  // stops at the first block the meter does not take; nobody is told (the
  // pictures are only the meter's own display).
  void Enviar_imagen(int imagen);
  // The graphics sender: blocks below segment 0x80 count as sent without traffic,
  // a cancel fails at once.
  Resultado Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos);

  uint8_t segmento = 0;       // segment byte of the block being sent
  bool activo = false;        // the meter has an image area
  uint8_t segmento_base = 0;  // where the image area starts
  uint16_t direccion_base = 0;

 private:
  Contexto_paso& paso_;
  const int64_t& inicio_operacion_;
  std::span<const uint8_t> tablas_;
};

// The four embedded picture tables (180,000 bytes).
std::span<const uint8_t> Tablas_graficos();

}  // namespace r27
