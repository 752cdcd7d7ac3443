// The history dialog's rows and colours.
#include "app/nucleo/vista_historial.h"

#include "app/nucleo/tabla_historial.h"

namespace r27 {

Vista_historial Vista_de(const Lectura_historial& lectura, const std::string& fichero,
                         const Textos_historial& t) {
  Vista_historial v;
  v.titulo = t.titulo;
  v.cerrar = t.cerrar;
  v.cabeceras = t.cabeceras;
  const size_t n = lectura.registros.size();
  if (fichero.empty())
    v.linea_fichero = t.sin_fichero;
  else if (n == 0)
    v.linea_fichero = fichero + "  " + t.sin_ejecuciones;
  else
    v.linea_fichero = fichero + "  (" + std::to_string(n) + ")";

  // Newest first: the file holds them in the order they ended.
  const Palabras_tabla palabras = Palabras_de(t);
  v.filas.reserve(n);
  for (auto it = lectura.registros.rbegin(); it != lectura.registros.rend(); ++it) {
    const Registro_historial& r = *it;
    const std::string probada = r.comprobacion ? (r.comprobacion->probada ? t.si : t.no) : "";
    v.filas.push_back(
        {{Texto_hora(r), r.puerto, Texto_identidad_breve(r.antes), Texto_identidad_breve(r.despues),
          Texto_pasos_registrados(r, palabras), t.Desenlace(r.resultado),
          std::to_string(r.codigo_resultado), probada, r.motivo},
         r.Clase()});
  }

  if (!lectura.error.empty()) v.avisos.push_back(lectura.error);
  for (std::string& a : Avisos_lectura(lectura, fichero, t)) v.avisos.push_back(std::move(a));
  return v;
}

std::optional<Colores_fila> Colores_de(Clase_registro clase) {
  switch (clase) {
    case Clase_registro::fallida:
      return Colores_fila{{255, 190, 190}, {150, 0, 0}};
    case Clase_registro::incompleta:
      return Colores_fila{{255, 232, 170}, {130, 80, 0}};
    case Clase_registro::correcta:
      break;
  }
  return std::nullopt;
}

}  // namespace r27
