// The correct-update box.
#include "app/ventana/form_actualizacion_ok.h"

#include <QGroupBox>
#include <QLabel>

#include "app/ventana/imagenes.h"

namespace r27 {

namespace {

QLabel* Texto(QWidget* padre, const char* nombre, const QString& texto, int x, int y) {
  auto* l = new QLabel(texto, padre);
  l->setObjectName(nombre);
  l->move(x, y);
  l->adjustSize();
  return l;
}

}  // namespace

TForm_act_correcta::TForm_act_correcta(QWidget* parent) : QDialog(parent) {
  setObjectName("Form_act_correcta");
  // A dialog border without border icons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(kAncho_cliente, kAlto_cliente);
  QPalette paleta = palette();
  paleta.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));  // silver
  setPalette(paleta);
  setAutoFillBackground(true);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setObjectName("GroupBox1");
  GroupBox1->setGeometry(16, 8, 161, 73);

  Image1 = new QLabel(GroupBox1);
  Image1->setObjectName("Image1");
  Image1->setGeometry(0, 8, 65, 65);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Image1->setPixmap(Dibujar_imagen(Imagen_ventana::correcta, this));

  Label2 = Texto(GroupBox1, "Label2", QString::fromUtf8("Actualización"), 80, 24);
  Label1 = Texto(GroupBox1, "Label1", "correcta !", 88, 40);
}

}  // namespace r27
