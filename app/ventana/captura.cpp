// Saving a picture of a window.
#include "app/ventana/captura.h"

#include <QPainter>
#include <QPixmap>
#include <QWidget>

namespace r27 {

bool Guardar_captura(QWidget& ventana, const QString& fichero) {
  const QPixmap imagen = ventana.grab();
  return !imagen.isNull() && imagen.save(fichero, "PNG");
}

bool Guardar_captura_pantalla(QWidget& ventana, QWidget& dialogo, const QString& fichero) {
  QPixmap imagen = ventana.grab();
  const QPixmap encima = dialogo.grab();
  if (imagen.isNull() || encima.isNull()) return false;
  {
    QPainter pintor(&imagen);
    const QPoint esquina((imagen.width() - encima.width()) / 2,
                         (imagen.height() - encima.height()) / 2);
    pintor.fillRect(QRect(esquina + QPoint(3, 3), encima.size()), QColor(0, 0, 0, 60));
    pintor.drawPixmap(esquina, encima);
  }
  return imagen.save(fichero, "PNG");
}

}  // namespace r27
