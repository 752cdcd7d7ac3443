#pragma once
// The channel plans: the five plan-area images the updater carries, one per
// regional set, and the step that stages one in the meter and has the meter
// write it into its plan sector.
#include <cstdint>
#include <span>

#include "link/fallo.h"
#include "link/interfaz_ventana.h"

namespace r27 {

// The plan buffer the update sequence hands over: the image at its start, 0xFF
// after it, so the last staging block carries filler past the image.
inline constexpr uint32_t kTamano_buffer_planes = 0x20000;

// Regional sets by selector: 0 European, 1 Asian, 2 North American, 3 Eastern
// European, 4 Australian.
inline constexpr int32_t kConjuntos_planes = 5;

// The plan area is flash sector 30 (0x1E0000); both parameter bytes are 0.
inline constexpr uint8_t kSector_planes = 30;
inline constexpr uint8_t kParametro_planes = 0;

// The plan-area image of set `indice`; empty outside 0..kConjuntos_planes - 1.
std::span<const uint8_t> Imagen_plan(int32_t indice);

// Sets every byte of the buffer to 0xFF and hands the same buffer back.
std::span<uint8_t> Preparar_buffer_planes(std::span<uint8_t> buffer);

// Writes plan set `indice_plan` into the meter: fills `buffer` with 0xFF, copies
// the image to its start, stages the image in 128-byte blocks (the step bar runs
// from 0 to the image size) and sends the sector write for sector 30 with the
// image's length and XOR. Success when the meter confirmed the write.
//
// Code 8 when a block stays unconfirmed (the sector write is then not sent), 9
// when the sector write does; the failure goes to the step with its code. A
// selector outside 0..4, or a buffer too small for the image, is refused without
// traffic with code 8: a sector write of length 0 would erase the meter's plans instead.
Resultado Grabar_plan(Interfaz_ventana& ventana, std::span<uint8_t> buffer, int32_t indice_plan);

}  // namespace r27
