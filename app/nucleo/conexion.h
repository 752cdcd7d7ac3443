#pragma once
// The connection with the meter on COM `puerto`: the handshake that tells a meter
// from any other device, the reconnection after the meter restarts, the watch
// that lets the meter ask to be let go, the identity reads that set the step
// ticks, the baud-rate switch and the disconnect. Everything runs on the window's
// thread; the waits let window messages run.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/nucleo/decisiones.h"
#include "app/nucleo/ficha_medidor.h"
#include "app/nucleo/temporizador.h"
#include "flash/tcdiferencial.h"
#include "link/codigos_resultado.h"
#include "link/interfaz_ventana.h"
#include "link/operaciones_conexion.h"

namespace r27 {

// Handshake bytes.
inline constexpr uint8_t kSondeo = 0x00;
inline constexpr uint8_t kRespuesta_aplicacion = 0x5D;  // ']'
inline constexpr uint8_t kRespuesta_arranque = 0xD5;    // boot stage: load the loader
inline constexpr uint8_t kRespuesta_m = 0x6D;           // 'm': no connection, own texts
inline constexpr uint8_t kLiberacion = 0x0A;            // either side lets go

// RTS pulse train before each probe: 16 x (20 ms high, 20 ms low).
inline constexpr int kPulsos_rts = 16;
inline constexpr uint32_t kMedio_pulso_rts_ms = 20;

// Connect: at most 4 probes; 100 ms before each probe and after each release.
inline constexpr int kSondeos_conexion = 4;
inline constexpr uint32_t kPausa_sondeo_ms = 100;
// Reconnect: at most 10 probes, each answer read after 15 x 10 ms.
inline constexpr int kSondeos_reconexion = 10;
inline constexpr int kEsperas_reconexion = 15;
inline constexpr uint32_t kEspera_reconexion_ms = 10;
inline constexpr const char* kMensaje_error_usb = "USB error";

// Identity locations (page, offset, bytes).
inline constexpr uint8_t kPagina_identidad = 0x18;
inline constexpr uint16_t kOffset_version = 0x0010;
inline constexpr uint16_t kOffset_build = 0x0016;
inline constexpr uint8_t kPagina_fpga = 0x30;
inline constexpr uint16_t kOffset_estado = 0x6010;
inline constexpr int kByte_estado_b5 = 26;
inline constexpr uint8_t kBit_estado_b5 = 0x20;
inline constexpr int kIdioma_por_defecto = 1;  // for a language index outside 0..9
inline constexpr int kIdioma_maximo = 9;

// MPEG-4 module information 0xBF -> 0xFB + 7 bytes, all within 10 s of the request.
inline constexpr uint8_t kPedir_info_mpeg4 = 0xBF;
inline constexpr uint8_t kRespuesta_info_mpeg4 = 0xFB;
inline constexpr int64_t kEspera_info_mpeg4_s = 10;
// Serial number 0xC0 -> 0x0C (counted only within 3 s, waited for up to 4 s), one
// more byte within 10 s of the request, then 64 bytes within 10 s of a new start.
inline constexpr uint8_t kPedir_serie_mpeg4 = 0xC0;
inline constexpr uint8_t kRespuesta_serie_mpeg4 = 0x0C;
inline constexpr int64_t kEspera_serie_s = 4;
inline constexpr int64_t kMaximo_serie_s = 2;  // elapsed whole seconds: "within 3 s"
inline constexpr int64_t kEspera_resto_serie_s = 10;
inline constexpr size_t kBytes_serie_mpeg4 = 64;
// Module that reports application version 0: let go, wait, reconnect, ask again.
inline constexpr uint32_t kPausa_mpeg4_cero_ms = 5000;

// Baud-rate switch: codes for the meter, staged at 0 and written at 0x00:0xFEB4.
inline constexpr uint8_t kCodigo_500000 = 1;
inline constexpr uint8_t kCodigo_250000 = 3;
inline constexpr uint8_t kCodigo_115200 = 8;
inline constexpr uint32_t kPausa_cambio_velocidad_ms = 500;
inline constexpr uint32_t kPausa_tras_orden_velocidad_ms = 100;
inline constexpr uint16_t kOffset_velocidad = 0xFEB4;
inline constexpr int32_t kError_cambio_velocidad = kCodigo_subir_bloques;

// It is also the connection operations handed down to the programmers.
class Conexion final : public Operaciones_conexion {
 public:
  Conexion(Interfaz_ventana& ventana, Interfaz_temporizador& timer_desconexion);

  void Pulsos_rts();
  // Disconnects while connected, otherwise tries to connect on `puerto`.
  void Boton_ConectarClick() override;
  // The connection operations the update sequence and the factory dialog use;
  // the button handler is the toggle of the two.
  bool Conectar() override;
  void Desconectar() override;
  // After the meter restarted: up to 10 probes; "USB error" when none answers.
  void Reconectar();
  // One tick of the disconnect watch. It reads the line only while the program
  // is idle (Reposo): anywhere else a request may be waiting for its answer, and
  // a byte the watch took would be lost to it.
  void Mira_desconexion();

  // The program waits for the technician (a question, service mode's pause) for
  // as long as one lives: the only time the watch reads the line.
  class Reposo {
   public:
    explicit Reposo(Conexion& conexion) : conexion_(conexion) { ++conexion_.reposo_; }
    ~Reposo() { --conexion_.reposo_; }
    Reposo(const Reposo&) = delete;
    Reposo& operator=(const Reposo&) = delete;

   private:
    Conexion& conexion_;
  };
  bool En_reposo() const { return reposo_ > 0; }

  // Tick decision and its rules, reading the meter.
  void Decidir_pasos();
  bool Decidir_firmware();
  bool Decidir_borrado();
  bool Decidir_fpga();
  bool Decidir_mpeg4();
  void Info_mpeg4();
  // True when the meter may be updated and at least one tick is set.
  bool Medidor_listo();

  // True when the meter acknowledged the staged rate (500,000, 250,000 or
  // 115,200); otherwise result code 8 (when none is set yet).
  bool Cambiar_velocidad_medidor(uint32_t baudios);
  // Keeps the rate for every later open and reopens the port with it.
  void Cambiar_velocidad_puerto(uint32_t baudios) override;
  bool Es_windows64() override;

  // What the last tick decision read of the meter (family, region, version, FPGA);
  // Leer_ficha adds the rest of the identity.
  const Ficha_medidor& Lecturas() const { return lecturas_; }

  // Where the WOW64 answer comes from: the system's, unless a test hands in another.
  std::function<bool()> consulta_windows64;

  // The programming object the last boot-stage connect loaded the loader with;
  // the window keeps it until the next one replaces it.
  TCDiferencial* Diferencial() { return diferencial_.get(); }
  void Reemplazar_diferencial(std::unique_ptr<TCDiferencial> nuevo) {
    diferencial_ = std::move(nuevo);
  }

 private:
  // Sends the release byte, waits 100 ms, closes the port: conectado = false.
  void Soltar();
  // A probe's wait for its answer: true when it should go on (not closing).
  bool Seguir();
  void Leer_bytes_memoria(uint8_t pagina, uint16_t offset, uint8_t* destino, uint8_t cuenta);
  Texto_version Version_medidor();

  Interfaz_ventana& ventana_;
  Interfaz_temporizador& timer_;
  std::unique_ptr<TCDiferencial> diferencial_;
  // The language read from the last meter found running its firmware.
  std::optional<int32_t> idioma_aplicacion_;
  Ficha_medidor lecturas_;
  // Connects whose tick decision is running. The module query may connect from
  // inside one (after a failed reconnect); it may not do so from inside a second,
  // so a module that keeps failing cannot nest connects without end.
  int decisiones_en_curso_ = 0;
  // Idle stretches open (nested: a question may come inside service mode's pause).
  int reposo_ = 0;
};

}  // namespace r27
