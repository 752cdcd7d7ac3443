// The line record mapped onto termios, checked without a device because a
// pseudo-terminal silently drops parity and character size.
#include <gtest/gtest.h>

#include "link/termios_linea_posix.h"

namespace r27 {
namespace {

TEST(LineaTermios, CadaCampoDelRegistro) {
  struct Caso {
    const char* nombre;
    void (*cambiar)(DCB_linea&);
    tcflag_t cflag_mascara, cflag;
    tcflag_t iflag_mascara, iflag;
  };
  constexpr tcflag_t kPar = PARENB | PARODD | CMSPAR;
  const Caso casos[] = {
      {"inicial: 8N2 sin flujo", [](DCB_linea&) {}, CSIZE | kPar | CSTOPB | CRTSCTS, CS8 | CSTOPB,
       IXON | IXOFF | INPCK, 0},
      {"7 bits", [](DCB_linea& d) { d.ByteSize = 7; }, CSIZE, CS7, 0, 0},
      {"5 bits", [](DCB_linea& d) { d.ByteSize = 5; }, CSIZE, CS5, 0, 0},
      {"6 bits", [](DCB_linea& d) { d.ByteSize = 6; }, CSIZE, CS6, 0, 0},
      {"tamano imposible", [](DCB_linea& d) { d.ByteSize = 17; }, CSIZE, CS8, 0, 0},
      {"impar", [](DCB_linea& d) { d.Parity = 1; }, kPar, PARENB | PARODD, INPCK, 0},
      {"par y comprobada",
       [](DCB_linea& d) {
         d.Parity = 2;
         d.fParity = true;
       },
       kPar, PARENB, INPCK, INPCK},
      {"marca", [](DCB_linea& d) { d.Parity = 3; }, kPar, PARENB | PARODD | CMSPAR, 0, 0},
      {"espacio", [](DCB_linea& d) { d.Parity = 4; }, kPar, PARENB | CMSPAR, 0, 0},
      {"un bit de parada", [](DCB_linea& d) { d.StopBits = UN_BIT_PARADA; }, CSTOPB, 0, 0, 0},
      {"uno y medio", [](DCB_linea& d) { d.StopBits = 1; }, CSTOPB, CSTOPB, 0, 0},
      {"CTS", [](DCB_linea& d) { d.fOutxCtsFlow = true; }, CRTSCTS, CRTSCTS, 0, 0},
      {"XON/XOFF de salida", [](DCB_linea& d) { d.fOutX = true; }, 0, 0, IXON | IXOFF, IXON},
      {"XON/XOFF de entrada", [](DCB_linea& d) { d.fInX = true; }, 0, 0, IXON | IXOFF, IXOFF},
      // Checking parity needs a parity bit to check.
      {"comprobada sin paridad", [](DCB_linea& d) { d.fParity = true; }, kPar, 0, INPCK, 0},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    DCB_linea l = Linea_inicial();
    c.cambiar(l);
    termios t{};
    t.c_iflag = ICRNL | IXON | IXOFF;  // a cooked terminal to start from
    t.c_lflag = ICANON | ECHO | ISIG;
    t.c_oflag = OPOST | ONLCR;
    t.c_cflag = CRTSCTS | PARENB;
    Aplicar_linea_termios(t, l);
    EXPECT_EQ(t.c_cflag & c.cflag_mascara, c.cflag);
    EXPECT_EQ(t.c_iflag & c.iflag_mascara, c.iflag);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(t.c_iflag & ICRNL, 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
  }
}

}  // namespace
}  // namespace r27
