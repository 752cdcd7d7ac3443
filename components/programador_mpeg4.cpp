// The MPEG-4 module application upload: staging erase, the two staged images,
// the start of the module update and the wait for its end.
#include "components/programador_mpeg4.h"

#include <algorithm>
#include <cstdio>
#include <string>

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
      imagenes_(ventana.Arranque()),
      aplicacion_(aplicacion),
      etapa2_(etapa2) {}

void Programador_mpeg4::Parchear_entrada() {
  std::ranges::copy(kParche_entrada_mpeg4, imagenes_.Segunda_etapa_escribible().begin() +
                                               Imagenes_arranque::kPosicion_parche_mpeg4);
}

bool Programador_mpeg4::Enviar_bloque(uint16_t direccion_bloque, std::span<const uint8_t> datos) {
  return static_cast<bool>(
      r27::Enviar_bloque(ventana_, kEmisor_mpeg4, segmento, direccion_bloque, datos));
}

Resultado Programador_mpeg4::Fallar(Fallo fallo, int32_t codigo) {
  fallo.codigo = codigo;
  ventana_.Fijar_error(fallo);
  return fallo;
}

Fallo Programador_mpeg4::Fallo_bloque(int etapa) {
  Puerto_serie& puerto = ventana_.Puerto();
  char peticion[48];
  std::snprintf(peticion, sizeof peticion, "Actualizar_mpeg4 (etapa %d, bloque %02X:%04X)", etapa,
                segmento, direccion);
  if (ventana_.Cancelada()) return Abandono(puerto, peticion, "0x30", Llegada::cancelada);
  if (!puerto.Esta_abierto()) return Abandono(puerto, peticion, "0x30", Llegada::sin_conexion);
  return Abandono(puerto, peticion, "0x30", Llegada::nada,
                  "otro byte o nada, tambien al reenviarlo");
}

Fallo Programador_mpeg4::Fallo_cancelada(int etapa) {
  char peticion[32];
  std::snprintf(peticion, sizeof peticion, "Actualizar_mpeg4 (etapa %d)", etapa);
  return Abandono(ventana_.Puerto(), peticion, "la etapa entera", Llegada::cancelada);
}

Resultado Programador_mpeg4::Actualizar_mpeg4(int /*parametro*/, bool region_usa) {
  Estado_ventana& estado = ventana_.Estado();
  if (Resultado r = Etapa1(); !r) return Fallar(*r.Motivo(), kCodigo_mpeg4_etapa1);
  estado.progreso_base += kParte_etapa1_mpeg4;
  ventana_.ProgressBar_general().Fijar_posicion(estado.progreso_base);
  if (Resultado r = Etapa2(); !r) return Fallar(*r.Motivo(), kCodigo_mpeg4_etapa2);
  if (Subida_graficos* g = ventana_.Graficos())
    g->Enviar_imagen(Subida_graficos::kActualizando_mpeg);
  if (ventana_.Cancelada())
    return Fallar(Abandono(ventana_.Puerto(), "Actualizar_mpeg4 (antes del inicio)",
                           "seguir con la actualizacion", Llegada::cancelada),
                  kCodigo_mpeg4_abortado);
  if (Resultado r = Iniciar_modulo(region_usa); !r)
    return Fallar(*r.Motivo(), kCodigo_mpeg4_sin_inicio);
  Pausa(ventana_, kPausa_tras_inicio_mpeg4_ms);
  // A look at the input lets the port notice a meter unplugged during the pause
  // (what came meanwhile is at the old rate, noise): the reopen below then keeps
  // it known, and the wait for the end byte ends at once as an unplug.
  Drenar(ventana_.Puerto());
  // The meter has gone back to 115,200 baud; the port follows unless the line
  // never left that rate (under WOW64 the fast rate is not used).
  if (!conexion_.Es_windows64()) conexion_.Cambiar_velocidad_puerto(kBaudios_tras_inicio_mpeg4);
  if (Resultado r = Esperar_fin(); !r) return Fallar(*r.Motivo(), kCodigo_mpeg4_sin_fin);
  return Resultado::Correcto();
}

Resultado Programador_mpeg4::Borrar_staging() {
  constexpr std::string_view kPeticion = "Actualizar_mpeg4 (borrado)";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  // The last attempt's write (a write the port did not take is a failed attempt) and answer.
  Resultado escritura;
  Respuesta ultima;
  const bool ok = Reintentar(ventana_, kIntentos_borrado_mpeg4, kPausa_tras_borrado_mpeg4_ms, [&] {
    Drenar(puerto);
    escritura = Escribir_todo(puerto, kBorrado_staging_mpeg4, kPeticion);
    if (escritura) {
      ultima = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_borrado_mpeg4_s));
      if (ultima.Es(kRespuesta_borrado_mpeg4)) return true;
    }
    Pitido_fallo(ventana_);
    return false;
  });
  if (ok) return Resultado::Correcto();
  if (!escritura) return escritura;
  return Abandono(puerto, kPeticion, "0x70", ultima);
}

Resultado Programador_mpeg4::Etapa1() {
  Estado_ventana& estado = ventana_.Estado();
  Reloj& reloj = ventana_.Reloj_();
  bytes_enviados = 0;
  estado.inicio_operacion = reloj.Segundos();
  if (Resultado r = Borrar_staging(); !r) return r;

  Pausa(ventana_, kPausa_antes_imagen_mpeg4_ms);
  if (Subida_graficos* g = ventana_.Graficos()) {
    g->Borrar_graficos();
    g->Enviar_imagen(Subida_graficos::kCargando_mpeg);
  }
  if (ventana_.Cancelada()) return Fallo_cancelada(1);

  const auto plan = Plan_etapa1_mpeg4(tamano_imagen);
  // Nothing, more than the staging range holds, or more than the image has.
  if (plan.empty() || tamano_imagen > aplicacion_.size())
    return Abandono(ventana_.Puerto(), "Actualizar_mpeg4 (etapa 1)",
                    "una aplicacion que quepa en la zona de carga", Llegada::nada,
                    std::to_string(tamano_imagen) + " bytes");
  Barra& paso = ventana_.Barra_progreso();
  Barra& general = ventana_.ProgressBar_general();
  const int maximo = static_cast<int>(tamano_imagen / kDatos_bloque_etapa1_mpeg4);
  paso.Fijar_rango(0, maximo);
  for (size_t n = 0; n < plan.size(); ++n) {
    const Bloque_mpeg4& b = plan[n];
    segmento = b.segmento;
    direccion = b.direccion;
    if (!Enviar_bloque(direccion, aplicacion_.subspan(b.desplazamiento, b.longitud)))
      return Fallo_bloque(1);
    bytes_enviados += b.longitud;
    const int enviados_antes = static_cast<int>(n);
    paso.Fijar_posicion(enviados_antes);
    if (maximo > 0)
      general.Fijar_posicion(estado.progreso_base + enviados_antes * kParte_etapa1_mpeg4 / maximo);
    ventana_.Procesar_mensajes();
    if (ventana_.Cancelada()) {
      Pausa(ventana_, kPausa_abortar_mpeg4_ms);
      return Fallo_cancelada(1);
    }
  }
  return Resultado::Correcto();
}

Resultado Programador_mpeg4::Etapa2() {
  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_rango(0, static_cast<int>(etapa2_.size()));
  bytes_enviados = 0;
  const auto plan = Plan_etapa2_mpeg4(static_cast<uint32_t>(etapa2_.size()));
  if (plan.empty())  // nothing, or more than one segment
    return Abandono(ventana_.Puerto(), "Actualizar_mpeg4 (etapa 2)",
                    "un programa de 1 a 65536 bytes", Llegada::nada,
                    std::to_string(etapa2_.size()) + " bytes");
  for (const Bloque_mpeg4& b : plan) {
    segmento = b.segmento;
    direccion = b.direccion;
    if (!Enviar_bloque(direccion, etapa2_.subspan(b.desplazamiento, b.longitud)))
      return Fallo_bloque(2);
    bytes_enviados += b.longitud;
    paso.Fijar_posicion(static_cast<int>(bytes_enviados));
    ventana_.Procesar_mensajes();
    if (ventana_.Cancelada()) {
      Pausa(ventana_, kPausa_abortar_mpeg4_ms);
      return Fallo_cancelada(2);
    }
  }
  return Resultado::Correcto();
}

Resultado Programador_mpeg4::Iniciar_modulo(bool region_usa) {
  constexpr std::string_view kPeticion = "Actualizar_mpeg4 (0x0D 0x00)";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Drenar(puerto);
  Resultado r = Escribir_todo(puerto, kOrden_preparar_mpeg4, kPeticion);
  if (r) {
    const Respuesta respuesta =
        Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_preparado_mpeg4_s));
    r = respuesta.llego ? Escribir_todo(puerto, Orden_inicio_mpeg4(region_usa, tamano_imagen),
                                        "Actualizar_mpeg4 (inicio)")
                        : Resultado(Abandono(puerto, kPeticion, "un byte", respuesta));
  }
  if (!r) Pitido_fallo(ventana_);
  return r;
}

Resultado Programador_mpeg4::Esperar_fin() {
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
      if (b == kFin_mpeg4) return Resultado::Correcto();
    } else if (puerto.Dispositivo_perdido()) {
      // Unplugged: the module's end byte can no longer come.
      r.perdido = true;
      r.transcurrido_s = reloj.Segundos() - inicio;
      return Abandono(puerto, "Actualizar_mpeg4 (fin)", "0xBB", r);
    }
    ventana_.Procesar_mensajes();
    reloj.Dormir_ms(kIntervalo_fin_mpeg4_ms);
    const int64_t transcurrido = reloj.Segundos() - inicio;
    if (transcurrido >= kEspera_fin_mpeg4_s) {
      r.transcurrido_s = transcurrido;
      return Abandono(puerto, "Actualizar_mpeg4 (fin)", "0xBB", r);
    }
    if (transcurrido < kAvance_fin_mpeg4_s) {
      paso.Fijar_posicion(static_cast<int>(transcurrido));
      general.Fijar_posicion(
          base + static_cast<int32_t>(transcurrido * kParte_espera_mpeg4 / kAvance_fin_mpeg4_s));
    }
  }
}

}  // namespace r27
