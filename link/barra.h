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
  void Fijar_posicion(int posicion) {
    const int p = Acotar(posicion);
    if (solo_avanza_ && p < posicion_) return;
    posicion_ = p;
    Avisar();
  }
  // While set, a lower position than the one shown is ignored: the overall bar of
  // an update never runs backwards, whatever a step asks of it.
  void Solo_avanzar(bool activo) { solo_avanza_ = activo; }
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
  bool solo_avanza_ = false;
  std::function<void()> observador_;
};

}  // namespace r27
