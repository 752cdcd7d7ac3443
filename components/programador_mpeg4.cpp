// The MPEG-4 module application upload: staging erase, the two staged images,
// the start of the module update and the wait for its end.
#include "components/programador_mpeg4.h"

#include <algorithm>

#include "components/tramas_mpeg4.h"
#include "flash/subida_graficos.h"
#include "incrustado/mpeg4_aplicacion.h"
#include "incrustado/mpeg4_etapa2.h"
#include "link/codigos_resultado.h"
#include "link/peticiones.h"

namespace r27 {

std::span<const uint8_t> Aplicacion_mpeg4() { return datos::mpeg4_aplicacion(); }
std::span<const uint8_t> Etapa2_mpeg4() { return datos::mpeg4_etapa2(); }

Programador_mpeg4::Programador_mpeg4(Interfaz_ventana& ventana, Operaciones_conexion& conexion)
    : Programador_mpeg4(ventana, conexion, Aplicacion_mpeg4(), Etapa2_mpeg4()) {}

Programador_mpeg4::Programador_mpeg4(Interfaz_ventana& ventana, Operaciones_conexion& conexion,
                                     std::span<const uint8_t> aplicacion,
                                     std::span<const uint8_t> etapa2)
    : tamano_imagen(static_cast<uint32_t>(aplicacion.size())),
      ventana_(ventana),
      conexion_(conexion),
      aplicacion_(aplicacion),
      etapa2_(etapa2) {}

void Programador_mpeg4::Parchear_entrada() {
  std::ranges::copy(kParche_entrada_mpeg4, imagenes_.Segunda_etapa_escribible().begin() +
                                               Imagenes_arranque::kPosicion_parche_mpeg4);
}

bool Programador_mpeg4::Enviar_bloque(uint16_t direccion_bloque, std::span<const uint8_t> datos) {
  return r27::Enviar_bloque(ventana_, kEmisor_mpeg4, segmento, direccion_bloque, datos);
}

bool Programador_mpeg4::Fallar(int32_t codigo) {
  ventana_.Estado().Fijar_error(codigo);
  return false;
}

bool Programador_mpeg4::Actualizar_mpeg4(int /*parametro*/) {
  Estado_ventana& estado = ventana_.Estado();
  if (!Etapa1()) return Fallar(kCodigo_mpeg4_etapa1);
  estado.progreso_base += kParte_etapa1_mpeg4;
  ventana_.ProgressBar_general().Fijar_posicion(estado.progreso_base);
  if (!Etapa2()) return Fallar(kCodigo_mpeg4_etapa2);
  if (Subida_graficos* g = ventana_.Graficos())
    g->Enviar_imagen(Subida_graficos::kActualizando_mpeg);
  if (estado.abortar) return Fallar(kCodigo_mpeg4_abortado);
  if (!Iniciar_modulo()) return Fallar(kCodigo_mpeg4_sin_inicio);
  ventana_.Reloj_().Dormir_ms(kPausa_tras_inicio_mpeg4_ms);
  // The meter has gone back to 115,200 baud; the port follows unless the line
  // never left that rate (under WOW64 the fast rate is not used).
  if (!conexion_.Es_windows64()) conexion_.Cambiar_velocidad_puerto(kBaudios_tras_inicio_mpeg4);
  if (!Esperar_fin()) return Fallar(kCodigo_mpeg4_sin_fin);
  return true;
}

bool Programador_mpeg4::Borrar_staging() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Respuesta ultima;
  const bool ok = Reintentar(reloj, kIntentos_borrado_mpeg4, kPausa_tras_borrado_mpeg4_ms, [&] {
    Drenar(puerto);
    Escribir_todo(puerto, kBorrado_staging_mpeg4);
    ultima = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_borrado_mpeg4_s));
    if (ultima.Es(kRespuesta_borrado_mpeg4)) return true;
    Pitido_fallo(ventana_);
    return false;
  });
  if (!ok) Anotar_abandono(puerto, "Actualizar_mpeg4 (borrado)", "0x70", ultima);
  return ok;
}

bool Programador_mpeg4::Etapa1() {
  Estado_ventana& estado = ventana_.Estado();
  Reloj& reloj = ventana_.Reloj_();
  bytes_enviados = 0;
  estado.inicio_operacion = reloj.Segundos();
  if (!Borrar_staging()) return false;

  reloj.Dormir_ms(kPausa_antes_imagen_mpeg4_ms);
  if (Subida_graficos* g = ventana_.Graficos()) {
    g->Borrar_graficos();
    g->Enviar_imagen(Subida_graficos::kCargando_mpeg);
  }
  if (estado.abortar) return false;

  const auto plan = Plan_etapa1_mpeg4(tamano_imagen);
  // Nothing, more than the staging range holds, or more than the image has.
  if (plan.empty() || tamano_imagen > aplicacion_.size()) return false;
  Barra& paso = ventana_.Barra_progreso();
  Barra& general = ventana_.ProgressBar_general();
  const int maximo = static_cast<int>(tamano_imagen / kDatos_bloque_etapa1_mpeg4);
  paso.Fijar_rango(0, maximo);
  for (size_t n = 0; n < plan.size(); ++n) {
    const Bloque_mpeg4& b = plan[n];
    segmento = b.segmento;
    direccion = b.direccion;
    if (!Enviar_bloque(direccion, aplicacion_.subspan(b.desplazamiento, b.longitud))) {
      return false;  // the sender has said why
    }
    bytes_enviados += b.longitud;
    const int enviados_antes = static_cast<int>(n);
    paso.Fijar_posicion(enviados_antes);
    if (maximo > 0)
      general.Fijar_posicion(estado.progreso_base + enviados_antes * kParte_etapa1_mpeg4 / maximo);
    ventana_.Procesar_mensajes();
    if (estado.abortar) {
      reloj.Dormir_ms(kPausa_abortar_mpeg4_ms);
      return false;
    }
  }
  return true;
}

bool Programador_mpeg4::Etapa2() {
  Estado_ventana& estado = ventana_.Estado();
  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_rango(0, static_cast<int>(etapa2_.size()));
  bytes_enviados = 0;
  const auto plan = Plan_etapa2_mpeg4(static_cast<uint32_t>(etapa2_.size()));
  if (plan.empty()) return false;  // nothing, or more than one segment
  for (const Bloque_mpeg4& b : plan) {
    segmento = b.segmento;
    direccion = b.direccion;
    if (!Enviar_bloque(direccion, etapa2_.subspan(b.desplazamiento, b.longitud))) {
      return false;
    }
    bytes_enviados += b.longitud;
    paso.Fijar_posicion(static_cast<int>(bytes_enviados));
    ventana_.Procesar_mensajes();
    if (estado.abortar) {
      ventana_.Reloj_().Dormir_ms(kPausa_abortar_mpeg4_ms);
      return false;
    }
  }
  return true;
}

bool Programador_mpeg4::Iniciar_modulo() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Drenar(puerto);
  Escribir_todo(puerto, kOrden_preparar_mpeg4);
  const Respuesta r =
      Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_preparado_mpeg4_s));
  if (!r.llego) {
    Anotar_abandono(puerto, "Actualizar_mpeg4 (0x0D 0x00)", "un byte", r);
    Pitido_fallo(ventana_);
    return false;
  }
  Escribir_todo(puerto, Orden_inicio_mpeg4(ventana_.Estado().region_usa, tamano_imagen));
  return true;
}

bool Programador_mpeg4::Esperar_fin() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  const int32_t base = ventana_.Estado().progreso_base;
  Barra& paso = ventana_.Barra_progreso();
  Barra& general = ventana_.ProgressBar_general();
  paso.Fijar_rango(0, static_cast<int>(kAvance_fin_mpeg4_s));
  const int64_t inicio = reloj.Segundos();
  Respuesta r;
  for (;;) {
    uint8_t b = 0;
    if (puerto.Leer(&b, 1) == 1) {
      r.llego = true;
      r.byte = b;
      if (b == kFin_mpeg4) return true;
    }
    ventana_.Procesar_mensajes();
    reloj.Dormir_ms(kIntervalo_fin_mpeg4_ms);
    const int64_t transcurrido = reloj.Segundos() - inicio;
    if (transcurrido >= kEspera_fin_mpeg4_s) {
      r.transcurrido_s = transcurrido;
      Anotar_abandono(puerto, "Actualizar_mpeg4 (fin)", "0xBB", r);
      return false;
    }
    if (transcurrido < kAvance_fin_mpeg4_s) {
      paso.Fijar_posicion(static_cast<int>(transcurrido));
      general.Fijar_posicion(
          base + static_cast<int32_t>(transcurrido * kParte_espera_mpeg4 / kAvance_fin_mpeg4_s));
    }
  }
}

}  // namespace r27
