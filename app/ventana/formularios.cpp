// Creation and release of the application's forms.
#include "app/ventana/formularios.h"

#include <QLabel>

#include "components/texto_control.h"

namespace r27 {

void Reflejar(Texto_control& texto, QLabel* etiqueta) {
  etiqueta->setText(QString::fromStdString(texto.Texto()));
  texto.Al_cambiar(
      [&texto, etiqueta] { etiqueta->setText(QString::fromStdString(texto.Texto())); });
}

Tventana_brisco* ventana_brisco = nullptr;
TForm_act_correcta* Form_act_correcta = nullptr;
TFormAbout* FormAbout = nullptr;

Formularios::Formularios(const Fabrica_ventana& crear_ventana) {
  ventana_ = crear_ventana ? crear_ventana() : std::make_unique<Tventana_brisco>();
  ventana_brisco = ventana_.get();
  // Both boxes are centred on the main window when shown; they are released here,
  // before the window, so the window never deletes them itself.
  act_correcta_ = std::make_unique<TForm_act_correcta>(ventana_.get());
  Form_act_correcta = act_correcta_.get();
  about_ = std::make_unique<TFormAbout>(ventana_.get());
  FormAbout = about_.get();
}

Formularios::~Formularios() {
  FormAbout = nullptr;
  about_.reset();
  Form_act_correcta = nullptr;
  act_correcta_.reset();
  ventana_brisco = nullptr;
  ventana_.reset();
}

}  // namespace r27
