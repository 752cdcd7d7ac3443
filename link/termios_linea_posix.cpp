#include "link/termios_linea_posix.h"

namespace r27 {

namespace {

tcflag_t Tamano_caracter(uint8_t bits) {
  switch (bits) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;  // the record's 8, and anything a terminal cannot do
  }
}

}  // namespace

void Aplicar_linea_termios(termios& t, const DCB_linea& linea) {
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
#ifdef CMSPAR
  t.c_cflag &= ~CMSPAR;
#endif
  t.c_cflag |= CLOCAL | CREAD | Tamano_caracter(linea.ByteSize);
  // DCB parity: 0 none, 1 odd, 2 even, 3 mark, 4 space.
  switch (linea.Parity) {
    case 1:
      t.c_cflag |= PARENB | PARODD;
      break;
    case 2:
      t.c_cflag |= PARENB;
      break;
#ifdef CMSPAR
    case 3:
      t.c_cflag |= PARENB | PARODD | CMSPAR;
      break;
    case 4:
      t.c_cflag |= PARENB | CMSPAR;
      break;
#endif
    default:
      break;
  }
  // DCB stop bits: 0 one, 1 one and a half, 2 two; termios has one or two.
  if (linea.StopBits != UN_BIT_PARADA) t.c_cflag |= CSTOPB;
  if (linea.fOutxCtsFlow) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
  if (linea.fOutX) t.c_iflag |= IXON;
  if (linea.fInX) t.c_iflag |= IXOFF;
  if (linea.fParity && (t.c_cflag & PARENB)) t.c_iflag |= INPCK;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

}  // namespace r27
