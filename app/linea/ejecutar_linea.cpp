// One run of the command-line updater.
#include "app/linea/ejecutar_linea.h"

#include <algorithm>
#include <cstdio>

#include "app/linea/codigos_salida.h"
#include "app/linea/identidad_linea.h"
#include "app/linea/pasos_linea.h"
#include "app/linea/progreso_linea.h"
#include "app/linea/ventana_linea.h"
#include "app/nucleo/actualizacion.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/pantallas.h"
#include "link/traza_linea.h"

namespace r27 {

namespace {

double Segundos_entre(uint64_t desde_us, uint64_t hasta_us) {
  return hasta_us > desde_us ? static_cast<double>(hasta_us - desde_us) / 1e6 : 0.0;
}

// A run's steps as they happen: the k-th banner begins the k-th planned step;
// a step ends when the next one begins, when the meter is connected again after
// the writing, or when the run ends.
class Registro_pasos {
 public:
  void Planear(const std::vector<Paso_previsto>& previstos) {
    previstos_ = previstos;
    pasos_.assign(previstos.size(), {});
    inicios_.assign(previstos.size(), 0);
    for (size_t i = 0; i < previstos.size(); ++i) pasos_[i].nombre = previstos[i].nombre;
  }
  // Banner k of n: returns the step's name, or "" when k is out of the plan.
  std::string Empezar(int k, uint64_t ahora_us) {
    Cerrar(ahora_us);
    if (k < 1 || static_cast<size_t>(k) > pasos_.size()) return {};
    abierto_ = k - 1;
    ultimo_ = k - 1;
    pasos_[static_cast<size_t>(abierto_)].ejecutado = true;
    inicios_[static_cast<size_t>(abierto_)] = ahora_us;
    return pasos_[static_cast<size_t>(abierto_)].nombre;
  }
  void Cerrar(uint64_t ahora_us) {
    if (abierto_ < 0) return;
    const auto i = static_cast<size_t>(abierto_);
    pasos_[i].duracion_s = Segundos_entre(inicios_[i], ahora_us);
    abierto_ = -1;
  }
  bool Alguno_empezado() const { return ultimo_ >= 0; }
  // The outcome: on success every step begun was done well; on failure the step
  // the result code names (when the plan has it), else the last step begun,
  // failed. A failed check after writing leaves the steps as they ran.
  std::vector<Paso_resumen> Resultado(bool correcta, int32_t codigo) const {
    std::vector<Paso_resumen> r = pasos_;
    for (Paso_resumen& p : r) p.correcto = p.ejecutado;
    if (correcta || codigo == kCodigo_comprobacion) return r;
    int fallido = ultimo_;
    if (const auto paso = Paso_de_codigo(codigo)) {
      for (size_t i = 0; i < previstos_.size(); ++i)
        if (previstos_[i].paso == *paso) fallido = static_cast<int>(i);
    }
    if (fallido >= 0) {
      // A step that failed before its banner (the FPGA preparation) still ran.
      r[static_cast<size_t>(fallido)].ejecutado = true;
      r[static_cast<size_t>(fallido)].correcto = false;
    }
    return r;
  }
  int Contados() const { return static_cast<int>(pasos_.size()); }

 private:
  std::vector<Paso_previsto> previstos_;
  std::vector<Paso_resumen> pasos_;
  std::vector<uint64_t> inicios_;
  int abierto_ = -1;
  int ultimo_ = -1;
};

std::string Columna(std::string texto, size_t ancho) {
  if (texto.size() < ancho) texto.resize(ancho, ' ');
  return texto;
}

std::string Texto_pasos(const std::vector<Paso_previsto>& pasos) {
  int total = 0;
  for (const Paso_previsto& p : pasos) total += p.presupuesto;
  std::string t = "Steps to run (estimated " + std::to_string(total / 60) + " min):";
  int k = 0;
  for (const Paso_previsto& p : pasos)
    t += "\n  " + std::to_string(++k) + ". " + Columna(p.nombre, 30) + " " +
         std::to_string(p.presupuesto) + " s";
  return t;
}

std::string Texto_pasos_hechos(const std::vector<Paso_resumen>& pasos) {
  std::string t = "Steps:";
  for (const Paso_resumen& p : pasos) {
    t += "\n  " + Columna(p.nombre, 30) + " ";
    if (!p.ejecutado) {
      t += "not run";
      continue;
    }
    char duracion[32];
    std::snprintf(duracion, sizeof duracion, "%.1f s", p.duracion_s);
    t += Columna(p.correcto ? "ok" : "FAILED", 8) + duracion;
  }
  return t;
}

// Where the run ended, as the wizard's screens and the shared state tell it.
struct Desenlace {
  int salida;
  std::string palabra;
};

Desenlace Desenlace_busqueda(Ventana_linea& v, const Textos_idioma& textos,
                             const std::vector<Puerto_rechazado>& rechazados) {
  const Estado_ventana& e = v.Estado();
  if (v.Pantallas().empty()) return {kSalida_no_encontrado, "not-found"};
  const Ventana_linea::Pantalla_mostrada& ultima = v.Pantallas().back();
  if (ultima.pantalla.imagen == kImagen_rechazo) {
    // The level and status refusals show while the meter is still connected;
    // the eligibility refusal after it was let go.
    if (ultima.conectado) {
      if (ultima.pantalla.lineas == Pantalla_rechazo_nivel(textos).lineas)
        return {kSalida_rechazo_nivel, "refused-level"};
      return {kSalida_rechazo_estado, "refused-status"};
    }
    if (!e.familia_valida || e.familia_ajena) return {kSalida_rechazo_familia, "refused-family"};
    if (e.region_usa) return {kSalida_rechazo_familia, "refused-region"};
    return {kSalida_correcta, "nothing-needed"};
  }
  if (e.respuesta_m) return {kSalida_rechazo_conexion, "refused-connection"};
  const auto hay = [&](Fallo_apertura f) {
    return std::any_of(rechazados.begin(), rechazados.end(),
                       [f](const Puerto_rechazado& p) { return p.fallo == f; });
  };
  if (hay(Fallo_apertura::sin_permiso)) return {kSalida_sin_permiso, "no-permission"};
  if (hay(Fallo_apertura::ocupado)) return {kSalida_puerto_ocupado, "port-busy"};
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
  auto error_orden = [&](const std::string& texto) {
    *entorno.errores << "r27-actualizar: " << texto << '\n';
    resumen.resultado = "bad-command-line";
    return terminar(kSalida_orden_erronea);
  };

  // The port the technician named, as a COM number.
  int puerto_pedido = 0;
  if (opciones.puerto) {
    puerto_pedido = opciones.puerto->numero;
    if (!opciones.puerto->ruta.empty()) {
      resumen.ruta = opciones.puerto->ruta;
      if (!entorno.numero_de_ruta) return error_orden("device paths are not supported here");
      std::string error;
      const std::optional<int> n = entorno.numero_de_ruta(opciones.puerto->ruta, error);
      if (!n) return error_orden(error);
      puerto_pedido = *n;
    }
  }

  Ventana_linea v(
      std::move(entorno.backend), reloj,
      Terminal_linea{*entorno.entrada, humano, entorno.entrada_terminal, humano_terminal},
      entorno.textos, opciones.si);
  if (!opciones.traza.empty()) {
    std::unique_ptr<Traza_linea> traza = Traza_linea::Abrir(opciones.traza);
    if (!traza) return error_orden("cannot open the trace file " + opciones.traza);
    v.Puerto().Fijar_traza(std::move(traza));
  }
  Estado_ventana& e = v.Estado();
  Conexion conexion(v, v);
  if (entorno.windows64) conexion.consulta_windows64 = entorno.windows64;
  Asistente asistente(v, conexion, v, *entorno.directorio, entorno.textos);
  Actualizacion actualizacion(v, conexion, v, v, entorno.textos);
  if (puerto_pedido > 0) {
    v.manual = true;
    e.puerto = puerto_pedido;
    if (!resumen.ruta.empty())
      v.Escribir("Port " + resumen.ruta + " is COM" + std::to_string(puerto_pedido));
  }

  Progreso_linea progreso(humano, humano_terminal);
  Registro_pasos pasos;
  std::optional<Ficha_medidor> antes;
  bool en_actualizacion = false;
  bool listo = false;         // the wizard handed a ready meter over
  bool interrumpido = false;  // Ctrl-C outside an update
  bool actualizando_avisado = false;

  v.al_escribir = [&] { progreso.Apartar(); };
  v.al_procesar = [&] {
    if (entorno.tomar_interrupcion && entorno.tomar_interrupcion()) {
      if (e.actualizando) {
        // As the window refuses to close during an update.
        v.Escribir(entorno.textos[Texto::AVISOACT]);
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
  // The connect of the search; a step may connect again during the update.
  v.al_conectar = [&] {
    if (!en_actualizacion) antes = Leer_ficha(conexion, e);
  };
  uint64_t inicio_comprobacion_us = 0;
  actualizacion.al_empezar_comprobacion = [&] {
    inicio_comprobacion_us = reloj.Micros();
    pasos.Cerrar(inicio_comprobacion_us);
    progreso.Empezar_fase("check after writing (the meter restarts)", inicio_comprobacion_us);
  };
  v.al_fijar_linea3 = [&](const std::string&) {
    if (!en_actualizacion) return;
    const int k = actualizacion.pasos_iniciados();
    const std::string nombre = pasos.Empezar(k, reloj.Micros());
    const Barra& general = v.ProgressBar_general();
    progreso.Empezar_paso(nombre, k, actualizacion.pasos_contados(), general.Posicion(),
                          general.Maximo(), reloj.Micros());
  };
  asistente.ejecutar_actualizacion = [&] {
    listo = true;
    resumen.puerto = e.puerto;
    const std::vector<Paso_previsto> previstos = Pasos_previstos(e, conexion.Es_windows64());
    v.Escribir("Meter on COM" + std::to_string(e.puerto) + ":");
    if (antes) v.Escribir(Texto_identidad(*antes, "  "));
    v.Escribir(Texto_pasos(previstos));
    if (opciones.solo_comprobar || interrumpido) {
      if (opciones.solo_comprobar) v.Escribir("--solo-comprobar: nothing is written.");
      asistente.Volver_al_inicio();
      return;
    }
    pasos.Planear(previstos);
    en_actualizacion = true;
    actualizacion.Ejecutar_actualizacion(asistente);
    pasos.Cerrar(reloj.Micros());
    if (actualizacion.Comprobacion().hecha)
      resumen.comprobacion =
          Comprobacion_resumen{actualizacion.Comprobacion().probada,
                               Segundos_entre(inicio_comprobacion_us, reloj.Micros())};
    progreso.Terminar();
    en_actualizacion = false;
  };

  asistente.Actualizar1Click();

  // Whatever happened, the meter is let go and the port closed.
  if (e.conectado) conexion.Boton_ConectarClick();
  v.Puerto().Cerrar();
  if (entorno.al_cambiar_actualizando && actualizando_avisado)
    entorno.al_cambiar_actualizando(false);

  if (resumen.puerto == 0 && puerto_pedido > 0) resumen.puerto = puerto_pedido;
  if (antes && resumen.puerto == 0) resumen.puerto = e.puerto;
  resumen.antes = antes;
  resumen.codigo_resultado = e.codigo_error;

  int codigo = kSalida_correcta;
  if (listo && !opciones.solo_comprobar && !interrumpido) {
    const bool correcta = v.Pantallas().back().pantalla.imagen == kImagen_correcta;
    resumen.pasos = pasos.Resultado(correcta, e.codigo_error);
    // What the meter holds now: as the check after writing read it; unchanged
    // when nothing was written; unknown when the run wrote and was not checked.
    const Resultado_comprobacion& comprobacion = actualizacion.Comprobacion();
    if (comprobacion.hecha) {
      // A meter that did not come back was not read.
      if (comprobacion.ficha.conectado) resumen.despues = comprobacion.ficha;
    } else if (!pasos.Alguno_empezado()) {
      resumen.despues = antes;
    }
    v.Escribir(Texto_pasos_hechos(resumen.pasos));
    if (resumen.comprobacion) {
      char duracion[32];
      std::snprintf(duracion, sizeof duracion, " (%.1f s)", resumen.comprobacion->duracion_s);
      v.Escribir(std::string("Check after writing: ") +
                 (resumen.comprobacion->probada ? "proven" : "NOT proven") + duracion);
    }
    if (resumen.despues && comprobacion.hecha) {
      v.Escribir("Meter after the update:");
      v.Escribir(Texto_identidad(*resumen.despues, "  "));
    }
    if (pasos.Contados() != actualizacion.pasos_contados())
      *entorno.errores << "r27-actualizar: the sequence counted " << actualizacion.pasos_contados()
                       << " steps, the command line planned " << pasos.Contados() << '\n';
    if (correcta) {
      resumen.resultado = "updated";
    } else {
      const int32_t c = e.codigo_error;
      const bool con_codigo =
          c >= kSalida_primer_codigo_resultado && c <= kSalida_ultimo_codigo_resultado;
      codigo = con_codigo ? c : kSalida_fallo_sin_codigo;
      resumen.resultado = v.Negativas() > 0 && !pasos.Alguno_empezado() ? "cancelled" : "failed";
    }
  } else if (listo) {
    resumen.despues = antes;
    resumen.resultado = interrumpido ? "interrupted" : "checked";
    codigo = interrumpido ? kSalida_fallo_sin_codigo : kSalida_correcta;
  } else if (interrumpido) {
    resumen.despues = antes;
    resumen.resultado = "interrupted";
    codigo = kSalida_fallo_sin_codigo;
  } else {
    resumen.despues = antes;
    const Desenlace d = Desenlace_busqueda(v, entorno.textos, asistente.puertos_sin_abrir);
    codigo = d.salida;
    resumen.resultado = d.palabra;
    if (antes) {
      v.Escribir("Meter on COM" + std::to_string(e.puerto) + ":");
      v.Escribir(Texto_identidad(*antes, "  "));
    }
  }

  resumen.motivo = v.Puerto().Ultimo_abandono();
  std::string cierre = "Result: " + resumen.resultado;
  if (e.codigo_error != 0) cierre += ", result code " + std::to_string(e.codigo_error);
  cierre += " (exit " + std::to_string(codigo) + ")";
  v.Escribir(cierre);
  if (codigo != kSalida_correcta && !resumen.motivo.empty())
    v.Escribir("Last request that gave up: " + resumen.motivo);
  return terminar(codigo);
}

}  // namespace r27
