#pragma once
// A picture of a window as it is drawn, saved as PNG: how the start screen is
// checked where there is no display.
#include <QString>

class QWidget;

namespace r27 {

// Grabs `ventana` with its menu bar and saves it to `fichero`; false when the
// picture is empty or cannot be written.
bool Guardar_captura(QWidget& ventana, const QString& fichero);
// The window with a dialog drawn over its centre, as a technician sees a
// question (offscreen, the two are separate surfaces).
bool Guardar_captura_pantalla(QWidget& ventana, QWidget& dialogo, const QString& fichero);

}  // namespace r27
