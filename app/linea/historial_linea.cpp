// Printing the history.
#include "app/linea/historial_linea.h"

#include "app/linea/codigos_salida.h"
#include "app/linea/mensajes_linea.h"
#include "app/nucleo/json_historial.h"
#include "app/nucleo/tabla_historial.h"

namespace r27 {

namespace {

Palabras_tabla Palabras(const Idioma_linea& t) {
  Palabras_tabla p;
  p.cabecera = {t(kTl_tabla_hora),    t(kTl_tabla_puerto),  t(kTl_tabla_antes),
                t(kTl_tabla_despues), t(kTl_tabla_pasos),   t(kTl_tabla_resultado),
                t(kTl_tabla_codigo),  t(kTl_tabla_probada), t(kTl_tabla_motivo)};
  p.si = t(kTl_si);
  p.no = t(kTl_no);
  p.fallido = t(kTl_estado_fallido);
  p.resultado = [&t](const std::string& palabra) { return Texto_desenlace(palabra, t); };
  p.paso = [&t](const std::string& clave) {
    const std::optional<Paso_actualizacion> paso = Paso_de_clave(clave);
    return paso ? t(Texto_paso(*paso)) : clave;
  };
  p.motivo = [&t](const std::string& motivo) { return t.Motivo_de_texto(motivo); };
  return p;
}

}  // namespace

int Mostrar_historial(const Historial& historial, Forma_historial forma, std::ostream& salida,
                      std::ostream& errores, const Idioma_linea& t) {
  const Lectura_historial l = historial.Leer();
  if (!l.error.empty()) {
    errores << "r27-actualizar: " << l.error << '\n';
    return kSalida_orden_erronea;
  }
  for (const std::string& aviso : Avisos_lectura(l, historial.Fichero(), t.Asistente().historial))
    errores << "r27-actualizar: " << aviso << '\n';
  if (forma == Forma_historial::csv) {
    salida << Csv_historial(l.registros);
  } else if (forma == Forma_historial::json_lines) {
    for (const Registro_historial& r : l.registros) salida << Linea_de_registro(r) << '\n';
  } else if (l.registros.empty()) {
    errores << "r27-actualizar: " << t(kTl_historial_vacio, {historial.Fichero().string()}) << '\n';
  } else {
    salida << Tabla_historial(l.registros, Palabras(t), forma == Forma_historial::tabla_larga);
  }
  salida.flush();
  return kSalida_correcta;
}

}  // namespace r27
