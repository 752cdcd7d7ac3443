// Programming of the meter's main processor: loader stages, staging erase,
// firmware blocks and the flash burn.
#include "flash/tcdiferencial.h"

#include <algorithm>

#include "components/memoria_medidor.h"
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
constexpr std::array<uint8_t, 8> kBorrado_staging{0x07, 0x06, 0x00, 0x00, 0xAB, 0xFD, 0xFF, 0xC9};
constexpr uint8_t kRespuesta_borrado = 'p';
constexpr std::array<uint8_t, 2> kOrden_grabar{0x09, 0x40};
constexpr std::array<uint8_t, 2> kOrden_fin{0x0F, 0x00};

}  // namespace

TCDiferencial::TCDiferencial(Interfaz_ventana& ventana) : ventana_(ventana) {}

bool TCDiferencial::Cargar_arranque() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Activar_bus(ventana_);  // the bootstrap load goes on whatever it answers
  if (Subida_graficos* g = ventana_.Graficos()) g->activo = false;
  Drenar(puerto);
  Escribir_todo(puerto, imagenes.Arranque());
  reloj.Dormir_ms(kPausa_tras_imagen_ms);
  Drenar(puerto);
  Escribir_todo(puerto, imagenes.Segunda_etapa());
  ventana_.Estado().inicio_operacion = reloj.Segundos();
  reloj.Dormir_ms(kPausa_tras_imagen_ms);
  const Respuesta r =
      Esperar_byte(ventana_, ventana_.Estado().inicio_operacion, Plazo::Hasta(kEspera_arranque_s));
  if (r.Es(kRespuesta_cargado)) return true;
  Anotar_abandono(puerto, "Cargar_arranque", "0xAD", r);
  if (r.llego) Pitido_fallo(ventana_);
  return false;
}

bool TCDiferencial::Cargar_primera_etapa() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Estado_ventana& estado = ventana_.Estado();
  Drenar(puerto);
  Escribir_todo(puerto, kCabecera_primera_etapa);
  Escribir_todo(puerto, imagenes.Primera_etapa());
  estado.inicio_operacion = reloj.Segundos();
  const Respuesta r =
      Esperar_byte(ventana_, estado.inicio_operacion, Plazo::Hasta(kEspera_primera_etapa_s));
  if (!r.llego) {
    Anotar_abandono(puerto, "Cargar_primera_etapa", "0x4A o 0x40", r);
    return false;
  }
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
    Anotar_abandono(puerto, "Cargar_primera_etapa", "0x4A o 0x40", r);
    return false;
  }
  reloj.Dormir_ms(kPausa_tras_etapa_ms);
  return true;
}

bool TCDiferencial::Cargar_segunda_etapa() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Estado_ventana& estado = ventana_.Estado();
  Drenar(puerto);
  estado.inicio_operacion = reloj.Segundos();
  // The loader running in the meter takes the header and the program in small
  // writes with a pause after each.
  for (uint8_t b : kCabecera_segunda_etapa) {
    puerto.Escribir(&b, 1);
    reloj.Dormir_ms(kPausa_entre_escrituras_ms);
  }
  const auto programa = imagenes.Segunda_etapa();
  for (size_t i = 0; i < programa.size(); i += kTrozo_segunda_etapa) {
    Escribir_todo(puerto, programa.subspan(i, std::min(kTrozo_segunda_etapa, programa.size() - i)));
    reloj.Dormir_ms(kPausa_entre_escrituras_ms);
  }
  estado.inicio_operacion = reloj.Segundos();
  reloj.Dormir_ms(kPausa_tras_imagen_ms);
  const Plazo plazo = Plazo::Hasta(kEspera_segunda_etapa_s);
  const Respuesta primera = Esperar_byte(ventana_, estado.inicio_operacion, plazo);
  if (!primera.llego) {
    Anotar_abandono(puerto, "Cargar_segunda_etapa", "un byte", primera);
    return false;
  }
  const Respuesta cargado =
      Esperar_byte_igual(ventana_, kRespuesta_cargado, estado.inicio_operacion, plazo);
  if (!cargado.llego) {
    Anotar_abandono(puerto, "Cargar_segunda_etapa", "0xAD", cargado);
    return false;
  }
  reloj.Dormir_ms(kPausa_tras_etapa_ms);
  return true;
}

bool TCDiferencial::Preparar_memoria() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Respuesta r;
  const bool listo = Reintentar(reloj, kIntentos_listo, kPausa_tras_intento_ms, [&] {
    Drenar(puerto);
    Escribir_todo(puerto, kOrden_listo);
    r = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_listo_s));
    return r.Es(kRespuesta_listo, kMaximo_listo_s);
  });
  if (!listo) {
    Anotar_abandono(puerto, "Preparar_memoria (listo)", "0x66", r);
    return false;
  }
  const bool borrado = Reintentar(reloj, kIntentos_borrado_staging, kPausa_tras_intento_ms, [&] {
    Drenar(puerto);
    Escribir_todo(puerto, kBorrado_staging);
    r = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_borrado_staging_s));
    return r.Es(kRespuesta_borrado, kMaximo_borrado_staging_s);
  });
  if (!borrado) Anotar_abandono(puerto, "Preparar_memoria (borrado)", "0x70", r);
  return borrado;
}

bool TCDiferencial::Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos) {
  return r27::Enviar_bloque(ventana_, kEmisor_firmware, segmento, direccion, datos);
}

bool TCDiferencial::Enviar_firmware() {
  Lector_lineas* lineas = ventana_.Lineas_firmware();
  Lector_hex* hex = ventana_.Hex_firmware();
  if (lineas == nullptr || hex == nullptr) {
    // The start-up parse found the image damaged and kept no reader.
    Pitido_fallo(ventana_);
    return false;
  }
  Estado_ventana& estado = ventana_.Estado();
  Barra& paso = ventana_.Barra_progreso();
  Barra& general = ventana_.ProgressBar_general();
  lineas->Posicionar(0);
  hex->Reiniciar_lineas();
  paso.Fijar_rango(0, hex->numero_registros);

  std::array<uint8_t, 256> datos_registro{};
  Registro_hex registro;
  registro.datos = datos_registro.data();
  std::array<uint8_t, kTamano_paquete_bloque> bloque{};
  size_t longitud = 0;
  uint32_t inicio_bloque = 0;
  int indice_segmento = -1;  // none before the first extended linear address record
  segmento = 0;
  registros_sin_segmento = 0;

  auto enviar_pendiente = [&] {
    if (longitud == 0) return true;
    const bool ok = Enviar_bloque(static_cast<uint16_t>(inicio_bloque),
                                  std::span<const uint8_t>(bloque.data(), longitud));
    longitud = 0;
    return ok;
  };

  bool fin = false;
  for (int contador = 0; !fin; ++contador) {
    if (hex->Leer_registro(registro) != kRegistro_valido) {
      Pitido_fallo(ventana_);
      return false;
    }
    switch (registro.tipo) {
      case kTipo_datos: {
        if (indice_segmento < 0) {
          ++registros_sin_segmento;
          break;
        }
        if (indice_segmento >= kSegmentos_mapa || segmentos[indice_segmento] == 0) break;
        const size_t n = registro.longitud;
        const bool seguido = longitud > 0 && inicio_bloque + longitud == registro.direccion;
        if (!seguido || longitud + n > kMaximo_datos_bloque) {
          // A gap (or a block that would outgrow the packet) sends what is pending.
          if (!enviar_pendiente()) return false;
          inicio_bloque = registro.direccion;
        }
        std::copy_n(registro.datos, n, bloque.begin() + static_cast<ptrdiff_t>(longitud));
        longitud += n;
        if (longitud > kMaximo_datos_bloque) {
          // Only a single record of 252..255 bytes gets here: its head goes alone.
          if (!Enviar_bloque(static_cast<uint16_t>(inicio_bloque),
                             std::span<const uint8_t>(bloque.data(), kMaximo_datos_bloque)))
            return false;
          std::copy(bloque.begin() + kMaximo_datos_bloque,
                    bloque.begin() + static_cast<ptrdiff_t>(longitud), bloque.begin());
          longitud -= kMaximo_datos_bloque;
          inicio_bloque += kMaximo_datos_bloque;
        }
        if (longitud > kLongitud_envio_bloque && !enviar_pendiente()) return false;
        break;
      }
      case kTipo_direccion_lineal:
        if (!enviar_pendiente()) return false;
        if (registro.longitud < 2) {  // no segment number to take
          Pitido_fallo(ventana_);
          return false;
        }
        indice_segmento = registro.datos[1];
        segmento = static_cast<uint8_t>(kSegmento_firmware_base + registro.datos[1]);
        break;
      case kTipo_fin:
        if (!enviar_pendiente()) return false;
        fin = true;
        break;
      default:
        break;
    }
    paso.Fijar_posicion(contador);
    if (paso.Maximo() > 0)
      general.Fijar_posicion(estado.progreso_base +
                             contador * kParte_envio_firmware / paso.Maximo());
    ventana_.Procesar_mensajes();
    if (estado.abortar) {
      ventana_.Reloj_().Dormir_ms(kPausa_abortar_firmware_ms);
      return false;
    }
  }
  return true;
}

bool TCDiferencial::Grabar_flash() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Estado_ventana& estado = ventana_.Estado();
  borrando = false;
  grabando = false;
  uint8_t previo = 0;
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
  Escribir_todo(puerto, orden);
  estado.inicio_operacion = reloj.Segundos();

  for (;;) {
    const Respuesta r =
        Esperar_byte(ventana_, estado.inicio_operacion, Plazo::Menos_de(kEspera_grabacion_s));
    if (!r.llego) {
      Anotar_abandono(puerto, "Grabar_flash", "0x80 0x80", r);
      return false;
    }
    const uint8_t b = r.byte;
    if (b == kFase_borrado) {
      if (previo == kFase_borrado) {
        borrando = true;
        grabando = false;
      } else {
        Mostrar_avance(b);
      }
    } else if (b == kFase_programacion) {
      if (previo == kFase_programacion) {
        grabando = true;
        borrando = false;
      } else {
        Mostrar_avance(b);
      }
    } else if (b == kFin_grabacion) {
      if (previo == kFin_grabacion) return true;
      Mostrar_avance(b);
    } else {
      if (!borrando && !grabando) {
        Anotar_abandono(puerto, "Grabar_flash", "0x8A 0x8A o 0x8B 0x8B", r);
        Pitido_fallo(ventana_);
        return false;
      }
      Mostrar_avance(b);
    }
    previo = b;
    ventana_.Procesar_mensajes();
    reloj.Dormir_ms(kPausa_avance_ms);
  }
}

void TCDiferencial::Mostrar_avance(uint8_t b) {
  if (b == kFase_borrado || b == kFase_programacion) return;
  Estado_ventana& estado = ventana_.Estado();
  if (b == kFin_grabacion && grabando && estado.ultimo_avance >= 0) return;
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
  Escribir_todo(ventana_.Puerto(), kOrden_fin);
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
