// The factory dialog's operations: OK's fixed order, the sector erasures, the
// loader stages and the options block.
#include <algorithm>
#include <optional>
#include <string>

#include "components/memoria_medidor.h"
#include "factory/tfparam_defecto.h"
#include "factory/tramas_fabrica.h"
#include "flash/tcdiferencial.h"
#include "link/peticiones.h"

namespace r27 {

namespace {

std::string S(std::string_view t) { return std::string(t); }

}  // namespace

void TFParam_defecto::Preparar_casillas() {
  Casilla* casillas[] = {&check_grabar_conf_fabrica, &check_grabar_conf_actual,
                         &check_grabar_perfiles,     &check_borrar_incidencias,
                         &check_borrar_tablas,       &check_borrar_memorias,
                         &check_borrar_macromedidas, &check_borrar_logs,
                         &check_grabar_planes,       &check_grabar_opciones};
  for (Casilla* c : casillas) *c = Casilla{};
  check_grabar_conf_fabrica.marcada = true;
  check_grabar_conf_actual.marcada = true;
  const bool servicio = ventana_.Estado().modo_servicio == kModo_servicio_activo;
  for (Casilla* c : casillas) c->habilitada = servicio;
}

void TFParam_defecto::Cerrar() {
  cerrado = true;
  if (al_cerrar) al_cerrar();
}

void TFParam_defecto::Button_cancelClick() {
  if (en_curso_) return;  // the run owns the line; it closes the form itself
  Cerrar();
}

void TFParam_defecto::Reconectar_dialogo() {
  conexion_->Desconectar();
  conexion_->Conectar();
}

void TFParam_defecto::Button_okClick() {
  // Window messages run during the waits: a second click must not start a
  // second run on the same line.
  if (en_curso_) return;
  Estado_ventana& e = ventana_.Estado();
  if (conexion_ == nullptr || !e.conectado) {
    ventana_.Mensaje(S(Dialogo_param_defecto::kSin_medidor));
    return;
  }
  en_curso_ = true;
  struct Fin_de_curso {
    bool& b;
    ~Fin_de_curso() { b = false; }
  } fin_de_curso{en_curso_};
  // A cancel left over from an earlier update must not stop this run's blocks.
  e.abortar = false;

  // The first failure is the run's: the requests after it (a reconnect, the
  // loader's end) never replace it.
  Primer_fallo fallo;
  bool ok = true;
  std::optional<TCDiferencial> diferencial(std::in_place, ventana_);
  const bool planes = check_grabar_planes.marcada;
  const bool eeprom = check_grabar_conf_fabrica.marcada || check_grabar_conf_actual.marcada ||
                      check_grabar_perfiles.marcada || check_borrar_incidencias.marcada;
  const bool flash = check_borrar_memorias.marcada || check_borrar_macromedidas.marcada ||
                     check_borrar_logs.marcada || check_borrar_tablas.marcada ||
                     check_grabar_opciones.marcada;

  // EEPROM work (a meter in its boot stage has no EEPROM service).
  if (!e.modo_arranque) {
    if (ok && check_grabar_conf_fabrica.marcada) ok = fallo.Anotar(Grabar_conf_fabrica());
    if (ok && check_grabar_conf_actual.marcada) ok = fallo.Anotar(Grabar_conf_defecto());
    if (ok && check_grabar_perfiles.marcada) ok = fallo.Anotar(Grabar_perfiles());
    if (ok && check_borrar_incidencias.marcada) ok = fallo.Anotar(Borrar_incidencias());
    if (ok && planes && eeprom) {
      Panel_estado.Fijar(S(Dialogo_param_defecto::kConectando_de_nuevo));
      Reconectar_dialogo();
    }
  }
  // Plan area.
  if (!e.modo_arranque) {
    // The blank block's own failure names it (its request, what came).
    if (ok && planes) ok = fallo.Anotar(Bloque_vacio(ventana_));
    if (ok && planes) ok = fallo.Anotar(Grabar_planes_dialogo());
    if (ok && flash) Reconectar_dialogo();
  }
  // Flash work, through the loader.
  if (flash) {
    // Whatever the stages answer, the requests that follow tell whether the loader listens.
    if (!e.modo_arranque) (void)Enviar_boots();
    if (ok && check_borrar_tablas.marcada) ok = fallo.Anotar(Borrar_tablas());
    if (ok && check_borrar_memorias.marcada) ok = fallo.Anotar(Borrar_memorias());
    if (ok && check_borrar_macromedidas.marcada) ok = fallo.Anotar(Borrar_macromedidas());
    if (ok && check_borrar_logs.marcada) ok = fallo.Anotar(Borrar_logs());
    if (ok && check_grabar_opciones.marcada) ok = fallo.Anotar(Grabar_opciones());
    diferencial->Fin_grabacion();
  }
  diferencial.reset();

  resultado = ok;
  motivo = fallo.Motivo();
  ventana_.Mensaje(S(ok ? Dialogo_param_defecto::kParametros_cargados
                        : Dialogo_param_defecto::kError_parametros));
  conexion_->Desconectar();
  Cerrar();
}

Resultado TFParam_defecto::Borrar_sector(uint8_t sector) {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  const std::string peticion = "Borrar_sector " + std::to_string(sector);
  Panel_accion.Fijar(S(Dialogo_param_defecto::kBorrando_sector));
  Drenar(puerto);
  if (Resultado r = Escribir_todo(puerto, Orden_borrar_sector(sector), peticion); !r) {
    Panel_accion.Fijar(S(Dialogo_param_defecto::kError_borrar_sector));
    return r;
  }
  // The first byte decides: the echo, or a failure without waiting any longer.
  const Respuesta r =
      Esperar_byte(ventana_, reloj.Segundos(), Plazo::Hasta(kEspera_borrar_sector_s));
  if (!r.Es(sector)) {
    Fallo fallo = Abandono(puerto, peticion, "el numero del sector", r);
    if (!r.llego) Pitido_fallo(ventana_);
    Panel_accion.Fijar(S(Dialogo_param_defecto::kError_borrar_sector));
    return fallo;
  }
  Panel_accion.Fijar(S(Dialogo_param_defecto::kSector) + std::to_string(sector) +
                     S(Dialogo_param_defecto::kBorrado));
  Pausa(ventana_, kPausa_sector_borrado_ms);
  Drenar(puerto);
  return Resultado::Correcto();
}

Resultado TFParam_defecto::Borrar_grupo(std::span<const uint8_t> sectores,
                                        const Textos_grupo_borrado& textos) {
  Panel_estado.Fijar(S(textos.inicio));
  for (uint8_t sector : sectores) {
    if (Resultado r = Borrar_sector(sector); !r) {
      Panel_estado.Fijar(S(textos.error));
      return r;  // the sectors after it stay as they are
    }
  }
  Panel_estado.Fijar(S(textos.exito));
  Pausa(ventana_, kPausa_grupo_borrado_ms);
  return Resultado::Correcto();
}

Resultado TFParam_defecto::Borrar_tablas() {
  constexpr std::array<uint8_t, 1> kSectores{kSector_tablas};
  return Borrar_grupo(kSectores, kTextos_tablas);
}

Resultado TFParam_defecto::Borrar_memorias() {
  constexpr std::array<uint8_t, 1> kSectores{kSector_memorias};
  return Borrar_grupo(kSectores, kTextos_memorias);
}

Resultado TFParam_defecto::Borrar_macromedidas() {
  constexpr std::array<uint8_t, 1> kSectores{kSector_macromedidas};
  return Borrar_grupo(kSectores, kTextos_macromedidas);
}

Resultado TFParam_defecto::Borrar_logs() { return Borrar_grupo(kSectores_logs, kTextos_logs); }

Resultado TFParam_defecto::Enviar_boots() {
  Estado_ventana& e = ventana_.Estado();
  TCDiferencial diferencial(ventana_);
  e.inicio_operacion = ventana_.Reloj_().Segundos();
  Panel_accion.Fijar(S(Dialogo_param_defecto::kEnviando_boots));
  if (!e.modo_arranque) {
    // Both stages are tried whatever they answer: the requests that follow tell
    // whether the loader listens.
    (void)diferencial.Cargar_primera_etapa();
    (void)diferencial.Cargar_segunda_etapa();
  }
  return Resultado::Correcto();
}

Resultado TFParam_defecto::Grabar_planes_dialogo() { return Resultado::Correcto(); }

Resultado TFParam_defecto::Grabar_opciones() {
  TCDiferencial diferencial(ventana_);
  Resultado r = Escribir_opciones();
  Panel_accion.Fijar(
      S(r ? Dialogo_param_defecto::kOpciones_grabadas : Dialogo_param_defecto::kError_opciones));
  diferencial.Fin_grabacion();
  return r;
}

Resultado TFParam_defecto::Escribir_opciones() {
  Estado_ventana& e = ventana_.Estado();
  Puerto_serie& puerto = ventana_.Puerto();
  TCDiferencial diferencial(ventana_);
  e.inicio_operacion = ventana_.Reloj_().Segundos();
  Panel_accion.Fijar(S(Dialogo_param_defecto::kBorrando_memoria));
  if (!diferencial.Preparar_memoria()) {
    Fallo fallo = Abandono(puerto, "Escribir_opciones (zona de carga)", "0x70", Llegada::nada,
                           "otro byte o nada");
    Pitido_fallo(ventana_);
    ventana_.Mensaje(S(Dialogo_param_defecto::kError_borrar_memoria));
    return fallo;
  }

  // The block keeps the meter's own bytes 0..15 and 48..49: without them there
  // is nothing safe to write back.
  std::array<uint16_t, kBytes_bloque_opciones / 2> leido{};
  const std::span<const uint8_t> opciones = Opciones_incrustadas();
  if (!Leer_memoria(ventana_, kPagina_opciones, kDireccion_opciones,
                    static_cast<uint8_t>(kBytes_bloque_opciones), leido) ||
      opciones.size() != kBytes_opciones) {
    Fallo fallo = Abandono(puerto, "Escribir_opciones", "el bloque de 50 bytes de 0x6000",
                           Llegada::nada, "lectura fallida");
    Pitido_fallo(ventana_);
    ventana_.Mensaje(S(Dialogo_param_defecto::kError_leer_opciones));
    return fallo;
  }
  const auto bloque = Bloque_opciones(leido, opciones.first<kBytes_opciones>());

  ventana_.Procesar_mensajes();
  diferencial.segmento = kSegmento_opciones;
  // A block the meter did not take must not be confirmed: the sector would be
  // written from a staging area that does not hold it.
  if (!diferencial.Enviar_bloque(kDireccion_opciones, bloque))
    return Abandono(puerto, "Escribir_opciones (bloque de opciones)", "0x30", Llegada::nada,
                    "otro byte o nada, tambien al reenviarlo");
  Panel_accion.Fijar(S(Dialogo_param_defecto::kBorrando_el_sector));
  return Confirmar_grabacion(kSector_opciones);
}

Resultado TFParam_defecto::Confirmar_grabacion(uint8_t eco) {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  const std::string peticion = "Confirmar_grabacion " + std::to_string(eco);
  Drenar(puerto);
  Resultado escritura = Escribir_todo(puerto, Orden_confirmar_grabacion(eco), peticion);
  if (!escritura) {
    Pitido_fallo(ventana_);
    return escritura;
  }
  const int64_t inicio = reloj.Segundos();
  const Plazo plazo = Plazo::Hasta(kEspera_confirmar_grabacion_s);
  Respuesta r = Esperar_byte(ventana_, inicio, plazo);
  // The meter may echo the sector before its confirmation.
  if (r.Es(eco)) r = Esperar_byte(ventana_, inicio, plazo);
  if (!r.Es(kGrabacion_confirmada)) {
    Fallo fallo = Abandono(puerto, peticion, "0x60", r);
    Pitido_fallo(ventana_);
    return fallo;
  }
  Panel_accion.Fijar(S(Dialogo_param_defecto::kConfiguracion_grabada));
  return Resultado::Correcto();
}

}  // namespace r27
