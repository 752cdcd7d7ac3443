#pragma once
// The line settings record mapped onto termios: raw bytes, size, parity, stop
// bits and the flow control the record asks for. Kept apart from the device code
// so the mapping is checked without a device (a pseudo-terminal drops parity and
// character size silently).
#include <termios.h>

#include "link/dcb_linea.h"

namespace r27 {

// Fills t for the record: raw mode, receiver on, modem status lines ignored, reads
// that never block (the backend waits with poll). The baud rate is set apart.
void Aplicar_linea_termios(termios& t, const DCB_linea& linea);

}  // namespace r27
