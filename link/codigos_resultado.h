#pragma once
// The result codes of an update, shown on the failure screen after "P6_E4_L1".
// The first code set in a run wins (Estado_ventana::Fijar_error); 0 means none.
// Code 10 is not used.
#include <cstdint>

namespace r27 {

inline constexpr int32_t kCodigo_teclado_id = 1;            // keyboard: silicon-ID error
inline constexpr int32_t kCodigo_teclado_verificacion = 2;  // keyboard: verify error
inline constexpr int32_t kCodigo_bloque_vacio = 3;          // erase: blank block not acknowledged
inline constexpr int32_t kCodigo_borrar_sector = 4;         // erase: a sector failed 10 times
inline constexpr int32_t kCodigo_zona_perfiles = 5;
inline constexpr int32_t kCodigo_zona_fabrica = 6;
inline constexpr int32_t kCodigo_zona_defecto = 7;
inline constexpr int32_t kCodigo_subir_bloques = 8;  // staging blocks or the baud switch
inline constexpr int32_t kCodigo_orden_plan = 9;
inline constexpr int32_t kCodigo_paso_previo_mpeg4 = 11;  // the step before MPEG-4 failed
inline constexpr int32_t kCodigo_mpeg4_etapa1 = 12;
inline constexpr int32_t kCodigo_mpeg4_etapa2 = 13;
inline constexpr int32_t kCodigo_mpeg4_abortado = 14;
inline constexpr int32_t kCodigo_mpeg4_sin_fin = 15;   // no 0xBB within 1,020 s
inline constexpr int32_t kCodigo_preparar_fpga = 16;   // loader stages for programming
inline constexpr int32_t kCodigo_fpga_borrado = 17;    // staging erase not confirmed
inline constexpr int32_t kCodigo_fpga_bloque = 18;     // a block not accepted
inline constexpr int32_t kCodigo_fpga_grabacion = 19;  // flash write refused or timed out
// Opening the staging area failed, `abortar` was already set, or the firmware
// step found no connection.
inline constexpr int32_t kCodigo_firmware_staging = 20;
inline constexpr int32_t kCodigo_firmware_envio = 21;
inline constexpr int32_t kCodigo_firmware_abortado = 22;
inline constexpr int32_t kCodigo_firmware_grabacion = 23;
// The meter did not answer 0x0D 0x00 before the MPEG-4 start command.
inline constexpr int32_t kCodigo_mpeg4_sin_inicio = 24;
// The meter sent no keyboard request code for 30 s during the exchange.
inline constexpr int32_t kCodigo_teclado_sin_respuesta = 25;
// The check after writing failed: the restarted meter did not answer, is in its
// boot stage, or does not hold what the run wrote (the firmware's version and
// build, the FPGA set, a module that answers).
inline constexpr int32_t kCodigo_comprobacion = 26;
// The meter ended the keyboard exchange without success (its ending 21).
inline constexpr int32_t kCodigo_teclado_abortado = 27;
// The keyboard step found no connection and could not connect.
inline constexpr int32_t kCodigo_teclado_sin_conexion = 28;

}  // namespace r27
