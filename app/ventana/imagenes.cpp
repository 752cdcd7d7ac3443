// Drawing the SVG pictures of the window.
#include "app/ventana/imagenes.h"

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <QWidget>

// Resources of a static library are registered by name, outside any namespace.
static void Registrar_recursos_ventana() { Q_INIT_RESOURCE(ventana); }

namespace r27 {

namespace {

struct Fuente_imagen {
  const char* recurso;
  int ancho;
  int alto;
};

Fuente_imagen Fuente_de(Imagen_ventana imagen) {
  switch (imagen) {
    case Imagen_ventana::fondo:
      return {":/ventana/fondo.svg", 600, 400};
    case Imagen_ventana::boton_asistente:
      return {":/ventana/boton_asistente.svg", 128, 128};
    case Imagen_ventana::salir:
      return {":/ventana/salir.svg", 32, 32};
    case Imagen_ventana::about:
      return {":/ventana/about.svg", 373, 390};
    case Imagen_ventana::correcta:
      return {":/ventana/correcta.svg", 64, 64};
    case Imagen_ventana::cancelar:
      return {":/ventana/cancelar.svg", 64, 64};
  }
  return {"", 0, 0};
}

QPixmap Dibujar(const QString& recurso, int ancho, int alto, const QWidget* para) {
  static const bool registrados = (Registrar_recursos_ventana(), true);
  (void)registrados;
  const qreal escala = para ? para->devicePixelRatioF() : 1.0;
  QImage lienzo(qRound(ancho * escala), qRound(alto * escala), QImage::Format_ARGB32_Premultiplied);
  lienzo.fill(Qt::transparent);
  QSvgRenderer svg(recurso);
  if (svg.isValid()) {
    QPainter p(&lienzo);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
    svg.render(&p, QRectF(0, 0, lienzo.width(), lienzo.height()));
  }
  QPixmap imagen = QPixmap::fromImage(lienzo);
  imagen.setDevicePixelRatio(escala);
  return imagen;
}

}  // namespace

QPixmap Dibujar_imagen(Imagen_ventana imagen, const QWidget* para) {
  const Fuente_imagen f = Fuente_de(imagen);
  return Dibujar(f.recurso, f.ancho, f.alto, para);
}

QPixmap Dibujar_imagen_accion(int indice, const QWidget* para) {
  if (indice < 0 || indice > 7) return {};
  return Dibujar(QString(":/ventana/accion%1.svg").arg(indice), 128, 128, para);
}

QColor Color_fondo_cliente() { return QColor(0xDD, 0xE3, 0xEA); }
QColor Color_texto() { return QColor(0x17, 0x2A, 0x3F); }
QColor Color_acento() { return QColor(0xE8, 0x86, 0x12); }

}  // namespace r27
