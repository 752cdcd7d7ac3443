// r27-actualizar: the updater on the command line. It finds the meter as the
// window's wizard does, prints what the meter holds and what would be rewritten,
// asks on the terminal (or takes --si) and runs the same update sequence; the
// outcome is the exit code (see --help). Every text is in the language the
// window would show (or the one --idioma names).
#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

#include "app/linea/anotacion_en_curso.h"
#include "app/linea/bandeja_linea.h"
#include "app/linea/codigos_salida.h"
#include "app/linea/consola.h"
#include "app/linea/ejecutar_linea.h"
#include "app/linea/historial_linea.h"
#include "app/linea/mensajes_linea.h"
#include "app/linea/opciones_linea.h"
#include "app/linea/ruta_puerto.h"
#include "app/linea/textos_linea.h"
#include "app/linea/ventana_linea.h"
#include "link/directorio_puertos.h"
#include "link/reloj.h"

#ifndef R27_VERSION_PROGRAMA
#define R27_VERSION_PROGRAMA "0"
#endif

int main(int argc, char** argv) {
  const std::string_view programa = "r27-actualizar";
  r27::Preparar_consola();
  std::vector<std::string_view> argumentos(argv + 1, argv + argc);

  // The language comes first: every message after it, the command line's own
  // errors included, is told in it.
  const r27::Eleccion_idioma eleccion = r27::Buscar_eleccion_idioma(argumentos);
  r27::Carga_idioma carga = r27::Cargar_idioma_linea(eleccion.idiomas, eleccion.idioma);
  const r27::Idioma_linea& t = carga.idioma;
  const r27::Lectura_opciones lectura = r27::Leer_opciones(argumentos, t);
  const std::string fallo_orden = lectura.error.empty() ? carga.error : lectura.error;
  if (!fallo_orden.empty()) {
    std::cerr << programa << ": " << fallo_orden << "\n"
              << t(r27::kTl_pruebe_ayuda, {programa}) << "\n";
    return r27::kSalida_orden_erronea;
  }
  const r27::Opciones_linea& opciones = lectura.opciones;
  r27::Reloj_sistema reloj;
  // The embedded firmware's version, as the window's start-up reads it; no port
  // is opened.
  auto version_incorporada = [&] {
    r27::Ventana_linea v(r27::Crear_backend_sistema(), reloj,
                         r27::Terminal_linea{std::cin, std::cerr, false, false, nullptr, nullptr},
                         t, false);
    return std::string(v.Estado().version_fichero.data());
  };
  if (opciones.ayuda) {
    std::cout << r27::Texto_ayuda(programa, t, version_incorporada());
    return r27::kSalida_correcta;
  }
  if (opciones.version) {
    std::cout << r27::Texto_version_linea(programa, R27_VERSION_PROGRAMA, version_incorporada(), t);
    return r27::kSalida_correcta;
  }
  // Every run that reaches a meter is recorded in the user's history.
  r27::Historial historial(r27::Historial::Del_usuario());
  if (opciones.historial)
    return r27::Mostrar_historial(historial,
                                  opciones.csv     ? r27::Forma_historial::csv
                                  : opciones.json  ? r27::Forma_historial::json_lines
                                  : opciones.largo ? r27::Forma_historial::tabla_larga
                                                   : r27::Forma_historial::tabla,
                                  std::cout, std::cerr, t);
  if (!carga.aviso.empty()) std::cerr << programa << ": " << carga.aviso << "\n";

  const r27::Directorio_puertos& directorio = r27::Directorio_sistema();
  auto numero_de_ruta = [&directorio, &t](const std::string& ruta, std::string& error) {
    return r27::Numero_de_ruta(ruta, directorio, t, error);
  };
  // From here on Ctrl-C, SIGTERM, a closed terminal or pipe (and on Windows a
  // closing console) are taken by the run where the meter is safe: refused while
  // it is written, as the window refuses to close; a question waiting for an
  // answer takes one as no; elsewhere the run ends as interrupted, with its record.
  r27::Vigilar_interrupcion(r27::Anotar_interrumpidas);
  auto tomar_interrupcion = [] { return r27::Tomar_interrupcion(); };

  if (r27::Varios_medidores(opciones)) {
    r27::Entorno_bandeja bandeja;
    bandeja.directorio = &directorio;
    bandeja.medios = [&reloj](int, const r27::Directorio_puertos& fijo) {
      return r27::Medios_medidor{r27::Crear_backend_sistema(fijo), &reloj};
    };
    bandeja.ruta_estable = [](const std::string& ruta) { return r27::Ruta_estable(ruta); };
    bandeja.numero_de_ruta = numero_de_ruta;
    bandeja.salida = &std::cout;
    bandeja.errores = &std::cerr;
    bandeja.salida_terminal = r27::Es_terminal(1);
    bandeja.errores_terminal = r27::Es_terminal(2);
    bandeja.textos = t;
    bandeja.columnas = r27::Columnas_terminal(opciones.json ? 2 : 1);
    bandeja.tomar_interrupcion = tomar_interrupcion;
    bandeja.historial = &historial;
    const int salida = r27::Ejecutar_bandeja(opciones, bandeja);
    r27::Fin_de_ejecucion();
    return salida;
  }

  r27::Entorno_linea entorno;
  entorno.backend = r27::Crear_backend_sistema();
  entorno.textos = t;
  entorno.reloj = &reloj;
  entorno.directorio = &directorio;
  entorno.entrada = &std::cin;
  entorno.salida = &std::cout;
  entorno.errores = &std::cerr;
  entorno.entrada_terminal = r27::Es_terminal(0);
  entorno.salida_terminal = r27::Es_terminal(1);
  entorno.errores_terminal = r27::Es_terminal(2);
  entorno.numero_de_ruta = numero_de_ruta;
  entorno.tomar_interrupcion = tomar_interrupcion;
  if (entorno.entrada_terminal) entorno.esperar_entrada = [] { return r27::Esperar_entrada(); };
  entorno.historial = &historial;

  const int salida = r27::Ejecutar_linea(opciones, entorno);
  r27::Fin_de_ejecucion();
  return salida;
}
