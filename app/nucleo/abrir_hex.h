#pragma once
// The start-up parse of the embedded firmware image: fills version_fichero and
// segmentos_presentes, keeps the record reader (with its record count) after a
// clean parse, and beeps and shows a message for a damaged image.
#include <memory>

#include "link/interfaz_ventana.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"

namespace r27 {

void Abrir_hex(Interfaz_ventana& ventana, Lector_lineas& lineas, std::unique_ptr<Lector_hex>& hex);

}  // namespace r27
