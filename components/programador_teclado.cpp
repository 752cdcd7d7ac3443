// The keyboard microcontroller's programming: the request loop, the vector
// tables, the firmware blocks and the two records read from the HEX text.
#include "components/programador_teclado.h"

#include <array>
#include <string>

#include "components/paquetes_teclado.h"
#include "data/teclado/vectores_teclado.h"
#include "incrustado/teclado_hex.h"
#include "link/codigos_resultado.h"
#include "link/peticiones.h"

namespace r27 {
namespace {

constexpr std::string_view kError_id = "Silicon ID error !\n";
constexpr std::string_view kError_verificacion = "Verify error !\n";
constexpr std::string_view kSin_respuesta = "El teclado no responde !\n";
constexpr std::string_view kCodigo_no_esperado = "Codigo no esperado !\n";
constexpr std::string_view kHex_corrupto = "Hex corrupto !\n";

constexpr size_t kDigitos_bloque = 2 * kBytes_bloque_teclado;
constexpr size_t kDigitos_checksum = 4;
constexpr size_t kCaracteres_direccion = 4;
constexpr size_t kCaracteres_cierre = 4;  // the line's checksum digits and CR LF

constexpr std::string_view kLongitud_bloque = "40";
constexpr std::string_view kLongitud_base = "02";
constexpr std::string_view kTipo_datos = "00";
constexpr std::string_view kTipo_base = "04";
constexpr std::string_view kBase_seguridad = "0010";
constexpr std::string_view kBase_checksum = "0020";

// The requests of the exchange as its failures name them.
constexpr std::string_view kPeticion = "Programar_teclado";
constexpr std::string_view kPeticion_inicio = "Programar_teclado (inicio 0xBB)";
constexpr std::string_view kPeticion_vector = "Programar_teclado (vector)";
constexpr std::string_view kPeticion_bloque = "Programar_teclado (bloque)";
constexpr std::string_view kPeticion_seguridad = "Programar_teclado (security record)";
constexpr std::string_view kPeticion_checksum = "Programar_teclado (checksum record)";
constexpr std::string_view kPeticion_fija = "Programar_teclado (respuesta fija)";

std::string_view Texto_incrustado() {
  const auto d = datos::teclado_hex();
  return {reinterpret_cast<const char*>(d.data()), d.size()};
}

}  // namespace

Programador_teclado::Programador_teclado(Contexto_paso& paso, int32_t progreso_base)
    : Programador_teclado(paso, progreso_base, Texto_incrustado()) {}

Programador_teclado::Programador_teclado(Contexto_paso& paso, int32_t progreso_base,
                                         std::string_view texto)
    : paso_(paso),
      progreso_base_(progreso_base),
      texto_(texto),
      ultimo_byte_s_(paso.Reloj_().Segundos()) {}

void Programador_teclado::Enviar(std::span<const uint8_t> paquete, std::string_view peticion) {
  if (Parado()) return;
  escritura_.Anotar(Escribir_todo(paso_.Puerto(), paquete, peticion));
}

Resultado Programador_teclado::Terminar(Fallo fallo, int32_t codigo) {
  fallo.codigo = codigo;
  paso_.Fijar_error(fallo);
  return fallo;
}

uint8_t Programador_teclado::Esperar_respuesta() {
  Reloj& reloj = paso_.Reloj_();
  const Respuesta r =
      Esperar_byte(paso_, reloj.Segundos(), Plazo::Menos_de(kEspera_respuesta_teclado_s));
  if (r.llego) {
    ultimo_byte_s_ = reloj.Segundos();
  } else if (r.perdido || reloj.Segundos() - ultimo_byte_s_ >= kEspera_codigo_teclado_s) {
    callado_ = true;  // an unplugged meter is not served further either
  }
  return r.byte;
}

void Programador_teclado::Error_formato(std::string_view texto) {
  Pitido_fallo(paso_);
  paso_.Mensaje(std::string(texto));
}

Resultado Programador_teclado::Programar_teclado() {
  Puerto_serie& puerto = paso_.Puerto();
  Reloj& reloj = paso_.Reloj_();
  // The meter no longer answers (silent, or its packets could not be written).
  auto sin_respuesta = [&](Fallo fallo) {
    // Unplugged: the keyboard step lost its connection (the window says so next).
    if (puerto.Dispositivo_perdido()) {
      fallo.llegada = Llegada::dispositivo_perdido;
      fallo.llegado = std::string(Texto_llegada(Llegada::dispositivo_perdido));
      Resultado r = Terminar(std::move(fallo), kCodigo_teclado_sin_conexion);
      Pitido_fallo(paso_);
      return r;
    }
    Resultado r = Terminar(std::move(fallo), kCodigo_teclado_sin_respuesta);
    Pitido_fallo(paso_);
    paso_.Mensaje(std::string(kSin_respuesta));
    return r;
  };
  escritura_.Olvidar();
  callado_ = false;
  // Written as it is, without draining the input first.
  const std::array<uint8_t, 1> inicio{kInicio_teclado};
  Enviar(inicio, kPeticion_inicio);
  modo_verificacion = false;
  ultimo_byte_s_ = reloj.Segundos();
  for (;;) {
    if (const auto& fallo = escritura_.Motivo()) return sin_respuesta(*fallo);
    // A meter silent through the vectors or blocks just served is not waited for again.
    const Respuesta r =
        callado_ ? Respuesta{}
                 : Esperar_byte(paso_, reloj.Segundos(), Plazo::Menos_de(kEspera_codigo_teclado_s));
    if (r.llego) ultimo_byte_s_ = reloj.Segundos();
    if (!r.llego) return sin_respuesta(Abandono(puerto, kPeticion, "un codigo de peticion", r));
    switch (r.byte) {
      case kPeticion_teclado_verificar:
        modo_verificacion = true;
        Enviar_tabla(r.byte);
        break;
      case 3:
      case 5:
      case 7:
      case 8:
      case 9:
      case 11:
      case 12:
      case 13:
        Enviar_tabla(r.byte);
        break;
      case kPeticion_teclado_10:
        Enviar(kRespuesta_teclado_10, kPeticion_fija);
        break;
      case kPeticion_teclado_bloques:
        Enviar_firmware();
        break;
      case kPeticion_teclado_15:
        Enviar(kRespuesta_teclado_15, kPeticion_fija);
        break;
      case kPeticion_teclado_seguridad:
        Enviar_seguridad();
        break;
      case kPeticion_teclado_checksum:
        Enviar_checksum();
        break;
      case kFin_teclado_correcto:
        return Resultado::Correcto();
      case kFin_teclado_error_id: {
        Resultado fallo = Terminar(Abandono(puerto, kPeticion, "0x12", r), kCodigo_teclado_id);
        Pitido_fallo(paso_);
        paso_.Mensaje(std::string(kError_id));
        return fallo;
      }
      case kFin_teclado_error_verificacion: {
        Resultado fallo =
            Terminar(Abandono(puerto, kPeticion, "0x12", r), kCodigo_teclado_verificacion);
        Pitido_fallo(paso_);
        paso_.Mensaje(std::string(kError_verificacion));
        return fallo;
      }
      case kFin_teclado_abortado:
        // The meter ended the exchange and says so on its own screen: no box, no beep.
        return Terminar(Abandono(puerto, kPeticion, "0x12", r), kCodigo_teclado_abortado);
      case kPeticion_teclado_22:
        Enviar(kRespuesta_teclado_22, kPeticion_fija);
        break;
      default:  // 0, 1, 2, 4 and 23 upwards ask for nothing
        break;
    }
  }
}

// One vector packet per vector; the meter acknowledges every one but the last,
// and the acknowledgement's value does not matter.
void Programador_teclado::Enviar_tabla(uint8_t codigo) {
  const auto tabla = datos::Vectores_teclado(codigo);
  for (size_t i = 0; i < tabla.size() && !Parado(); ++i) {
    Enviar(Paquete_vector_teclado(tabla[i]), kPeticion_vector);
    if (i + 1 < tabla.size() && !Parado()) Esperar_respuesta();
  }
}

std::optional<std::string_view> Programador_teclado::Leer_linea(std::string_view longitud,
                                                                std::string_view tipo,
                                                                size_t digitos,
                                                                const Errores_linea& errores) {
  const auto inicio = texto_.Leer(1);
  if (!inicio || *inicio != ":") {
    Error_formato(kHex_corrupto);
    return std::nullopt;
  }
  const auto campo_longitud = texto_.Leer(longitud.size());
  if (!campo_longitud || *campo_longitud != longitud) {
    Error_formato(errores.longitud);
    return std::nullopt;
  }
  texto_.Saltar(kCaracteres_direccion);
  const auto campo_tipo = texto_.Leer(tipo.size());
  if (!campo_tipo || *campo_tipo != tipo) {
    Error_formato(errores.tipo);
    return std::nullopt;
  }
  const auto datos = texto_.Leer(digitos);
  if (!datos) {
    Error_formato(errores.faltan_datos);
    return std::nullopt;
  }
  if (!errores.datos.empty() && *datos != errores.esperados) {
    Error_formato(errores.datos);
    return std::nullopt;
  }
  texto_.Saltar(kCaracteres_cierre);
  return datos;
}

void Programador_teclado::Enviar_firmware() {
  static constexpr Errores_linea kErrores{"Longitud de record incorrecto !\n",
                                          "El record no es de tipo datos !\n",
                                          "El record no tiene suficientes datos!\n"};
  Barra& paso = paso_.Barra_progreso();
  Barra& general = paso_.ProgressBar_general();
  texto_.Rebobinar();
  paso.Fijar_rango(0, kBloques_teclado);
  std::array<uint8_t, kBytes_bloque_teclado> bloque{};
  for (int i = 0; i < kBloques_teclado && !Parado(); ++i) {
    paso.Fijar_posicion(i);
    if (paso.Maximo() > 0)
      general.Fijar_posicion(progreso_base_ + i * kParte_teclado / paso.Maximo());
    paso_.Procesar_mensajes();
    const auto digitos = Leer_linea(kLongitud_bloque, kTipo_datos, kDigitos_bloque, kErrores);
    if (!digitos) return;  // the blocks end here; the request loop goes on
    Convertir_digitos_teclado(*digitos, bloque);
    Enviar(Paquete_bloque_teclado(bloque), kPeticion_bloque);
    if (Parado()) return;
    const bool ultimo = i == kBloques_teclado - 1;
    if (!modo_verificacion) {
      Esperar_respuesta();
      Enviar_tabla(kTabla_tras_bloque_programando);
    } else if (!ultimo) {
      Esperar_respuesta();
      Enviar_tabla(kTabla_tras_bloque_verificando);
    }
    if (!ultimo && !Parado() && Esperar_respuesta() != kPeticion_teclado_bloques && !callado_) {
      Pitido_fallo(paso_);
      paso_.Mensaje(std::string(kCodigo_no_esperado));
    }
  }
}

void Programador_teclado::Enviar_seguridad() {
  static constexpr Errores_linea kPrimera{
      "Longitud de 1era linea del \nsecurity record incorrecta \n",
      "1era linea del security record \nno es de tipo 0x04 !\n",
      "1er Record SECURE sin datos suficientes!\n", kBase_seguridad,
      "Error en los datos SECURE!\n"};
  static constexpr Errores_linea kSegunda{
      "Longitud de la 2da linea del \nsecurity record incorrecta \n",
      "2da linea del security record \nno es de tipo datos !\n",
      "2do Record SECURE sin datos suficientes!\n"};
  if (!Leer_linea(kLongitud_base, kTipo_base, kBase_seguridad.size(), kPrimera)) return;
  const auto digitos = Leer_linea(kLongitud_bloque, kTipo_datos, kDigitos_bloque, kSegunda);
  if (!digitos) return;
  std::array<uint8_t, kBytes_bloque_teclado> datos{};
  Convertir_digitos_teclado(*digitos, datos);
  Enviar(Paquete_bloque_teclado(datos), kPeticion_seguridad);
}

void Programador_teclado::Enviar_checksum() {
  static constexpr Errores_linea kPrimera{
      "Longitud de 1era linea del \nChecksum record incorrecta \n",
      "1era linea del checksum record \nno es de tipo 0x04 !\n",
      "1er Record checksum sin datos suficientes!\n", kBase_checksum,
      "Error en los datos tipo checksum!\n"};
  static constexpr Errores_linea kSegunda{
      "Longitud de la 2da linea del \nchecksum record incorrecta \n",
      "2da linea del checksum record \nno es de tipo datos !\n",
      "2do Record checksum sin datos suficientes!\n"};
  if (!Leer_linea(kLongitud_base, kTipo_base, kBase_checksum.size(), kPrimera)) return;
  const auto digitos = Leer_linea(kLongitud_base, kTipo_datos, kDigitos_checksum, kSegunda);
  if (!digitos) return;
  std::array<uint8_t, 2> suma{};
  Convertir_digitos_teclado(*digitos, suma);
  Enviar(Paquete_dos_bytes_teclado(suma[0], suma[1]), kPeticion_checksum);
}

}  // namespace r27
