#pragma once
// Line settings record. It keeps the fields of the Windows serial control block
// (DCB) that the updater sets or that callers might set, with the same meaning,
// so the Win32 backend copies them straight across and the POSIX backend maps them
// onto termios. Only the baud rate changes after start-up.
#include <cstdint>

namespace r27 {

enum : uint8_t { DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2 };
enum : uint8_t { RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1 };
enum : uint8_t { UN_BIT_PARADA = 0, DOS_BITS_PARADA = 2 };

struct DCB_linea {
  uint32_t BaudRate = 115200;
  bool fParity = false;
  bool fOutxCtsFlow = false;
  bool fOutxDsrFlow = false;
  uint8_t fDtrControl = DTR_CONTROL_ENABLE;
  bool fOutX = false;
  bool fInX = false;
  uint8_t fRtsControl = RTS_CONTROL_DISABLE;
  uint8_t ByteSize = 8;
  uint8_t Parity = 0;  // none
  uint8_t StopBits = DOS_BITS_PARADA;
};

// The settings the main window starts with.
inline DCB_linea Linea_inicial() { return DCB_linea{}; }

}  // namespace r27
