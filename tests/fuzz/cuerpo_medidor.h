#pragma once
// Body of the fuzz target in which the input is the meter: every byte it sends,
// its timing and the line's behaviour (backend_dictado.h). The updater runs
// against it on the virtual clock with the fake window: the connection, one
// programmer or all of them in turn, a whole update, or the wizard's search
// followed by an update. libFuzzer drives it, and an ordinary test replays the
// checked-in corpus through it.
//
// The input: byte 0 picks the run (byte0 % 12, see Recorrido) and, with
// (byte0 / 12) % 8, the channel-plan selector; byte 1 holds the options below;
// byte 2 is the window message at which an abort or a close arrives (x 8); the
// rest is the meter.
#include <cstdint>
#include <span>

namespace r27::fuzz {

enum class Recorrido : uint8_t {
  conexion,       // connect, readiness, the disconnect watch, a reconnect, disconnect
  zona,           // the zone records
  fpga,           // loader stages, status picture, FPGA set staged (and burnt)
  firmware,       // the firmware step: records and burn
  mpeg4,          // the module application upload
  teclado,        // the keyboard microcontroller exchange
  planes,         // one channel-plan set
  borrado,        // the erase step
  velocidad,      // the meter's and the port's rate switch
  todos,          // every programmer above in turn
  actualizacion,  // a whole update on the ticks the connection decided
  asistente,      // the wizard's search, checks and the update it hands over to
};
inline constexpr int kRecorridos = 12;

// Option bits of byte 1.
inline constexpr uint8_t kOpcion_windows64 = 0x01;
inline constexpr uint8_t kOpcion_sin_conectar = 0x02;  // programmers find no connection
inline constexpr uint8_t kOpcion_abortar = 0x04;       // `abortar` raised at message N
inline constexpr uint8_t kOpcion_cerrar = 0x08;        // `saliendo` raised at message N
inline constexpr uint8_t kOpcion_cancelar = 0x10;      // the technician answers Cancel
inline constexpr uint8_t kOpcion_tick_fpga = 0x20;     // forced ticks, after the decision
inline constexpr uint8_t kOpcion_tick_firmware = 0x40;
inline constexpr uint8_t kOpcion_ticks_extra = 0x80;  // keyboard, erase and plans

// What one run measured, for the script's report.
struct Medida_medidor {
  uint64_t tiempo_virtual_us = 0;
  uint64_t maximo_silencio_us = 0;   // longest wait without a byte from the meter
  uint64_t operaciones = 0;          // port operations
  uint64_t mensajes = 0;             // window message loop turns
  int32_t codigo_error = 0;          // the result code the run ended with
  bool conectado = false;            // the first connect found the meter
  const char* regla_rota = nullptr;  // the first rule the run broke, if any
};

// Runs the updater against the meter `entrada` dictates. False when a rule that
// holds whatever the meter sends was broken (a known result code; a failure
// reported with its code; both sides back at 115,200 baud and the window usable
// after an update); `medida->regla_rota` names it. A loop that does not end
// aborts with a message.
bool Probar_medidor(std::span<const uint8_t> entrada, Medida_medidor* medida = nullptr);

}  // namespace r27::fuzz
