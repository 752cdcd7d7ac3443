// Draws the meter's four status pictures and writes their tables.
//
//   generar_graficos <tablas.bin> [vista.png]
//
// Each picture is 150 x 75 pixels of RGB565, pixel bytes low byte first. The
// table of a picture has one 16-bit little-endian entry per pixel byte (low byte
// = the pixel byte, high byte = 0): 45,000 bytes; the four tables follow one
// another (180,000 bytes). The optional PNG shows the four pictures enlarged, to
// check by eye that they read well. Everything is drawn with a small built-in
// bitmap font, so the output is the same on every build.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kAncho = 150;
constexpr int kAlto = 75;

struct Color {
  uint8_t r, g, b;
};

constexpr Color kFondo{0x10, 0x20, 0x48};
constexpr Color kTexto{0xFF, 0xFF, 0xFF};
constexpr Color kAviso{0xFF, 0xE0, 0x40};
constexpr Color kMarco_carga{0x40, 0xD0, 0xE0};
constexpr Color kMarco_actualiza{0xFF, 0x90, 0x20};
constexpr Color kSigno{0x10, 0x10, 0x10};

// 5 x 9 glyphs: rows 0..6 stand on the base line, rows 7..8 hang below it.
struct Glifo {
  char c;
  std::array<const char*, 9> filas;
};

constexpr const char* k_ = ".....";
const Glifo kFuente[] = {
    {' ', {k_, k_, k_, k_, k_, k_, k_, k_, k_}},
    {'.', {k_, k_, k_, k_, k_, ".##..", ".##..", k_, k_}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", k_, k_}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###.", k_, k_}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####", k_, k_}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####", k_, k_}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#", k_, k_}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#", k_, k_}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#....", k_, k_}},
    {'a', {k_, k_, ".###.", "....#", ".####", "#...#", ".####", k_, k_}},
    {'c', {k_, k_, ".###.", "#....", "#....", "#...#", ".###.", k_, k_}},
    {'d', {"....#", "....#", ".####", "#...#", "#...#", "#...#", ".####", k_, k_}},
    {'e', {k_, k_, ".###.", "#...#", "#####", "#....", ".###.", k_, k_}},
    {'f', {"..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#...", k_, k_}},
    {'g', {k_, k_, ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."}},
    {'i', {"..#..", k_, ".##..", "..#..", "..#..", "..#..", ".###.", k_, k_}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", k_, k_}},
    {'m', {k_, k_, "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#", k_, k_}},
    {'n', {k_, k_, "#.##.", "##..#", "#...#", "#...#", "#...#", k_, k_}},
    {'o', {k_, k_, ".###.", "#...#", "#...#", "#...#", ".###.", k_, k_}},
    {'p', {k_, k_, "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."}},
    {'r', {k_, k_, "#.##.", "##..#", "#....", "#....", "#....", k_, k_}},
    {'t', {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##.", k_, k_}},
    {'u', {k_, k_, "#...#", "#...#", "#...#", "#..##", ".##.#", k_, k_}},
    {'w', {k_, k_, "#...#", "#...#", "#.#.#", "#.#.#", ".#.#.", k_, k_}},
    {'z', {k_, k_, "#####", "...#.", "..#..", ".#...", "#####", k_, k_}},
};

const Glifo* Buscar(char c) {
  for (const Glifo& g : kFuente)
    if (g.c == c) return &g;
  return nullptr;
}

class Lienzo {
 public:
  Lienzo() : px_(kAncho * kAlto, kFondo) {}
  void Punto(int x, int y, Color c) {
    if (x >= 0 && x < kAncho && y >= 0 && y < kAlto) px_[y * kAncho + x] = c;
  }
  void Rectangulo(int x, int y, int w, int h, Color c) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) Punto(i, j, c);
  }
  static int Ancho_texto(const std::string& s, int escala) {
    return s.empty() ? 0 : static_cast<int>(s.size()) * 6 * escala - escala;
  }
  void Texto(int x, int y, const std::string& s, int escala, Color c) {
    for (char ch : s) {
      const Glifo* g = Buscar(ch);
      if (g == nullptr) {
        std::fprintf(stderr, "generar_graficos: no glyph for '%c'\n", ch);
        std::exit(1);
      }
      for (int f = 0; f < 9; ++f)
        for (int k = 0; k < 5; ++k)
          if (g->filas[f][k] == '#') Rectangulo(x + k * escala, y + f * escala, escala, escala, c);
      x += 6 * escala;
    }
  }
  // A warning triangle (11 x 10) with an exclamation mark.
  void Aviso(int x, int y) {
    for (int f = 0; f < 10; ++f) {
      const int media = f / 2 + (f > 0 ? 1 : 0);
      for (int i = 5 - media; i <= 5 + media; ++i) Punto(x + i, y + f, kAviso);
    }
    Rectangulo(x + 5, y + 3, 1, 4, kSigno);
    Punto(x + 5, y + 8, kSigno);
  }
  const std::vector<Color>& Pixeles() const { return px_; }

 private:
  std::vector<Color> px_;
};

Lienzo Dibujar(const std::vector<std::string>& lineas, Color marco) {
  Lienzo l;
  l.Rectangulo(0, 0, kAncho, 1, marco);
  l.Rectangulo(0, kAlto - 1, kAncho, 1, marco);
  l.Rectangulo(0, 0, 1, kAlto, marco);
  l.Rectangulo(kAncho - 1, 0, 1, kAlto, marco);
  // Big lines 17 px apart, block centred above the warning line.
  const int paso = 17;
  int y = lineas.size() == 2 ? 8 : 3;
  for (const std::string& s : lineas) {
    l.Texto((kAncho - Lienzo::Ancho_texto(s, 2)) / 2, y, s, 2, kTexto);
    y += paso;
  }
  const std::string aviso = "No apague el medidor";
  const int ancho = 11 + 4 + Lienzo::Ancho_texto(aviso, 1);
  const int x = (kAncho - ancho) / 2;
  l.Aviso(x, 60);
  l.Texto(x + 15, 62, aviso, 1, kAviso);
  return l;
}

uint16_t Rgb565(Color c) {
  return static_cast<uint16_t>(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
}

// --- PNG (stored deflate blocks, no compression library needed) ---

uint32_t Crc32(const uint8_t* d, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= d[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Poner32(std::vector<uint8_t>& v, uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<uint8_t>(x >> s));
}

void Trozo(std::vector<uint8_t>& png, const char* tipo, const std::vector<uint8_t>& datos) {
  Poner32(png, static_cast<uint32_t>(datos.size()));
  std::vector<uint8_t> t(tipo, tipo + 4);
  t.insert(t.end(), datos.begin(), datos.end());
  png.insert(png.end(), t.begin(), t.end());
  Poner32(png, Crc32(t.data(), t.size()));
}

bool Escribir_png(const char* ruta, int w, int h, const std::vector<Color>& px) {
  std::vector<uint8_t> crudo;
  for (int y = 0; y < h; ++y) {
    crudo.push_back(0);  // no filter
    for (int x = 0; x < w; ++x) {
      const Color c = px[static_cast<size_t>(y * w + x)];
      crudo.insert(crudo.end(), {c.r, c.g, c.b});
    }
  }
  std::vector<uint8_t> z{0x78, 0x01};
  for (size_t i = 0; i < crudo.size(); i += 65535) {
    const size_t n = std::min<size_t>(65535, crudo.size() - i);
    z.push_back(i + n == crudo.size() ? 1 : 0);
    z.insert(z.end(), {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                       static_cast<uint8_t>(~n), static_cast<uint8_t>(~n >> 8)});
    z.insert(z.end(), crudo.begin() + static_cast<long>(i),
             crudo.begin() + static_cast<long>(i + n));
  }
  uint32_t a = 1, b = 0;
  for (uint8_t c : crudo) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Poner32(z, (b << 16) | a);

  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  Poner32(ihdr, static_cast<uint32_t>(w));
  Poner32(ihdr, static_cast<uint32_t>(h));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  Trozo(png, "IHDR", ihdr);
  Trozo(png, "IDAT", z);
  Trozo(png, "IEND", {});
  FILE* f = std::fopen(ruta, "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && ok;
}

// The preview shows what the meter will show: pixels decoded back from the table.
Color Desde_565(uint16_t v) {
  const uint8_t r = static_cast<uint8_t>((v >> 11) & 0x1F),
                g = static_cast<uint8_t>((v >> 5) & 0x3F), b = static_cast<uint8_t>(v & 0x1F);
  return {static_cast<uint8_t>((r << 3) | (r >> 2)), static_cast<uint8_t>((g << 2) | (g >> 4)),
          static_cast<uint8_t>((b << 3) | (b >> 2))};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "use: generar_graficos <tablas.bin> [vista.png]\n");
    return 2;
  }
  const std::vector<std::vector<std::string>> textos = {
      {"Cargando", "firmware..."},
      {"Actualizando", "firmware..."},
      {"Cargando", "firmware", "MPEG..."},
      {"Actualizando", "firmware", "MPEG..."},
  };
  std::vector<uint8_t> tablas;
  for (size_t n = 0; n < textos.size(); ++n) {
    const Lienzo l = Dibujar(textos[n], n % 2 == 0 ? kMarco_carga : kMarco_actualiza);
    for (const Color& c : l.Pixeles()) {
      const uint16_t v = Rgb565(c);
      tablas.insert(tablas.end(), {static_cast<uint8_t>(v), 0, static_cast<uint8_t>(v >> 8), 0});
    }
  }
  FILE* f = std::fopen(argv[1], "wb");
  if (f == nullptr || std::fwrite(tablas.data(), 1, tablas.size(), f) != tablas.size() ||
      std::fclose(f) != 0) {
    std::fprintf(stderr, "generar_graficos: cannot write %s\n", argv[1]);
    return 1;
  }
  if (argc == 3) {
    // Four pictures in a 2 x 2 grid, each pixel drawn 3 x 3, 12 px apart.
    const int e = 3, hueco = 12;
    const int w = 2 * kAncho * e + 3 * hueco, h = 2 * kAlto * e + 3 * hueco;
    std::vector<Color> vista(static_cast<size_t>(w * h), Color{0x60, 0x60, 0x60});
    for (int n = 0; n < 4; ++n) {
      const int x0 = hueco + (n % 2) * (kAncho * e + hueco),
                y0 = hueco + (n / 2) * (kAlto * e + hueco);
      const uint8_t* t = tablas.data() + n * kAncho * kAlto * 4;
      for (int y = 0; y < kAlto; ++y)
        for (int x = 0; x < kAncho; ++x) {
          const uint8_t* p = t + (y * kAncho + x) * 4;  // two entries: low then high pixel byte
          const Color c = Desde_565(static_cast<uint16_t>(p[0] | (p[2] << 8)));
          for (int j = 0; j < e; ++j)
            for (int i = 0; i < e; ++i)
              vista[static_cast<size_t>((y0 + y * e + j) * w + x0 + x * e + i)] = c;
        }
    }
    if (!Escribir_png(argv[2], w, h, vista)) {
      std::fprintf(stderr, "generar_graficos: cannot write %s\n", argv[2]);
      return 1;
    }
  }
  return 0;
}
