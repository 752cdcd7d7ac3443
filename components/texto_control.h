#pragma once
// The text a label or an edit box of a dialog shows. The Qt form mirrors it on
// screen through the observer; the dialog's code and the tests only see the text.
// The observer runs only when the text changes, so a wait loop may set the same
// text on every poll.
#include <functional>
#include <string>
#include <utility>

namespace r27 {

class Texto_control {
 public:
  void Fijar(std::string texto) {
    if (texto == texto_) return;
    texto_ = std::move(texto);
    if (observador_) observador_();
  }
  const std::string& Texto() const { return texto_; }
  void Al_cambiar(std::function<void()> observador) { observador_ = std::move(observador); }

 private:
  std::string texto_;
  std::function<void()> observador_;
};

}  // namespace r27
