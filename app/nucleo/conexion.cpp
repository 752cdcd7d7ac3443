// The meter connection: handshake, reconnection, disconnect watch, tick decision,
// baud-rate switch.
#include "app/nucleo/conexion.h"

#include <array>

#include "app/nucleo/eleccion_planes.h"
#include "app/nucleo/es_windows64.h"
#include "components/memoria_medidor.h"
#include "link/peticiones.h"

namespace r27 {

namespace {

// Counts a running tick decision for as long as it lives.
class Decision_en_curso {
 public:
  explicit Decision_en_curso(int& contador) : contador_(contador) { ++contador_; }
  ~Decision_en_curso() { --contador_; }
  Decision_en_curso(const Decision_en_curso&) = delete;
  Decision_en_curso& operator=(const Decision_en_curso&) = delete;

 private:
  int& contador_;
};

// The module query may connect from inside the connect that runs the decision,
// but not from inside a second, nested one.
constexpr int kDecisiones_con_conexion = 2;

Resultado Enviar_byte(Puerto_serie& puerto, uint8_t b, std::string_view peticion) {
  return Escribir_todo(puerto, std::span(&b, 1), peticion);
}

// The release byte: the meter is let go whether or not it hears it, and nothing
// follows on this connection that a lost byte could spoil.
void Soltar_byte(Puerto_serie& puerto) { (void)Enviar_byte(puerto, kLiberacion, "Liberacion"); }

Texto_version Version_de_fichero(const std::array<char, 12>& version_fichero) {
  Texto_version v{};
  for (size_t i = 0; i < v.size(); ++i) v[i] = version_fichero[i];
  return v;
}

}  // namespace

Conexion::Conexion(Interfaz_ventana& ventana, Interfaz_temporizador& timer_desconexion)
    : ventana_(ventana), timer_(timer_desconexion) {}

void Conexion::Pulsos_rts() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  // The train lasts 640 ms: window messages run after each pulse.
  for (int i = 0; i < kPulsos_rts; ++i) {
    puerto.Fijar_rts(true);
    reloj.Dormir_ms(kMedio_pulso_rts_ms);
    puerto.Fijar_rts(false);
    reloj.Dormir_ms(kMedio_pulso_rts_ms);
    ventana_.Procesar_mensajes();
  }
}

bool Conexion::Seguir() {
  ventana_.Procesar_mensajes();
  return !ventana_.Estado().saliendo;
}

void Conexion::Soltar() {
  Puerto_serie& puerto = ventana_.Puerto();
  Soltar_byte(puerto);
  Pausa(ventana_, kPausa_sondeo_ms);
  puerto.Cerrar();
  ventana_.Estado().conectado = false;
}

void Conexion::Boton_ConectarClick() {
  Estado_ventana& e = ventana_.Estado();
  Puerto_serie& puerto = ventana_.Puerto();

  timer_.Deshabilitar();
  e.respuesta_m = false;
  e.modo_arranque = false;

  if (e.conectado) {
    Soltar();
    ventana_.Procesar_mensajes();
    return;
  }

  if (puerto.Esta_abierto()) puerto.Cerrar();
  bool contestado = false;
  if (puerto.Abrir(e.puerto, e.linea)) {
    for (int sondeo = 0; sondeo < kSondeos_conexion && !contestado && !e.respuesta_m; ++sondeo) {
      // A closing window abandons the attempt without further traffic.
      if (!Seguir()) break;
      Pulsos_rts();
      if (!Seguir()) break;
      Pausa(ventana_, kPausa_sondeo_ms);
      Drenar(puerto);
      // A probe the port did not take gets no answer: nothing is read for it.
      const bool enviado = static_cast<bool>(Enviar_byte(puerto, kSondeo, "Sondeo"));
      uint8_t b = 0;
      if (enviado) puerto.Leer(&b, 1);  // nothing read leaves 0x00, which is no answer
      if (b == kRespuesta_arranque) {
        e.modo_arranque = true;
        contestado = true;
      } else if (b == kRespuesta_aplicacion) {
        contestado = true;
      } else if (b == kRespuesta_m) {
        e.respuesta_m = true;  // and no further probe
      }
      if (!contestado) {
        Soltar_byte(puerto);
        Pausa(ventana_, kPausa_sondeo_ms);
      }
    }
  }

  if (contestado && e.modo_arranque) {
    // The meter waits in its boot stage for the programming loader. Whether the
    // load took is not looked at: the identity reads that follow tell.
    diferencial_ = std::make_unique<TCDiferencial>(ventana_);
    (void)diferencial_->Cargar_arranque();
  }
  if (!contestado) {
    puerto.Cerrar();
    return;
  }

  e.conectado = true;
  const int idioma = Leer_idioma(ventana_);
  e.idioma_medidor = idioma < 0 || idioma > kIdioma_maximo ? kIdioma_por_defecto : idioma;
  // The firmware puts the language in RAM when it starts; in the boot stage it has
  // not run and the byte is not the meter's. A meter left in its boot stage by an
  // update cut short keeps the language read from the meter being updated.
  if (!e.modo_arranque && idioma >= 0 && idioma <= kIdioma_maximo) {
    idioma_aplicacion_ = idioma;
  } else if (e.modo_arranque && idioma_aplicacion_) {
    e.idioma_medidor = *idioma_aplicacion_;
  }
  {
    Decision_en_curso decision(decisiones_en_curso_);
    Decidir_pasos();
  }
  ventana_.Procesar_mensajes();
  timer_.Habilitar();
}

bool Conexion::Conectar() {
  if (!ventana_.Estado().conectado) Boton_ConectarClick();
  return ventana_.Estado().conectado;
}

void Conexion::Desconectar() {
  if (ventana_.Estado().conectado) Boton_ConectarClick();
}

void Conexion::Reconectar() {
  Estado_ventana& e = ventana_.Estado();
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();

  timer_.Deshabilitar();
  if (e.conectado) Soltar();
  puerto.Cerrar();

  bool contestado = false;
  bool abandonado = false;
  if (puerto.Abrir(e.puerto, e.linea)) {
    for (int sondeo = 0; sondeo < kSondeos_reconexion && !contestado && !abandonado; ++sondeo) {
      if (!Seguir()) {
        abandonado = true;
        break;
      }
      Pulsos_rts();
      if (!Seguir()) {
        abandonado = true;
        break;
      }
      Pausa(ventana_, kPausa_sondeo_ms);
      Drenar(puerto);
      // A probe the port did not take gets no answer: nothing is read for it.
      const bool enviado = static_cast<bool>(Enviar_byte(puerto, kSondeo, "Sondeo"));
      // A meter that has just restarted answers late: give it 150 ms.
      for (int i = 0; i < kEsperas_reconexion && !abandonado; ++i) {
        abandonado = !Seguir();
        reloj.Dormir_ms(kEspera_reconexion_ms);
      }
      if (abandonado) break;
      uint8_t b = 0;
      if (enviado) puerto.Leer(&b, 1);
      if (b == kRespuesta_aplicacion) {
        contestado = true;
      } else {
        Soltar_byte(puerto);
        Pausa(ventana_, kPausa_sondeo_ms);
      }
    }
  }

  if (contestado) {
    e.conectado = true;  // the watch stays off; the identity is not read again
    return;
  }
  // A window that is closing gets no error box.
  if (!abandonado) {
    Pitido_fallo(ventana_);
    ventana_.Mensaje(kMensaje_error_usb);
  }
  puerto.Cerrar();
}

void Conexion::Mira_desconexion() {
  if (reposo_ == 0) return;
  uint8_t b = 0;
  if (ventana_.Puerto().Leer(&b, 1) != 1) return;
  // Any other byte is consumed and ignored. The connect click disconnects only
  // while connected; without a connection it would start a new one.
  if (b == kLiberacion && ventana_.Estado().conectado) Boton_ConectarClick();
}

void Conexion::Leer_bytes_memoria(uint8_t pagina, uint16_t offset, uint8_t* destino,
                                  uint8_t cuenta) {
  std::array<uint16_t, 128> palabras{};
  const size_t n = cuenta / 2u;
  // A read that fails leaves zeros, which the identity and tick decisions judge.
  (void)Leer_memoria(ventana_, pagina, offset, cuenta, std::span(palabras.data(), n));
  for (size_t i = 0; i < n; ++i) {
    destino[2 * i] = static_cast<uint8_t>(palabras[i]);
    destino[2 * i + 1] = static_cast<uint8_t>(palabras[i] >> 8);
  }
}

Texto_version Conexion::Version_medidor() {
  std::array<uint8_t, 6> version{};
  std::array<uint8_t, 6> build{};
  Leer_bytes_memoria(kPagina_identidad, kOffset_version, version.data(), version.size());
  Leer_bytes_memoria(kPagina_identidad, kOffset_build, build.data(), build.size());
  lecturas_.version = Interpretar_identidad({}, version, build).version;
  return lecturas_.version;
}

void Conexion::Decidir_pasos() {
  Estado_ventana& e = ventana_.Estado();
  lecturas_ = Ficha_medidor{};
  e.Check_firmware = e.Check_fpga = e.Check_teclado = e.Check_planes = e.Check_borrar =
      e.Check_mpeg4_apl = e.Check_configuracion = false;
  e.Check_firmware = Decidir_firmware();
  e.Check_fpga = Decidir_fpga();
  e.Check_teclado = false;
  Aplicar_eleccion_planes(e);
  e.Check_borrar = Decidir_borrado();
  // A zone or erase step cut short in this session is offered again: nothing read
  // from the meter would tick it (the zone records are never read back, the erase
  // goes by the version), and a current meter would be found with nothing to do.
  e.Check_borrar = e.Check_borrar || e.borrado_pendiente;
  e.Check_configuracion = e.zona_pendiente;
  e.Check_mpeg4_apl = Decidir_mpeg4();
  Completar_ticks(e);
}

bool Conexion::Decidir_firmware() {
  Estado_ventana& e = ventana_.Estado();
  std::array<uint8_t, 16> bloque{};
  // The block is read twice; the second reading is the one used.
  Leer_bytes_memoria(kPagina_identidad, 0, bloque.data(), bloque.size());
  bloque.fill(0);
  Leer_bytes_memoria(kPagina_identidad, 0, bloque.data(), bloque.size());
  const Identidad_medidor id = Interpretar_identidad(bloque, {}, {});
  lecturas_.familia = id.familia;
  lecturas_.region = id.region;
  if (!Regla_familia(id, e)) {
    // A burn cut short leaves the meter in its boot stage, its identity page
    // possibly erased: the updater itself left it so, and only the whole update
    // mends it. Such a meter is offered the update; any other is refused as before.
    if (!e.modo_arranque || !Bytes_borrados(bloque)) return false;
    std::array<uint8_t, 6> version{};
    std::array<uint8_t, 6> build{};
    Leer_bytes_memoria(kPagina_identidad, kOffset_version, version.data(), version.size());
    Leer_bytes_memoria(kPagina_identidad, kOffset_build, build.data(), build.size());
    return Regla_identidad_borrada(e.modo_arranque, Identidad_borrada(bloque, version, build), e);
  }
  const Texto_version version = Version_medidor();
  // A meter in its boot stage cannot start its firmware (a burn cut short after
  // the identity was written leaves it so, whatever its version says): the
  // firmware, and with it the rest, is written again.
  if (e.modo_arranque) return true;
  return Regla_firmware(version, Version_de_fichero(e.version_fichero));
}

bool Conexion::Decidir_borrado() { return Regla_borrado(Version_medidor()); }

bool Conexion::Decidir_fpga() {
  if (ventana_.Estado().modo_arranque) return false;
  std::array<uint8_t, kBytes_info_fpga> fpga{};
  Leer_bytes_memoria(kPagina_fpga, 0, fpga.data(), fpga.size());
  lecturas_.fpga_leida = true;
  lecturas_.fpga_bloque = fpga;
  lecturas_.fpga_mayor = fpga[11];
  lecturas_.fpga_menor = fpga[10];
  return Regla_fpga(fpga[11], fpga[10]);
}

void Conexion::Info_mpeg4() {
  Estado_ventana& e = ventana_.Estado();
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();

  e.mpeg4 = Datos_mpeg4{};
  if (!e.conectado) {
    if (decisiones_en_curso_ < kDecisiones_con_conexion) Boton_ConectarClick();
    if (!e.conectado) return;
  }

  Drenar(puerto);
  if (!Enviar_byte(puerto, kPedir_info_mpeg4, "Info_mpeg4")) return;
  const int64_t pedido = reloj.Segundos();
  const Plazo plazo = Plazo::Menos_de(kEspera_info_mpeg4_s);
  if (!Esperar_byte(ventana_, pedido, plazo).Es(kRespuesta_info_mpeg4)) return;

  // Unused byte, application version (high, low), build (high, low), decoders,
  // boot; each field is kept as soon as its bytes are in.
  std::array<uint8_t, 7> r{};
  size_t leidos = 0;
  auto leer_hasta = [&](size_t n) {
    for (; leidos < n; ++leidos) {
      const Respuesta b = Esperar_byte(ventana_, pedido, plazo);
      if (!b.llego) return false;
      r[leidos] = b.byte;
    }
    return true;
  };
  if (!leer_hasta(3)) return;
  e.mpeg4.version_aplicacion = static_cast<uint16_t>(r[1] << 8 | r[2]);
  if (!leer_hasta(5)) return;
  e.mpeg4.build_aplicacion = static_cast<uint16_t>(r[3] << 8 | r[4]);
  if (!leer_hasta(6)) return;
  e.mpeg4.version_decoders = r[5];
  if (!leer_hasta(7)) return;
  e.mpeg4.version_boot = r[6];

  // The module's serial number: read off the line and not kept.
  Drenar(puerto);
  if (!Enviar_byte(puerto, kPedir_serie_mpeg4, "Serie_mpeg4")) return;
  const int64_t pedido_serie = reloj.Segundos();
  if (!Esperar_byte(ventana_, pedido_serie, Plazo::Menos_de(kEspera_serie_s))
           .Es(kRespuesta_serie_mpeg4, kMaximo_serie_s)) {
    return;
  }
  if (!Esperar_byte(ventana_, pedido_serie, Plazo::Menos_de(kEspera_resto_serie_s)).llego) return;
  std::array<uint8_t, kBytes_serie_mpeg4> serie{};
  Leer_bytes(ventana_, serie, reloj.Segundos(), Plazo::Menos_de(kEspera_resto_serie_s));
}

bool Conexion::Decidir_mpeg4() {
  Estado_ventana& e = ventana_.Estado();
  Info_mpeg4();
  if (e.mpeg4.version_aplicacion == 0) {
    // The module is not running its application yet: let the meter go, give it
    // time, and ask again.
    Puerto_serie& puerto = ventana_.Puerto();
    Soltar_byte(puerto);
    puerto.Cerrar();
    e.conectado = false;
    Pausa(ventana_, kPausa_mpeg4_cero_ms);
    Reconectar();
    Info_mpeg4();
    if (e.mpeg4.version_aplicacion == 0) return false;
  }
  return Regla_mpeg4(e.mpeg4);
}

bool Conexion::Medidor_listo() {
  Estado_ventana& e = ventana_.Estado();
  std::array<uint8_t, 32> estado{};
  Leer_bytes_memoria(0x00, kOffset_estado, estado.data(), estado.size());
  // In the boot stage an erased block (a burn cut short erased its segment) is no
  // reading of the hardware: the last reading of this session stands.
  if (!e.modo_arranque || !Bytes_borrados(estado))
    e.estado_b5 = (estado[kByte_estado_b5] & kBit_estado_b5) == 0;
  if (!e.familia_valida || e.region_usa || e.familia_ajena) return false;
  return e.Check_teclado || e.Check_borrar || e.Check_planes || e.Check_configuracion ||
         e.Check_fpga || e.Check_firmware || e.Check_mpeg4_apl;
}

bool Conexion::Cambiar_velocidad_medidor(uint32_t baudios) {
  Estado_ventana& e = ventana_.Estado();
  uint8_t codigo = 0;
  switch (baudios) {
    case 500000:
      codigo = kCodigo_500000;
      break;
    case 250000:
      codigo = kCodigo_250000;
      break;
    case 115200:
      codigo = kCodigo_115200;
      break;
    default:
      // The meter knows no other rate: nothing is sent, the switch failed.
      e.Fijar_error(kError_cambio_velocidad,
                    Fallo{0, "Cambiar_velocidad_medidor", "500000, 250000 o 115200 baudios",
                          Llegada::bytes, std::to_string(baudios)});
      return false;
  }
  // The two-byte parameter travels as one whole staging block, padded with zeros.
  std::array<uint8_t, kDatos_bloque_staging> bloque{};
  bloque[0] = codigo;
  if (Resultado r = Subir_bloques(ventana_, 2, bloque); !r) {
    e.Fijar_error(kError_cambio_velocidad, *r.Motivo());
    return false;
  }
  Pausa(ventana_, kPausa_cambio_velocidad_ms);
  const std::array<uint8_t, 2> parametro{codigo, 0x00};
  // A request the port did not take leaves the meter at the old rate: the
  // reconnect at the new one tells.
  (void)Escribir_memoria(ventana_, parametro, 0x00, kOffset_velocidad);
  // The request must have left the line at the old rate before the caller
  // reopens the port at the new one; bytes still on their way when the rate
  // changes arrive as garbage and the meter never switches.
  Pausa(ventana_, kPausa_tras_orden_velocidad_ms);
  return true;
}

bool Conexion::Es_windows64() {
  return consulta_windows64 ? consulta_windows64() : ::r27::Es_windows64();
}

void Conexion::Cambiar_velocidad_puerto(uint32_t baudios) {
  Estado_ventana& e = ventana_.Estado();
  e.linea.BaudRate = baudios;
  ventana_.Puerto().Abrir(e.puerto, e.linea);
}

}  // namespace r27
