// Printing the history.
#include "app/linea/historial_linea.h"

#include "app/linea/codigos_salida.h"
#include "app/linea/textos_linea.h"
#include "app/nucleo/tabla_historial.h"

namespace r27 {

int Mostrar_historial(const Historial& historial, bool csv, std::ostream& salida,
                      std::ostream& errores) {
  const Lectura_historial l = historial.Leer();
  if (!l.error.empty()) {
    errores << "r27-actualizar: " << l.error << '\n';
    return kSalida_orden_erronea;
  }
  for (const std::string& aviso : l.avisos) errores << "r27-actualizar: " << aviso << '\n';
  if (csv) {
    salida << Csv_historial(l.registros);
  } else if (l.registros.empty()) {
    errores << "r27-actualizar: " << kHistorial_vacio << historial.Fichero().string() << '\n';
  } else {
    salida << Tabla_historial(l.registros);
  }
  salida.flush();
  return kSalida_correcta;
}

}  // namespace r27
