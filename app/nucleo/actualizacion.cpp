// The update run: confirmations, the steps in their order, the outcome screen.
#include "app/nucleo/actualizacion.h"

#include <array>
#include <cstdio>
#include <vector>

#include "app/nucleo/pantallas.h"
#include "app/nucleo/paso_firmware.h"
#include "components/memoria_medidor.h"
#include "components/planes.h"
#include "components/programador_mpeg4.h"
#include "components/programador_teclado.h"
#include "components/tcfpga.h"
#include "factory/tfparam_defecto.h"
#include "flash/subida_graficos.h"
#include "link/codigos_resultado.h"
#include "link/peticiones.h"

namespace r27 {

namespace {

constexpr std::array<uint8_t, 2> kOrden_fin{0x0F, 0x00};
// The stored-tables reset: 02 00 A0 and 31 zero bytes at 0x50:0x0852.
constexpr size_t kBytes_borrado = 34;
constexpr std::array<uint8_t, 3> kCabecera_borrado{0x02, 0x00, 0xA0};
constexpr std::array<uint8_t, 3> kSectores_borrado{0x01, 0x20, 0x21};
constexpr size_t kBytes_buffer_planes = 128 * 1024;
// The wait for the restart before the check lets window messages run this often.
constexpr uint32_t kPaso_espera_comprobacion_ms = 100;
constexpr std::array<const char*, TCFpga::kMaximo_configuraciones> kNombres_fpga{"TV", "DFT", "MER",
                                                                                 "PDP", "ET2"};

bool Es_codigo_teclado(int32_t codigo) {
  return codigo == kCodigo_teclado_id || codigo == kCodigo_teclado_verificacion ||
         codigo == kCodigo_teclado_sin_respuesta;
}

}  // namespace

Actualizacion::Actualizacion(Interfaz_ventana& ventana, Conexion& conexion,
                             Interfaz_temporizador& timer_desconexion, Vista_asistente& vista,
                             const Textos_idioma& textos)
    : ventana_(ventana),
      conexion_(conexion),
      timer_(timer_desconexion),
      vista_(vista),
      textos_(textos) {}

void Actualizacion::Ejecutar_actualizacion(Asistente& asistente) {
  vista_.Mostrar_pantalla(Pantalla_actualizando(textos_));
  const bool fallida = Actualizar_medidor();
  // A failed keyboard programming does not stop the run, but the run has not
  // done its job: it ends on the failed screen with the keyboard's code.
  const Estado_ventana& e = ventana_.Estado();
  vista_.Mostrar_pantalla(fallida || fallo_teclado_ ? Pantalla_fallida(textos_, e.codigo_error)
                                                    : Pantalla_correcta(textos_));
  vista_.Mostrar_numeros(false);
  vista_.Ocultar_progreso();
  vista_.Mostrar_boton(false);
  vista_.Habilitar_menus(true);
  asistente.paso_asistente = 0;
}

bool Actualizacion::Actualizar_medidor() {
  Estado_ventana& e = ventana_.Estado();
  Barra& general = ventana_.ProgressBar_general();
  Reloj& reloj = ventana_.Reloj_();
  TFParam_defecto fparam(ventana_);
  e.codigo_error = 0;
  fallo_teclado_ = false;
  escrito_ = {};
  comprobacion_ = {};
  general.Solo_avanzar(false);
  general.Fijar_rango(0, 0);
  ventana_.Barra_progreso().Fijar_posicion(0);
  e.progreso_base = 0;

  const bool windows64 = conexion_.Es_windows64();
  const int extra_firmware = windows64 ? kExtra_firmware_windows64 : 0;
  const int extra_mpeg4 = windows64 ? kExtra_mpeg4_windows64 : 0;
  const bool planes = e.Check_planes && !e.Check_firmware;

  // The budget, summed in the order the estimate has always used.
  k_ = 0;
  n_ = 0;
  int maximo = 0;
  auto contar = [&](bool marcado, int presupuesto) {
    if (!marcado) return;
    maximo += presupuesto;
    ++n_;
  };
  contar(e.Check_teclado, kPresupuesto_teclado);
  contar(e.Check_fpga, kPresupuesto_fpga);
  contar(e.Check_firmware, kPresupuesto_firmware + extra_firmware);
  contar(e.Check_borrar, kPresupuesto_borrado);
  contar(planes, kPresupuesto_planes);
  contar(e.Check_configuracion, kPresupuesto_zona);
  contar(e.Check_mpeg4_apl, kPresupuesto_mpeg4 + extra_mpeg4);
  general.Fijar_rango(0, maximo);
  general.Fijar_posicion(0);
  general.Solo_avanzar(true);

  e.actualizando = true;
  e.abortar = false;

  char minutos[32];
  std::snprintf(minutos, sizeof minutos, "%i min.\n", maximo / 60);
  e.abortar =
      !ventana_.Confirmar(textos_[Texto::TIEMPO_TOTAL1] + minutos + textos_[Texto::AVISOMEM2]);
  if (e.Check_borrar && !e.abortar)
    e.abortar = !ventana_.Confirmar(textos_[Texto::AVISOMEM1] + "\n" + textos_[Texto::AVISOMEM2]);

  // The outcome of the most recent step that ran; the MPEG-4 step needs it.
  bool resultado = true;

  if (e.Check_teclado && !e.abortar) {
    Banner();
    ventana_.Procesar_mensajes();
    Paso_teclado();
    e.conectado = false;  // the meter restarts
    if (!e.abortar && k_ < n_) Esperar_y_reconectar(kEspera_tras_teclado_ms);
    Avanzar_base(kPresupuesto_teclado);
  }

  if (e.Check_borrar && !e.abortar) {
    Banner();
    ventana_.Procesar_mensajes();
    resultado = Borrar_medidor();
    e.borrado_pendiente = !resultado;
    if (!e.abortar) e.abortar = !resultado;
    Avanzar_base(kPresupuesto_borrado);
  }

  if (planes && !e.abortar) {
    Banner();
    std::vector<uint8_t> buffer(kBytes_buffer_planes);
    Preparar_buffer_planes(buffer);
    resultado = Grabar_plan(ventana_, buffer, e.indice_plan);
    if (resultado) e.planes_elegidos = false;  // the chosen set is in the meter now
    if (!e.abortar) e.abortar = !resultado;
    if (!e.abortar && k_ < n_) Esperar_y_reconectar(kEspera_tras_planes_ms);
    Avanzar_base(kPresupuesto_planes);
  }

  // The fast line for the large transfers, also after a cancel (the end of the
  // run puts both sides back).
  if (!windows64) {
    conexion_.Cambiar_velocidad_medidor(kBaudios_rapidos);
    conexion_.Cambiar_velocidad_puerto(kBaudios_rapidos);
    reloj.Dormir_ms(kEspera_tras_velocidad_ms);
  }

  if (e.Check_configuracion) {
    fparam.Construir_configuracion(e.idioma_medidor);
    if (!e.abortar) {
      Banner();
      ventana_.Procesar_mensajes();
      resultado = fparam.Grabar_zona();  // advances the base by its budget itself
      e.zona_pendiente = !resultado;
      if (!e.abortar) e.abortar = !resultado;
    }
  }
  reloj.Dormir_ms(kEspera_tras_zona_ms);

  if (e.Check_fpga && !e.abortar) {
    resultado = Paso_fpga();
    if (!e.abortar) e.abortar = !resultado;
    if (!e.abortar && k_ < n_ && !e.Check_firmware) conexion_.Reconectar();
    Avanzar_base(kPresupuesto_fpga);
  }

  if (e.Check_firmware && !e.abortar) {
    escrito_.firmware = true;
    Banner();
    resultado = Paso_firmware(ventana_, conexion_, timer_);  // advances the base by its share
    if (!e.abortar) e.abortar = !resultado;
    Avanzar_base(kPresupuesto_firmware - kParte_paso_firmware + extra_firmware);
  }

  if (e.Check_mpeg4_apl && !e.abortar) {
    Programador_mpeg4 mpeg4(ventana_, conexion_);
    Banner();
    ventana_.Procesar_mensajes();
    if (resultado) {
      escrito_.mpeg4 = true;
      resultado = mpeg4.Actualizar_mpeg4(0);  // advances the base by its stage-1 share
    } else {
      e.Fijar_error(kCodigo_paso_previo_mpeg4);
      resultado = false;
    }
    if (!e.abortar) e.abortar = !resultado;
    if (!e.abortar && k_ < n_) Esperar_y_reconectar(kEspera_tras_mpeg4_ms);
    Avanzar_base(kPresupuesto_mpeg4 - kParte_etapa1_mpeg4 + extra_mpeg4);
  }

  Fin_actualizacion();
  Volver_a_velocidad_normal();
  if (e.conectado) conexion_.Boton_ConectarClick();
  // A run that wrote something (a step began) and did not fail is proven on the
  // restarted meter; a cancelled or failed run, or a closing window, is not.
  if (!e.abortar && !fallo_teclado_ && k_ > 0 && !e.saliendo && !Comprobar_escritura())
    e.abortar = true;
  general.Solo_avanzar(false);
  e.actualizando = false;
  return e.abortar;
}

void Actualizacion::Banner() {
  ++k_;
  vista_.Fijar_linea3(Linea_banner_paso(textos_, k_, n_));
}

void Actualizacion::Avanzar_base(int unidades) {
  Estado_ventana& e = ventana_.Estado();
  e.progreso_base += unidades;
  ventana_.ProgressBar_general().Fijar_posicion(e.progreso_base);
}

void Actualizacion::Esperar_y_reconectar(uint32_t espera_ms) {
  ventana_.Reloj_().Dormir_ms(espera_ms);
  conexion_.Reconectar();
}

bool Actualizacion::Paso_fpga() {
  Estado_ventana& e = ventana_.Estado();
  if (!Preparar_fpga(ventana_, conexion_, timer_)) {
    e.Fijar_error(kCodigo_preparar_fpga);
    return false;
  }
  if (Subida_graficos* g = ventana_.Graficos()) {
    g->Borrar_graficos();
    g->Enviar_imagen(Subida_graficos::kCargando_firmware);
  }
  Banner();
  TCFpga fpga(ventana_);
  fpga.num_configuraciones = TCFpga::kMaximo_configuraciones;
  for (int i = 0; i < TCFpga::kMaximo_configuraciones; ++i)
    fpga.Fijar_nombre(i + 1, kNombres_fpga[static_cast<size_t>(i)]);
  ventana_.Procesar_mensajes();
  return fpga.Grabar_configuraciones();
}

bool Actualizacion::Borrar_medidor() {
  Estado_ventana& e = ventana_.Estado();
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  if (!e.conectado) {
    conexion_.Boton_ConectarClick();
    if (!e.conectado) return false;
  }
  Drenar(puerto);
  std::array<uint8_t, kBytes_borrado> datos{};
  std::copy(kCabecera_borrado.begin(), kCabecera_borrado.end(), datos.begin());
  Escribir_memoria(ventana_, datos, kPagina_borrado, kOffset_borrado);
  reloj.Dormir_ms(kPausa_borrado_ms);
  Drenar(puerto);

  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_rango(0, static_cast<int>(kSectores_borrado.size()));
  paso.Fijar_posicion(0);
  auto diez_veces = [](auto&& intento) {
    for (int i = 0; i < kIntentos_borrado; ++i)
      if (intento()) return true;
    return false;
  };
  if (!diez_veces([&] { return Bloque_vacio(ventana_); })) {
    e.Fijar_error(kCodigo_bloque_vacio);
    return false;
  }
  int k = 0;
  for (uint8_t sector : kSectores_borrado) {
    if (!diez_veces([&] { return Borrar_sector_flash(ventana_, sector); })) {
      e.Fijar_error(kCodigo_borrar_sector);
      return false;
    }
    ++k;
    paso.Fijar_posicion(k);
    ventana_.ProgressBar_general().Fijar_posicion(
        e.progreso_base + kPresupuesto_borrado * k / static_cast<int>(kSectores_borrado.size()));
  }
  reloj.Dormir_ms(kPausa_borrado_ms);
  return true;
}

void Actualizacion::Paso_teclado() {
  Estado_ventana& e = ventana_.Estado();
  if (!e.conectado) {
    conexion_.Boton_ConectarClick();
    if (!e.conectado) return;
  }
  timer_.Deshabilitar();
  const int32_t antes = e.codigo_error;
  Programador_teclado(ventana_).Programar_teclado();
  fallo_teclado_ = antes == 0 && Es_codigo_teclado(e.codigo_error);
  ventana_.Barra_progreso().Fijar_posicion(0);
  if (al_limpiar_fichero) al_limpiar_fichero();
}

void Actualizacion::Fin_actualizacion() {
  Puerto_serie& puerto = ventana_.Puerto();
  Drenar(puerto);
  Escribir_todo(puerto, kOrden_fin);
  ventana_.Reloj_().Dormir_ms(kPausa_fin_actualizacion_ms);
}

bool Actualizacion::Comprobar_escritura() {
  Estado_ventana& e = ventana_.Estado();
  Reloj& reloj = ventana_.Reloj_();
  comprobacion_.hecha = true;
  if (al_empezar_comprobacion) al_empezar_comprobacion();
  // The updating screen stays up and keeps repainting while the meter restarts.
  for (uint32_t esperado = 0; esperado < kEspera_reinicio_comprobacion_ms;
       esperado += kPaso_espera_comprobacion_ms) {
    ventana_.Procesar_mensajes();
    reloj.Dormir_ms(kPaso_espera_comprobacion_ms);
  }
  // The full connect: probe, language, identity and the tick decision.
  for (int i = 0; i < kConexiones_comprobacion && !e.conectado && !e.saliendo; ++i)
    conexion_.Boton_ConectarClick();
  // A meter that did not come back has no identity; the last one read is not it.
  comprobacion_.ficha = e.conectado ? Leer_ficha(conexion_, e) : Ficha_medidor{};
  comprobacion_.juicio = Juzgar_comprobacion(comprobacion_.ficha, e, escrito_);
  comprobacion_.probada = comprobacion_.juicio.probada;
  // Let the meter go: the connect started the disconnect watch, this stops it.
  if (e.conectado) conexion_.Boton_ConectarClick();
  if (comprobacion_.probada) return true;
  e.Fijar_error(kCodigo_comprobacion);
  ventana_.Puerto().Anotar_abandono("comprobacion", comprobacion_.juicio.esperado,
                                    comprobacion_.juicio.llegado);
  return false;
}

void Actualizacion::Volver_a_velocidad_normal() {
  Estado_ventana& e = ventana_.Estado();
  if (e.linea.BaudRate == kBaudios_normales) return;
  // A meter that has not restarted since the switch still runs at the fast rate
  // and answers a probe there: it is asked back to 115,200 first. One that has
  // restarted is at 115,200 already and takes the probe as noise.
  if (ventana_.Puerto().Esta_abierto()) {
    Puerto_serie& puerto = ventana_.Puerto();
    Drenar(puerto);
    const uint8_t sondeo = kSondeo;
    puerto.Escribir(&sondeo, 1);
    const Respuesta r = Esperar_byte(ventana_, ventana_.Reloj_().Segundos(), Plazo::Menos_de(1));
    if (r.Es(kRespuesta_aplicacion)) conexion_.Cambiar_velocidad_medidor(kBaudios_normales);
  }
  conexion_.Cambiar_velocidad_puerto(kBaudios_normales);
}

}  // namespace r27
