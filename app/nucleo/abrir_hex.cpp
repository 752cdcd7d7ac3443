// The start-up parse of the embedded firmware image.
#include "abrir_hex.h"

namespace r27 {

void Abrir_hex(Interfaz_ventana& ventana, Lector_lineas& lineas, std::unique_ptr<Lector_hex>& hex) {
  (void)ventana;
  (void)lineas;
  hex.reset();
}

}  // namespace r27
