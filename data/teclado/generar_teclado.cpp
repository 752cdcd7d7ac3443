// Writes the keyboard microcontroller's firmware as Intel HEX text.
//
//   generar_teclado <salida.hex>
//
// The keyboard runs on an 8-bit M8C-core microcontroller with 16 KiB of flash in
// 256 blocks of 64 bytes. The firmware is laid out as that core's tools lay it:
//   0x0000  interrupt vector table, 26 vectors of 4 bytes (LJMP to the handler
//           and RETI, or RETI padded with HALT where unused);
//   0x0068  start-up: clocks, watchdog, ports, stack, then LCALL main;
//   then    the routines (matrix scan, debounce, key queue, link to the meter's
//           processor, back-light, interrupt handlers), each a run of real M8C
//           instructions with branches inside itself and LCALLs to the others;
//   then    the key map (8 rows x 8 columns of key codes), the link protocol's
//           command table and the version text;
//   rest    HALT (0x30), as unused flash is filled.
// After the 256 data records come the security record (extended linear address
// 0x0010, then 64 bytes: two protection bits per block, four blocks per byte,
// "W" = 0b11 on the blocks that hold firmware, "U" = 0b00 on the empty ones), the
// checksum record (extended linear address 0x0020, then the 16-bit sum of the
// 16,384 flash bytes, high byte first) and the end line. Lower-case digits, CR
// LF line ends, 36,301 characters. The output is the same on every build.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kBloques = 256;
constexpr int kBytes_bloque = 64;
constexpr int kTamano_flash = kBloques * kBytes_bloque;
constexpr size_t kCaracteres_texto = 36'301;
constexpr uint8_t kHalt = 0x30;

// M8C opcodes used below.
constexpr uint8_t kPush_a = 0x08, kPush_x = 0x10, kPop_a = 0x18, kPop_x = 0x20;
constexpr uint8_t kLcall = 0x7C, kLjmp = 0x7D, kReti = 0x7E, kRet = 0x7F;
constexpr uint8_t kJmp = 0x80, kJz = 0xA0, kJnz = 0xB0, kJc = 0xC0, kJnc = 0xD0;

// A fixed-seed generator (the same numbers on every build and compiler).
class Azar {
 public:
  uint32_t Siguiente() {
    estado_ = estado_ * 1'103'515'245u + 12'345u;
    return estado_ >> 8;
  }
  uint32_t Hasta(uint32_t n) { return Siguiente() % n; }

 private:
  uint32_t estado_ = 0x4B42'4431u;  // "KBD1"
};

// Registers of the chip the routines touch: port data and drive modes, the
// interrupt controller, the timer and the serial block that talks to the meter.
constexpr std::array<uint8_t, 16> kRegistros{0x00, 0x01, 0x04, 0x05, 0x08, 0x09, 0x20, 0x21,
                                             0x22, 0x23, 0x29, 0x2B, 0xDA, 0xE0, 0xE1, 0xE3};

struct Rutina {
  std::vector<uint8_t> codigo;
  std::vector<std::pair<size_t, int>> llamadas;  // LCALL operand position, routine called
  uint16_t direccion = 0;
};

// One instruction of a routine's body.
void Instruccion(Azar& a, Rutina& r, int n_rutinas, int propia) {
  auto& c = r.codigo;
  const uint8_t reg = kRegistros[a.Hasta(kRegistros.size())];
  const auto ram = static_cast<uint8_t>(0x10 + a.Hasta(0x60));  // variables in RAM page 0
  const auto k = static_cast<uint8_t>(a.Hasta(256));
  switch (a.Hasta(20)) {
    case 0:
    case 1:
      c.insert(c.end(), {0x51, ram});  // MOV A,[ram]
      break;
    case 2:
    case 3:
      c.insert(c.end(), {0x53, ram});  // MOV [ram],A
      break;
    case 4:
      c.insert(c.end(), {0x50, k});  // MOV A,k
      break;
    case 5:
      c.insert(c.end(), {0x5D, reg});  // MOV A,REG[reg]
      break;
    case 6:
      c.insert(c.end(), {0x60, reg});  // MOV REG[reg],A
      break;
    case 7:
      c.insert(c.end(), {0x41, reg, static_cast<uint8_t>(~(1u << a.Hasta(8)))});  // AND REG,k
      break;
    case 8:
      c.insert(c.end(), {0x43, reg, static_cast<uint8_t>(1u << a.Hasta(8))});  // OR REG,k
      break;
    case 9:
      c.insert(c.end(), {0x39, k});  // CMP A,k
      break;
    case 10:
      c.insert(c.end(), {0x49, reg, static_cast<uint8_t>(1u << a.Hasta(8))});  // TST REG,k
      break;
    case 11:
      c.insert(c.end(), {static_cast<uint8_t>(0x01 + 0x10 * a.Hasta(4)), k});  // ADD/SUB/AND/..
      break;
    case 12:
      c.push_back(static_cast<uint8_t>(std::array{0x64, 0x67, 0x6A, 0x6D, 0x73, 0x74, 0x78,
                                                  0x4B}[a.Hasta(8)]));  // shifts, INC, DEC..
      break;
    case 13:
      c.insert(c.end(), {0x76, ram});  // INC [ram]
      break;
    case 14:
      c.insert(c.end(), {0x55, ram, k});  // MOV [ram],k
      break;
    case 15:
      c.insert(c.end(), {0x52, static_cast<uint8_t>(a.Hasta(16))});  // MOV A,[X+k]
      break;
    case 16:
    case 17: {
      // A short conditional branch forward, over the next few bytes.
      const uint8_t op = std::array{kJz, kJnz, kJc, kJnc}[a.Hasta(4)];
      const uint16_t salto = static_cast<uint16_t>(3 + a.Hasta(12));
      c.insert(c.end(), {static_cast<uint8_t>(op | (salto >> 8)), static_cast<uint8_t>(salto)});
      break;
    }
    default: {
      int destino = static_cast<int>(a.Hasta(static_cast<uint32_t>(n_rutinas)));
      if (destino == propia) destino = (destino + 1) % n_rutinas;
      r.llamadas.emplace_back(c.size() + 1, destino);
      c.insert(c.end(), {kLcall, 0x00, 0x00});
      break;
    }
  }
}

Rutina Nueva_rutina(Azar& a, int n_rutinas, int propia) {
  Rutina r;
  const bool guarda_x = a.Hasta(2) == 0;
  r.codigo.push_back(kPush_a);
  if (guarda_x) r.codigo.push_back(kPush_x);
  const int instrucciones = 12 + static_cast<int>(a.Hasta(90));
  for (int i = 0; i < instrucciones; ++i) Instruccion(a, r, n_rutinas, propia);
  if (guarda_x) r.codigo.push_back(kPop_x);
  r.codigo.push_back(kPop_a);
  r.codigo.push_back(kRet);
  return r;
}

void Poner16(std::vector<uint8_t>& f, size_t p, uint16_t v) {
  f[p] = static_cast<uint8_t>(v >> 8);
  f[p + 1] = static_cast<uint8_t>(v);
}

std::vector<uint8_t> Flash(size_t& fin_firmware) {
  std::vector<uint8_t> f;
  Azar a;
  constexpr int kRutinas = 64;
  constexpr int kVectores = 26;
  constexpr uint16_t kInicio = kVectores * 4;
  // Interrupt handlers: reset, GPIO (a key pressed), timer 0 (the scan tick),
  // serial receive and transmit (the meter's link), sleep timer.
  constexpr std::array<std::pair<int, int>, 5> kManejadores{
      {{1, 0}, {7, 1}, {9, 2}, {10, 3}, {25, 4}}};

  std::vector<Rutina> rutinas;
  for (int i = 0; i < kRutinas; ++i) rutinas.push_back(Nueva_rutina(a, kRutinas, i));
  // Handlers end with RETI, not RET.
  for (const auto& [vector, rutina] : kManejadores) rutinas[size_t(rutina)].codigo.back() = kReti;

  // Vector table, patched once the handlers' addresses are known.
  f.assign(kInicio, kHalt);
  for (int v = 0; v < kVectores; ++v) f[size_t(v) * 4] = kReti;

  // Start-up: clocks and watchdog, ports' drive modes, stack, RAM clear, main.
  const std::vector<uint8_t> arranque{
      0x71,        0x10,              // OR F,0x10: register bank 1
      0x62,        0xE0, 0x1A,        // OSC_CR0: 24 MHz internal, sleep 1 s
      0x62,        0xE3, 0x38,        // VLT_CR
      0x62,        0x00, 0xFF,        // PRT0DM0: the columns pulled up
      0x62,        0x04, 0x00,        // PRT1DM0: the rows strong
      0x70,        0xEF,              // AND F,0xEF: bank 0
      0x50,        0x80, 0x4E,        // MOV A,0x80; SWAP SP,A: the stack
      0x50,        0x00, 0x57, 0x0F,  // MOV A,0; MOV X,0x0F
      0x54,        0x10, 0x79,        // MOV [X+0x10],A; DEC X
      0xDF,        0xFC,              // JNC back: RAM cleared
      0x43,        0xE0, 0x21,        // INT_MSK0: GPIO and timer
      0x71,        0x01,              // OR F,1: interrupts on
      kLcall,      0x00, 0x00,        // LCALL main (routine 5)
      kJmp | 0x0F, 0xFC,              // JMP to the LCALL: main never returns
  };
  const size_t llamada_main = f.size() + arranque.size() - 4;
  f.insert(f.end(), arranque.begin(), arranque.end());

  for (Rutina& r : rutinas) {
    r.direccion = static_cast<uint16_t>(f.size());
    f.insert(f.end(), r.codigo.begin(), r.codigo.end());
  }
  for (const Rutina& r : rutinas)
    for (const auto& [pos, destino] : r.llamadas)
      Poner16(f, r.direccion + pos, rutinas[size_t(destino)].direccion);
  Poner16(f, llamada_main + 1, rutinas[5].direccion);
  for (const auto& [vector, rutina] : kManejadores) {
    const size_t p = size_t(vector) * 4;
    f[p] = kLjmp;
    Poner16(f, p + 1, rutinas[size_t(rutina)].direccion);
    f[p + 3] = kReti;
  }
  f[0] = kLjmp;  // reset
  Poner16(f, 1, kInicio);
  f[3] = kHalt;

  // Key map: 8 rows by 8 columns, the key code of each crossing (0 where the
  // matrix has no key).
  for (int fila = 0; fila < 8; ++fila)
    for (int col = 0; col < 8; ++col)
      f.push_back(fila * 8 + col < 42 ? static_cast<uint8_t>(0x10 + fila * 8 + col) : 0x00);
  // Link commands the meter's processor sends: code and reply length.
  for (uint8_t c = 0xA0; c < 0xB0; ++c) f.insert(f.end(), {c, static_cast<uint8_t>(1 + c % 4)});
  for (char c : std::string("R27 KBD V1.07 (C) TECLADO")) f.push_back(static_cast<uint8_t>(c));
  f.push_back(0x00);
  fin_firmware = f.size();
  f.resize(kTamano_flash, kHalt);
  return f;
}

// One Intel HEX line with its checksum, lower-case digits, CR LF.
std::string Linea(uint8_t tipo, uint16_t direccion, const uint8_t* datos, size_t n) {
  std::string s = ":";
  uint8_t suma = 0;
  auto byte = [&](uint8_t b) {
    char d[3];
    std::snprintf(d, sizeof d, "%02x", b);
    s += d;
    suma = static_cast<uint8_t>(suma + b);
  };
  byte(static_cast<uint8_t>(n));
  byte(static_cast<uint8_t>(direccion >> 8));
  byte(static_cast<uint8_t>(direccion));
  byte(tipo);
  for (size_t i = 0; i < n; ++i) byte(datos[i]);
  const uint8_t cheque = static_cast<uint8_t>(0x100 - suma);
  byte(cheque);
  return s + "\r\n";
}

std::string Texto() {
  size_t fin_firmware = 0;
  const std::vector<uint8_t> f = Flash(fin_firmware);
  std::string t;
  for (int b = 0; b < kBloques; ++b)
    t += Linea(0x00, static_cast<uint16_t>(b * kBytes_bloque), &f[size_t(b) * kBytes_bloque],
               kBytes_bloque);

  const std::array<uint8_t, 2> seguridad_base{0x00, 0x10};
  t += Linea(0x04, 0, seguridad_base.data(), 2);
  std::array<uint8_t, kBloques / 4> seguridad{};
  const size_t bloques_usados = (fin_firmware + kBytes_bloque - 1) / kBytes_bloque;
  for (size_t b = 0; b < bloques_usados; ++b)
    seguridad[b / 4] = static_cast<uint8_t>(seguridad[b / 4] | (0b11 << (2 * (b % 4))));
  t += Linea(0x00, 0, seguridad.data(), seguridad.size());

  const std::array<uint8_t, 2> suma_base{0x00, 0x20};
  t += Linea(0x04, 0, suma_base.data(), 2);
  uint16_t suma = 0;
  for (uint8_t b : f) suma = static_cast<uint16_t>(suma + b);
  const std::array<uint8_t, 2> suma_bytes{static_cast<uint8_t>(suma >> 8),
                                          static_cast<uint8_t>(suma)};
  t += Linea(0x00, 0, suma_bytes.data(), 2);
  t += Linea(0x01, 0, nullptr, 0);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "use: %s <salida.hex>\n", argv[0]);
    return 2;
  }
  const std::string t = Texto();
  if (t.size() != kCaracteres_texto) {
    std::fprintf(stderr, "generar_teclado: %zu characters instead of %zu\n", t.size(),
                 kCaracteres_texto);
    return 1;
  }
  std::FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(t.data(), 1, t.size(), f) != t.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "generar_teclado: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
