// The factory-parameter object: record builders, EEPROM writers and the zone step.
#include "factory/tfparam_defecto.h"

#include <cstdio>
#include <string>

#include "components/memoria_medidor.h"
#include "factory/trama_eeprom.h"
#include "link/codigos_resultado.h"
#include "link/peticiones.h"

namespace r27 {

TFParam_defecto::TFParam_defecto(Interfaz_ventana& ventana) : ventana_(ventana) {
  Preparar_casillas();
}

TFParam_defecto::TFParam_defecto(Interfaz_ventana& ventana, Operaciones_conexion& conexion)
    : ventana_(ventana), conexion_(&conexion) {
  Preparar_casillas();
}

void TFParam_defecto::Construir_configuracion(int32_t idioma) {
  const Estado_ventana& e = ventana_.Estado();
  Registro_configuracion(Ranura(0), {idioma, e.region_usa, e.estado_b5, e.indice_plan});
  configuracion_construida_ = true;
}

void TFParam_defecto::Construir_perfil(uint8_t perfil, int32_t idioma) {
  if (perfil >= kPerfiles) perfil = 0;
  Registro_perfil(Ranura(kInicio_perfiles + perfil * kTamano_ranura_registro), perfil, idioma,
                  ventana_.Estado().region_usa);
}

Resultado TFParam_defecto::Enviar_pagina(uint16_t direccion, std::span<const uint8_t> datos,
                                         std::string_view operacion) {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  const std::vector<uint8_t> trama = Trama_pagina_eeprom(direccion, datos);
  char peticion[64];
  std::snprintf(peticion, sizeof peticion, "%.*s (pagina eeprom 0x%04X)",
                static_cast<int>(operacion.size()), operacion.data(), direccion);
  // The last attempt's write (a write the port did not take is a failed attempt) and answer.
  Resultado escritura;
  Respuesta ultima;
  const bool ok = Reintentar(ventana_, kIntentos_pagina_eeprom, kPausa_tras_intento_eeprom_ms, [&] {
    Drenar(puerto);
    escritura = Escribir_todo(puerto, trama, peticion);
    if (!escritura) return false;
    ultima = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_pagina_eeprom_s));
    // An answer that comes after the clock's second has changed does not count.
    return ultima.Es(kPagina_eeprom_escrita, kRetraso_maximo_pagina_s);
  });
  if (ok) return Resultado::Correcto();
  if (!escritura) return escritura;
  return Abandono(puerto, peticion, "0x20 en el mismo segundo", ultima);
}

Resultado TFParam_defecto::Grabar_perfiles() {
  const int32_t idioma = ventana_.Estado().idioma_medidor;
  for (uint8_t p = 0; p < kPerfiles; ++p) Construir_perfil(p, idioma);
  const std::span<const uint8_t> perfiles(buffer_.data() + kInicio_perfiles, kBytes_perfiles);
  for (size_t o = 0; o < kBytes_perfiles; o += kBytes_pagina_zona) {
    Resultado r = Enviar_pagina(static_cast<uint16_t>(kDireccion_perfiles + o),
                                perfiles.subspan(o, kBytes_pagina_zona), "Grabar_perfiles");
    if (!r) return r;  // the profiles already written stay written
  }
  return Resultado::Correcto();
}

Resultado TFParam_defecto::Grabar_configuracion(uint16_t base, std::string_view operacion) {
  if (!configuracion_construida_) Construir_configuracion(ventana_.Estado().idioma_medidor);
  const std::span<const uint8_t> registro(buffer_.data(), kTamano_ranura_registro);
  if (Resultado r = Enviar_pagina(base, registro.first(kBytes_pagina_zona), operacion); !r)
    return r;
  Pausa(ventana_, kPausa_pagina_conf_ms);
  Resultado r =
      Enviar_pagina(static_cast<uint16_t>(base + kBytes_pagina_zona),
                    registro.subspan(kBytes_pagina_zona, kBytes_segunda_pagina_conf), operacion);
  // The pause lets the meter finish its page; an unplugged one has nothing to finish.
  if (ventana_.Puerto().Dispositivo_perdido()) return r;
  Pausa(ventana_, kPausa_pagina_conf_ms);
  Drenar(ventana_.Puerto());
  return r;
}

Resultado TFParam_defecto::Grabar_conf_fabrica() {
  return Grabar_configuracion(kDireccion_conf_fabrica, "Grabar_conf_fabrica");
}

Resultado TFParam_defecto::Grabar_conf_defecto() {
  return Grabar_configuracion(kDireccion_conf_defecto, "Grabar_conf_defecto");
}

Resultado TFParam_defecto::Borrar_incidencias() {
  constexpr std::string_view kPeticion = "Borrar_incidencias (pagina eeprom 0x0040)";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  std::array<uint8_t, kBytes_incidencias> borrado;
  borrado.fill(0xFF);
  Drenar(puerto);
  if (Resultado r =
          Escribir_todo(puerto, Trama_pagina_eeprom(kDireccion_incidencias, borrado), kPeticion);
      !r)
    return r;
  const Respuesta r = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Hasta(kEspera_incidencias_s));
  if (!r.llego) Pitido_fallo(ventana_);
  if (!r.Es(kPagina_eeprom_escrita)) return Abandono(puerto, kPeticion, "0x20", r);
  Pausa(ventana_, kPausa_tras_incidencias_ms);
  Drenar(puerto);
  return Escribir_todo(puerto, kOrden_fin, "Borrar_incidencias (fin 0x0F 0x00)");
}

void TFParam_defecto::Mostrar_avance(int paso) {
  ventana_.Barra_progreso().Fijar_posicion(paso);
  ventana_.ProgressBar_general().Fijar_posicion(ventana_.Estado().progreso_base +
                                                paso * kParte_zona / kPasos_zona);
  ventana_.Procesar_mensajes();
}

Resultado TFParam_defecto::Grabar_zona() {
  Estado_ventana& estado = ventana_.Estado();
  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_rango(0, kPasos_zona);
  paso.Fijar_posicion(0);
  ventana_.Procesar_mensajes();

  // The first record that failed gives the code; the records after it are not sent.
  Resultado r = Grabar_perfiles().Con_codigo_(kCodigo_zona_perfiles);
  Mostrar_avance(1);
  if (r) r = Grabar_conf_fabrica().Con_codigo_(kCodigo_zona_fabrica);
  Mostrar_avance(2);
  if (r) r = Grabar_conf_defecto().Con_codigo_(kCodigo_zona_defecto);
  Mostrar_avance(3);
  if (!r) ventana_.Fijar_error(*r.Motivo());

  // The step's whole budget, so the overall bar ends where the next step begins.
  estado.progreso_base += kParte_zona;
  ventana_.ProgressBar_general().Fijar_posicion(estado.progreso_base);
  return r;
}

}  // namespace r27
