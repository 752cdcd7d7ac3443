#pragma once
// The command line's own texts: each one's key in the language file and its
// English default. Values go in as {1}..{9}. Every text here is listed in
// kTextos_linea, and data/idiomas.ini has it in each of its six languages.
#include <array>
#include <string>
#include <string_view>

#include "app/linea/textos_linea.h"
#include "app/nucleo/pasos_actualizacion.h"

namespace r27 {

// clang-format off

// Reading the command line and the language.
inline constexpr Texto_linea kTl_pruebe_ayuda{"LINEA_PRUEBE_AYUDA", "Try {1} --help"};
inline constexpr Texto_linea kTl_necesita_valor{"LINEA_NECESITA_VALOR", "{1} needs a value"};
inline constexpr Texto_linea kTl_opcion_desconocida{"LINEA_OPCION_DESCONOCIDA", "unknown option \"{1}\""};
inline constexpr Texto_linea kTl_puerto_invalido{"LINEA_PUERTO_INVALIDO",
    "--puerto: \"{1}\" is neither COM1..COM255 nor a device path such as /dev/ttyACM0"};
inline constexpr Texto_linea kTl_traza_sin_nombre{"LINEA_TRAZA_SIN_NOMBRE", "--traza needs a file name"};
inline constexpr Texto_linea kTl_paso_desconocido{"LINEA_PASO_DESCONOCIDO", "--pasos: \"{1}\" is not a step ({2})"};
inline constexpr Texto_linea kTl_plan_invalido{"LINEA_PLAN_INVALIDO",
    "--plan: \"{1}\" is not a channel-plan set (0..{2})"};
inline constexpr Texto_linea kTl_pasos_sin_servicio{"LINEA_PASOS_SIN_SERVICIO", "--pasos needs --servicio"};
inline constexpr Texto_linea kTl_csv_sin_historial{"LINEA_CSV_SIN_HISTORIAL", "--csv needs --historial"};
inline constexpr Texto_linea kTl_csv_y_json{"LINEA_CSV_Y_JSON", "--csv and --json: choose one"};
inline constexpr Texto_linea kTl_largo_sin_historial{"LINEA_LARGO_SIN_HISTORIAL", "--largo needs --historial"};
inline constexpr Texto_linea kTl_todos_con_puerto{"LINEA_TODOS_CON_PUERTO",
    "--todos searches every port: leave out --puerto"};
// Several meters cannot share the terminal's questions.
inline constexpr Texto_linea kTl_todos_sin_si{"LINEA_TODOS_SIN_SI",
    "--todos asks no question: add --si (or --solo-comprobar)"};
inline constexpr Texto_linea kTl_puertos_sin_si{"LINEA_PUERTOS_SIN_SI",
    "several --puerto ask no question: add --si (or --solo-comprobar)"};
inline constexpr Texto_linea kTl_puerto_dos_veces{"LINEA_PUERTO_DOS_VECES", "{1} is given twice"};
inline constexpr Texto_linea kTl_idiomas_no_fichero{"LINEA_IDIOMAS_NO_FICHERO", "--idiomas: {1} is not a file"};
inline constexpr Texto_linea kTl_idioma_desconocido{"LINEA_IDIOMA_DESCONOCIDO",
    "--idioma: \"{1}\" is not a language of the language file ({2})"};
inline constexpr Texto_linea kTl_sin_fichero_idiomas{"LINEA_SIN_FICHERO_IDIOMAS",
    "no language file at {1}: the built-in texts are used"};
inline constexpr Texto_linea kTl_rutas_no_admitidas{"LINEA_RUTAS_NO_ADMITIDAS", "device paths are not supported here"};
inline constexpr Texto_linea kTl_ruta_con_blanco{"LINEA_RUTA_CON_BLANCO",
    "the port path \"{1}\" holds a blank, comma or semicolon"};
inline constexpr Texto_linea kTl_sin_com_libre{"LINEA_SIN_COM_LIBRE", "no COM number is free for {1}"};
inline constexpr Texto_linea kTl_directorio_no_toma{"LINEA_DIRECTORIO_NO_TOMA", "the port directory did not take {1}"};
inline constexpr Texto_linea kTl_ruta_windows{"LINEA_RUTA_WINDOWS", "\"{1}\": on Windows name the port as COMn"};
inline constexpr Texto_linea kTl_traza_no_abre{"LINEA_TRAZA_NO_ABRE", "cannot open the trace file {1}"};
inline constexpr Texto_linea kTl_no_existe_dispositivo{"LINEA_NO_EXISTE_DISPOSITIVO", "{1}: no such device"};

// --version: the second line ("r27-actualizar 3.01" is the first).
inline constexpr Texto_linea kTl_version_firmware{"LINEA_VERSION_FIRMWARE",
    "embedded meter firmware: {1}"};

// --help.
inline constexpr Texto_linea kTl_uso{"LINEA_USO", "Usage: {1} [OPTION]..."};
inline constexpr Texto_linea kTl_uso_historial{"LINEA_USO_HISTORIAL", "  or:  {1} --historial [--csv|--json|--largo]"};
inline constexpr Texto_linea kTl_ayuda_descripcion{"LINEA_AYUDA_DESCRIPCION",
    "Finds an R27 meter, prints what it holds and what an update would rewrite, asks for "
    "confirmation and updates it, as the window's wizard does."};
inline constexpr Texto_linea kTl_ayuda_opciones{"LINEA_AYUDA_OPCIONES", "Options:"};
inline constexpr Texto_linea kTl_meta_puerto{"LINEA_META_PUERTO", "COMn|PATH"};
inline constexpr Texto_linea kTl_meta_fichero{"LINEA_META_FICHERO", "FILE"};
inline constexpr Texto_linea kTl_meta_lista{"LINEA_META_LISTA", "LIST"};
inline constexpr Texto_linea kTl_meta_idioma{"LINEA_META_IDIOMA", "LANGUAGE"};
inline constexpr Texto_linea kTl_ayuda_puerto{"LINEA_AYUDA_PUERTO",
    "try only this port: a COM number, or a device path such as /dev/ttyACM0 (default: the "
    "automatic search); given more than once, those meters are updated at once"};
inline constexpr Texto_linea kTl_ayuda_todos{"LINEA_AYUDA_TODOS",
    "update every meter found on the search's ports, all at once (needs --si or "
    "--solo-comprobar)"};
inline constexpr Texto_linea kTl_ayuda_si{"LINEA_AYUDA_SI", "answer yes to both confirmations (time, erase)"};
inline constexpr Texto_linea kTl_ayuda_solo_comprobar{"LINEA_AYUDA_SOLO_COMPROBAR",
    "connect, identify, print what would be updated, write nothing"};
inline constexpr Texto_linea kTl_ayuda_json{"LINEA_AYUDA_JSON",
    "print one JSON summary on stdout at the end (the other output goes to stderr); with "
    "--historial, the history as JSON Lines"};
inline constexpr Texto_linea kTl_ayuda_traza{"LINEA_AYUDA_TRAZA", "append the wire trace to {1}"};
inline constexpr Texto_linea kTl_ayuda_idiomas{"LINEA_AYUDA_IDIOMAS",
    "the language file (default: idiomas.ini of the working folder or of the installation, "
    "else a built-in copy)"};
inline constexpr Texto_linea kTl_ayuda_idioma{"LINEA_AYUDA_IDIOMA",
    "the language of every text ({1}; default: the one the language file names, as for the "
    "window)"};
inline constexpr Texto_linea kTl_ayuda_servicio{"LINEA_AYUDA_SERVICIO",
    "service mode: the steps may be chosen with --pasos"};
inline constexpr Texto_linea kTl_ayuda_pasos{"LINEA_AYUDA_PASOS",
    "(with --servicio) exactly these steps, comma-separated: {1} (the plans run only without "
    "the firmware)"};
inline constexpr Texto_linea kTl_ayuda_plan{"LINEA_AYUDA_PLAN",
    "the channel-plan set 0..4 the plan step writes, as the menu \"{1}\" chooses it"};
inline constexpr Texto_linea kTl_ayuda_historial{"LINEA_AYUDA_HISTORIAL",
    "print the history of runs as a table and end; every run that reaches a meter is recorded "
    "there"};
inline constexpr Texto_linea kTl_ayuda_csv{"LINEA_AYUDA_CSV",
    "(with --historial) the history as CSV, for a spreadsheet"};
inline constexpr Texto_linea kTl_ayuda_largo{"LINEA_AYUDA_LARGO",
    "(with --historial) every column in full, however wide; without it the table fits 120 "
    "columns and a failed run's reason goes on the line below it"};
inline constexpr Texto_linea kTl_ayuda_version{"LINEA_AYUDA_VERSION",
    "print the program's version and the embedded firmware's version"};
inline constexpr Texto_linea kTl_ayuda_ayuda{"LINEA_AYUDA_AYUDA", "this text"};
inline constexpr Texto_linea kTl_ayuda_confirmaciones{"LINEA_AYUDA_CONFIRMACIONES",
    "Without --si the confirmations are read from a terminal ({1}); when stdin is not a "
    "terminal the update is cancelled and nothing is written."};
inline constexpr Texto_linea kTl_ayuda_codigos{"LINEA_AYUDA_CODIGOS", "Exit codes:"};
inline constexpr Texto_linea kTl_salida_0{"LINEA_SALIDA_0",
    "the update completed and was proven, the meter needs nothing, or --solo-comprobar found and "
    "identified a meter that may be updated"};
inline constexpr Texto_linea kTl_salida_1_29{"LINEA_SALIDA_1_29",
    "the update failed with this result code (the code the window shows on its failed screen; "
    "26: the check after writing failed; 27: the meter ended the keyboard exchange without "
    "success; 28: the keyboard step could not connect)"};
inline constexpr Texto_linea kTl_salida_30{"LINEA_SALIDA_30",
    "the update did not complete and has no result code: cancelled at a confirmation (also "
    "when stdin is not a terminal and --si was not given), or the FPGA buffer could not be had"};
inline constexpr Texto_linea kTl_salida_31{"LINEA_SALIDA_31", "no meter was found"};
inline constexpr Texto_linea kTl_salida_32{"LINEA_SALIDA_32",
    "refused: the meter belongs to another family or to the American region"};
inline constexpr Texto_linea kTl_salida_33{"LINEA_SALIDA_33", "refused: the meter's power level is too low"};
inline constexpr Texto_linea kTl_salida_34{"LINEA_SALIDA_34",
    "refused: the meter failed its internal bus status check"};
inline constexpr Texto_linea kTl_salida_35{"LINEA_SALIDA_35",
    "no meter was found and a port could not be opened for lack of permission"};
inline constexpr Texto_linea kTl_salida_36{"LINEA_SALIDA_36",
    "no meter was found and a port is held by another program"};
inline constexpr Texto_linea kTl_salida_37{"LINEA_SALIDA_37",
    "the meter refused the connection (it answered \"m\": go back to its main screen)"};
inline constexpr Texto_linea kTl_salida_40{"LINEA_SALIDA_40",
    "the command line could not be read (unknown option, bad port, trace file, language)"};

// A run.
inline constexpr Texto_linea kTl_puerto_de_ruta{"LINEA_PUERTO_DE_RUTA", "Port {1} is {2}"};
inline constexpr Texto_linea kTl_medidor_en{"LINEA_MEDIDOR_EN", "Meter on {1}:"};
inline constexpr Texto_linea kTl_pasos_previstos{"LINEA_PASOS_PREVISTOS", "Steps to run (estimated {1} min):"};
inline constexpr Texto_linea kTl_pasos_previstos_breve{"LINEA_PASOS_PREVISTOS_BREVE",
    "Steps to run (estimated less than 1 min):"};
// The time question's estimate when the steps take under a minute.
inline constexpr Texto_linea kTl_menos_de_un_minuto{"LINEA_MENOS_DE_UN_MINUTO", "less than 1 min."};
inline constexpr Texto_linea kTl_solo_comprobar{"LINEA_SOLO_COMPROBAR", "--solo-comprobar: nothing is written."};
inline constexpr Texto_linea kTl_sin_pasos{"LINEA_SIN_PASOS", "--pasos: no step to run."};
inline constexpr Texto_linea kTl_pasos_hechos{"LINEA_PASOS_HECHOS", "Steps:"};
inline constexpr Texto_linea kTl_estado_no_ejecutado{"LINEA_ESTADO_NO_EJECUTADO", "not run"};
inline constexpr Texto_linea kTl_estado_hecho{"LINEA_ESTADO_HECHO", "ok"};
inline constexpr Texto_linea kTl_estado_fallido{"LINEA_ESTADO_FALLIDO", "FAILED"};
inline constexpr Texto_linea kTl_estado_cancelado{"LINEA_ESTADO_CANCELADO", "cancelled"};
inline constexpr Texto_linea kTl_comprobacion_probada{"LINEA_COMPROBACION_PROBADA",
    "Check after writing: proven ({1} s)"};
inline constexpr Texto_linea kTl_comprobacion_no_probada{"LINEA_COMPROBACION_NO_PROBADA",
    "Check after writing: NOT proven ({1} s)"};
inline constexpr Texto_linea kTl_medidor_despues{"LINEA_MEDIDOR_DESPUES", "Meter after the update:"};
inline constexpr Texto_linea kTl_aun_pendiente{"LINEA_AUN_PENDIENTE", "still to do: {1}"};
inline constexpr Texto_linea kTl_resultado{"LINEA_RESULTADO", "Result: {1} (exit {2})"};
inline constexpr Texto_linea kTl_resultado_codigo{"LINEA_RESULTADO_CODIGO",
    "Result: {1}, result code {2} (exit {3})"};
inline constexpr Texto_linea kTl_motivo{"LINEA_MOTIVO", "Reason: {1}"};
// A failure: the request, what it awaited, what came.
inline constexpr Texto_linea kTl_fallo{"LINEA_FALLO", "{1}: expected {2}, got {3}"};
// A failure as a technician reads it: the step, what happened in words, then the
// request and its bytes for the service desk.
inline constexpr Texto_linea kTl_motivo_paso{"LINEA_MOTIVO_PASO", "{1}: {2} ({3})"};
inline constexpr Texto_linea kTl_motivo_palabras{"LINEA_MOTIVO_PALABRAS", "{1} ({2})"};
inline constexpr Texto_linea kTl_llegada_nada{"LINEA_LLEGADA_NADA", "the meter stopped answering"};
inline constexpr Texto_linea kTl_llegada_bytes{"LINEA_LLEGADA_BYTES", "the meter answered something else"};
inline constexpr Texto_linea kTl_llegada_cancelada{"LINEA_LLEGADA_CANCELADA", "the wait was cancelled"};
inline constexpr Texto_linea kTl_llegada_escritura{"LINEA_LLEGADA_ESCRITURA", "the port did not take the request"};
inline constexpr Texto_linea kTl_llegada_sin_conexion{"LINEA_LLEGADA_SIN_CONEXION", "no meter was connected"};
inline constexpr Texto_linea kTl_llegada_perdido{"LINEA_LLEGADA_PERDIDO", "the meter was unplugged"};

// A search that handed no meter over, in the command line's words (the window's
// screens speak of its button).
inline constexpr Texto_linea kTl_no_encontrado_remedio{"LINEA_NO_ENCONTRADO_REMEDIO",
    "Check the cable and that the meter is on, then run the command again."};
inline constexpr Texto_linea kTl_rechazo_m_remedio{"LINEA_RECHAZO_M_REMEDIO",
    "Go back to the meter's main screen, then run the command again."};
inline constexpr Texto_linea kTl_rechazo_region{"LINEA_RECHAZO_REGION",
    "This meter belongs to the American region: this program does not update it."};

// The outcome of a run, as the last line names it (the JSON has its own words).
inline constexpr Texto_linea kTl_desenlace_actualizado{"LINEA_DESENLACE_ACTUALIZADO", "updated"};
inline constexpr Texto_linea kTl_desenlace_fallido{"LINEA_DESENLACE_FALLIDO", "failed"};
inline constexpr Texto_linea kTl_desenlace_cancelado{"LINEA_DESENLACE_CANCELADO", "cancelled"};
// A run the technician refused at a question: said instead of the failed screen.
inline constexpr Texto_linea kTl_cancelada{
    "LINEA_CANCELADA", "The update was cancelled: nothing was written to the meter."};
// After a refused question the meter is let go (its line back to the normal rate)
// before the run ends: some seconds the technician is told about, and then their count.
inline constexpr Texto_linea kTl_soltando{"LINEA_SOLTANDO",
    "Letting the meter go (its line back to the normal rate), a few seconds..."};
inline constexpr Texto_linea kTl_soltado{"LINEA_SOLTADO", "The meter was let go in {1} s."};
inline constexpr Texto_linea kTl_desenlace_interrumpido{"LINEA_DESENLACE_INTERRUMPIDO", "interrupted"};
inline constexpr Texto_linea kTl_desenlace_comprobado{"LINEA_DESENLACE_COMPROBADO", "checked, nothing written"};
inline constexpr Texto_linea kTl_desenlace_nada{"LINEA_DESENLACE_NADA", "the meter needs nothing"};
inline constexpr Texto_linea kTl_desenlace_familia{"LINEA_DESENLACE_FAMILIA", "refused: another family"};
inline constexpr Texto_linea kTl_desenlace_region{"LINEA_DESENLACE_REGION", "refused: American region"};
inline constexpr Texto_linea kTl_desenlace_nivel{"LINEA_DESENLACE_NIVEL", "refused: power level too low"};
inline constexpr Texto_linea kTl_desenlace_estado{"LINEA_DESENLACE_ESTADO", "refused: bus status check failed"};
inline constexpr Texto_linea kTl_desenlace_conexion{"LINEA_DESENLACE_CONEXION", "refused: the meter answered \"m\""};
inline constexpr Texto_linea kTl_desenlace_sin_permiso{"LINEA_DESENLACE_SIN_PERMISO", "no meter found, a port without permission"};
inline constexpr Texto_linea kTl_desenlace_ocupado{"LINEA_DESENLACE_OCUPADO", "no meter found, a port held by another program"};
inline constexpr Texto_linea kTl_desenlace_no_encontrado{"LINEA_DESENLACE_NO_ENCONTRADO", "no meter found"};
inline constexpr Texto_linea kTl_desenlace_orden{"LINEA_DESENLACE_ORDEN", "bad command line"};

// The steps, as the lists name them.
inline constexpr Texto_linea kTl_paso_teclado{"LINEA_PASO_TECLADO", "keyboard"};
inline constexpr Texto_linea kTl_paso_borrado{"LINEA_PASO_BORRADO", "erase stored tables"};
inline constexpr Texto_linea kTl_paso_planes{"LINEA_PASO_PLANES", "channel plans"};
inline constexpr Texto_linea kTl_paso_zona{"LINEA_PASO_ZONA", "zone configuration"};
inline constexpr Texto_linea kTl_paso_fpga{"LINEA_PASO_FPGA", "FPGA set and screen graphics"};
inline constexpr Texto_linea kTl_paso_firmware{"LINEA_PASO_FIRMWARE", "main firmware"};
inline constexpr Texto_linea kTl_paso_mpeg4{"LINEA_PASO_MPEG4", "MPEG-4 application"};

// The meter's identity.
inline constexpr Texto_linea kTl_id_familia{"LINEA_ID_FAMILIA", "family:"};
inline constexpr Texto_linea kTl_id_region{"LINEA_ID_REGION", "region:"};
inline constexpr Texto_linea kTl_id_firmware{"LINEA_ID_FIRMWARE", "firmware:"};
inline constexpr Texto_linea kTl_id_fpga{"LINEA_ID_FPGA", "FPGA:"};
inline constexpr Texto_linea kTl_id_mpeg4{"LINEA_ID_MPEG4", "MPEG-4:"};
inline constexpr Texto_linea kTl_id_idioma{"LINEA_ID_IDIOMA", "language:"};
// The meter's language index 0..9 by name (6 and 9 hold English texts).
inline constexpr Texto_linea kTl_idioma_0{"LINEA_IDIOMA_0", "Spanish"};
inline constexpr Texto_linea kTl_idioma_1{"LINEA_IDIOMA_1", "English"};
inline constexpr Texto_linea kTl_idioma_2{"LINEA_IDIOMA_2", "German"};
inline constexpr Texto_linea kTl_idioma_3{"LINEA_IDIOMA_3", "Portuguese"};
inline constexpr Texto_linea kTl_idioma_4{"LINEA_IDIOMA_4", "French"};
inline constexpr Texto_linea kTl_idioma_5{"LINEA_IDIOMA_5", "Italian"};
inline constexpr Texto_linea kTl_idioma_6{"LINEA_IDIOMA_6", "English texts"};
inline constexpr Texto_linea kTl_idioma_7{"LINEA_IDIOMA_7", "Russian"};
inline constexpr Texto_linea kTl_idioma_8{"LINEA_IDIOMA_8", "Polish"};
inline constexpr Texto_linea kTl_idioma_9{"LINEA_IDIOMA_9", "English texts"};
inline constexpr Texto_linea kTl_id_modo_arranque{"LINEA_ID_MODO_ARRANQUE", "(answered in its boot stage)"};
inline constexpr Texto_linea kTl_id_sin_leer{"LINEA_ID_SIN_LEER", "not read"};
inline constexpr Texto_linea kTl_id_sin_region{"LINEA_ID_SIN_REGION", "the meter gives none"};
inline constexpr Texto_linea kTl_id_mpeg4_versiones{"LINEA_ID_MPEG4_VERSIONES",
    "application {1} build {2}, decoders {3}, boot {4}"};
inline constexpr Texto_linea kTl_id_sin_respuesta{"LINEA_ID_SIN_RESPUESTA", "no answer"};

// Several meters at once.
inline constexpr Texto_linea kTl_no_buscado{"LINEA_NO_BUSCADO", "{1}: {2}, not searched"};
inline constexpr Texto_linea kTl_tabla_puerto{"LINEA_TABLA_PUERTO", "Port"};
inline constexpr Texto_linea kTl_tabla_antes{"LINEA_TABLA_ANTES", "Before"};
inline constexpr Texto_linea kTl_tabla_despues{"LINEA_TABLA_DESPUES", "After"};
inline constexpr Texto_linea kTl_tabla_resultado{"LINEA_TABLA_RESULTADO", "Result"};
inline constexpr Texto_linea kTl_tabla_codigo{"LINEA_TABLA_CODIGO", "Code"};
inline constexpr Texto_linea kTl_tabla_tiempo{"LINEA_TABLA_TIEMPO", "Time"};
inline constexpr Texto_linea kTl_tabla_motivo{"LINEA_TABLA_MOTIVO", "Reason"};
// The history's table adds these columns.
inline constexpr Texto_linea kTl_tabla_hora{"LINEA_TABLA_HORA", "Date"};
inline constexpr Texto_linea kTl_tabla_pasos{"LINEA_TABLA_PASOS", "Steps"};
inline constexpr Texto_linea kTl_tabla_probada{"LINEA_TABLA_PROBADA", "Proven"};
inline constexpr Texto_linea kTl_si{"LINEA_SI", "yes"};
inline constexpr Texto_linea kTl_no{"LINEA_NO", "no"};

// The history of runs.
inline constexpr Texto_linea kTl_historial_no_escrito{"LINEA_HISTORIAL_NO_ESCRITO",
    "the run's result stands, but it could not be recorded in the history: {1}"};
inline constexpr Texto_linea kTl_historial_vacio{"LINEA_HISTORIAL_VACIO", "no run is recorded yet in {1}"};

// Progress, questions and messages.
inline constexpr Texto_linea kTl_fase_comprobacion{"LINEA_FASE_COMPROBACION",
    "check after writing (the meter restarts)"};
inline constexpr Texto_linea kTl_tiempo_restante{"LINEA_TIEMPO_RESTANTE", "time left {1}"};
inline constexpr Texto_linea kTl_mensaje{"LINEA_MENSAJE", "message: {1}"};
// The prompt, and the answers it takes (comma-separated, without regard to case).
inline constexpr Texto_linea kTl_pregunta{"LINEA_PREGUNTA", "[y/N]"};
inline constexpr Texto_linea kTl_respuestas_si{"LINEA_RESPUESTAS_SI", "y,yes"};
inline constexpr Texto_linea kTl_respuestas_no{"LINEA_RESPUESTAS_NO", "n,no"};
inline constexpr Texto_linea kTl_si_por_opcion{"LINEA_SI_POR_OPCION", "-> yes (--si)"};
inline constexpr Texto_linea kTl_no_sin_terminal{"LINEA_NO_SIN_TERMINAL",
    "-> no: stdin is not a terminal and --si was not given, so the update is cancelled and "
    "nothing is written"};
inline constexpr Texto_linea kTl_no_por_interrupcion{"LINEA_NO_POR_INTERRUPCION",
    "-> no: the program was asked to end (Ctrl-C, the terminal closed), so the update is "
    "cancelled and nothing is written"};

// clang-format on

// A step's name in the technician's language.
const Texto_linea& Texto_paso(Paso_actualizacion paso);
// A run's outcome, named by its JSON word ("updated", "refused-family"), in the
// technician's language; an unknown word as it stands.
std::string Texto_desenlace(std::string_view palabra, const Idioma_linea& idioma);

// Every text above, for the tests that check each language holds each one.
inline constexpr std::array kTextos_linea = {
    &kTl_pruebe_ayuda,
    &kTl_necesita_valor,
    &kTl_opcion_desconocida,
    &kTl_puerto_invalido,
    &kTl_traza_sin_nombre,
    &kTl_paso_desconocido,
    &kTl_plan_invalido,
    &kTl_pasos_sin_servicio,
    &kTl_csv_sin_historial,
    &kTl_csv_y_json,
    &kTl_largo_sin_historial,
    &kTl_todos_con_puerto,
    &kTl_todos_sin_si,
    &kTl_puertos_sin_si,
    &kTl_puerto_dos_veces,
    &kTl_idiomas_no_fichero,
    &kTl_idioma_desconocido,
    &kTl_sin_fichero_idiomas,
    &kTl_rutas_no_admitidas,
    &kTl_ruta_con_blanco,
    &kTl_sin_com_libre,
    &kTl_directorio_no_toma,
    &kTl_ruta_windows,
    &kTl_traza_no_abre,
    &kTl_no_existe_dispositivo,
    &kTl_version_firmware,
    &kTl_uso,
    &kTl_uso_historial,
    &kTl_ayuda_descripcion,
    &kTl_ayuda_opciones,
    &kTl_meta_puerto,
    &kTl_meta_fichero,
    &kTl_meta_lista,
    &kTl_meta_idioma,
    &kTl_ayuda_puerto,
    &kTl_ayuda_todos,
    &kTl_ayuda_si,
    &kTl_ayuda_solo_comprobar,
    &kTl_ayuda_json,
    &kTl_ayuda_traza,
    &kTl_ayuda_idiomas,
    &kTl_ayuda_idioma,
    &kTl_ayuda_servicio,
    &kTl_ayuda_pasos,
    &kTl_ayuda_plan,
    &kTl_ayuda_historial,
    &kTl_ayuda_csv,
    &kTl_ayuda_largo,
    &kTl_ayuda_version,
    &kTl_ayuda_ayuda,
    &kTl_ayuda_confirmaciones,
    &kTl_ayuda_codigos,
    &kTl_salida_0,
    &kTl_salida_1_29,
    &kTl_salida_30,
    &kTl_salida_31,
    &kTl_salida_32,
    &kTl_salida_33,
    &kTl_salida_34,
    &kTl_salida_35,
    &kTl_salida_36,
    &kTl_salida_37,
    &kTl_salida_40,
    &kTl_puerto_de_ruta,
    &kTl_medidor_en,
    &kTl_pasos_previstos,
    &kTl_pasos_previstos_breve,
    &kTl_menos_de_un_minuto,
    &kTl_solo_comprobar,
    &kTl_sin_pasos,
    &kTl_pasos_hechos,
    &kTl_estado_no_ejecutado,
    &kTl_estado_hecho,
    &kTl_estado_fallido,
    &kTl_estado_cancelado,
    &kTl_comprobacion_probada,
    &kTl_comprobacion_no_probada,
    &kTl_medidor_despues,
    &kTl_aun_pendiente,
    &kTl_resultado,
    &kTl_resultado_codigo,
    &kTl_motivo,
    &kTl_fallo,
    &kTl_motivo_paso,
    &kTl_motivo_palabras,
    &kTl_llegada_nada,
    &kTl_llegada_bytes,
    &kTl_llegada_cancelada,
    &kTl_llegada_escritura,
    &kTl_llegada_sin_conexion,
    &kTl_llegada_perdido,
    &kTl_no_encontrado_remedio,
    &kTl_rechazo_m_remedio,
    &kTl_rechazo_region,
    &kTl_desenlace_actualizado,
    &kTl_desenlace_fallido,
    &kTl_desenlace_cancelado,
    &kTl_cancelada,
    &kTl_soltando,
    &kTl_soltado,
    &kTl_desenlace_interrumpido,
    &kTl_desenlace_comprobado,
    &kTl_desenlace_nada,
    &kTl_desenlace_familia,
    &kTl_desenlace_region,
    &kTl_desenlace_nivel,
    &kTl_desenlace_estado,
    &kTl_desenlace_conexion,
    &kTl_desenlace_sin_permiso,
    &kTl_desenlace_ocupado,
    &kTl_desenlace_no_encontrado,
    &kTl_desenlace_orden,
    &kTl_paso_teclado,
    &kTl_paso_borrado,
    &kTl_paso_planes,
    &kTl_paso_zona,
    &kTl_paso_fpga,
    &kTl_paso_firmware,
    &kTl_paso_mpeg4,
    &kTl_id_familia,
    &kTl_id_region,
    &kTl_id_firmware,
    &kTl_id_fpga,
    &kTl_id_mpeg4,
    &kTl_id_idioma,
    &kTl_idioma_0,
    &kTl_idioma_1,
    &kTl_idioma_2,
    &kTl_idioma_3,
    &kTl_idioma_4,
    &kTl_idioma_5,
    &kTl_idioma_6,
    &kTl_idioma_7,
    &kTl_idioma_8,
    &kTl_idioma_9,
    &kTl_id_modo_arranque,
    &kTl_id_sin_leer,
    &kTl_id_sin_region,
    &kTl_id_mpeg4_versiones,
    &kTl_id_sin_respuesta,
    &kTl_no_buscado,
    &kTl_tabla_puerto,
    &kTl_tabla_antes,
    &kTl_tabla_despues,
    &kTl_tabla_resultado,
    &kTl_tabla_codigo,
    &kTl_tabla_tiempo,
    &kTl_tabla_motivo,
    &kTl_tabla_hora,
    &kTl_tabla_pasos,
    &kTl_tabla_probada,
    &kTl_si,
    &kTl_no,
    &kTl_historial_no_escrito,
    &kTl_historial_vacio,
    &kTl_fase_comprobacion,
    &kTl_tiempo_restante,
    &kTl_mensaje,
    &kTl_pregunta,
    &kTl_respuestas_si,
    &kTl_respuestas_no,
    &kTl_si_por_opcion,
    &kTl_no_sin_terminal,
    &kTl_no_por_interrupcion,
};

}  // namespace r27
