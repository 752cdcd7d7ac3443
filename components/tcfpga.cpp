// The FPGA configuration set: the dialog's handlers and the write sequence.
#include "components/tcfpga.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <new>
#include <optional>

#include "components/configuraciones_fpga.h"
#include "components/imagen_fpga.h"
#include "components/memoria_medidor.h"
#include "flash/avance_grabacion.h"
#include "flash/bloque.h"
#include "link/codigos_resultado.h"
#include "link/peticiones.h"

namespace r27 {

namespace {

constexpr std::string_view kPeticion_borrado = "borrado de la zona fpga";
constexpr std::string_view kPeticion_grabacion = "grabacion flash fpga";

// An integer as the dialog reads it: optional blanks around an optionally signed
// run of digits that fits an int.
std::optional<int> Leer_entero(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  int n = 0;
  const auto [fin, error] = std::from_chars(t.data(), t.data() + t.size(), n);
  if (t.empty() || error != std::errc{} || fin != t.data() + t.size()) return std::nullopt;
  return n;
}

}  // namespace

TCFpga::TCFpga(Interfaz_ventana& ventana) : ventana_(ventana) {
  for (const Configuracion_fpga& c : Configuraciones_fpga()) configuraciones.push_back(c.datos);
}

// --- Dialog ---

void TCFpga::Fijar_nombre(int configuracion, std::string ruta) {
  if (configuracion < 0 || configuracion >= kFicheros) return;
  nombres_ficheros[static_cast<size_t>(configuracion)] = std::move(ruta);
  if (configuracion == configuracion_actual)
    Label_nombre.Fijar(std::string(Etiqueta_nombre(configuracion)));
}

std::string_view TCFpga::Etiqueta_nombre(int configuracion) const {
  if (configuracion < 0 || configuracion >= kFicheros) return {};
  std::string_view ruta = nombres_ficheros[static_cast<size_t>(configuracion)];
  // Paths come with either system's separator.
  const size_t barra = ruta.find_last_of("\\/");
  return barra == std::string_view::npos ? ruta : ruta.substr(barra + 1);
}

std::string_view TCFpga::Descripcion(int configuracion) const {
  if (configuracion < 1 || configuracion >= kRanuras_descripcion) return {};
  const auto& d = descripciones[static_cast<size_t>(configuracion)];
  return std::string_view(d.data(), std::find(d.begin(), d.end(), '\0') - d.begin());
}

void TCFpga::Mostrar_configuracion_actual() {
  Label_configuracion_actual.Fijar(std::to_string(configuracion_actual));
  Label_nombre.Fijar(std::string(Etiqueta_nombre(configuracion_actual)));
  Edit_descripcion.Fijar(std::string(Descripcion(configuracion_actual)));
}

void TCFpga::Edit_num_configuraciones(std::string_view texto) {
  if (const std::optional<int> n = Leer_entero(texto))
    num_configuraciones = std::clamp(*n, kMinimo_configuraciones, kMaximo_configuraciones);
  Label_cantidad_configuraciones.Fijar(std::to_string(num_configuraciones));
  configuracion_actual = 1;
  Mostrar_configuracion_actual();
}

void TCFpga::Editar_descripcion(std::string_view texto) {
  if (configuracion_actual < 1 || configuracion_actual >= kRanuras_descripcion) {
    Edit_descripcion.Fijar(std::string(texto));
    return;
  }
  auto& d = descripciones[static_cast<size_t>(configuracion_actual)];
  // The whole slot is cleared first, so a shorter text leaves nothing of a longer
  // one behind the terminating zero (the directory copies four raw bytes).
  d.fill('\0');
  std::copy_n(texto.begin(), std::min(texto.size(), kLongitud_descripcion), d.begin());
  Edit_descripcion.Fijar(std::string(Descripcion(configuracion_actual)));
}

void TCFpga::But_nombre_ficheroClick(std::string_view ruta) {
  if (configuracion_actual < 1 || configuracion_actual >= kFicheros || ruta.empty()) return;
  Fijar_nombre(configuracion_actual, std::string(ruta));
}

void TCFpga::But_siguienteClick() {
  if (configuracion_actual < num_configuraciones) ++configuracion_actual;
  Mostrar_configuracion_actual();
}

void TCFpga::But_anteriorClick() {
  if (configuracion_actual >= 2) --configuracion_actual;
  Mostrar_configuracion_actual();
}

void TCFpga::Button_okClick() {
  // The dialog's own outcome: a failed burn shows its box, the rest the result code.
  (void)Ejecutar(true);
}

void TCFpga::Button_cancelClick() {
  if (en_curso_) return;  // the write sequence owns the line
  // The dialog closes whether the meter took the end request or not (the trace has it).
  (void)Fin_grabacion();
  Cerrar();
}

void TCFpga::Cerrar() {
  cerrado = true;
  if (al_cerrar) al_cerrar();
}

// --- Write sequence ---

Resultado TCFpga::Grabar_configuraciones() {
  resultado = false;
  return Ejecutar(false);
}

Resultado TCFpga::Ejecutar(bool desde_dialogo) {
  // Window messages run during the waits: a second click must not start a
  // second run on the same line.
  if (en_curso_)
    return Fallo{0, "Grabar_configuraciones", "ninguna grabacion en curso", Llegada::nada,
                 "otra grabacion en curso"};
  en_curso_ = true;
  fallo_grabacion.reset();
  struct Fin_de_curso {
    bool& b;
    ~Fin_de_curso() { b = false; }
  } fin_de_curso{en_curso_};

  auto sin_imagen = [&] {
    return Abandono(ventana_.Puerto(), "Grabar_configuraciones", "1 a 5 configuraciones",
                    Llegada::nada, "cuenta " + std::to_string(num_configuraciones));
  };
  if (num_configuraciones <= 0) return sin_imagen();
  std::optional<Imagen_fpga> imagen;
  const size_t cuenta = static_cast<size_t>(num_configuraciones);
  if (cuenta <= configuraciones.size()) {
    std::vector<std::string_view> textos;
    for (size_t i = 1; i <= cuenta; ++i) textos.push_back(Descripcion(static_cast<int>(i)));
    try {
      imagen = Construir_imagen_fpga(std::span(configuraciones).first(cuenta), textos);
    } catch (const std::bad_alloc&) {
      imagen.reset();
    }
  }
  if (!imagen) {
    // No buffer (or no configuration to copy for a count above the set): nothing is sent.
    Cerrar();
    return sin_imagen();
  }
  longitud_total = imagen->longitud_total;
  std::copy_n(imagen->bytes.begin(), cabecera_imagen.size(), cabecera_imagen.begin());

  if (Resultado r = Borrar_memoria(); !r) return r;
  if (Resultado r = Enviar_configuraciones(imagen->bytes); !r) return r;
  if (grabar_flash) {
    // The burn's failure is the step's, whatever the end request after it does.
    Primer_fallo grabacion;
    grabacion.Anotar(Grabar_flash_fpga());
    grabacion.Anotar(Fin_grabacion());
    fallo_grabacion = grabacion.Motivo();
    if (grabacion.Motivo() && desde_dialogo)
      ventana_.Mensaje(std::string(Dialogo_fpga::kError_grabacion));
  }
  resultado = true;
  imagen.reset();
  Cerrar();
  return Resultado::Correcto();
}

Resultado TCFpga::Borrar_memoria() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  Lbl_estado_fpga.Fijar(std::string(Dialogo_fpga::kBorrando_memoria));
  const auto orden = Orden_borrado_fpga(longitud_total);
  // The last attempt's write (a write the port did not take is a failed attempt) and answer.
  Resultado escritura;
  Respuesta ultima;
  const bool ok = Reintentar(ventana_, kIntentos_borrado_fpga, kPausa_tras_borrado_fpga_ms, [&] {
    Drenar(puerto);
    escritura = Escribir_todo(puerto, orden, kPeticion_borrado);
    if (!escritura) return false;
    ultima = Esperar_byte(ventana_, reloj.Segundos(), Plazo::Menos_de(kEspera_borrado_fpga_s));
    if (ultima.Es(kRespuesta_borrado_fpga)) return true;
    if (ultima.llego) puerto.Escribir(&kTras_respuesta_erronea_fpga, 1);
    return false;
  });
  if (ok) return Resultado::Correcto();
  Fallo fallo =
      escritura ? Abandono(puerto, kPeticion_borrado, "0x70", ultima) : *escritura.Motivo();
  fallo.codigo = kCodigo_fpga_borrado;
  ventana_.Fijar_error(fallo);
  return fallo;
}

bool TCFpga::Enviar_bloque(uint16_t direccion, std::span<const uint8_t> datos) {
  return static_cast<bool>(r27::Enviar_bloque(ventana_, kEmisor_fpga, segmento, direccion, datos));
}

Resultado TCFpga::Enviar_configuraciones(std::span<const uint8_t> imagen) {
  Puerto_serie& puerto = ventana_.Puerto();
  Barra& paso = ventana_.Barra_progreso();
  Barra& general = ventana_.ProgressBar_general();
  const uint32_t total = static_cast<uint32_t>(std::min<size_t>(longitud_total, imagen.size()));
  paso.Fijar_rango(0, static_cast<int>(total));
  paso.Fijar_posicion(0);
  auto fallar = [&](Fallo fallo) {
    fallo.codigo = kCodigo_fpga_bloque;
    ventana_.Fijar_error(fallo);
    return fallo;
  };

  char texto[64];
  for (uint32_t k = 0; k < total; k += kDatos_bloque_fpga) {
    std::snprintf(texto, sizeof texto, Dialogo_fpga::kFormato_enviando, static_cast<int>(k),
                  static_cast<int>(total));
    Lbl_estado_fpga.Fijar(texto);
    ventana_.Procesar_mensajes();
    if (ventana_.Cancelada()) {
      // Seen between blocks too: a meter that answers at once never leaves the
      // block sender an empty poll to see it in.
      Pausa(ventana_, kPausa_abortar_ms);
      return fallar(Abandono(puerto, "bloques fpga", "0x30", Llegada::cancelada));
    }
    const Bloque_fpga b = Bloque_fpga_en(k, total);
    segmento = b.segmento;
    if (!Enviar_bloque(b.direccion, imagen.subspan(k, b.longitud))) {
      char peticion[48];
      std::snprintf(peticion, sizeof peticion, "bloque fpga %02X:%04X", b.segmento, b.direccion);
      if (ventana_.Cancelada())
        return fallar(Abandono(puerto, peticion, "0x30", Llegada::cancelada));
      if (!puerto.Esta_abierto())
        return fallar(Abandono(puerto, peticion, "0x30", Llegada::sin_conexion));
      return fallar(Abandono(puerto, peticion, "0x30", Llegada::nada,
                             "otro byte o nada, tambien al reenviarlo"));
    }
    paso.Fijar_posicion(static_cast<int>(k));
    if (paso.Maximo() > 0)
      general.Fijar_posicion(progreso_base +
                             static_cast<int>(int64_t{k} * kParte_fpga / paso.Maximo()));
  }
  return Resultado::Correcto();
}

Resultado TCFpga::Grabar_flash_fpga() {
  Puerto_serie& puerto = ventana_.Puerto();
  Reloj& reloj = ventana_.Reloj_();
  auto fallar = [&](Fallo fallo) {
    fallo.codigo = kCodigo_fpga_grabacion;
    ventana_.Fijar_error(fallo);
    return fallo;
  };

  Drenar(puerto);
  if (Resultado r =
          Escribir_todo(puerto, Orden_grabar_flash_fpga(longitud_total), kPeticion_grabacion);
      !r)
    return fallar(*r.Motivo());
  const int64_t inicio = reloj.Segundos();
  const Plazo plazo = Plazo::Menos_de(kEspera_grabacion_fpga_s);
  Opciones_espera opciones;
  opciones.cancelar = [&] {
    Lbl_estado_fpga.Fijar(std::string(Dialogo_fpga::kGrabando_flash));
    return ventana_.Cancelada();
  };

  Avance_grabacion avance;
  for (;;) {
    const Respuesta r = Esperar_byte(ventana_, inicio, plazo, opciones);
    if (!r.llego) return fallar(Abandono(puerto, kPeticion_grabacion, "0x80 0x80", r));
    switch (avance.Recibir(r.byte)) {
      case Paso_grabacion::Completa:
        return Resultado::Correcto();
      case Paso_grabacion::Borrando:
        Lbl_estado_fpga.Fijar(std::string(Dialogo_fpga::kBorrando_sectores));
        break;
      case Paso_grabacion::Grabando:
        Lbl_estado_fpga.Fijar(std::string(Dialogo_fpga::kGrabando_segmentos));
        break;
      case Paso_grabacion::Rechazada: {
        Pitido_fallo(ventana_);
        Fallo f = Abandono(puerto, kPeticion_grabacion, "0x8A 0x8A, 0x8B 0x8B o 0x80 0x80", r);
        Escuchar_hasta_fin_grabacion(ventana_, inicio, kEspera_grabacion_fpga_s);
        return fallar(std::move(f));
      }
      case Paso_grabacion::Seguir:
        break;
    }
    ventana_.Procesar_mensajes();
    Pausa(ventana_, kPausa_avance_fpga_ms);
    // A meter that keeps talking without ever finishing, or an abort between
    // bytes, ends the burn as the silent one does.
    Respuesta sin_fin;
    sin_fin.cancelada = ventana_.Cancelada();
    sin_fin.transcurrido_s = reloj.Segundos() - inicio;
    if (sin_fin.cancelada || !plazo.Vigente(sin_fin.transcurrido_s))
      return fallar(Abandono(puerto, kPeticion_grabacion, "0x80 0x80", sin_fin));
  }
}

Resultado TCFpga::Fin_grabacion() {
  Resultado r = Escribir_todo(ventana_.Puerto(), kOrden_fin, "fin de la grabacion fpga");
  Drenar(ventana_.Puerto());
  return r;
}

}  // namespace r27
