#pragma once
// Requests that read the meter's memory, read and write a device on its internal
// bus, and stage data in the meter for it to write into (or erase) a flash
// sector, and the frames that every programmer of the meter shares (the staging
// erase, the end of programming). Each request writes one command, waits for
// the meter's acknowledgement and retries a fixed number of times; none keeps
// state between calls, shows a message or sets a result code (the callers do).
// A request that gives up returns its failure: the request, what it awaited and
// what came (the last attempt's), also traced on the wire trace.
#include <array>
#include <cstdint>
#include <span>

#include "link/contexto_peticion.h"
#include "link/fallo.h"

namespace r27 {

// Staging erase: 07 06 00 00 first FD FF last, answered "p". The meter erases
// the staging range from segment byte `primero` to segment byte `ultimo`; each
// programmer has its own range and its own waits and attempts.
inline constexpr size_t kBytes_borrado_staging = 8;
inline constexpr uint8_t kRespuesta_borrado_staging = 'p';
constexpr std::array<uint8_t, kBytes_borrado_staging> Orden_borrado_staging(uint8_t primero,
                                                                            uint8_t ultimo) {
  return {0x07, 0x06, 0x00, 0x00, primero, 0xFD, 0xFF, ultimo};
}

// End of programming: 0x0F 0x00, no answer awaited.
inline constexpr std::array<uint8_t, 2> kOrden_fin{0x0F, 0x00};

// Memory read: 0x01 page offL offH count, answered by 0x10, one spare byte and
// count/2 little-endian words.
inline constexpr int kIntentos_leer_memoria = 5;
inline constexpr int64_t kEspera_leer_memoria_s = 1;  // for 0x10, then again for the words

// Reads count/2 words at (page, offset) into `palabras`. Words that do not fit
// the buffer are read off the line and dropped; the buffer keeps 0 where nothing
// was read. True when an attempt read every word in time.
Resultado Leer_memoria(Contexto_peticion& ventana, uint8_t pagina, uint16_t offset, uint8_t cuenta,
                       std::span<uint16_t> palabras);

// Averaged level reading: four 2-byte reads at page 0x00, offset 0xFEA0.
inline constexpr int kLecturas_promedio = 4;
inline constexpr uint32_t kPausa_promedio_ms = 50;  // after each reading
inline constexpr uint16_t kOffset_nivel = 0xFEA0;

// The integer mean of the low bytes of the four readings.
int Leer_promedio(Contexto_peticion& ventana);

// Language byte: the third of four data bytes at page 0x42, offset 0x020E.
inline constexpr int kIntentos_leer_idioma = 5;
inline constexpr int64_t kEspera_leer_idioma_s = 1;  // for 0x10, then again for the 5 bytes
inline constexpr int kIdioma_sin_respuesta = -1;

// The language index the meter holds; kIdioma_sin_respuesta when the request
// could not be written or no attempt was answered (the caller takes any value
// outside 0..9 as language 1).
int Leer_idioma(Contexto_peticion& ventana);

// Internal bus requests (device 0x3F is the meter's power and bus controller).
inline constexpr int kIntentos_bus = 5;
inline constexpr int64_t kEspera_bus_s = 3;        // for 0x10, the length and each byte
inline constexpr uint32_t kIntervalo_bus_ms = 50;  // between polls that found nothing
inline constexpr uint8_t kModo_bus_maximo = 7;
inline constexpr uint8_t kDispositivo_control = 0x3F;

// Sends 0x01 0x50 device count-byte control and reads the reply of the length the
// meter announces into `buffer` from its first byte on. buffer[0] is the count
// byte sent. At most buffer.size() bytes are kept; the rest of the reply is read
// and dropped. A failure without traffic for a mode above 7 or an empty buffer.
Resultado Leer_bus(Contexto_peticion& ventana, uint8_t dispositivo, std::span<uint8_t> buffer,
                   uint8_t registro, uint8_t bandera, uint8_t modo);

// Sends 0x02 N+3 0x50 device register data..., acknowledged by 0x20. A failure
// without traffic when N + 3 does not fit the length byte.
Resultado Escribir_bus(Contexto_peticion& ventana, uint8_t dispositivo, uint8_t registro,
                       std::span<const uint8_t> datos);

// True when bit 7 of register 8 and bit 6 of register 12 of device 0x3F are
// clear; a bit that is set is a failure of "Comprobar_bus" naming the byte read.
Resultado Comprobar_bus(Contexto_peticion& ventana);
// Sets bits 0x41 of register 8 of device 0x3F; true when it reads back with 0x51
// set (otherwise a failure of "Activar_bus" naming the byte read back).
Resultado Activar_bus(Contexto_peticion& ventana);

// Staging blocks: 0x5A, 24-bit big-endian offset, 128 data bytes, XOR check,
// acknowledged by 0xA5.
inline constexpr uint32_t kDatos_bloque_staging = 128;
inline constexpr uint32_t kBytes_bloque_staging = kDatos_bloque_staging + 5;
inline constexpr int kIntentos_subir_bloque = 10;
inline constexpr int64_t kEspera_subir_bloque_s = 1;
inline constexpr uint32_t kLongitud_staging_maxima = 0xFFFFFF;  // 24-bit offsets

// Stages the first `longitud` bytes in whole 128-byte blocks. The last block is
// filled from `datos` past the length where the caller handed a padded buffer,
// and with 0xFF beyond the end of `datos`. Shows progress on Barra_progreso.
// A failure without traffic when `longitud` exceeds datos.size() or 24 bits.
Resultado Subir_bloques(Contexto_paso& paso, uint32_t longitud, std::span<const uint8_t> datos);

// Writes N data bytes at (page, offset): 0x02 N+3 page offL offH data. No reply
// is awaited, so it succeeds unless N + 3 does not fit the length byte or the
// port does not take the bytes.
Resultado Escribir_memoria(Contexto_peticion& ventana, std::span<const uint8_t> datos,
                           uint8_t pagina, uint16_t offset);

// One staging block of 128 x 0xFF at offset 0 (the blank block).
inline constexpr int64_t kEspera_bloque_vacio_s = 2;
Resultado Bloque_vacio(Contexto_peticion& ventana);

// Sector commands: 0x5B 00 00 00 len24 sector p1 p2 xor-data xor(1..10),
// acknowledged by 0xB5.
inline constexpr uint32_t kBytes_orden_sector = 12;
inline constexpr int kIntentos_grabar_sector = 10;
inline constexpr int64_t kEspera_sector_s = 10;

// Erases one flash sector (one attempt; callers repeat it).
Resultado Borrar_sector_flash(Contexto_peticion& ventana, uint8_t sector);
// Writes the data staged by Subir_bloques into `sector`; `datos` are the staged
// bytes (their count and XOR go into the command).
Resultado Grabar_sector_flash(Contexto_peticion& ventana, std::span<const uint8_t> datos,
                              uint8_t sector, uint8_t parametro1, uint8_t parametro2);

}  // namespace r27
