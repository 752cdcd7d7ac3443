// Programming of the meter's main processor: loader stages, staging erase,
// firmware blocks and the flash burn.
#include "flash/tcdiferencial.h"

#include <algorithm>
#include <string>

#include "components/memoria_medidor.h"
#include "flash/avance_grabacion.h"
#include "flash/subida_graficos.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "link/peticiones.h"

namespace r27 {

namespace {

constexpr std::array<uint8_t, 3> kCabecera_primera_etapa{0x04, 0x90, 0x00};  // 144, LE
constexpr std::array<uint8_t, 3> kCabecera_segunda_etapa{0x04, 0x48, 0x04};  // 1096, LE
constexpr std::array<uint8_t, 1> kOrden_listo{0xAA};
constexpr uint8_t kRespuesta_listo = 'f';
constexpr auto kBorrado_staging =
    Orden_borrado_staging(kSegmento_firmware_base, kUltimo_segmento_staging_firmware);
constexpr std::array<uint8_t, 2> kOrden_grabar{0x09, 0x40};

}  // namespace

TCDiferencial::TCDiferencial(Interfaz_ventana& ventana)
    : imagenes(ventana.Arranque()), ventana_(ventana) {}

Resultado TCDiferencial::Cargar_arranque() {
  constexpr std::string_view kPeticion = "Cargar_arranque";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  // The bootstrap load goes on whatever the bus answers.
  (void)Activar_bus(ventana_);
  if (Subida_graficos* g = ventana_.Graficos()) g->activo = false;
  Drenar(puerto);
  if (Resultado r = Escribir_todo(puerto, imagenes.Arranque(), kPeticion); !r) return r;
  Pausa(ventana_, kPausa_tras_imagen_ms);
  Drenar(puerto);
  if (Resultado r = Escribir_todo(puerto, imagenes.Segunda_etapa(), kPeticion); !r) return r;
  ventana_.Estado().inicio_operacion = reloj.Segundos();
  Pausa(ventana_, kPausa_tras_imagen_ms);
  const Respuesta r =
      Esperar_byte(ventana_, ventana_.Estado().inicio_operacion, Plazo::Hasta(kEspera_arranque_s));
  if (r.Es(kRespuesta_cargado)) return {};
  if (r.llego) Pitido_fallo(ventana_);
  return Abandono(puerto, kPeticion, "0xAD", r);
}

Resultado TCDiferencial::Cargar_primera_etapa() {
  constexpr std::string_view kPeticion = "Cargar_primera_etapa";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Estado_ventana& estado = ventana_.Estado();
  Drenar(puerto);
  if (Resultado r = Escribir_todo(puerto, kCabecera_primera_etapa, kPeticion); !r) return r;
  if (Resultado r = Escribir_todo(puerto, imagenes.Primera_etapa(), kPeticion); !r) return r;
  estado.inicio_operacion = reloj.Segundos();
  const Respuesta r =
      Esperar_byte(ventana_, estado.inicio_operacion, Plazo::Hasta(kEspera_primera_etapa_s));
  if (!r.llego) return Abandono(puerto, kPeticion, "0x4A o 0x40", r);
  Subida_graficos* graficos = ventana_.Graficos();
  if (graficos) graficos->activo = false;
  if (r.byte == kRespuesta_con_graficos) {
    // Where the image area lies: segment byte, address high, address low; a byte
    // that does not come in time reads as 0.
    std::array<uint8_t, 3> lugar{};
    for (uint8_t& b : lugar)
      b = Esperar_byte(ventana_, estado.inicio_operacion, Plazo::Menos_de(kEspera_primera_etapa_s))
              .byte;
    if (graficos) {
      graficos->activo = true;
      graficos->segmento_base = lugar[0];
      graficos->direccion_base = static_cast<uint16_t>((lugar[1] << 8) | lugar[2]);
    }
  } else if (r.byte != kRespuesta_sin_graficos) {
    return Abandono(puerto, kPeticion, "0x4A o 0x40", r);
  }
  Pausa(ventana_, kPausa_tras_etapa_ms);
  return {};
}

Resultado TCDiferencial::Cargar_segunda_etapa() {
  constexpr std::string_view kPeticion = "Cargar_segunda_etapa";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Estado_ventana& estado = ventana_.Estado();
  Drenar(puerto);
  estado.inicio_operacion = reloj.Segundos();
  // The loader running in the meter takes the header and the program in small
  // writes with a pause after each.
  for (size_t i = 0; i < kCabecera_segunda_etapa.size(); ++i) {
    if (Resultado r =
            Escribir_todo(puerto, std::span(kCabecera_segunda_etapa).subspan(i, 1), kPeticion);
        !r)
      return r;
    reloj.Dormir_ms(kPausa_entre_escrituras_ms);
  }
  const auto programa = imagenes.Segunda_etapa();
  // The program goes in some hundred small writes: window messages run between
  // them every half step of a pause, so the window stays alive.
  uint32_t mensajes_ms = reloj.Ticks_ms();
  for (size_t i = 0; i < programa.size(); i += kTrozo_segunda_etapa) {
    const auto trozo = programa.subspan(i, std::min(kTrozo_segunda_etapa, programa.size() - i));
    if (Resultado r = Escribir_todo(puerto, trozo, kPeticion); !r) return r;
    reloj.Dormir_ms(kPausa_entre_escrituras_ms);
    if (reloj.Ticks_ms() - mensajes_ms >= kPaso_pausa_ms / 2) {
      ventana_.Procesar_mensajes();
      mensajes_ms = reloj.Ticks_ms();
    }
  }
  estado.inicio_operacion = reloj.Segundos();
  Pausa(ventana_, kPausa_tras_imagen_ms);
  const Plazo plazo = Plazo::Hasta(kEspera_segunda_etapa_s);
  const Respuesta primera = Esperar_byte(ventana_, estado.inicio_operacion, plazo);
  if (!primera.llego) return Abandono(puerto, kPeticion, "un byte", primera);
  const Respuesta cargado =
      Esperar_byte_igual(ventana_, kRespuesta_cargado, estado.inicio_operacion, plazo);
  if (!cargado.llego) return Abandono(puerto, kPeticion, "0xAD", cargado);
  Pausa(ventana_, kPausa_tras_etapa_ms);
  return {};
}

Resultado TCDiferencial::Preparar_memoria() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Intentos_peticion listo(puerto, "Preparar_memoria (listo)");
  if (!Reintentar(ventana_, kIntentos_listo, kPausa_tras_intento_ms, [&] {
        Drenar(puerto);
        if (!listo.Escribir(kOrden_listo)) return false;
        const Respuesta r =
            Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_listo_s));
        return r.Es(kRespuesta_listo, kMaximo_listo_s) || listo.Fallar("0x66 en 2 s", r);
      }))
    return listo.Abandono();
  Intentos_peticion borrado(puerto, "Preparar_memoria (borrado)");
  if (!Reintentar(ventana_, kIntentos_borrado_staging, kPausa_tras_intento_ms, [&] {
        Drenar(puerto);
        if (!borrado.Escribir(kBorrado_staging)) return false;
        const Respuesta r =
            Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_borrado_staging_s));
        return r.Es(kRespuesta_borrado_staging, kMaximo_borrado_staging_s) ||
               borrado.Fallar("0x70 en 4 s", r);
      }))
    return borrado.Abandono();
  return {};
}

Resultado TCDiferencial::Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos) {
  return r27::Enviar_bloque(ventana_, kEmisor_firmware, segmento, direccion, datos);
}

Resultado TCDiferencial::Enviar_firmware() {
  constexpr std::string_view kPeticion = "Enviar_firmware";
  Puerto_serie& puerto = ventana_.Puerto();
  Lector_lineas* lineas = ventana_.Lineas_firmware();
  Lector_hex* hex = ventana_.Hex_firmware();
  if (lineas == nullptr || hex == nullptr) {
    // The start-up parse found the image damaged and kept no reader.
    Pitido_fallo(ventana_);
    return Abandono(puerto, kPeticion, "la imagen del firmware", Llegada::nada,
                    "ninguna: la imagen incrustada esta danada");
  }
  lineas->Posicionar(0);
  hex->Reiniciar_lineas();
  ventana_.Barra_progreso().Fijar_rango(0, hex->numero_registros);

  std::array<uint8_t, 256> datos_registro{};
  Registro_hex registro;
  registro.datos = datos_registro.data();
  Bloques_firmware bloques(segmentos);
  segmento = 0;
  registros_sin_segmento = 0;
  for (int contador = 0;; ++contador) {
    if (hex->Leer_registro(registro) != kRegistro_valido) {
      Pitido_fallo(ventana_);
      return Abandono(puerto, kPeticion, "un registro HEX valido", Llegada::nada,
                      "la linea " + std::to_string(hex->Linea() + 1) + " no lo es");
    }
    const Bloques_firmware::Paso paso = bloques.Tomar(registro);
    if (Resultado r = Enviar_listos(bloques); !r) return r;
    segmento = bloques.Segmento();
    registros_sin_segmento = bloques.Registros_sin_segmento();
    if (paso == Bloques_firmware::Paso::sin_segmento) {
      Pitido_fallo(ventana_);
      return Abandono(puerto, kPeticion, "el segmento del registro 04", Llegada::nada,
                      "la linea " + std::to_string(hex->Linea() + 1) + " no lo trae");
    }
    Mostrar_envio(contador);
    ventana_.Procesar_mensajes();
    if (ventana_.Cancelada()) {
      Pausa(ventana_, kPausa_abortar_firmware_ms);
      return Abandono(puerto, kPeticion, "el registro siguiente", Llegada::cancelada);
    }
    if (paso == Bloques_firmware::Paso::fin) return {};
  }
}

Resultado TCDiferencial::Enviar_listos(const Bloques_firmware& bloques) {
  for (const Bloque_firmware& b : bloques.Listos()) {
    segmento = b.segmento;
    if (Resultado r = Enviar_bloque(b.direccion, b.Datos()); !r) return r;
  }
  return {};
}

void TCDiferencial::Mostrar_envio(int contador) {
  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_posicion(contador);
  if (paso.Maximo() > 0)
    ventana_.ProgressBar_general().Fijar_posicion(ventana_.Estado().progreso_base +
                                                  contador * kParte_envio_firmware / paso.Maximo());
}

Resultado TCDiferencial::Grabar_flash() {
  constexpr std::string_view kPeticion = "Grabar_flash";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Estado_ventana& estado = ventana_.Estado();
  borrando = false;
  grabando = false;
  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_rango(0, kSegmentos_mapa);
  paso.Fijar_posicion(0);

  Drenar(puerto);
  std::array<uint8_t, kOrden_grabar.size() + kSegmentos_mapa> orden{};
  std::copy(kOrden_grabar.begin(), kOrden_grabar.end(), orden.begin());
  std::copy(segmentos.begin(), segmentos.end(), orden.begin() + kOrden_grabar.size());
  if (estado.Check_fpga) {
    // The FPGA configurations staged earlier in the same update.
    for (int k = kPrimer_segmento_fpga; k <= kUltimo_segmento_fpga; ++k)
      orden[kOrden_grabar.size() + static_cast<size_t>(k)] = 1;
  }
  if (Resultado r = Escribir_todo(puerto, orden, kPeticion); !r) return r;
  estado.inicio_operacion = reloj.Segundos();

  Avance_grabacion avance;
  for (;;) {
    const Respuesta r =
        Esperar_byte(ventana_, estado.inicio_operacion, Plazo::Menos_de(kEspera_grabacion_s));
    if (!r.llego) return Abandono(puerto, kPeticion, "0x80 0x80", r);
    const Paso_grabacion juicio = avance.Recibir(r.byte);
    borrando = avance.Borrando();
    grabando = avance.Grabando();
    switch (juicio) {
      case Paso_grabacion::Completa:
        return {};
      case Paso_grabacion::Rechazada: {
        Pitido_fallo(ventana_);
        Fallo f = Abandono(puerto, kPeticion, "0x8A 0x8A o 0x8B 0x8B", r);
        Escuchar_hasta_fin_grabacion(ventana_, estado.inicio_operacion, kEspera_grabacion_s);
        return f;
      }
      case Paso_grabacion::Seguir:
        Mostrar_avance(r.byte);
        break;
      case Paso_grabacion::Borrando:
      case Paso_grabacion::Grabando:
        break;
    }
    ventana_.Procesar_mensajes();
    Pausa(ventana_, kPausa_avance_ms);
  }
}

void TCDiferencial::Mostrar_avance(uint8_t b) {
  if (b == Avance_grabacion::kBorrando || b == Avance_grabacion::kGrabando) return;
  Estado_ventana& estado = ventana_.Estado();
  if (b == Avance_grabacion::kCompleta && grabando && estado.ultimo_avance >= 0) return;
  // While erasing the meter counts up from 7; while programming it names the
  // segment byte it writes.
  const int valor = grabando ? b - kSegmento_firmware_base : (b <= 7 ? 0 : b - 6);
  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_posicion(valor);
  if (paso.Maximo() > 0)
    ventana_.ProgressBar_general().Fijar_posicion(
        estado.progreso_base + paso.Posicion() * kParte_grabacion / paso.Maximo());
  estado.ultimo_avance = valor;
  ventana_.Procesar_mensajes();
}

void TCDiferencial::Fin_grabacion() {
  // Nothing is awaited: a write the port did not take is on the trace only.
  (void)Escribir_todo(ventana_.Puerto(), kOrden_fin, "Fin_grabacion");
  Drenar(ventana_.Puerto());
}

void TCDiferencial::Button_diferencial_okClick() {
  ventana_.Estado().diferencial = true;
  ventana_.Estado().inicio_operacion = ventana_.Reloj_().Segundos();
  dialogo.visible = false;
}

void TCDiferencial::Button_diferencial_cancelClick() {
  ventana_.Estado().diferencial = false;
  dialogo.visible = false;
}

}  // namespace r27
