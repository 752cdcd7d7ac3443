// The factory-parameter object: record builders, EEPROM writers and the zone step.
#include "factory/tfparam_defecto.h"

#include <cstdio>
#include <string>

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

bool TFParam_defecto::Enviar_pagina(uint16_t direccion, std::span<const uint8_t> datos,
                                    std::string_view operacion) {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  const std::vector<uint8_t> trama = Trama_pagina_eeprom(direccion, datos);
  Respuesta ultima;
  const bool ok = Reintentar(reloj, kIntentos_pagina_eeprom, kPausa_tras_intento_eeprom_ms, [&] {
    Drenar(puerto);
    Escribir_todo(puerto, trama);
    ultima = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_pagina_eeprom_s));
    // An answer that comes after the clock's second has changed does not count.
    return ultima.Es(kPagina_eeprom_escrita, kRetraso_maximo_pagina_s);
  });
  if (!ok) {
    char peticion[64];
    std::snprintf(peticion, sizeof peticion, "%.*s (pagina eeprom 0x%04X)",
                  static_cast<int>(operacion.size()), operacion.data(), direccion);
    Anotar_abandono(puerto, peticion, "0x20 en el mismo segundo", ultima);
  }
  return ok;
}

bool TFParam_defecto::Grabar_perfiles() {
  const int32_t idioma = ventana_.Estado().idioma_medidor;
  for (uint8_t p = 0; p < kPerfiles; ++p) Construir_perfil(p, idioma);
  const std::span<const uint8_t> perfiles(buffer_.data() + kInicio_perfiles, kBytes_perfiles);
  for (size_t o = 0; o < kBytes_perfiles; o += kBytes_pagina_zona) {
    if (!Enviar_pagina(static_cast<uint16_t>(kDireccion_perfiles + o),
                       perfiles.subspan(o, kBytes_pagina_zona), "Grabar_perfiles"))
      return false;  // the profiles already written stay written
  }
  return true;
}

bool TFParam_defecto::Grabar_configuracion(uint16_t base, std::string_view operacion) {
  if (!configuracion_construida_) Construir_configuracion(ventana_.Estado().idioma_medidor);
  const std::span<const uint8_t> registro(buffer_.data(), kTamano_ranura_registro);
  Reloj& reloj = ventana_.Reloj_();
  if (!Enviar_pagina(base, registro.first(kBytes_pagina_zona), operacion)) return false;
  reloj.Dormir_ms(kPausa_pagina_conf_ms);
  const bool ok =
      Enviar_pagina(static_cast<uint16_t>(base + kBytes_pagina_zona),
                    registro.subspan(kBytes_pagina_zona, kBytes_segunda_pagina_conf), operacion);
  reloj.Dormir_ms(kPausa_pagina_conf_ms);
  Drenar(ventana_.Puerto());
  return ok;
}

bool TFParam_defecto::Grabar_conf_fabrica() {
  return Grabar_configuracion(kDireccion_conf_fabrica, "Grabar_conf_fabrica");
}

bool TFParam_defecto::Grabar_conf_defecto() {
  return Grabar_configuracion(kDireccion_conf_defecto, "Grabar_conf_defecto");
}

bool TFParam_defecto::Borrar_incidencias() {
  constexpr std::string_view kPeticion = "Borrar_incidencias (pagina eeprom 0x0040)";
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  std::array<uint8_t, kBytes_incidencias> borrado;
  borrado.fill(0xFF);
  Drenar(puerto);
  if (!Escribir_todo(puerto, Trama_pagina_eeprom(kDireccion_incidencias, borrado))) {
    puerto.Anotar_abandono(kPeticion, "escribir la trama", "escritura fallida");
    return false;
  }
  const Respuesta r = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Hasta(kEspera_incidencias_s));
  if (!r.llego) Pitido_fallo(ventana_);
  if (!r.Es(kPagina_eeprom_escrita)) {
    Anotar_abandono(puerto, kPeticion, "0x20", r);
    return false;
  }
  reloj.Dormir_ms(kPausa_tras_incidencias_ms);
  Drenar(puerto);
  Escribir_todo(puerto, kOrden_fin_zona);
  return true;
}

void TFParam_defecto::Mostrar_avance(int paso) {
  ventana_.Barra_progreso().Fijar_posicion(paso);
  ventana_.ProgressBar_general().Fijar_posicion(ventana_.Estado().progreso_base +
                                                paso * kParte_zona / kPasos_zona);
  ventana_.Procesar_mensajes();
}

bool TFParam_defecto::Grabar_zona() {
  Estado_ventana& estado = ventana_.Estado();
  Barra& paso = ventana_.Barra_progreso();
  paso.Fijar_rango(0, kPasos_zona);
  paso.Fijar_posicion(0);
  ventana_.Procesar_mensajes();

  bool ok = Grabar_perfiles();
  Mostrar_avance(1);
  if (ok)
    ok = Grabar_conf_fabrica();
  else
    estado.Fijar_error(kCodigo_zona_perfiles);
  Mostrar_avance(2);
  if (ok)
    ok = Grabar_conf_defecto();
  else
    estado.Fijar_error(kCodigo_zona_fabrica);
  Mostrar_avance(3);
  if (!ok) estado.Fijar_error(kCodigo_zona_defecto);

  // The step's whole budget, so the overall bar ends where the next step begins.
  estado.progreso_base += kParte_zona;
  ventana_.ProgressBar_general().Fijar_posicion(estado.progreso_base);
  return ok;
}

}  // namespace r27
