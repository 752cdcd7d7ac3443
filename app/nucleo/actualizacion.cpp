// The update run: confirmations, the steps in their order, the outcome screen.
#include "app/nucleo/actualizacion.h"

#include <array>
#include <cstdio>
#include <utility>
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

// The stored-tables reset: 02 00 A0 and 31 zero bytes at 0x50:0x0852.
constexpr size_t kBytes_borrado = 34;
constexpr std::array<uint8_t, 3> kCabecera_borrado{0x02, 0x00, 0xA0};
constexpr std::array<uint8_t, 3> kSectores_borrado{0x01, 0x20, 0x21};
constexpr size_t kBytes_buffer_planes = 128 * 1024;
constexpr std::array<const char*, TCFpga::kMaximo_configuraciones> kNombres_fpga{"TV", "DFT", "MER",
                                                                                 "PDP", "ET2"};

// The seven step ticks, in the order they run.
constexpr std::array<Paso_actualizacion, 7> kPasos{
    Paso_actualizacion::teclado, Paso_actualizacion::borrado, Paso_actualizacion::planes,
    Paso_actualizacion::zona,    Paso_actualizacion::fpga,    Paso_actualizacion::firmware,
    Paso_actualizacion::mpeg4};

std::array<bool, 7> Ticks(const Estado_ventana& e) {
  std::array<bool, 7> t{};
  for (size_t i = 0; i < t.size(); ++i) t[i] = e.*Tick_de_paso(kPasos[i]);
  return t;
}

void Aplicar_ticks(const std::array<bool, 7>& t, Estado_ventana& e) {
  for (size_t i = 0; i < t.size(); ++i) e.*Tick_de_paso(kPasos[i]) = t[i];
}

// The code each step sets when it starts without a meter: the keyboard's own,
// none for the erase, the first staging upload of the plans, the zone's
// profiles, the FPGA preparation, the firmware's staging, the module's stage 1.
int32_t Codigo_sin_medidor(Paso_actualizacion paso) {
  switch (paso) {
    case Paso_actualizacion::teclado:
      return kCodigo_teclado_sin_conexion;
    case Paso_actualizacion::borrado:
      return 0;
    case Paso_actualizacion::planes:
      return kCodigo_subir_bloques;
    case Paso_actualizacion::zona:
      return kCodigo_zona_perfiles;
    case Paso_actualizacion::fpga:
      return kCodigo_preparar_fpga;
    case Paso_actualizacion::firmware:
      return kCodigo_firmware_staging;
    case Paso_actualizacion::mpeg4:
      break;
  }
  return kCodigo_mpeg4_etapa1;
}

// The codes of a meter writing its own flash: the FPGA set's burn, the
// firmware's burn, the module's update after its start.
bool Codigo_grabando(int32_t codigo) {
  return codigo == kCodigo_fpga_grabacion || codigo == kCodigo_firmware_grabacion ||
         codigo == kCodigo_mpeg4_sin_fin;
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
  if (al_terminar) al_terminar();
  vista_.Mostrar_pantalla(fallida ? Pantalla_fallida(textos_, desenlace_.codigo)
                                  : Pantalla_correcta(textos_));
  // In service mode the technician chose the steps: what the meter still needs
  // is told on the correct screen's third line, as information.
  if (!fallida && mostrar_pendientes && !desenlace_.pendientes.empty())
    vista_.Fijar_linea3(Texto_pendientes(desenlace_.pendientes, textos_.historial));
  // An unplugged meter: the failed screen keeps its lines; a message says what
  // happened, and, when the meter was writing its own flash, to leave it alone.
  if (fallida && desenlace_.desconectado)
    ventana_.Mensaje(desenlace_.grabando_al_desconectar ? textos_.aviso_desconectado_grabando
                                                        : textos_.aviso_desconectado);
  vista_.Mostrar_numeros(false);
  vista_.Ocultar_progreso();
  vista_.Mostrar_boton(false);
  vista_.Habilitar_menus(true);
  asistente.paso_asistente = 0;
}

bool Actualizacion::Actualizar_medidor() {
  Estado_ventana& e = ventana_.Estado();
  Barra& general = ventana_.ProgressBar_general();
  TFParam_defecto fparam(ventana_);
  e.Borrar_error();
  perdido_ = false;
  escrito_ = {};
  desenlace_ = {};
  general.Solo_avanzar(false);
  general.Fijar_rango(0, 0);
  ventana_.Barra_progreso().Fijar_posicion(0);
  e.progreso_base = 0;

  const bool windows64 = conexion_.Es_windows64();
  const int extra_firmware = windows64 ? kExtra_firmware_windows64 : 0;
  const int extra_mpeg4 = windows64 ? kExtra_mpeg4_windows64 : 0;
  const bool planes = e.Check_planes && !e.Check_firmware;
  elegidos_ = Ticks(e);
  for (const Paso_previsto& p : Pasos_previstos(e, windows64))
    desenlace_.pasos.push_back({p.paso, Estado_paso::no_ejecutado, std::nullopt, 0});

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
  const std::string estimado =
      maximo < 60 && !menos_de_un_minuto.empty() ? menos_de_un_minuto + "\n" : minutos;
  {
    // Nothing is asked of the meter while the technician reads the questions:
    // the disconnect watch may look at the line.
    Conexion::Reposo reposo(conexion_);
    if (!ventana_.Confirmar(textos_[Texto::TIEMPO_TOTAL1] + estimado + textos_[Texto::AVISOMEM2]))
      Cancelar();
    if (e.Check_borrar && !e.abortar &&
        !ventana_.Confirmar(textos_[Texto::AVISOMEM1] + "\n" + textos_[Texto::AVISOMEM2]))
      Cancelar();
  }

  // The outcome of the most recent step that ran; the MPEG-4 step needs it.
  bool resultado = true;

  if (e.Check_teclado && !e.abortar) {
    Banner();
    Empezar_paso(Paso_actualizacion::teclado);
    ventana_.Procesar_mensajes();
    // A failed keyboard does not stop the sequence; the run ends failed after it.
    (void)Terminar_paso(Paso_actualizacion::teclado, Paso_teclado());
    e.conectado = false;  // the meter restarts
    if (!e.abortar && k_ < n_) Esperar_y_reconectar(kEspera_tras_teclado_ms);
    Avanzar_base(kPresupuesto_teclado);
  }

  if (e.Check_borrar && !e.abortar) {
    Banner();
    Empezar_paso(Paso_actualizacion::borrado);
    ventana_.Procesar_mensajes();
    resultado = Terminar_paso(Paso_actualizacion::borrado, Borrar_medidor());
    e.borrado_pendiente = !resultado;
    if (!resultado) Fallar();
    Avanzar_base(kPresupuesto_borrado);
  }

  if (planes && !e.abortar) {
    Banner();
    Empezar_paso(Paso_actualizacion::planes);
    std::vector<uint8_t> buffer(kBytes_buffer_planes);
    Preparar_buffer_planes(buffer);
    resultado =
        Terminar_paso(Paso_actualizacion::planes, Grabar_plan(ventana_, buffer, e.indice_plan));
    if (resultado) e.planes_elegidos = false;  // the chosen set is in the meter now
    if (!resultado) Fallar();
    if (!e.abortar && k_ < n_) Esperar_y_reconectar(kEspera_tras_planes_ms);
    Avanzar_base(kPresupuesto_planes);
  }

  // The fast line for the large transfers, also after a cancel (the end of the
  // run puts both sides back); nothing is asked of a meter that is gone.
  if (!windows64 && !Perdido()) {
    conexion_.Cambiar_velocidad_medidor(kBaudios_rapidos);
    conexion_.Cambiar_velocidad_puerto(kBaudios_rapidos);
    Pausa(ventana_, kEspera_tras_velocidad_ms);
  }

  if (e.Check_configuracion) {
    fparam.Construir_configuracion(e.idioma_medidor);
    if (!e.abortar) {
      Banner();
      Empezar_paso(Paso_actualizacion::zona);
      ventana_.Procesar_mensajes();
      // Grabar_zona advances the base by its budget itself.
      resultado = Terminar_paso(Paso_actualizacion::zona, fparam.Grabar_zona());
      e.zona_pendiente = !resultado;
      if (!resultado) Fallar();
    }
  }
  if (!Perdido()) Pausa(ventana_, kEspera_tras_zona_ms);

  if (e.Check_fpga && !e.abortar) {
    Empezar_paso(Paso_actualizacion::fpga);
    resultado = Terminar_paso(Paso_actualizacion::fpga, Paso_fpga());
    escrito_.fpga = resultado;
    if (!resultado) Fallar();
    if (!e.abortar && k_ < n_ && !e.Check_firmware && !Perdido_entre_pasos())
      conexion_.Reconectar();
    Avanzar_base(kPresupuesto_fpga);
  }

  if (e.Check_firmware && !e.abortar) {
    Banner();
    Empezar_paso(Paso_actualizacion::firmware);
    // Paso_firmware advances the base by its share.
    resultado =
        Terminar_paso(Paso_actualizacion::firmware, Paso_firmware(ventana_, conexion_, timer_));
    escrito_.firmware = resultado;
    if (!resultado) Fallar();
    Avanzar_base(kPresupuesto_firmware - kParte_paso_firmware + extra_firmware);
  }

  if (e.Check_mpeg4_apl && !e.abortar) {
    Programador_mpeg4 mpeg4(ventana_, conexion_);
    Banner();
    Empezar_paso(Paso_actualizacion::mpeg4);
    ventana_.Procesar_mensajes();
    Resultado r;
    if (resultado) {
      // Advances the base by its stage-1 share.
      r = mpeg4.Actualizar_mpeg4(0, e.region_usa);
    } else {
      const Fallo f{kCodigo_paso_previo_mpeg4, "Paso_mpeg4", "el paso anterior correcto",
                    Llegada::nada, "el paso anterior fallo"};
      e.Fijar_error(f);
      r = f;
    }
    resultado = Terminar_paso(Paso_actualizacion::mpeg4, r);
    escrito_.mpeg4 = resultado;
    if (!resultado) Fallar();
    if (!e.abortar && k_ < n_) Esperar_y_reconectar(kEspera_tras_mpeg4_ms);
    Avanzar_base(kPresupuesto_mpeg4 - kParte_etapa1_mpeg4 + extra_mpeg4);
  }

  if (Perdido()) {
    // The meter is unplugged: no closing request, no rate back, no release byte;
    // the port is let go and the next open is at the search's rate.
    ventana_.Puerto().Cerrar();
    e.conectado = false;
    e.linea.BaudRate = kBaudios_normales;
  } else {
    Fin_actualizacion();
    Volver_a_velocidad_normal();
    conexion_.Desconectar();
  }
  // A run that wrote something (a step began) and did not fail is proven on the
  // restarted meter; a cancelled or failed run, or a closing window, is not.
  const bool paso_fallido = Algun_paso_fallido();
  if (!e.abortar && !paso_fallido && k_ > 0 && !e.saliendo && !Comprobar_escritura()) Fallar();
  // A step that failed and let the sequence go on (the keyboard, a refused FPGA
  // burn) still fails the run: it never ends as updated.
  if (paso_fallido) Fallar();
  general.Solo_avanzar(false);
  e.actualizando = false;
  desenlace_.fallida = e.abortar;
  desenlace_.desconectado = perdido_;
  // The warning goes by the step the unplug hit, not by the run's first code.
  for (const Desenlace_paso& p : desenlace_.pasos)
    if (p.fallo && p.fallo->llegada == Llegada::dispositivo_perdido &&
        Codigo_grabando(p.fallo->codigo))
      desenlace_.grabando_al_desconectar = true;
  // The steps a refused question left out were cancelled; those after a failed
  // step were simply not run.
  if (desenlace_.cancelada)
    for (Desenlace_paso& p : desenlace_.pasos)
      if (p.estado == Estado_paso::no_ejecutado) p.estado = Estado_paso::cancelado;
  desenlace_.codigo = e.codigo_error;
  if (e.codigo_error != 0) {
    desenlace_.motivo = e.motivo_error;
  } else {
    // A failure without a code (no FPGA buffer, no meter for the erase) keeps the
    // failed step's own reason.
    for (const Desenlace_paso& p : desenlace_.pasos)
      if (p.estado == Estado_paso::fallido && p.fallo) desenlace_.motivo = p.fallo;
  }
  return e.abortar;
}

Desenlace_paso* Actualizacion::Registro(Paso_actualizacion paso) {
  for (Desenlace_paso& p : desenlace_.pasos)
    if (p.paso == paso) return &p;
  return nullptr;
}

void Actualizacion::Empezar_paso(Paso_actualizacion paso) {
  inicio_paso_us_ = ventana_.Reloj_().Micros();
  codigo_al_empezar_ = ventana_.Estado().codigo_error;
  if (al_empezar_paso) al_empezar_paso(paso);
}

bool Actualizacion::Terminar_paso(Paso_actualizacion paso, const Resultado& resultado) {
  const Estado_ventana& e = ventana_.Estado();
  Desenlace_paso* registro = Registro(paso);
  if (!registro) return static_cast<bool>(resultado);
  registro->duracion_s =
      static_cast<double>(ventana_.Reloj_().Micros() - inicio_paso_us_) / 1'000'000.0;
  // A step may set a code and still answer success (the FPGA set's refused burn
  // when it burns the set itself): the sequence goes on as it answered, but the
  // outcome tells the step failed, also when an earlier step's code is the run's.
  std::optional<Fallo> sin_parar = std::exchange(fallo_sin_parar_, std::nullopt);
  const bool codigo_del_paso = codigo_al_empezar_ == 0 && e.codigo_error != 0;
  if (resultado && !codigo_del_paso && !sin_parar) {
    registro->estado = Estado_paso::hecho;
    return true;
  }
  // The failure that set the run's code in this step is the step's; a step that
  // set no code keeps its own (the code shown stays the earlier one's).
  if (codigo_del_paso)
    registro->fallo = e.motivo_error;
  else if (!resultado)
    registro->fallo = resultado.Motivo();
  else
    registro->fallo = std::move(sin_parar);
  registro->estado = Estado_paso::fallido;
  // An unplugged meter ends the run, whatever the step answered: nothing more
  // can be asked of it.
  if (registro->fallo && registro->fallo->llegada == Llegada::dispositivo_perdido) {
    perdido_ = true;
    Fallar();
  }
  return static_cast<bool>(resultado);
}

bool Actualizacion::Algun_paso_fallido() const {
  for (const Desenlace_paso& p : desenlace_.pasos)
    if (p.estado == Estado_paso::fallido) return true;
  return false;
}

void Actualizacion::Fallar() { ventana_.Estado().abortar = true; }

bool Actualizacion::Perdido() {
  perdido_ = perdido_ || ventana_.Puerto().Dispositivo_perdido();
  return perdido_;
}

void Actualizacion::Cancelar() {
  desenlace_.cancelada = true;
  ventana_.Estado().abortar = true;
}

bool Actualizacion::Conectar_en_paso() {
  Estado_ventana& e = ventana_.Estado();
  const std::array<bool, 7> elegidos = elegidos_;
  const bool conectado = conexion_.Conectar();
  Aplicar_ticks(elegidos, e);
  return conectado;
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
  // An unplugged meter will not come back on its own: no wait, no reconnect.
  if (Perdido_entre_pasos()) return;
  Pausa(ventana_, espera_ms);
  if (Perdido_entre_pasos()) return;
  conexion_.Reconectar();
}

bool Actualizacion::Perdido_entre_pasos() {
  Puerto_serie& puerto = ventana_.Puerto();
  // A look at the input lets the port notice a device that vanished while
  // nothing was read; what a restarting meter sent meanwhile is noise.
  if (!perdido_ && puerto.Esta_abierto()) Drenar(puerto);
  if (!Perdido()) return false;
  // The run ends as the step that was to come next ends without a meter; after
  // the last step, the check after writing was to come.
  Desenlace_paso* siguiente = nullptr;
  for (Desenlace_paso& p : desenlace_.pasos) {
    if (p.estado == Estado_paso::no_ejecutado) {
      siguiente = &p;
      break;
    }
  }
  Fallo f = Abandono(puerto, "Reconectar", "un medidor conectado", Llegada::dispositivo_perdido);
  f.codigo = siguiente ? Codigo_sin_medidor(siguiente->paso) : kCodigo_comprobacion;
  if (siguiente) {
    siguiente->estado = Estado_paso::fallido;
    siguiente->fallo = f;
  }
  if (f.codigo != 0) ventana_.Estado().Fijar_error(f);
  Fallar();
  return true;
}

Resultado Actualizacion::Paso_fpga() {
  Estado_ventana& e = ventana_.Estado();
  if (Resultado r = Preparar_fpga(ventana_, conexion_, timer_); !r)
    return e.Fijar_error(kCodigo_preparar_fpga, *r.Motivo());
  if (Subida_graficos* g = ventana_.Graficos()) {
    g->Borrar_graficos();
    g->Enviar_imagen(Subida_graficos::kCargando_firmware);
  }
  Banner();
  TCFpga fpga(ventana_);
  fpga.grabar_flash = !e.Check_firmware;  // otherwise the firmware's burn writes the set
  fpga.progreso_base = e.progreso_base;
  fpga.num_configuraciones = TCFpga::kMaximo_configuraciones;
  for (int i = 0; i < TCFpga::kMaximo_configuraciones; ++i)
    fpga.Fijar_nombre(i + 1, kNombres_fpga[static_cast<size_t>(i)]);
  ventana_.Procesar_mensajes();
  Resultado r = fpga.Grabar_configuraciones();
  escrito_.cabecera_fpga = fpga.cabecera_imagen;
  fallo_sin_parar_ = fpga.fallo_grabacion;
  return r;
}

Resultado Actualizacion::Borrar_medidor() {
  Estado_ventana& e = ventana_.Estado();
  Puerto_serie& puerto = ventana_.Puerto();
  // Without a meter the erase fails with no code of its own.
  if (!Conectar_en_paso())
    return Abandono(puerto, "Borrar_medidor", "un medidor conectado", Llegada::sin_conexion);
  Primer_fallo primero;
  Drenar(puerto);
  std::array<uint8_t, kBytes_borrado> datos{};
  std::copy(kCabecera_borrado.begin(), kCabecera_borrado.end(), datos.begin());
  // No answer is awaited; a write the port refused is the step's first failure.
  primero.Anotar(Escribir_memoria(ventana_, datos, kPagina_borrado, kOffset_borrado));
  Pausa(ventana_, kPausa_borrado_ms);
  Drenar(puerto);

  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_rango(0, static_cast<int>(kSectores_borrado.size()));
  paso.Fijar_posicion(0);
  // Up to 10 tries; the last try's failure is the reason.
  auto diez_veces = [](auto&& intento) {
    Resultado r = intento();
    for (int i = 1; i < kIntentos_borrado && !r; ++i) r = intento();
    return r;
  };
  auto fallar = [&](int32_t codigo, const Resultado& r) -> Resultado {
    primero.Anotar(r);
    return e.Fijar_error(codigo, *primero.Motivo());
  };
  if (Resultado r = diez_veces([&] { return Bloque_vacio(ventana_); }); !r)
    return fallar(kCodigo_bloque_vacio, r);
  int k = 0;
  for (uint8_t sector : kSectores_borrado) {
    if (Resultado r = diez_veces([&] { return Borrar_sector_flash(ventana_, sector); }); !r)
      return fallar(kCodigo_borrar_sector, r);
    ++k;
    paso.Fijar_posicion(k);
    ventana_.ProgressBar_general().Fijar_posicion(
        e.progreso_base + kPresupuesto_borrado * k / static_cast<int>(kSectores_borrado.size()));
  }
  Pausa(ventana_, kPausa_borrado_ms);
  return {};
}

Resultado Actualizacion::Paso_teclado() {
  Estado_ventana& e = ventana_.Estado();
  if (!Conectar_en_paso()) {
    return e.Fijar_error(
        kCodigo_teclado_sin_conexion,
        Abandono(ventana_.Puerto(), "Paso_teclado", "un medidor conectado", Llegada::sin_conexion));
  }
  timer_.Deshabilitar();
  // Every ending but success fails with the keyboard's own code (1, 2, 25, 27) and reason.
  Resultado r = Programador_teclado(ventana_, e.progreso_base).Programar_teclado();
  ventana_.Barra_progreso().Fijar_posicion(0);
  if (al_limpiar_fichero) al_limpiar_fichero();
  return r;
}

void Actualizacion::Fin_actualizacion() {
  Puerto_serie& puerto = ventana_.Puerto();
  Drenar(puerto);
  // No answer is awaited; a refused write is on the trace, and a meter that did
  // not get it is caught by the check after writing.
  (void)Escribir_todo(puerto, kOrden_fin, "Fin_actualizacion");
  Pausa(ventana_, kPausa_fin_actualizacion_ms);
}

bool Actualizacion::Comprobar_escritura() {
  Estado_ventana& e = ventana_.Estado();
  Reloj& reloj = ventana_.Reloj_();
  Resultado_comprobacion& comprobacion = desenlace_.comprobacion;
  comprobacion.hecha = true;
  const uint64_t inicio_us = reloj.Micros();
  if (al_empezar_comprobacion) al_empezar_comprobacion();
  // A meter unplugged at the end of the run is not waited for: nothing more is
  // asked of it.
  if (!Perdido()) {
    // The updating screen stays up and keeps repainting while the meter restarts.
    Pausa(ventana_, kEspera_reinicio_comprobacion_ms);
    // The full connect: probe, language, identity and the tick decision.
    for (int i = 0; i < kConexiones_comprobacion && !e.conectado && !e.saliendo && !Perdido(); ++i)
      conexion_.Conectar();
  }
  // A meter that did not come back has no identity; the last one read is not it.
  comprobacion.ficha = e.conectado ? Leer_ficha(conexion_, e) : Ficha_medidor{};
  comprobacion.juicio = Juzgar_comprobacion(comprobacion.ficha, e, escrito_);
  comprobacion.probada = comprobacion.juicio.probada;
  // What the meter still asks for, but for the steps this run has just done (the
  // decision ticks the zone with any firmware, whether or not it was written).
  if (e.conectado) {
    for (Paso_actualizacion p : Pasos_pendientes(e)) {
      const Desenlace_paso* hecho = Registro(p);
      if (!hecho || hecho->estado != Estado_paso::hecho) desenlace_.pendientes.push_back(p);
    }
  }
  // The run's plan stays what it was confirmed with.
  Aplicar_ticks(elegidos_, e);
  // Let the meter go: the connect started the disconnect watch, this stops it.
  conexion_.Desconectar();
  comprobacion.duracion_s = static_cast<double>(reloj.Micros() - inicio_us) / 1'000'000.0;
  if (comprobacion.probada) return true;
  // A meter that vanished while it restarted says so: the device is gone.
  const bool perdido = !comprobacion.ficha.conectado && Perdido();
  e.Fijar_error(kCodigo_comprobacion,
                Abandono(ventana_.Puerto(), "Comprobar_escritura", comprobacion.juicio.esperado,
                         comprobacion.ficha.conectado ? Llegada::bytes
                         : perdido                    ? Llegada::dispositivo_perdido
                                                      : Llegada::nada,
                         perdido ? "" : comprobacion.juicio.llegado));
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
    const std::array<uint8_t, 1> sondeo{kSondeo};
    if (Escribir_todo(puerto, sondeo, "Volver_a_velocidad_normal")) {
      const Respuesta r = Esperar_byte(ventana_, ventana_.Reloj_().Segundos(), Plazo::Menos_de(1));
      if (r.Es(kRespuesta_aplicacion)) conexion_.Cambiar_velocidad_medidor(kBaudios_normales);
    }
  }
  conexion_.Cambiar_velocidad_puerto(kBaudios_normales);
}

}  // namespace r27
