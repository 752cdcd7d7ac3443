#include "tests/fuzz/cuerpo_medidor.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/nucleo/abrir_hex.h"
#include "app/nucleo/actualizacion.h"
#include "app/nucleo/asistente.h"
#include "app/nucleo/conexion.h"
#include "app/nucleo/eleccion_planes.h"
#include "app/nucleo/idiomas.h"
#include "app/nucleo/imagen_firmware.h"
#include "app/nucleo/paso_firmware.h"
#include "components/planes.h"
#include "components/programador_mpeg4.h"
#include "components/programador_teclado.h"
#include "components/tcfpga.h"
#include "factory/tfparam_defecto.h"
#include "flash/imagenes_arranque.h"
#include "flash/subida_graficos.h"
#include "link/codigos_resultado.h"
#include "link/lector_hex.h"
#include "link/lector_lineas.h"
#include "tests/apoyo/ventana_falsa.h"
#include "tests/apoyo/vista_falsa.h"
#include "tests/fuzz/backend_dictado.h"
#include "tests/fuzz/imagenes_reducidas.h"

namespace r27::fuzz {

namespace {

constexpr size_t kCabecera = 3;
constexpr uint32_t kMensajes_por_unidad = 8;            // byte 2 x 8: the message an abort comes at
constexpr uint64_t kIntervalo_vigilancia_us = 100'000;  // the disconnect watch's 100 ms
constexpr int kLecturas_vigilancia = 3;                 // watch ticks of the connection run
// With the port closed: turns before they grow, and the longest turn.
constexpr uint32_t kTurnos_antes_de_alargar = 4;
constexpr uint64_t kPaso_maximo_cerrado_us = 1'000'000;
constexpr std::array<const char*, TCFpga::kMaximo_configuraciones> kNombres_fpga{"TV", "DFT", "MER",
                                                                                 "PDP", "ET2"};

// The firmware image the runs carry: the embedded one cut to a few records per
// segment (imagenes_reducidas.h), about a hundred blocks instead of six thousand.
constexpr size_t kPrimeros_registros_segmento = 12;
constexpr size_t kUltimos_registros_segmento = 2;
// Each FPGA configuration of the FPGA run cut to this: 26 blocks for the set
// instead of 1,780 (an odd size, as some real ones are, so the set keeps its
// padding byte).
constexpr size_t kBytes_configuracion_fpga = 1201;

// The firmware image parsed once, as the window does at start-up; the firmware
// step rewinds both readers before it reads them.
struct Imagen_analizada {
  std::string texto = [] {
    const std::span<const char> completa = Imagen_firmware();
    return Firmware_reducido({completa.data(), completa.size()}, kPrimeros_registros_segmento,
                             kUltimos_registros_segmento);
  }();
  Lector_lineas lineas{std::span<const char>(texto)};
  std::unique_ptr<Lector_hex> hex;
  std::array<char, 12> version_fichero{};
  std::array<uint8_t, 64> segmentos_presentes{};

  Imagen_analizada() {
    pruebas::Ventana_falsa v;
    Abrir_hex(v, lineas, hex);
    version_fichero = v.estado.version_fichero;
    segmentos_presentes = v.estado.segmentos_presentes;
  }
};

Imagen_analizada& Imagen() {
  static Imagen_analizada imagen;
  return imagen;
}

class Temporizador_fuzz final : public Interfaz_temporizador {
 public:
  void Habilitar() override { habilitado_ = true; }
  void Deshabilitar() override { habilitado_ = false; }
  bool Habilitado() const override { return habilitado_; }

 private:
  bool habilitado_ = false;
};

// The wizard's port directory: COM1 is the meter.
class Directorio_fuzz final : public Directorio_puertos {
 public:
  bool Existe(int numero) const override { return numero == 1; }
  std::vector<std::string> Nombres_sistema() const override { return {"COM1"}; }
  std::optional<std::string> Ruta(int numero) const override {
    if (numero != 1) return std::nullopt;
    return "/dev/r27-fuzz";
  }
};

// The port of a fuzz run reaches no device, so it takes no machine-wide lock: it
// would cost two system calls per port operation and make the runs queue behind
// other programs' tests. A name longer than any file name leaves the lock
// uncreated, and the port then runs unlocked (as it does wherever the lock
// cannot be created).
std::string Nombre_sin_cerrojo() { return "r27-fuzz-" + std::string(300, 'x'); }

// The highest result code is the keyboard step's lost connection; 10 is not used.
bool Codigo_conocido(int32_t c) { return c >= 0 && c <= kCodigo_teclado_sin_conexion && c != 10; }

template <class... C>
bool Uno_de(int32_t c, C... codigos) {
  return ((c == codigos) || ...);
}

// Everything one run needs, wired as the window wires it.
class Banco {
 public:
  Banco(std::span<const uint8_t> medidor, uint8_t opciones, uint32_t mensaje_incidente)
      : backend_(new Backend_dictado(medidor)),
        v_(std::unique_ptr<Backend_serie>(backend_), Nombre_sin_cerrojo()),
        conexion_(v_, timer_),
        graficos_(v_),
        actualizacion_(v_, conexion_, timer_, vista_, textos_),
        opciones_(opciones),
        mensaje_incidente_(mensaje_incidente) {
    backend_->Usar_reloj(v_.reloj);
    Imagen_analizada& imagen = Imagen();
    v_.lineas = &imagen.lineas;
    v_.hex = imagen.hex.get();
    v_.graficos = &graficos_;
    v_.estado.version_fichero = imagen.version_fichero;
    v_.estado.segmentos_presentes = imagen.segmentos_presentes;
    v_.estado.puerto = 1;
    conexion_.consulta_windows64 = [this] { return (opciones_ & kOpcion_windows64) != 0; };
    v_.al_procesar_mensajes = [this] { Al_procesar_mensajes(); };
    // The technician answers every question alike.
    v_.respuestas.assign(8, (opciones_ & kOpcion_cancelar) == 0);
  }

  Estado_ventana& E() { return v_.estado; }

  void Lugar(const char* lugar) { backend_->Fijar_lugar(lugar); }

  void Conectar() {
    Lugar("Boton_ConectarClick");
    if (!E().conectado) conexion_.Boton_ConectarClick();
    conectado_una_vez_ = conectado_una_vez_ || E().conectado;
  }

  // Ticks the options force, on top of what the connection decided.
  void Forzar_ticks() {
    Estado_ventana& e = E();
    if (opciones_ & kOpcion_tick_fpga) e.Check_fpga = true;
    if (opciones_ & kOpcion_tick_firmware) e.Check_firmware = true;
    if (opciones_ & kOpcion_ticks_extra) e.Check_teclado = e.Check_borrar = e.Check_planes = true;
  }

  bool Ejecutar(Recorrido r, int32_t selector_planes) {
    if ((opciones_ & kOpcion_ticks_extra) && !Elegir_planes(E(), selector_planes))
      E().indice_plan = selector_planes;  // an unknown set reaches the plan step as it is
    switch (r) {
      case Recorrido::conexion:
        return Probar_conexion();
      case Recorrido::actualizacion:
        return Probar_actualizacion();
      case Recorrido::asistente:
        return Probar_asistente();
      default:
        break;
    }
    if (!(opciones_ & kOpcion_sin_conectar)) Conectar();
    Forzar_ticks();
    if (r != Recorrido::todos) return Probar_programador(r, selector_planes);
    for (int i = static_cast<int>(Recorrido::zona); i <= static_cast<int>(Recorrido::velocidad);
         ++i) {
      E().abortar = false;
      if (!Probar_programador(static_cast<Recorrido>(i), selector_planes)) return false;
    }
    return true;
  }

  Medida_medidor Medida() {
    Medida_medidor m;
    m.tiempo_virtual_us = v_.reloj.Ahora_us() - inicio_us_;
    m.maximo_silencio_us = backend_->Maximo_silencio_us();
    m.operaciones = backend_->Operaciones();
    m.mensajes = mensajes_;
    m.codigo_error = v_.estado.codigo_error;
    m.conectado = conectado_una_vez_;
    m.regla_rota = regla_rota_;
    return m;
  }

 private:
  // The window's message loop: the watchdog looks, the disconnect watch ticks
  // every 100 ms while it is on, and the abort or close of the options comes.
  void Al_procesar_mensajes() {
    backend_->Vigilar();
    ++mensajes_;
    conectado_una_vez_ = conectado_una_vez_ || E().conectado;
    // A closed port never reads anything: its waits poll every 4 ms without the
    // backend, so a long one is walked here, in turns that grow as the backend's
    // empty reads do (each turn of the loop taking longer, as on a loaded machine).
    if (v_.Puerto().Esta_abierto()) {
      turnos_cerrado_ = 0;
    } else if (++turnos_cerrado_ > kTurnos_antes_de_alargar) {
      const uint32_t dobles = std::min<uint32_t>(turnos_cerrado_ - kTurnos_antes_de_alargar, 10);
      v_.reloj.Avanzar_us(std::min<uint64_t>(uint64_t{1000} << dobles, kPaso_maximo_cerrado_us));
    }
    if (mensajes_ == mensaje_incidente_) {
      if (opciones_ & kOpcion_abortar) E().abortar = true;
      if (opciones_ & kOpcion_cerrar) E().saliendo = true;
    }
    if (timer_.Habilitado() && !en_vigilancia_ &&
        v_.reloj.Ahora_us() - ultima_vigilancia_us_ >= kIntervalo_vigilancia_us) {
      ultima_vigilancia_us_ = v_.reloj.Ahora_us();
      en_vigilancia_ = true;
      conexion_.Mira_desconexion();
      en_vigilancia_ = false;
    }
  }

  bool Probar_conexion() {
    Conectar();
    if (E().conectado) {
      Lugar("Medidor_listo");
      conexion_.Medidor_listo();
      Lugar("Mira_desconexion");
      // The watch reads only while the program is idle, as at a question.
      Conexion::Reposo reposo(conexion_);
      for (int i = 0; i < kLecturas_vigilancia && E().conectado; ++i) conexion_.Mira_desconexion();
    }
    Lugar("Reconectar");
    conexion_.Reconectar();
    Lugar("Boton_ConectarClick (desconexion)");
    if (E().conectado) conexion_.Boton_ConectarClick();
    return Regla(Codigo_conocido(E().codigo_error), "a known result code");
  }

  bool Probar_actualizacion() {
    Conectar();
    if (!E().conectado) return true;
    Forzar_ticks();
    Lugar("Actualizar_medidor");
    actualizacion_.Actualizar_medidor();
    return Despues_de_actualizar();
  }

  bool Probar_asistente() {
    Directorio_fuzz directorio;
    Asistente asistente(v_, conexion_, vista_, directorio, textos_);
    asistente.ejecutar_actualizacion = [&] {
      Forzar_ticks();
      Lugar("Ejecutar_actualizacion");
      actualizacion_.Ejecutar_actualizacion(asistente);
    };
    Lugar("Button_buscar_puertoClick");
    asistente.Button_buscar_puertoClick();
    asistente.Button_buscar_puertoClick();
    // The window is the technician's again: menus on, the next click a first click.
    return Despues_de_actualizar() &&
           Regla(vista_.menus && asistente.paso_asistente == 0,
                 "the wizard gives the window back (menus on, the next click a first click)");
  }

  // Keeps the first rule broken, for the report.
  bool Regla(bool cumplida, const char* regla) {
    if (!cumplida && regla_rota_ == nullptr) regla_rota_ = regla;
    return cumplida;
  }

  // After any update run: no run flagged as going on, and both sides of the line
  // back at the rate a search uses.
  bool Despues_de_actualizar() {
    return Regla(Codigo_conocido(E().codigo_error), "a known result code") &&
           Regla(!E().actualizando, "no update flagged as running after it") &&
           Regla(E().linea.BaudRate == kBaudios_normales, "the line back at 115,200 baud");
  }

  // One programmer on its own; its result must agree with the code it leaves.
  bool Probar_programador(Recorrido r, int32_t selector_planes) {
    return Regla(Programador_coherente(r, selector_planes),
                 "a programmer's result agrees with the code it leaves") &&
           Regla(Codigo_conocido(E().codigo_error), "a known result code");
  }

  bool Programador_coherente(Recorrido r, int32_t selector_planes) {
    Estado_ventana& e = E();
    e.codigo_error = 0;
    const int32_t& c = e.codigo_error;
    switch (r) {
      case Recorrido::zona: {
        Lugar("Grabar_zona");
        TFParam_defecto fparam(v_, conexion_);
        fparam.Construir_configuracion(e.idioma_medidor);
        const bool ok = static_cast<bool>(fparam.Grabar_zona());
        return ok ? c == 0
                  : Uno_de(c, kCodigo_zona_perfiles, kCodigo_zona_fabrica, kCodigo_zona_defecto);
      }
      case Recorrido::fpga: {
        Lugar("Preparar_fpga");
        if (!Preparar_fpga(v_, conexion_, timer_)) return c == 0;
        Lugar("Subida_graficos");
        graficos_.Borrar_graficos();
        graficos_.Enviar_imagen(Subida_graficos::kCargando_firmware);
        Lugar("Grabar_configuraciones");
        TCFpga fpga(v_);
        fpga.configuraciones =
            Configuraciones_reducidas(fpga.configuraciones, kBytes_configuracion_fpga);
        fpga.grabar_flash = !e.Check_firmware;
        fpga.progreso_base = e.progreso_base;
        fpga.num_configuraciones = TCFpga::kMaximo_configuraciones;
        for (int i = 0; i < TCFpga::kMaximo_configuraciones; ++i)
          fpga.Fijar_nombre(i + 1, kNombres_fpga[static_cast<size_t>(i)]);
        const bool ok = static_cast<bool>(fpga.Grabar_configuraciones());
        return ok ? Uno_de(c, 0, kCodigo_fpga_grabacion)
                  : Uno_de(c, kCodigo_fpga_borrado, kCodigo_fpga_bloque);
      }
      case Recorrido::firmware: {
        if (e.Check_fpga) {
          Lugar("Preparar_fpga");
          (void)Preparar_fpga(v_, conexion_, timer_);
        }
        Lugar("Paso_firmware");
        const bool ok = static_cast<bool>(Paso_firmware(v_, conexion_, timer_));
        return ok ? c == 0
                  : Uno_de(c, kCodigo_firmware_staging, kCodigo_firmware_envio,
                           kCodigo_firmware_abortado, kCodigo_firmware_grabacion,
                           kCodigo_comprobacion);
      }
      case Recorrido::mpeg4: {
        Lugar("Actualizar_mpeg4");
        Programador_mpeg4 mpeg4(v_, conexion_);
        const bool ok = static_cast<bool>(mpeg4.Actualizar_mpeg4(0, e.region_usa));
        return ok ? c == 0
                  : Uno_de(c, kCodigo_mpeg4_etapa1, kCodigo_mpeg4_etapa2, kCodigo_mpeg4_abortado,
                           kCodigo_mpeg4_sin_fin, kCodigo_mpeg4_sin_inicio);
      }
      case Recorrido::teclado: {
        Lugar("Programar_teclado");
        timer_.Deshabilitar();
        const Resultado teclado = Programador_teclado(v_, e.progreso_base).Programar_teclado();
        // Every failing ending sets its code, and the code's reason is the failure returned.
        return teclado ? c == 0
                       : Uno_de(c, kCodigo_teclado_id, kCodigo_teclado_verificacion,
                                kCodigo_teclado_sin_respuesta, kCodigo_teclado_abortado,
                                kCodigo_teclado_sin_conexion) &&
                             e.motivo_error == *teclado.Motivo();
      }
      case Recorrido::planes: {
        Lugar("Grabar_plan");
        // One buffer for every run: the step fills it before use.
        static std::vector<uint8_t> buffer(kTamano_buffer_planes);
        const bool ok = static_cast<bool>(Grabar_plan(v_, buffer, selector_planes));
        return ok ? c == 0 : Uno_de(c, kCodigo_subir_bloques, kCodigo_orden_plan);
      }
      case Recorrido::borrado: {
        Lugar("Borrar_medidor");
        const bool conectado = e.conectado;
        const bool ok = static_cast<bool>(actualizacion_.Borrar_medidor());
        if (ok) return c == 0;
        return Uno_de(c, kCodigo_bloque_vacio, kCodigo_borrar_sector) ||
               (c == 0 && !conectado && !e.conectado);
      }
      case Recorrido::velocidad: {
        Lugar("Cambiar_velocidad_medidor");
        const uint32_t baudios = selector_planes % 2 ? kBaudios_normales : kBaudios_rapidos;
        const bool ok = conexion_.Cambiar_velocidad_medidor(baudios);
        conexion_.Cambiar_velocidad_puerto(baudios);
        return ok ? c == 0 : c == kCodigo_subir_bloques;
      }
      default:
        return false;
    }
  }

  Backend_dictado* backend_;  // owned by the window's port
  pruebas::Ventana_falsa v_;
  Temporizador_fuzz timer_;
  Conexion conexion_;
  Subida_graficos graficos_;
  pruebas::Vista_falsa vista_;
  Textos_idioma textos_;
  Actualizacion actualizacion_;
  uint8_t opciones_;
  uint32_t mensaje_incidente_;
  uint32_t mensajes_ = 0;
  bool conectado_una_vez_ = false;
  uint32_t turnos_cerrado_ = 0;  // message turns in a row with the port closed
  bool en_vigilancia_ = false;
  uint64_t ultima_vigilancia_us_ = 0;
  const char* regla_rota_ = nullptr;
  uint64_t inicio_us_ = v_.reloj.Ahora_us();
};

}  // namespace

bool Probar_medidor(std::span<const uint8_t> entrada, Medida_medidor* medida) {
  if (entrada.size() < kCabecera) return true;
  const auto recorrido = static_cast<Recorrido>(entrada[0] % kRecorridos);
  const int32_t selector_planes = (entrada[0] / kRecorridos) % 8;
  const uint32_t incidente = (uint32_t{entrada[2]} + 1) * kMensajes_por_unidad;
  Banco banco(entrada.subspan(kCabecera), entrada[1], incidente);
  const bool ok = banco.Ejecutar(recorrido, selector_planes);
  if (medida) *medida = banco.Medida();
  return ok;
}

}  // namespace r27::fuzz
