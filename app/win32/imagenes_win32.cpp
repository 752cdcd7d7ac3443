// The pictures through GDI+: PNG resources decoded with their alpha and drawn
// once, with bicubic filtering, at the size the screen's scale asks for.
#include "app/win32/imagenes_win32.h"

// GDI+ uses min and max unqualified.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "app/win32/recursos.h"

namespace r27 {

namespace {

// The resource's bytes as a stream GDI+ reads from.
IStream* Flujo_recurso(int recurso) {
  HMODULE modulo = GetModuleHandleW(nullptr);
  HRSRC r = FindResourceW(modulo, MAKEINTRESOURCEW(recurso), MAKEINTRESOURCEW(10));  // RCDATA
  if (!r) return nullptr;
  HGLOBAL g = LoadResource(modulo, r);
  const DWORD n = SizeofResource(modulo, r);
  const void* datos = g ? LockResource(g) : nullptr;
  if (!datos || n == 0) return nullptr;
  return SHCreateMemStream(static_cast<const BYTE*>(datos), n);
}

}  // namespace

Gdiplus_activo::Gdiplus_activo() {
  Gdiplus::GdiplusStartupInput entrada;
  if (Gdiplus::GdiplusStartup(&ficha_, &entrada, nullptr) != Gdiplus::Ok) ficha_ = 0;
}

Gdiplus_activo::~Gdiplus_activo() {
  if (ficha_) Gdiplus::GdiplusShutdown(ficha_);
}

Imagen_win32::~Imagen_win32() {
  if (mapa_) DeleteObject(mapa_);
}

Imagen_win32::Imagen_win32(Imagen_win32&& otra) noexcept
    : mapa_(otra.mapa_), ancho_(otra.ancho_), alto_(otra.alto_) {
  otra.mapa_ = nullptr;
}

Imagen_win32& Imagen_win32::operator=(Imagen_win32&& otra) noexcept {
  if (this != &otra) {
    if (mapa_) DeleteObject(mapa_);
    mapa_ = otra.mapa_;
    ancho_ = otra.ancho_;
    alto_ = otra.alto_;
    otra.mapa_ = nullptr;
  }
  return *this;
}

Imagen_win32 Imagen_win32::Cargar(int recurso, int ancho, int alto, int dpi) {
  Imagen_win32 imagen;
  const int ancho_pantalla = MulDiv(ancho, dpi, 96);
  const int alto_pantalla = MulDiv(alto, dpi, 96);
  const int id = dpi * 2 > 96 * 3 ? recurso + R27_DOBLE_ESCALA : recurso;
  IStream* flujo = Flujo_recurso(id);
  if (!flujo) return imagen;
  {
    Gdiplus::Bitmap fuente(flujo);
    if (fuente.GetLastStatus() == Gdiplus::Ok) {
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = ancho_pantalla;
      info.bmiHeader.biHeight = -alto_pantalla;  // top-down
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      void* bits = nullptr;
      HBITMAP mapa = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
      if (mapa && bits) {
        // GDI+ draws into the DIB's own memory as premultiplied ARGB, the layout
        // AlphaBlend takes.
        Gdiplus::Bitmap destino(ancho_pantalla, alto_pantalla, ancho_pantalla * 4,
                                PixelFormat32bppPARGB, static_cast<BYTE*>(bits));
        Gdiplus::Graphics g(&destino);
        g.Clear(Gdiplus::Color(0, 0, 0, 0));
        g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
        g.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
        g.DrawImage(&fuente, Gdiplus::Rect(0, 0, ancho_pantalla, alto_pantalla), 0, 0,
                    static_cast<INT>(fuente.GetWidth()), static_cast<INT>(fuente.GetHeight()),
                    Gdiplus::UnitPixel);
        g.Flush(Gdiplus::FlushIntentionSync);
        imagen.mapa_ = mapa;
        imagen.ancho_ = ancho_pantalla;
        imagen.alto_ = alto_pantalla;
      } else if (mapa) {
        DeleteObject(mapa);
      }
    }
  }
  flujo->Release();
  return imagen;
}

void Imagen_win32::Dibujar(HDC dc, int x, int y) const {
  if (!mapa_) return;
  HDC origen = CreateCompatibleDC(dc);
  HGDIOBJ antes = SelectObject(origen, mapa_);
  BLENDFUNCTION mezcla{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, x, y, ancho_, alto_, origen, 0, 0, ancho_, alto_, mezcla);
  SelectObject(origen, antes);
  DeleteDC(origen);
}

}  // namespace r27
