// Window pictures: each window's surface copied through its window DC into a
// 32-bit DIB, composed when a box stands over the window, written as BMP.
#include "app/win32/captura_win32.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace r27 {

namespace {

struct Lienzo {
  int ancho = 0;
  int alto = 0;
  std::vector<uint32_t> pixeles;  // top-down, 0x00RRGGBB
};

// The window's pixels, frame and menu included.
bool Copiar(HWND hwnd, Lienzo& lienzo) {
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return false;
  lienzo.ancho = r.right - r.left;
  lienzo.alto = r.bottom - r.top;
  if (lienzo.ancho <= 0 || lienzo.alto <= 0) return false;
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME | RDW_ALLCHILDREN);
  HDC ventana = GetWindowDC(hwnd);
  HDC memoria = CreateCompatibleDC(ventana);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = lienzo.ancho;
  info.bmiHeader.biHeight = -lienzo.alto;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP mapa = CreateDIBSection(ventana, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool bien = mapa && bits;
  if (bien) {
    HGDIOBJ antes = SelectObject(memoria, mapa);
    bien = BitBlt(memoria, 0, 0, lienzo.ancho, lienzo.alto, ventana, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    lienzo.pixeles.assign(p, p + static_cast<size_t>(lienzo.ancho) * lienzo.alto);
    SelectObject(memoria, antes);
  }
  if (mapa) DeleteObject(mapa);
  DeleteDC(memoria);
  ReleaseDC(hwnd, ventana);
  return bien;
}

void Escribir16(std::ofstream& f, uint16_t v) { f.write(reinterpret_cast<const char*>(&v), 2); }
void Escribir32(std::ofstream& f, uint32_t v) { f.write(reinterpret_cast<const char*>(&v), 4); }

bool Guardar(const Lienzo& l, const std::filesystem::path& fichero) {
  const uint32_t fila = (static_cast<uint32_t>(l.ancho) * 3 + 3) & ~3u;
  const uint32_t datos = fila * static_cast<uint32_t>(l.alto);
  std::ofstream f(fichero, std::ios::binary);
  if (!f) return false;
  // BITMAPFILEHEADER, BITMAPINFOHEADER, then the rows bottom-up in BGR.
  Escribir16(f, 0x4D42);
  Escribir32(f, 54 + datos);
  Escribir32(f, 0);
  Escribir32(f, 54);
  Escribir32(f, 40);
  Escribir32(f, static_cast<uint32_t>(l.ancho));
  Escribir32(f, static_cast<uint32_t>(l.alto));
  Escribir16(f, 1);
  Escribir16(f, 24);
  Escribir32(f, 0);
  Escribir32(f, datos);
  Escribir32(f, 2835);  // 72 DPI
  Escribir32(f, 2835);
  Escribir32(f, 0);
  Escribir32(f, 0);
  std::vector<char> linea(fila, 0);
  for (int y = l.alto - 1; y >= 0; --y) {
    for (int x = 0; x < l.ancho; ++x) {
      const uint32_t p = l.pixeles[static_cast<size_t>(y) * l.ancho + x];
      linea[static_cast<size_t>(x) * 3] = static_cast<char>(p & 0xFF);
      linea[static_cast<size_t>(x) * 3 + 1] = static_cast<char>((p >> 8) & 0xFF);
      linea[static_cast<size_t>(x) * 3 + 2] = static_cast<char>((p >> 16) & 0xFF);
    }
    f.write(linea.data(), static_cast<std::streamsize>(linea.size()));
  }
  return static_cast<bool>(f);
}

}  // namespace

bool Guardar_ventana_bmp(HWND hwnd, const std::filesystem::path& fichero) {
  Lienzo l;
  return Copiar(hwnd, l) && Guardar(l, fichero);
}

bool Guardar_ventana_con_bmp(HWND hwnd, HWND encima, const std::filesystem::path& fichero) {
  Lienzo fondo, caja;
  if (!Copiar(hwnd, fondo) || !Copiar(encima, caja)) return false;
  const int x0 = (fondo.ancho - caja.ancho) / 2;
  const int y0 = (fondo.alto - caja.alto) / 2;
  auto pixel = [&](int x, int y) -> uint32_t& {
    return fondo.pixeles[static_cast<size_t>(y) * fondo.ancho + x];
  };
  // A shadow three pixels down and right, a quarter darker.
  for (int y = 0; y < caja.alto; ++y)
    for (int x = 0; x < caja.ancho; ++x) {
      const int fx = x0 + x + 3, fy = y0 + y + 3;
      if (fx < 0 || fy < 0 || fx >= fondo.ancho || fy >= fondo.alto) continue;
      uint32_t& p = pixel(fx, fy);
      const uint32_t r = ((p >> 16) & 0xFF) * 3 / 4, g = ((p >> 8) & 0xFF) * 3 / 4,
                     b = (p & 0xFF) * 3 / 4;
      p = (r << 16) | (g << 8) | b;
    }
  for (int y = 0; y < caja.alto; ++y)
    for (int x = 0; x < caja.ancho; ++x) {
      const int fx = x0 + x, fy = y0 + y;
      if (fx < 0 || fy < 0 || fx >= fondo.ancho || fy >= fondo.alto) continue;
      pixel(fx, fy) = caja.pixeles[static_cast<size_t>(y) * caja.ancho + x];
    }
  return Guardar(fondo, fichero);
}

}  // namespace r27
