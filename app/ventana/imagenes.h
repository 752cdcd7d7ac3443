#pragma once
// The window pictures: SVG sources carried as Qt resources and drawn at the size
// the form design gives them, sharp on high-density screens too.
#include <QColor>
#include <QPixmap>

class QWidget;

namespace r27 {

enum class Imagen_ventana {
  fondo,            // background, 600 x 400
  boton_asistente,  // the big round "next" button, 128 x 128
  salir,            // exit button, 32 x 32
  about,            // About box, 373 x 390
  correcta,         // completion box and the OK button of the differential dialog, 64 x 64
  cancelar,         // cancel button of the differential dialog, 64 x 64
};

// Draws a picture at its design size for the screen of `para` (may be null).
QPixmap Dibujar_imagen(Imagen_ventana imagen, const QWidget* para);
// Draws wizard picture `indice` (0-7), 128 x 128; an index out of range gives an
// empty picture.
QPixmap Dibujar_imagen_accion(int indice, const QWidget* para);

// Colours the pictures are drawn in, for the controls that sit on them.
QColor Color_fondo_cliente();
QColor Color_texto();
QColor Color_acento();

}  // namespace r27
