// The firmware records grouped into blocks.
#include "flash/bloques_firmware.h"

#include <algorithm>

namespace r27 {

Bloques_firmware::Bloques_firmware(const std::array<uint8_t, kSegmentos_mapa>& segmentos)
    : mapa_(segmentos) {}

Bloques_firmware::Paso Bloques_firmware::Tomar(const Registro_hex& registro) {
  cuantos_ = 0;
  switch (registro.tipo) {
    case kTipo_datos:
      Tomar_datos(registro);
      return Paso::seguir;
    case kTipo_direccion_lineal:
      Cerrar_pendiente();
      if (registro.longitud < 2) return Paso::sin_segmento;
      indice_ = registro.datos[1];
      segmento_ = static_cast<uint8_t>(kSegmento_firmware_base + registro.datos[1]);
      return Paso::seguir;
    case kTipo_fin:
      Cerrar_pendiente();
      return Paso::fin;
    default:
      return Paso::seguir;
  }
}

void Bloques_firmware::Tomar_datos(const Registro_hex& registro) {
  if (indice_ < 0) {
    ++sin_segmento_;
    return;
  }
  if (indice_ >= kSegmentos_mapa || mapa_[static_cast<size_t>(indice_)] == 0) return;
  const size_t n = registro.longitud;
  const bool seguido = longitud_ > 0 && inicio_ + longitud_ == registro.direccion;
  if (!seguido || longitud_ + n > kMaximo_datos_bloque) {
    // A gap (or a block that would outgrow the packet) sends what is pending.
    Cerrar_pendiente();
    inicio_ = registro.direccion;
  }
  std::copy_n(registro.datos, n, pendiente_.begin() + static_cast<ptrdiff_t>(longitud_));
  longitud_ += n;
  if (longitud_ > kMaximo_datos_bloque) {
    // Only a single record of 252..255 bytes gets here: its head goes alone.
    Listo(kMaximo_datos_bloque);
  }
  if (longitud_ > kLongitud_envio_bloque) Cerrar_pendiente();
}

void Bloques_firmware::Listo(size_t n) {
  Bloque_firmware& b = listos_[cuantos_++];
  b.segmento = segmento_;
  b.direccion = static_cast<uint16_t>(inicio_);
  b.longitud = n;
  std::copy_n(pendiente_.begin(), n, b.datos.begin());
  std::copy(pendiente_.begin() + static_cast<ptrdiff_t>(n),
            pendiente_.begin() + static_cast<ptrdiff_t>(longitud_), pendiente_.begin());
  longitud_ -= n;
  inicio_ += static_cast<uint32_t>(n);
}

}  // namespace r27
