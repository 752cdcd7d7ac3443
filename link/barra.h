#pragma once
// A progress bar's numbers. The window mirrors them on screen through the observer;
// the programming code and the tests only see the numbers. Positions are kept
// inside the range, as a real progress bar does.
#include <functional>

namespace r27 {

class Barra {
 public:
  void Fijar_rango(int minimo, int maximo) {
    minimo_ = minimo;
    maximo_ = maximo < minimo ? minimo : maximo;
    posicion_ = Acotar(posicion_);
    Avisar();
  }
  void Fijar_minimo(int minimo) { Fijar_rango(minimo, maximo_ < minimo ? minimo : maximo_); }
  void Fijar_maximo(int maximo) { Fijar_rango(minimo_ > maximo ? maximo : minimo_, maximo); }
  void Fijar_posicion(int posicion) {
    posicion_ = Acotar(posicion);
    Avisar();
  }
  int Minimo() const { return minimo_; }
  int Maximo() const { return maximo_; }
  int Posicion() const { return posicion_; }
  void Al_cambiar(std::function<void()> observador) { observador_ = std::move(observador); }

 private:
  int Acotar(int p) const { return p < minimo_ ? minimo_ : (p > maximo_ ? maximo_ : p); }
  void Avisar() {
    if (observador_) observador_();
  }
  int minimo_ = 0;
  int maximo_ = 100;
  int posicion_ = 0;
  std::function<void()> observador_;
};

}  // namespace r27
