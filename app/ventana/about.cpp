// The About box.
#include "app/ventana/about.h"

#include <QLabel>
#include <QLayout>
#include <QVBoxLayout>

#include "app/ventana/imagenes.h"

namespace r27 {

TFormAbout::TFormAbout(QWidget* parent) : QDialog(parent) {
  setObjectName("FormAbout");
  setWindowTitle("About");
  setModal(true);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);

  ImageAbout = new QLabel(this);
  ImageAbout->setObjectName("ImageAbout");
  ImageAbout->setFixedSize(kAncho_imagen, kAlto_imagen);
  ImageAbout->setPixmap(Dibujar_imagen(Imagen_ventana::about, this));

  // Sized to its content: the picture fills the client area.
  auto* capa = new QVBoxLayout(this);
  capa->setContentsMargins(0, 0, 0, 0);
  capa->addWidget(ImageAbout);
  capa->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace r27
