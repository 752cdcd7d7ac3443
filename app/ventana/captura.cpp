// Saving a picture of a window.
#include "captura.h"

#include <QPixmap>
#include <QWidget>

namespace r27 {

bool Guardar_captura(QWidget& ventana, const QString& fichero) {
  const QPixmap imagen = ventana.grab();
  return !imagen.isNull() && imagen.save(fichero, "PNG");
}

}  // namespace r27
