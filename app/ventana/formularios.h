#pragma once
// The application's forms, created at start-up in this order: the main window,
// the correct-update box and the About box. Each is reachable through its global
// while it lives.
#include <functional>
#include <memory>

#include "app/ventana/about.h"
#include "app/ventana/form_actualizacion_ok.h"
#include "app/ventana/ventana_brisco.h"

class QLabel;

namespace r27 {

class Texto_control;

// The object's text shown in a label, now and on every change.
void Reflejar(Texto_control& texto, QLabel* etiqueta);

extern Tventana_brisco* ventana_brisco;
extern TForm_act_correcta* Form_act_correcta;
extern TFormAbout* FormAbout;

// Owns the three forms; releasing it clears the globals and destroys the forms in
// the reverse order of their creation.
class Formularios {
 public:
  using Fabrica_ventana = std::function<std::unique_ptr<Tventana_brisco>()>;

  // `crear_ventana` builds the main window (the default one when empty).
  explicit Formularios(const Fabrica_ventana& crear_ventana = {});
  ~Formularios();
  Formularios(const Formularios&) = delete;
  Formularios& operator=(const Formularios&) = delete;

  Tventana_brisco& Ventana() { return *ventana_; }

 private:
  std::unique_ptr<Tventana_brisco> ventana_;
  std::unique_ptr<TForm_act_correcta> act_correcta_;
  std::unique_ptr<TFormAbout> about_;
};

}  // namespace r27
