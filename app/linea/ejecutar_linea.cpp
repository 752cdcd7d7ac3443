// One run of the command-line updater.
#include "app/linea/ejecutar_linea.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <utility>

#include "app/linea/anotacion_en_curso.h"
#include "app/linea/codigos_salida.h"
#include "app/linea/identidad_linea.h"
#include "app/linea/mensajes_linea.h"
#include "app/linea/progreso_linea.h"
#include "app/linea/textos_linea.h"
#include "app/linea/ventana_linea.h"
#include "app/nucleo/actualizacion.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/eleccion_planes.h"
#include "app/nucleo/pantallas.h"
#include "app/nucleo/pasos_actualizacion.h"
#include "app/nucleo/registro_historial.h"
#include "link/traza_linea.h"

namespace r27 {

namespace {

double Segundos_entre(uint64_t desde_us, uint64_t hasta_us) {
  return hasta_us > desde_us ? static_cast<double>(hasta_us - desde_us) / 1e6 : 0.0;
}

// A step's state as the text shows it and as the JSON names it.
struct Palabras_estado {
  const Texto_linea& texto;
  const char* json;
};

Palabras_estado Palabras(Estado_paso estado) {
  switch (estado) {
    case Estado_paso::no_ejecutado:
      return {kTl_estado_no_ejecutado, "not-run"};
    case Estado_paso::hecho:
      return {kTl_estado_hecho, "done"};
    case Estado_paso::fallido:
      return {kTl_estado_fallido, "failed"};
    case Estado_paso::cancelado:
      break;
  }
  return {kTl_estado_cancelado, "cancelled"};
}

// The width of the step column: the longest step name of the language.
size_t Ancho_pasos(const Idioma_linea& t) {
  size_t ancho = 0;
  for (Paso_actualizacion p :
       {Paso_actualizacion::teclado, Paso_actualizacion::borrado, Paso_actualizacion::planes,
        Paso_actualizacion::zona, Paso_actualizacion::fpga, Paso_actualizacion::firmware,
        Paso_actualizacion::mpeg4})
    ancho = std::max(ancho, Ancho_texto(t(Texto_paso(p))));
  return ancho + 1;
}

std::string Texto_pasos(const std::vector<Paso_previsto>& pasos, const Idioma_linea& t) {
  int total = 0;
  for (const Paso_previsto& p : pasos) total += p.presupuesto;
  // Under a minute is "less than 1 min", never "0 min".
  std::string texto = total < 60 ? t(kTl_pasos_previstos_breve)
                                 : t(kTl_pasos_previstos, {std::to_string(total / 60)});
  int k = 0;
  for (const Paso_previsto& p : pasos)
    texto += "\n  " + std::to_string(++k) + ". " + Columna(t(Texto_paso(p.paso)), Ancho_pasos(t)) +
             " " + std::to_string(p.presupuesto) + " s";
  return texto;
}

// What came instead of the answer, in words.
const Texto_linea& Palabras_llegada(Llegada llegada) {
  switch (llegada) {
    case Llegada::nada:
      return kTl_llegada_nada;
    case Llegada::bytes:
      return kTl_llegada_bytes;
    case Llegada::cancelada:
      return kTl_llegada_cancelada;
    case Llegada::escritura_fallida:
      return kTl_llegada_escritura;
    case Llegada::sin_conexion:
      return kTl_llegada_sin_conexion;
    case Llegada::dispositivo_perdido:
      break;
  }
  return kTl_llegada_perdido;
}

// "the meter stopped answering (Grabar_flash: expected 0x80, got nothing)": what
// happened in words, then the request and its bytes for the service desk.
std::string Motivo_en_palabras(const Fallo& f, const Idioma_linea& t) {
  return t(kTl_motivo_palabras, {t(Palabras_llegada(f.llegada)), t.Motivo(f)});
}

// The reason line: the step the failure stopped, when one did, before the words.
std::string Motivo_del_run(const Desenlace_actualizacion& d, const Idioma_linea& t) {
  const Fallo& f = *d.motivo;
  std::optional<Paso_actualizacion> paso;
  for (const Desenlace_paso& p : d.pasos)
    if (p.estado == Estado_paso::fallido && p.fallo == f) paso = p.paso;
  if (!paso) paso = Paso_de_codigo(d.codigo);
  if (!paso) return Motivo_en_palabras(f, t);
  return t(kTl_motivo_paso, {t(Texto_paso(*paso)), t(Palabras_llegada(f.llegada)), t.Motivo(f)});
}

// How a search that handed no meter over ended, in the command line's words: a
// port that could not be opened was told with its remedy alone; a meter of the
// American region is told its refusal, not "nothing to update".
std::vector<std::string> Texto_busqueda(Desenlace_busqueda d, const std::optional<Pantalla>& p,
                                        const Idioma_linea& t) {
  const Textos_idioma& w = t.Asistente();
  switch (d) {
    case Desenlace_busqueda::sin_permiso:
    case Desenlace_busqueda::ocupado:
      return {};
    case Desenlace_busqueda::no_encontrado:
    case Desenlace_busqueda::sin_busqueda:
      return {w[Texto::P6_E1_L1], t(kTl_no_encontrado_remedio)};
    case Desenlace_busqueda::respuesta_m:
      return {w[Texto::P6_E5_L1], t(kTl_rechazo_m_remedio)};
    case Desenlace_busqueda::rechazo_region:
      return {t(kTl_rechazo_region)};
    default:
      break;
  }
  std::vector<std::string> lineas;
  if (p)
    for (const std::string& l : p->lineas)
      if (!l.empty()) lineas.push_back(l);
  return lineas;
}

std::string Texto_pasos_hechos(const std::vector<Desenlace_paso>& pasos, const Idioma_linea& t) {
  std::string texto = t(kTl_pasos_hechos);
  for (const Desenlace_paso& p : pasos) {
    texto += "\n  " + Columna(t(Texto_paso(p.paso)), Ancho_pasos(t)) + " ";
    const std::string estado = t(Palabras(p.estado).texto);
    if (p.estado == Estado_paso::no_ejecutado || p.estado == Estado_paso::cancelado) {
      texto += estado;
      continue;
    }
    char duracion[32];
    std::snprintf(duracion, sizeof duracion, "%.1f s", p.duracion_s);
    texto += Columna(estado, 10) + duracion;
    if (p.fallo) texto += "\n    " + Motivo_en_palabras(*p.fallo, t);
  }
  return texto;
}

std::vector<Paso_resumen> Pasos_resumen(const std::vector<Desenlace_paso>& pasos) {
  std::vector<Paso_resumen> r;
  for (const Desenlace_paso& p : pasos) {
    Paso_resumen s;
    s.nombre = Nombre_paso(p.paso);
    s.ejecutado = p.estado == Estado_paso::hecho || p.estado == Estado_paso::fallido;
    s.correcto = p.estado == Estado_paso::hecho;
    s.estado = Palabras(p.estado).json;
    s.duracion_s = p.duracion_s;
    if (p.fallo) s.motivo = p.fallo->Texto();
    r.push_back(std::move(s));
  }
  return r;
}

std::string Texto_aun_pendiente(const std::vector<Paso_actualizacion>& pasos,
                                const Idioma_linea& t) {
  std::string lista;
  for (size_t i = 0; i < pasos.size(); ++i) lista += (i ? ", " : "") + t(Texto_paso(pasos[i]));
  return t(kTl_aun_pendiente, {lista});
}

// Where a search that handed no meter over ended.
struct Desenlace_salida {
  int salida;
  const char* palabra;
};

Desenlace_salida Salida_de_busqueda(Desenlace_busqueda d) {
  switch (d) {
    case Desenlace_busqueda::nada_que_hacer:
      return {kSalida_correcta, "nothing-needed"};
    case Desenlace_busqueda::rechazo_familia:
      return {kSalida_rechazo_familia, "refused-family"};
    case Desenlace_busqueda::rechazo_region:
      return {kSalida_rechazo_familia, "refused-region"};
    case Desenlace_busqueda::rechazo_nivel:
      return {kSalida_rechazo_nivel, "refused-level"};
    case Desenlace_busqueda::rechazo_estado:
      return {kSalida_rechazo_estado, "refused-status"};
    case Desenlace_busqueda::respuesta_m:
      return {kSalida_rechazo_conexion, "refused-connection"};
    case Desenlace_busqueda::sin_permiso:
      return {kSalida_sin_permiso, "no-permission"};
    case Desenlace_busqueda::ocupado:
      return {kSalida_puerto_ocupado, "port-busy"};
    case Desenlace_busqueda::sin_busqueda:
    case Desenlace_busqueda::no_encontrado:
    case Desenlace_busqueda::listo:
      break;
  }
  return {kSalida_no_encontrado, "not-found"};
}

}  // namespace

int Ejecutar_linea(const Opciones_linea& opciones, Entorno_linea& entorno, Resumen_linea* salida) {
  Reloj& reloj = *entorno.reloj;
  const uint64_t inicio_us = reloj.Micros();
  // With --json, stdout carries the summary alone.
  std::ostream& humano = opciones.json ? *entorno.errores : *entorno.salida;
  const bool humano_terminal = opciones.json ? entorno.errores_terminal : entorno.salida_terminal;
  Resumen_linea resumen;

  auto terminar = [&](int codigo) {
    resumen.codigo_salida = codigo;
    resumen.duracion_s = Segundos_entre(inicio_us, reloj.Micros());
    if (opciones.json) {
      *entorno.salida << Json_resumen(resumen) << '\n';
      entorno.salida->flush();
    }
    if (salida) *salida = resumen;
    return codigo;
  };
  const Idioma_linea& t = entorno.textos;
  auto error_orden = [&](const std::string& texto) {
    *entorno.errores << "r27-actualizar: " << texto << '\n';
    resumen.resultado = "bad-command-line";
    return terminar(kSalida_orden_erronea);
  };

  // The port the technician named, as a COM number.
  int puerto_pedido = 0;
  if (!opciones.puertos.empty()) {
    const Puerto_pedido& pedido = opciones.puertos.front();
    puerto_pedido = pedido.numero;
    if (!pedido.ruta.empty()) {
      resumen.ruta = pedido.ruta;
      if (!entorno.numero_de_ruta) return error_orden(t(kTl_rutas_no_admitidas));
      std::string error;
      const std::optional<int> n = entorno.numero_de_ruta(pedido.ruta, error);
      if (!n) return error_orden(error);
      puerto_pedido = *n;
    }
  }

  Ventana_linea v(
      std::move(entorno.backend), reloj,
      Terminal_linea{*entorno.entrada, humano, entorno.entrada_terminal, humano_terminal,
                     entorno.esperar_entrada, entorno.tomar_interrupcion},
      t, opciones.si);
  if (!opciones.traza.empty()) {
    std::unique_ptr<Traza_linea> traza = Traza_linea::Abrir(opciones.traza);
    if (!traza) return error_orden(t(kTl_traza_no_abre, {opciones.traza}));
    v.Puerto().Fijar_traza(std::move(traza));
  }
  Estado_ventana& e = v.Estado();
  Conexion conexion(v, v);
  if (entorno.windows64) conexion.consulta_windows64 = entorno.windows64;
  Asistente asistente(v, conexion, v, *entorno.directorio, t.Asistente());
  Actualizacion actualizacion(v, conexion, v, v, t.Asistente());
  actualizacion.menos_de_un_minuto = t(kTl_menos_de_un_minuto);
  if (puerto_pedido > 0) {
    v.manual = true;
    e.puerto = puerto_pedido;
    if (!resumen.ruta.empty())
      v.Escribir(t(kTl_puerto_de_ruta, {resumen.ruta, "COM" + std::to_string(puerto_pedido)}));
  }
  if (resumen.ruta.empty()) resumen.ruta = entorno.ruta_medidor;

  if (opciones.plan) Elegir_planes(e, *opciones.plan);

  Progreso_linea progreso =
      entorno.al_progreso ? Progreso_linea(humano, entorno.al_progreso, t(kTl_tiempo_restante))
                          : Progreso_linea(humano, humano_terminal, t(kTl_tiempo_restante));
  std::optional<Ficha_medidor> antes;
  bool en_actualizacion = false;
  bool interrumpido = false;  // Ctrl-C outside an update
  bool actualizando_avisado = false;

  v.al_escribir = [&] { progreso.Apartar(); };
  v.al_procesar = [&] {
    // A question takes a request to end as its answer; once one was answered no,
    // the run is ending already (it lets the meter go) and a request changes nothing.
    if (!v.Preguntando() && entorno.tomar_interrupcion && entorno.tomar_interrupcion() &&
        !v.Rechazada()) {
      if (e.actualizando) {
        // As the window refuses to close during an update.
        v.Escribir(t.Asistente()[Texto::AVISOACT]);
      } else {
        interrumpido = true;
        e.saliendo = true;  // connection attempts stop at once
      }
    }
    if (entorno.al_cambiar_actualizando && e.actualizando != actualizando_avisado) {
      actualizando_avisado = e.actualizando;
      entorno.al_cambiar_actualizando(actualizando_avisado);
    }
    const Barra& general = v.ProgressBar_general();
    progreso.Avance(general.Posicion(), general.Maximo(), reloj.Micros());
  };
  bool actualizada = false;  // the update ran (not only checked)
  // The record, written once: by the run as it ends, or as "interrupted" when
  // the process is ended under it (anotacion_en_curso.h).
  Anotacion_en_curso en_curso(entorno.historial);
  auto completar = [&](Registro_historial& registro, int numero) {
    registro.programa = "r27-actualizar";
    registro.ruta = resumen.ruta;
    if (registro.ruta.empty() && numero > 0)
      registro.ruta = entorno.directorio->Ruta(numero).value_or("");
    registro.duracion_s = Segundos_entre(inicio_us, reloj.Micros());
    if (!opciones.traza.empty()) {
      std::error_code ec;
      const std::filesystem::path traza = std::filesystem::absolute(opciones.traza, ec);
      registro.traza = ec ? opciones.traza : traza.string();
    }
  };
  // What the run has done so far, should the process be ended now: the meter
  // before, and each step's state when the update runs.
  auto preparar_interrumpido = [&] {
    if (!entorno.historial || !antes) return;
    const std::string puerto = "COM" + std::to_string(e.puerto);
    Registro_historial registro =
        actualizada ? Registro_de_actualizacion(puerto, antes, actualizacion.Desenlace())
                    : Registro_sin_actualizacion(puerto, antes, "interrupted");
    registro.resultado = "interrupted";
    registro.despues.reset();  // not read again
    completar(registro, e.puerto);
    en_curso.Preparar(std::move(registro));
  };
  // The connect of the search; a step may connect again during the update.
  v.al_conectar = [&] {
    if (en_actualizacion) return;
    antes = Leer_ficha(conexion, e);
    preparar_interrumpido();
  };
  actualizacion.al_empezar_comprobacion = [&] {
    progreso.Empezar_fase(t(kTl_fase_comprobacion), reloj.Micros());
  };
  // The steps begun so far: the step banner's count moves inside some steps (the
  // FPGA step shows it after its loaders), so it would name the previous step.
  int pasos_empezados = 0;
  actualizacion.al_empezar_paso = [&](Paso_actualizacion paso) {
    v.Empezar_escritura();
    preparar_interrumpido();
    const Barra& general = v.ProgressBar_general();
    progreso.Empezar_paso(t(Texto_paso(paso)), ++pasos_empezados, actualizacion.pasos_contados(),
                          general.Posicion(), general.Maximo(), reloj.Micros());
  };
  // Every run that reached a meter is in the history, on disk before its end is
  // told: an update's record is written before the outcome screen prints.
  bool anotado = false;
  auto anotar_historial = [&] {
    if (!entorno.historial || anotado) return;
    if (!antes && !actualizada && asistente.desenlace != Desenlace_busqueda::respuesta_m) return;
    anotado = true;
    const int numero = resumen.puerto;
    const std::string puerto = numero > 0 ? "COM" + std::to_string(numero) : "";
    Registro_historial registro =
        actualizada ? Registro_de_actualizacion(puerto, antes, actualizacion.Desenlace())
                    : Registro_sin_actualizacion(puerto, antes, resumen.resultado);
    completar(registro, numero);
    const std::optional<Anotacion> anotacion = en_curso.Anotar(registro);
    if (anotacion && anotacion->avisar)
      *entorno.errores << "r27-actualizar: " << t(kTl_historial_no_escrito, {anotacion->error})
                       << '\n';
  };
  actualizacion.al_terminar = [&] {
    v.cancelada = actualizacion.Desenlace().cancelada;
    anotar_historial();
    if (v.Rechazada()) {
      char segundos[32];
      std::snprintf(segundos, sizeof segundos, "%.1f",
                    Segundos_entre(v.Rechazada_us(), reloj.Micros()));
      v.Escribir(t(kTl_soltado, {segundos}));
    }
  };
  asistente.ejecutar_actualizacion = [&] {
    resumen.puerto = e.puerto;
    // Service mode: the technician's steps replace the tick decision's.
    if (opciones.pasos) Elegir_pasos(e, *opciones.pasos);
    const std::vector<Paso_previsto> previstos = Pasos_previstos(e, conexion.Es_windows64());
    v.Escribir(t(kTl_medidor_en, {"COM" + std::to_string(e.puerto)}));
    if (antes) v.Escribir(Texto_identidad(*antes, "  ", t));
    v.Escribir(Texto_pasos(previstos, t));
    if (opciones.solo_comprobar || interrumpido || previstos.empty()) {
      if (opciones.solo_comprobar) v.Escribir(t(kTl_solo_comprobar));
      if (previstos.empty() && !opciones.solo_comprobar) v.Escribir(t(kTl_sin_pasos));
      asistente.Volver_al_inicio();
      return;
    }
    en_actualizacion = true;
    actualizada = true;
    actualizacion.Ejecutar_actualizacion(asistente);
    progreso.Terminar();
    en_actualizacion = false;
  };

  asistente.Actualizar1Click();

  // Whatever happened, the meter is let go and the port closed.
  conexion.Desconectar();
  v.Puerto().Cerrar();
  if (entorno.al_cambiar_actualizando && actualizando_avisado)
    entorno.al_cambiar_actualizando(false);

  if (resumen.puerto == 0 && puerto_pedido > 0) resumen.puerto = puerto_pedido;
  // The port a meter answered on: identified, or refusing with "m".
  if ((antes || asistente.desenlace == Desenlace_busqueda::respuesta_m) && resumen.puerto == 0)
    resumen.puerto = e.puerto;
  // The device behind that port, as the history keeps it.
  if (resumen.ruta.empty() && resumen.puerto > 0)
    resumen.ruta = entorno.directorio->Ruta(resumen.puerto).value_or("");
  resumen.antes = antes;
  resumen.despues = antes;

  int codigo = kSalida_correcta;
  std::string motivo;  // the reason in the technician's language (the JSON keeps the trace's)
  if (actualizada) {
    const Desenlace_actualizacion& d = actualizacion.Desenlace();
    resumen.pasos = Pasos_resumen(d.pasos);
    resumen.codigo_resultado = d.codigo;
    if (d.motivo) {
      resumen.motivo = d.motivo->Texto();
      motivo = Motivo_del_run(d, t);
    }
    // What the meter holds now: as the check after writing read it; unchanged
    // when nothing was written; unknown when the run wrote and was not checked.
    if (d.comprobacion.hecha)
      resumen.comprobacion =
          Comprobacion_resumen{d.comprobacion.probada, d.comprobacion.duracion_s};
    resumen.despues = Ficha_despues(antes, d);
    resumen.pendientes.clear();
    for (Paso_actualizacion p : d.pendientes) resumen.pendientes.emplace_back(Nombre_paso(p));
    resumen.desconectado = d.desconectado;
    if (d.desconectado)
      resumen.aviso = d.grabando_al_desconectar ? t.Asistente().aviso_desconectado_grabando
                                                : t.Asistente().aviso_desconectado;
    v.Escribir(Texto_pasos_hechos(d.pasos, t));
    if (resumen.comprobacion) {
      char duracion[32];
      std::snprintf(duracion, sizeof duracion, "%.1f", resumen.comprobacion->duracion_s);
      v.Escribir(
          t(resumen.comprobacion->probada ? kTl_comprobacion_probada : kTl_comprobacion_no_probada,
            {duracion}));
    }
    if (resumen.despues && d.comprobacion.hecha) {
      v.Escribir(t(kTl_medidor_despues));
      v.Escribir(Texto_identidad(*resumen.despues, "  ", t));
    }
    if (!d.pendientes.empty()) v.Escribir(Texto_aun_pendiente(d.pendientes, t));
    if (!d.fallida) {
      resumen.resultado = "updated";
    } else {
      const bool con_codigo = d.codigo >= kSalida_primer_codigo_resultado &&
                              d.codigo <= kSalida_ultimo_codigo_resultado;
      codigo = con_codigo ? d.codigo : kSalida_fallo_sin_codigo;
      resumen.resultado = d.cancelada ? "cancelled" : "failed";
    }
  } else if (interrumpido) {
    resumen.resultado = "interrupted";
    codigo = kSalida_fallo_sin_codigo;
  } else if (asistente.desenlace == Desenlace_busqueda::listo) {
    resumen.resultado = "checked";
  } else {
    const Desenlace_salida d = Salida_de_busqueda(asistente.desenlace);
    codigo = d.salida;
    resumen.resultado = d.palabra;
    if (antes) {
      v.Escribir(t(kTl_medidor_en, {"COM" + std::to_string(e.puerto)}));
      v.Escribir(Texto_identidad(*antes, "  ", t));
    }
    for (const std::string& linea : Texto_busqueda(asistente.desenlace, v.pantalla_final, t))
      v.Escribir(linea);
  }

  anotar_historial();

  // An updated run shows no result code, as the window's correct screen shows
  // none (the JSON keeps it: the baud switch back may have left 8).
  const std::string palabra = Texto_desenlace(resumen.resultado, t);
  v.Escribir(resumen.codigo_resultado != 0 && resumen.resultado != "updated"
                 ? t(kTl_resultado_codigo,
                     {palabra, std::to_string(resumen.codigo_resultado), std::to_string(codigo)})
                 : t(kTl_resultado, {palabra, std::to_string(codigo)}));
  if (codigo != kSalida_correcta && !motivo.empty()) v.Escribir(t(kTl_motivo, {motivo}));
  return terminar(codigo);
}

}  // namespace r27
