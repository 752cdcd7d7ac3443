#pragma once
// The block packet that carries every flash write: 0x03, count + 4, address
// (little-endian), segment byte, the data and an XOR check byte. One packet is in
// flight at a time; the meter acknowledges it with "0". When the answer does not
// come, the line is cleared, 0xFF fillers are sent until the meter says it
// listens again ("?" or "f"), and the packet goes once more.
#include <cstdint>
#include <span>

#include "link/contexto_peticion.h"
#include "link/fallo.h"

namespace r27 {

inline constexpr uint8_t kOrden_bloque = 0x03;
inline constexpr uint8_t kBloque_aceptado = '0';
inline constexpr uint8_t kEscuchando = '?';
inline constexpr uint8_t kEscuchando_tambien = 'f';
inline constexpr uint8_t kRelleno = 0xFF;
inline constexpr size_t kMaximo_datos_bloque = 251;  // count + 4 must fit one byte
// The largest packet is 251 + 6 = 257 bytes: one more than a 256-byte buffer.
inline constexpr size_t kTamano_paquete_bloque = kMaximo_datos_bloque + 6;

inline constexpr int64_t kEspera_confirmacion_s = 2;   // first wait and the wait after the resend
inline constexpr int64_t kEspera_resincronizar_s = 5;  // filler bytes until "?" or "f"
inline constexpr uint32_t kPausa_relleno_ms = 1;       // after each filler byte

// What sets the four senders of the program apart.
struct Emisor_bloques {
  // Blocks for a segment byte below 0x80 are reported as sent without traffic
  // (the meter has no such area for these users).
  bool guarda_segmento = false;
  // Pause before failing when the run is cancelled during the first wait.
  uint32_t pausa_abortar_ms = 0;
};

inline constexpr uint8_t kSegmento_minimo_guardado = 0x80;
inline constexpr uint32_t kPausa_abortar_ms = 300;

inline constexpr Emisor_bloques kEmisor_firmware{false, kPausa_abortar_ms};
inline constexpr Emisor_bloques kEmisor_fpga{false, kPausa_abortar_ms};
inline constexpr Emisor_bloques kEmisor_graficos{true, 0};
inline constexpr Emisor_bloques kEmisor_mpeg4{true, kPausa_abortar_ms};

// Builds the packet of `datos` (1..251 bytes) into `paquete`; returns its length
// (count + 6), or 0 when the count is out of range.
size_t Armar_bloque(std::span<uint8_t, kTamano_paquete_bloque> paquete, uint8_t segmento,
                    uint16_t direccion, std::span<const uint8_t> datos);

// Sends one block and waits for its acknowledgement, with one resynchronisation
// and resend. Succeeds when the meter accepted it. A count of 0 or above 251 is
// refused with a failure and nothing is sent. Beeps when the block is finally
// lost; a cancel ends the first wait with a failure (Llegada::cancelada) and no
// beep. A packet the port did not take fails as a write (Llegada::escritura_fallida
// or sin_conexion), not as a later time-out.
Resultado Enviar_bloque(Contexto_paso& paso, const Emisor_bloques& emisor, uint8_t segmento,
                        uint16_t direccion, std::span<const uint8_t> datos);

}  // namespace r27
