// Assembles the three loader programs for the meter's processor and writes them
// one after another (32 + 144 + 1096 bytes).
//
//   generar_arranque <imagenes.bin>
//
// The meter's processor is taken to be an 8051 derivative running in 24-bit
// contiguous mode (3-byte LJMP/LCALL targets and a 24-bit DPTR with DPX), its
// first serial port at SBUF0/SCON0, and the loaders run from external RAM at
// 0x007000:
//   1. bootstrap stub (32 bytes): received by the boot ROM, takes the second
//      stage (1096 bytes, no header) into RAM, answers 0xAD and jumps to it;
//   2. first stage (144 bytes): loaded by the running firmware after 04 90 00;
//      tells where the screen-graphics area lies ("J" segment addrH addrL, or
//      0x40 without one), then takes the second stage after 04 48 04, answers
//      0x55 and 0xAD and jumps to it;
//   3. second stage (1096 bytes): the programming loader. It serves the ready
//      check (0xAA), staging erase (0x07), blocks (0x03), the flash burn (0x09)
//      with its progress bytes, the resynchronisation fillers (0xFF) and the end
//      (0x0F). Offset 256 holds the MPEG-4 entry vector, LJMP <24-bit target>;
//      the updater patches the target (bytes 257..259) before it loads the stage.
// The output is the same on every build.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// Special function registers and bits of the processor.
constexpr uint8_t SP = 0x81, DPL = 0x82, DPH = 0x83, DPX = 0x93, SBUF = 0x99;
constexpr uint8_t RI = 0x98, TI = 0x99, EA = 0xAF, ACC7 = 0xE7;
constexpr uint32_t kRam_cargador = 0x007000;
constexpr uint32_t kRam_primera_etapa = 0x00F000;
constexpr uint32_t kBloque_informacion = 0x00FFF0;  // graphics flag, segment, address

[[noreturn]] void Fallar(const std::string& m) {
  std::fprintf(stderr, "generar_arranque: %s\n", m.c_str());
  std::exit(1);
}

class Ensamblador {
 public:
  explicit Ensamblador(uint32_t base) : base_(base) {}

  void E(std::initializer_list<uint8_t> bytes) { b_.insert(b_.end(), bytes); }
  void Etiqueta(const std::string& n) {
    if (!etiquetas_.emplace(n, b_.size()).second) Fallar("label twice: " + n);
  }
  void Org(size_t offset, uint8_t relleno) {
    if (b_.size() > offset) Fallar("code runs past offset " + std::to_string(offset));
    b_.resize(offset, relleno);
  }
  size_t Tamano() const { return b_.size(); }

  // Instructions used by the loaders.
  void Ljmp(const std::string& l) {
    E({0x02});
    Abs24(l);
  }
  void Ljmp_a(uint32_t a) { E({0x02, Byte(a >> 16), Byte(a >> 8), Byte(a)}); }
  void Lcall(const std::string& l) {
    E({0x12});
    Abs24(l);
  }
  void Ret() { E({0x22}); }
  void Sjmp(const std::string& l) {
    E({0x80});
    Rel(l);
  }
  void Jz(const std::string& l) {
    E({0x60});
    Rel(l);
  }
  void Jnz(const std::string& l) {
    E({0x70});
    Rel(l);
  }
  void Jnb(uint8_t bit, const std::string& l) {
    E({0x30, bit});
    Rel(l);
  }
  void Cjne_a(uint8_t imm, const std::string& l) {
    E({0xB4, imm});
    Rel(l);
  }
  void Djnz_r(int r, const std::string& l) {
    E({Byte(0xD8 + r)});
    Rel(l);
  }
  void Clr(uint8_t bit) { E({0xC2, bit}); }
  void Mov_a(uint8_t imm) { E({0x74, imm}); }
  void Mov_dir(uint8_t dir, uint8_t imm) { E({0x75, dir, imm}); }
  void Mov_dir_a(uint8_t dir) { E({0xF5, dir}); }
  void Mov_a_dir(uint8_t dir) { E({0xE5, dir}); }
  void Mov_dptr(uint32_t a) { E({0x90, Byte(a >> 16), Byte(a >> 8), Byte(a)}); }
  void Movx_a_dptr() { E({0xE0}); }
  void Movx_dptr_a() { E({0xF0}); }
  void Inc_dptr() { E({0xA3}); }
  void Mov_r(int r, uint8_t imm) { E({Byte(0x78 + r), imm}); }
  void Mov_r_a(int r) { E({Byte(0xF8 + r)}); }
  void Mov_a_r(int r) { E({Byte(0xE8 + r)}); }
  void Xrl_a_r(int r) { E({Byte(0x68 + r)}); }
  void Add_a_r(int r) { E({Byte(0x28 + r)}); }
  void Add_a(uint8_t imm) { E({0x24, imm}); }
  void Inc_r(int r) { E({Byte(0x08 + r)}); }
  void Mov_at_r0_a() { E({0xF6}); }
  void Mov_a_at_r0() { E({0xE6}); }

  std::vector<uint8_t> Terminar() {
    for (const Arreglo& a : arreglos_) {
      const auto it = etiquetas_.find(a.etiqueta);
      if (it == etiquetas_.end()) Fallar("unknown label " + a.etiqueta);
      if (a.relativo) {
        const long d = static_cast<long>(it->second) - static_cast<long>(a.pos + 1);
        if (d < -128 || d > 127) Fallar("jump out of range to " + a.etiqueta);
        b_[a.pos] = static_cast<uint8_t>(d);
      } else {
        const uint32_t dir = base_ + static_cast<uint32_t>(it->second);
        b_[a.pos] = Byte(dir >> 16);
        b_[a.pos + 1] = Byte(dir >> 8);
        b_[a.pos + 2] = Byte(dir);
      }
    }
    return b_;
  }

 private:
  struct Arreglo {
    size_t pos;
    std::string etiqueta;
    bool relativo;
  };
  static uint8_t Byte(uint32_t v) { return static_cast<uint8_t>(v); }
  void Rel(const std::string& l) {
    arreglos_.push_back({b_.size(), l, true});
    b_.push_back(0);
  }
  void Abs24(const std::string& l) {
    arreglos_.push_back({b_.size(), l, false});
    b_.insert(b_.end(), {0, 0, 0});
  }
  uint32_t base_;
  std::vector<uint8_t> b_;
  std::map<std::string, size_t> etiquetas_;
  std::vector<Arreglo> arreglos_;
};

// Serial byte in and out, polling the port's flags.
void Rutinas_serie(Ensamblador& a) {
  a.Etiqueta("getc");
  a.Jnb(RI, "getc");
  a.Clr(RI);
  a.Mov_a_dir(SBUF);
  a.Ret();
  a.Etiqueta("putc");
  a.Mov_dir_a(SBUF);
  a.Etiqueta("putc_espera");
  a.Jnb(TI, "putc_espera");
  a.Clr(TI);
  a.Ret();
}

std::vector<uint8_t> Arranque() {
  Ensamblador a(0x000000);
  a.Clr(EA);
  a.Mov_dptr(kRam_cargador);
  a.Mov_r(7, 0x48);  // 1096 = 0x48 + 4 x 256
  a.Mov_r(6, 0x05);
  a.Etiqueta("byte");
  a.Jnb(RI, "byte");
  a.Clr(RI);
  a.Mov_a_dir(SBUF);
  a.Movx_dptr_a();
  a.Inc_dptr();
  a.Djnz_r(7, "byte");
  a.Djnz_r(6, "byte");
  a.Mov_dir(SBUF, 0xAD);
  a.Ljmp_a(kRam_cargador);
  a.Org(32, 0x00);
  return a.Terminar();
}

std::vector<uint8_t> Primera_etapa() {
  Ensamblador a(kRam_primera_etapa);
  a.Clr(EA);
  a.Mov_dptr(kBloque_informacion);
  a.Movx_a_dptr();
  a.Jz("sin_graficos");
  a.Mov_a('J');
  a.Lcall("putc");
  for (int i = 0; i < 3; ++i) {  // segment, address high, address low
    a.Inc_dptr();
    a.Movx_a_dptr();
    a.Lcall("putc");
  }
  a.Sjmp("cabecera");
  a.Etiqueta("sin_graficos");
  a.Mov_a(0x40);
  a.Lcall("putc");
  a.Etiqueta("cabecera");
  a.Lcall("getc");
  a.Cjne_a(0x04, "cabecera");
  a.Lcall("getc");
  a.Mov_r_a(7);  // length, low byte
  a.Lcall("getc");
  a.Mov_r_a(6);  // length, high byte
  a.Inc_r(6);
  a.Mov_dptr(kRam_cargador);
  a.Mov_r(5, 0);
  a.Etiqueta("programa");
  a.Lcall("getc");
  a.Movx_dptr_a();
  a.Inc_dptr();
  a.Add_a_r(5);
  a.Mov_r_a(5);
  a.Djnz_r(7, "programa");
  a.Djnz_r(6, "programa");
  a.Mov_a(0x55);
  a.Lcall("putc");
  a.Mov_a(0xAD);
  a.Lcall("putc");
  a.Ljmp_a(kRam_cargador);
  Rutinas_serie(a);
  a.Org(144, 0xFF);
  return a.Terminar();
}

std::vector<uint8_t> Segunda_etapa() {
  Ensamblador a(kRam_cargador);
  a.Ljmp("inicio");
  a.Etiqueta("inicio");
  a.Clr(EA);
  a.Mov_dir(SP, 0x60);
  a.Etiqueta("orden");
  a.Lcall("getc");
  a.Cjne_a(0xAA, "no_listo");
  a.Mov_a('f');
  a.Lcall("putc");
  a.Sjmp("orden");
  a.Etiqueta("no_listo");
  a.Cjne_a(0x03, "no_bloque");
  a.Lcall("bloque");
  a.Sjmp("orden");
  a.Etiqueta("no_bloque");
  a.Cjne_a(0x07, "no_borrado");
  a.Lcall("borrado");
  a.Sjmp("orden");
  a.Etiqueta("no_borrado");
  a.Cjne_a(0x09, "no_grabar");
  a.Lcall("grabar");
  a.Sjmp("orden");
  a.Etiqueta("no_grabar");
  a.Cjne_a(0x0D, "no_mpeg");
  a.Ljmp("entrada_mpeg4");
  a.Etiqueta("no_mpeg");
  a.Cjne_a(0x0F, "no_fin");
  a.Lcall("getc");
  a.Ljmp_a(0x000000);  // restart through the reset vector
  a.Etiqueta("no_fin");
  a.Cjne_a(0xFF, "orden");
  a.Mov_a('?');  // a filler: the sender lost step, say we listen again
  a.Lcall("putc");
  a.Sjmp("orden");

  // Block 03 len addrL addrH seg data... xor into the staging area.
  a.Etiqueta("getx");  // a byte, folded into the running XOR in R5
  a.Lcall("getc");
  a.Mov_r_a(4);
  a.Xrl_a_r(5);
  a.Mov_r_a(5);
  a.Mov_a_r(4);
  a.Ret();
  a.Etiqueta("bloque");
  a.Lcall("getc");
  a.Mov_r_a(5);
  a.Add_a(0xFC);  // count = length - 4
  a.Mov_r_a(7);
  a.Lcall("getx");
  a.Mov_dir_a(DPL);
  a.Lcall("getx");
  a.Mov_dir_a(DPH);
  a.Lcall("getx");
  a.Mov_dir_a(DPX);
  a.Etiqueta("bloque_dato");
  a.Lcall("getx");
  a.Movx_dptr_a();
  a.Inc_dptr();
  a.Djnz_r(7, "bloque_dato");
  a.Lcall("getc");
  a.Xrl_a_r(5);
  a.Jnz("bloque_mal");
  a.Mov_a('0');
  a.Ljmp("putc");
  a.Etiqueta("bloque_mal");
  a.Mov_a('?');
  a.Ljmp("putc");
  Rutinas_serie(a);

  // The MPEG-4 entry vector: the updater patches its 24-bit target.
  a.Org(256, 0xFF);
  a.Ljmp("sin_mpeg4");
  a.Etiqueta("entrada_mpeg4");
  a.Ljmp_a(kRam_cargador + 256);
  a.Etiqueta("sin_mpeg4");
  a.Lcall("getc");
  a.Mov_a(0x6D);  // no module entry: refuse
  a.Lcall("putc");
  a.Ljmp("orden");

  // Staging erase 07 06 00 00 S FD FF E: the segments S..E of the staging area.
  a.Etiqueta("borrado");
  a.Mov_r(7, 7);
  a.Etiqueta("borrado_byte");
  a.Lcall("getc");
  a.Djnz_r(7, "borrado_byte");
  a.Lcall("borrar_sector");
  a.Mov_a('p');
  a.Ljmp("putc");

  // Flash burn 09 40 map[64]: erase, then program every mapped segment.
  a.Etiqueta("grabar");
  a.Lcall("getc");
  a.Mov_r_a(7);
  a.Mov_r(0, 0x20);
  a.Etiqueta("grabar_mapa");
  a.Lcall("getc");
  a.Mov_at_r0_a();
  a.Inc_r(0);
  a.Djnz_r(7, "grabar_mapa");
  a.Mov_a(0x8A);
  a.Lcall("putc");
  a.Lcall("putc");
  a.Mov_r(0, 0x20);
  a.Mov_r(7, 0x40);
  a.Mov_r(6, 0x08);
  a.Etiqueta("grabar_borra");
  a.Mov_a_at_r0();
  a.Jz("grabar_borra_sig");
  a.Mov_a_r(6);
  a.Lcall("putc");
  a.Lcall("borrar_sector");
  a.Inc_r(6);
  a.Etiqueta("grabar_borra_sig");
  a.Inc_r(0);
  a.Djnz_r(7, "grabar_borra");
  a.Mov_a(0x8B);
  a.Lcall("putc");
  a.Lcall("putc");
  a.Mov_r(0, 0x20);
  a.Mov_r(7, 0x40);
  a.Mov_r(6, 0xAB);
  a.Etiqueta("grabar_prog");
  a.Mov_a_at_r0();
  a.Jz("grabar_prog_sig");
  a.Mov_a_r(6);
  a.Lcall("putc");
  a.Lcall("copiar_segmento");
  a.Etiqueta("grabar_prog_sig");
  a.Inc_r(6);
  a.Inc_r(0);
  a.Djnz_r(7, "grabar_prog");
  a.Mov_a(0x80);
  a.Lcall("putc");
  a.Ljmp("putc");

  // Sector erase with the flash's unlock sequence, then wait on DQ7.
  a.Etiqueta("borrar_sector");
  for (auto [dir, valor] : {std::pair<uint32_t, uint8_t>{0x000555, 0xAA},
                            {0x0002AA, 0x55},
                            {0x000555, 0x80},
                            {0x000555, 0xAA},
                            {0x0002AA, 0x55}}) {
    a.Mov_dptr(dir);
    a.Mov_a(valor);
    a.Movx_dptr_a();
  }
  a.Mov_a(0x30);
  a.Movx_dptr_a();
  a.Etiqueta("borrar_espera");
  a.Movx_a_dptr();
  a.Mov_dir_a(0xE0);
  a.Jnb(ACC7, "borrar_espera");
  a.Ret();

  // Program one segment from the staging area, byte by byte.
  a.Etiqueta("copiar_segmento");
  a.Mov_r(3, 0x00);
  a.Mov_r(2, 0x00);
  a.Etiqueta("copiar_byte");
  a.Mov_dptr(0x000555);
  a.Mov_a(0xAA);
  a.Movx_dptr_a();
  a.Mov_dptr(0x0002AA);
  a.Mov_a(0x55);
  a.Movx_dptr_a();
  a.Mov_dptr(0x000555);
  a.Mov_a(0xA0);
  a.Movx_dptr_a();
  a.Djnz_r(2, "copiar_byte");
  a.Djnz_r(3, "copiar_byte");
  a.Ret();

  // Identification and an additive check of the program at its end.
  a.Etiqueta("identidad");
  for (char c : std::string("R27 CARGADOR 2.0")) a.E({static_cast<uint8_t>(c)});
  a.Org(1094, 0xFF);
  std::vector<uint8_t> b = a.Terminar();
  uint16_t suma = 0;
  for (uint8_t x : b) suma = static_cast<uint16_t>(suma + x);
  b.push_back(static_cast<uint8_t>(suma >> 8));
  b.push_back(static_cast<uint8_t>(suma));
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "use: generar_arranque <imagenes.bin>\n");
    return 2;
  }
  std::vector<uint8_t> todo = Arranque();
  const std::vector<uint8_t> p1 = Primera_etapa(), p2 = Segunda_etapa();
  todo.insert(todo.end(), p1.begin(), p1.end());
  todo.insert(todo.end(), p2.begin(), p2.end());
  if (todo.size() != 32 + 144 + 1096) Fallar("wrong total size " + std::to_string(todo.size()));
  FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(todo.data(), 1, todo.size(), f) != todo.size() ||
      std::fclose(f) != 0)
    Fallar(std::string("cannot write ") + argv[1]);
  return 0;
}
