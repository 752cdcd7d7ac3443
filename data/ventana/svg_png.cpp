// Renders the window pictures for the Windows window at build time, with the
// SVG renderer the Qt window draws them with:
//
//   r27_svg_png <file.svg> <width> <height> <file.png>   one picture
//   r27_svg_png --ico <file.svg> <file.ico>              the program icon
//
// The icon holds PNG images of 16, 24, 32, 48, 64 and 256 pixels (an icon
// file may carry PNG images since Windows Vista).
#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

QImage Dibujar(QSvgRenderer& svg, int ancho, int alto) {
  QImage lienzo(ancho, alto, QImage::Format_ARGB32);
  lienzo.fill(Qt::transparent);
  QPainter p(&lienzo);
  p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                   QPainter::SmoothPixmapTransform);
  svg.render(&p, QRectF(0, 0, ancho, alto));
  return lienzo;
}

void Escribir16(QByteArray& b, unsigned v) {
  b.append(static_cast<char>(v & 0xFF));
  b.append(static_cast<char>((v >> 8) & 0xFF));
}

void Escribir32(QByteArray& b, unsigned v) {
  Escribir16(b, v & 0xFFFF);
  Escribir16(b, v >> 16);
}

bool Icono(QSvgRenderer& svg, const char* salida) {
  const int lados[] = {16, 24, 32, 48, 64, 256};
  std::vector<QByteArray> imagenes;
  for (int lado : lados) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!Dibujar(svg, lado, lado).save(&buffer, "PNG")) return false;
    imagenes.push_back(png);
  }
  // ICONDIR, then one ICONDIRENTRY per image, then the images.
  QByteArray ico;
  Escribir16(ico, 0);
  Escribir16(ico, 1);
  Escribir16(ico, static_cast<unsigned>(imagenes.size()));
  unsigned desplazamiento = 6 + 16 * static_cast<unsigned>(imagenes.size());
  for (size_t i = 0; i < imagenes.size(); ++i) {
    const int lado = lados[i];
    ico.append(static_cast<char>(lado == 256 ? 0 : lado));  // 0 stands for 256
    ico.append(static_cast<char>(lado == 256 ? 0 : lado));
    ico.append('\0');  // no palette
    ico.append('\0');
    Escribir16(ico, 1);   // planes
    Escribir16(ico, 32);  // bits per pixel
    Escribir32(ico, static_cast<unsigned>(imagenes[i].size()));
    Escribir32(ico, desplazamiento);
    desplazamiento += static_cast<unsigned>(imagenes[i].size());
  }
  for (const QByteArray& png : imagenes) ico.append(png);
  QFile f(salida);
  return f.open(QIODevice::WriteOnly) && f.write(ico) == ico.size();
}

}  // namespace

int main(int argc, char** argv) {
  // No display is needed; the fonts of the pictures' texts come from fontconfig.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication aplicacion(argc, argv);
  const bool icono = argc == 4 && std::strcmp(argv[1], "--ico") == 0;
  if (!icono && argc != 5) {
    std::fprintf(stderr,
                 "usage: %s <file.svg> <width> <height> <file.png> | --ico <file.svg> <file.ico>\n",
                 argv[0]);
    return 2;
  }
  QSvgRenderer svg(QString::fromLocal8Bit(argv[icono ? 2 : 1]));
  if (!svg.isValid()) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[icono ? 2 : 1]);
    return 1;
  }
  if (icono) return Icono(svg, argv[3]) ? 0 : 1;
  const int ancho = std::atoi(argv[2]);
  const int alto = std::atoi(argv[3]);
  if (ancho <= 0 || alto <= 0 || ancho > 8192 || alto > 8192) {
    std::fprintf(stderr, "%s: bad size %s x %s\n", argv[0], argv[2], argv[3]);
    return 2;
  }
  return Dibujar(svg, ancho, alto).save(QString::fromLocal8Bit(argv[4]), "PNG") ? 0 : 1;
}
