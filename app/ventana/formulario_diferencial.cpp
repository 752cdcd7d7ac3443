#include "app/ventana/formulario_diferencial.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ventana/imagenes.h"
#include "flash/dialogo_diferencial.h"
#include "flash/tcdiferencial.h"

namespace r27 {

namespace {

QString Q(std::string_view texto) {
  return QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()));
}

QLabel* Etiqueta(QWidget* padre, const char* nombre, std::string_view texto) {
  auto* l = new QLabel(Q(texto), padre);
  if (nombre) l->setObjectName(nombre);
  return l;
}

QToolButton* Boton_imagen(QWidget* padre, const char* nombre, Imagen_ventana imagen) {
  auto* b = new QToolButton(padre);
  b->setObjectName(nombre);
  b->setAutoRaise(true);  // a flat picture button
  b->setFixedSize(Dialogo_diferencial::kLado_boton, Dialogo_diferencial::kLado_boton);
  b->setIcon(Dibujar_imagen(imagen, padre));
  b->setIconSize(QSize(Dialogo_diferencial::kLado_imagen, Dialogo_diferencial::kLado_imagen));
  return b;
}

}  // namespace

Formulario_diferencial::Formulario_diferencial(TCDiferencial& diferencial,
                                               QWidget* ventana_principal)
    : QDialog(ventana_principal), diferencial_(diferencial) {
  setObjectName("CDiferencial");
  setWindowTitle(Q(Dialogo_diferencial::kTitulo));
  // Dialog border, always on top of the main window.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowStaysOnTopHint);

  Label_texto_fecha = Etiqueta(this, "Label_texto_fecha", Dialogo_diferencial::kTexto_fecha);
  Label_dia = Etiqueta(this, "Label_dia", Dialogo_diferencial::kCampo_vacio);
  Label_mes = Etiqueta(this, "Label_mes", Dialogo_diferencial::kCampo_vacio);
  Label_ano = Etiqueta(this, "Label_ano", Dialogo_diferencial::kCampo_vacio);
  Label_hora = Etiqueta(this, "Label_hora", Dialogo_diferencial::kCampo_vacio);
  Label_minuto = Etiqueta(this, "Label_minuto", Dialogo_diferencial::kCampo_vacio);
  Label_pregunta = Etiqueta(this, "Label_pregunta", Dialogo_diferencial::kPregunta);
  Button_diferencial_ok = Boton_imagen(this, "Button_diferencial_ok", Imagen_ventana::correcta);
  Button_diferencial_cancel =
      Boton_imagen(this, "Button_diferencial_cancel", Imagen_ventana::cancelar);

  auto* fecha = new QHBoxLayout;
  fecha->addStretch();
  for (QWidget* w :
       {static_cast<QWidget*>(Label_dia),
        static_cast<QWidget*>(Etiqueta(this, nullptr, Dialogo_diferencial::kSeparador_fecha)),
        static_cast<QWidget*>(Label_mes),
        static_cast<QWidget*>(Etiqueta(this, nullptr, Dialogo_diferencial::kSeparador_fecha)),
        static_cast<QWidget*>(Label_ano)})
    fecha->addWidget(w);
  fecha->addSpacing(16);
  fecha->addWidget(Label_hora);
  fecha->addWidget(Etiqueta(this, nullptr, Dialogo_diferencial::kSeparador_hora));
  fecha->addWidget(Label_minuto);
  fecha->addStretch();

  auto* botones = new QHBoxLayout;
  botones->addStretch();
  botones->addWidget(Button_diferencial_ok);
  botones->addSpacing(24);
  botones->addWidget(Button_diferencial_cancel);
  botones->addStretch();

  auto* columna = new QVBoxLayout(this);
  columna->addWidget(Label_texto_fecha, 0, Qt::AlignHCenter);
  columna->addLayout(fecha);
  columna->addSpacing(8);
  columna->addWidget(Label_pregunta, 0, Qt::AlignHCenter);
  columna->addLayout(botones);
  columna->setSizeConstraint(QLayout::SetFixedSize);

  connect(Button_diferencial_ok, &QToolButton::clicked, this, [this] {
    diferencial_.Button_diferencial_okClick();
    accept();
  });
  connect(Button_diferencial_cancel, &QToolButton::clicked, this, [this] {
    diferencial_.Button_diferencial_cancelClick();
    reject();
  });
}

void Formulario_diferencial::showEvent(QShowEvent* evento) {
  QDialog::showEvent(evento);
  // Centred on the main window.
  if (QWidget* ventana = parentWidget()) move(ventana->frameGeometry().center() - rect().center());
}

}  // namespace r27
