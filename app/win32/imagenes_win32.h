#pragma once
// The window pictures, read from the program's resources by GDI+ and scaled
// once to the screen's size, ready to be drawn with their alpha.
#include <memory>

#include "app/win32/sistema.h"

namespace r27 {

// Starts GDI+ for the life of the object.
class Gdiplus_activo {
 public:
  Gdiplus_activo();
  ~Gdiplus_activo();
  Gdiplus_activo(const Gdiplus_activo&) = delete;
  Gdiplus_activo& operator=(const Gdiplus_activo&) = delete;
  bool Activo() const { return ficha_ != 0; }

 private:
  ULONG_PTR ficha_ = 0;
};

// One picture at its screen size: a 32-bit premultiplied DIB section.
class Imagen_win32 {
 public:
  Imagen_win32() = default;
  ~Imagen_win32();
  Imagen_win32(Imagen_win32&& otra) noexcept;
  Imagen_win32& operator=(Imagen_win32&& otra) noexcept;
  Imagen_win32(const Imagen_win32&) = delete;
  Imagen_win32& operator=(const Imagen_win32&) = delete;

  // Picture `recurso` (a design size of ancho x alto pixels) scaled by dpi / 96;
  // the resource at twice the design size is used above 1.5 times. An empty
  // picture when the resource is missing or cannot be read.
  static Imagen_win32 Cargar(int recurso, int ancho, int alto, int dpi);

  bool Vacia() const { return mapa_ == nullptr; }
  int Ancho() const { return ancho_; }
  int Alto() const { return alto_; }
  HBITMAP Mapa() const { return mapa_; }
  // Draws it with its alpha at (x, y) of `dc`.
  void Dibujar(HDC dc, int x, int y) const;

 private:
  HBITMAP mapa_ = nullptr;
  int ancho_ = 0;
  int alto_ = 0;
};

}  // namespace r27
