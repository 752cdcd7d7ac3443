#pragma once
// The texts of the factory dialog ("Parametros por defecto"): its captions, the
// status line (whole operations), the action line (single requests) and its
// message boxes.
#include <string_view>

namespace r27 {

struct Dialogo_param_defecto {
  static constexpr std::string_view kTitulo = "Parametros por defecto";
  static constexpr int kAncho = 515;
  static constexpr int kAlto = 462;

  // Captions.
  static constexpr std::string_view kModelo = "Modelo ";
  static constexpr std::string_view kModelos[] = {"Lumo", "Lumo HD", "Forte", "Zonal"};
  static constexpr std::string_view kIdioma = " Idioma ";
  static constexpr std::string_view kIdiomas[] = {"Español",   "Inglés",   "Francés",
                                                  "Portugués", "Italiano", "Alemán"};
  static constexpr std::string_view kGrabar_eeprom = " Grabar Eeprom ";
  static constexpr std::string_view kConf_fabrica = "Configuración de fábrica";
  static constexpr std::string_view kConf_actual = "Configuración por defecto";
  static constexpr std::string_view kPerfiles = "Perfiles";
  static constexpr std::string_view kBorrar_eeprom = "Borrar Eeprom ";
  static constexpr std::string_view kIncidencias = "Incidencias";
  static constexpr std::string_view kBorrar_flash = " Borrar Flash ";
  static constexpr std::string_view kTablas = "Tablas memorias y macromedidas";
  static constexpr std::string_view kMemorias = "Memorias";
  static constexpr std::string_view kMacromedidas = "Macromedidas";
  static constexpr std::string_view kLogs = "Logs";
  static constexpr std::string_view kGrabar_flash = " Grabar Flash ";
  static constexpr std::string_view kPlanes = "Planes de Canales";
  static constexpr std::string_view kOpciones = "Opciones";

  // Status line.
  static constexpr std::string_view kConectando_de_nuevo = "Conectando de nuevo ...";
  // Action line.
  static constexpr std::string_view kBorrando_sector = "Borrando sector ...";
  static constexpr std::string_view kError_borrar_sector = "Error al borrar sector";
  static constexpr std::string_view kSector = "Sector ";
  static constexpr std::string_view kBorrado = " borrado";
  static constexpr std::string_view kEnviando_boots = "Enviando boots ...";
  static constexpr std::string_view kBorrando_memoria = "Borrando memoria ...";
  static constexpr std::string_view kBorrando_el_sector = "Borrando el sector ...";
  static constexpr std::string_view kConfiguracion_grabada = "Configuracion grabada";
  static constexpr std::string_view kOpciones_grabadas = "Opciones grabadas con exito";
  static constexpr std::string_view kError_opciones = "Error al enviar las opciones";

  // Message boxes.
  static constexpr std::string_view kError_borrar_memoria = "Error al borrar la memoria";
  static constexpr std::string_view kError_parametros = "ERROR al grabar parametros por defecto";
  static constexpr std::string_view kParametros_cargados = "Parametros cargados";
  // The meter's own block could not be read, so the options are not written over it.
  static constexpr std::string_view kError_leer_opciones = "Error al leer el bloque de opciones";
  // OK pressed while no meter is connected: nothing is sent.
  static constexpr std::string_view kSin_medidor = "No hay ningun medidor conectado";
};

// The texts of one erase group on the status line.
struct Textos_grupo_borrado {
  std::string_view inicio;
  std::string_view error;
  std::string_view exito;
};

inline constexpr Textos_grupo_borrado kTextos_tablas{"Borrando tablas ...",
                                                     "Error al borrar tablas", "Tablas borradas"};
inline constexpr Textos_grupo_borrado kTextos_memorias{
    "Borrando memorias ...", "Error al borrar memorias", "Memorias borradas"};
inline constexpr Textos_grupo_borrado kTextos_macromedidas{
    "Borrando macromedidas ...", "Error al borrar macromedidas", "Macromedidas borradas"};
inline constexpr Textos_grupo_borrado kTextos_logs{"Borrando logs ...", "Error al borrar logs",
                                                   "Logs borrados"};

}  // namespace r27
