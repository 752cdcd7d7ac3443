#pragma once
// What the simulated R27 meter is made of: its identity, its answers, the times
// its work takes, and the faults it is told to show. Every field has the value of
// an ordinary meter that needs a full update (firmware 3.00, FPGA 3.2, an MPEG-4
// module at application version 132), so a test changes only what it is about.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace r27::sim {

inline constexpr uint32_t kBaudios_inicio = 115200;
// The nice value a meter served in real time asks for (root or CAP_SYS_NICE may
// lower it): a device answers whatever else the computer runs.
inline constexpr int kPrioridad_medidor = -10;

// Versions the MPEG-4 module reports to 0xBF.
struct Versiones_mpeg4 {
  uint16_t aplicacion = 132;
  uint16_t build = 0;
  uint8_t decodificadores = 5;
  uint8_t arranque = 2;
};

// Request kinds as the meter tells them apart; faults are aimed at one of them.
enum class Peticion : uint8_t {
  Cualquiera,           // any request (fault target only)
  Sondeo,               // 0x00
  Liberacion,           // 0x0A from the computer
  Lectura_memoria,      // 0x01 page offL offH count
  Lectura_bus,          // 0x01 0x50 device count register
  Escritura_memoria,    // 0x02 N+3 page offL offH data
  Escritura_bus,        // 0x02 N+3 0x50 0x3F register data
  Escritura_eeprom,     // 0x02 N+5 0x50 0x52 0x08 addrH addrL data
  Bloque,               // 0x03 block packet
  Carga_programa,       // 0x04 lenL lenH program (both loader stages)
  Carga_arranque,       // the raw bootstrap load of the boot stage
  Confirmar_sector,     // 0x06 n
  Borrado_preparacion,  // 0x07 0x06 ... staging erase
  Grabacion,            // 0x09 0x40 + map
  Borrado_sector,       // 0x0C n
  Preparar_mpeg4,       // 0x0D 0x00
  Fin,                  // 0x0F 0x00
  Bloque_preparacion,   // 0x5A 133-byte staging block
  Sector_preparacion,   // 0x5B sector write or erase
  Listo,                // 0xAA
  Relleno,              // 0xFF filler of the block recovery
  Teclado,              // 0xBB start of keyboard programming
  Paquete_teclado,      // 0xBC packet of the keyboard exchange
  Info_mpeg4,           // 0xBF
  Serie_mpeg4,          // 0xC0
  Actualizar_mpeg4,     // 0xCC / 0x4C start of the module update
  Desconocida,          // a byte that starts no request the meter knows
};
inline constexpr int kNum_peticiones = static_cast<int>(Peticion::Desconocida) + 1;

enum class Tipo_fallo : uint8_t {
  Ack_perdido,         // the request is carried out, its answer never leaves
  Ack_erroneo,         // the first answer byte is replaced by a wrong one
  Paquete_alterado,    // the meter sees one byte of the request corrupted
  Silencio,            // the meter stops answering (for duracion_us, 0 = for good)
  Reinicio,            // the meter restarts (long work: half-way through)
  Desenchufe,          // the port vanishes and the meter loses power (at once, or
                       // duracion_us after the request came in: work under way stops there)
  Liberacion_espuria,  // a 0x0A leaves just before the answer
  Respuesta_m,         // the first answer byte is "m" (0x6D), the refusal of a probe
  Respuesta_arranque,  // the first answer byte is 0xD5, the boot stage's probe answer
  Respuesta_tardia,    // the answer leaves duracion_us late, and the answers after it
                       // follow it (a USB link delays, it does not reorder)
};

// One fault. It fires on the requests of kind `peticion` numbered enesima ..
// enesima + veces - 1 (counted from 1 since the meter was created), or, when
// enesima is 0, on each such request with `probabilidad`, drawn from a stream
// seeded by the meter's seed and the fault's position in the list.
struct Fallo {
  Tipo_fallo tipo = Tipo_fallo::Ack_perdido;
  Peticion peticion = Peticion::Cualquiera;
  uint32_t enesima = 0;
  uint32_t veces = 1;
  double probabilidad = 0.0;
  uint64_t duracion_us = 0;  // Silencio, Desenchufe and Respuesta_tardia only
};

struct Config_medidor {
  // Identity block (page 0x18) and the other locations the updater reads.
  std::string familia = "QZT";              // zero-terminated at byte 0 (at most 11 characters)
  std::string region = "EUR";               // bytes 12..14
  std::string version = "3.00";             // four characters at 0x10
  std::string build = "00000";              // five digits at 0x16
  uint8_t idioma = 0;                       // third data byte of the read at 0x42:0x020E
  uint8_t fpga_mayor = 3;                   // page 0x30 byte 11
  uint8_t fpga_menor = 2;                   // page 0x30 byte 10
  std::array<uint8_t, 32> bloque_estado{};  // page 0 offset 0x6010 (byte 26 bit 5)
  uint16_t nivel = 0x0078;                  // level word at page 0 offset 0xFEA0

  // Internal bus device 0x3F.
  uint8_t bus_registro8 = 0x00;
  uint8_t bus_registro12 = 0x00;
  bool bus_sin_listo = false;  // never raises the ready bit 0x10 after an enable

  // How the meter answers the probe and the first loader stage.
  bool etapa_arranque = false;  // powers up in its boot stage (answers 0xD5)
  bool rechazo = false;         // answers every probe with "m" (0x6D)
  bool graficos = true;         // has a screen-graphics area ("J" ...), else 0x40
  uint8_t graficos_segmento = 0xF0;
  uint16_t graficos_direccion = 0x0000;
  uint8_t respuesta_relleno = '?';  // answer to a filler byte: '?' or 'f'
  bool confirmar_sin_eco = false;   // answers 0x06 n with 0x60 alone, without the echo n
  // The burn answers as usual but leaves the flash as it was (old firmware, identity, FPGA set).
  bool grabacion_sin_efecto = false;

  // MPEG-4 module.
  bool mpeg4 = true;
  Versiones_mpeg4 mpeg4_actual{};
  Versiones_mpeg4 mpeg4_nueva{133, 0, 5, 2};       // reported after a module update
  std::string mpeg4_serie = "R27M4-000000000001";  // 64 bytes, zero-padded
  bool mpeg4_comprobar_cabecera = true;            // the image must start with "RDHB"

  // Keyboard microcontroller: the request codes the meter sends, in order.
  std::vector<uint8_t> secuencia_teclado = {3, 5, 14, 6, 14, 16, 17, 18};
  bool teclado_fallo_id = false;            // silicon ID does not match: code 19
  bool teclado_fallo_verificacion = false;  // the read-back differs: code 20

  // Times of the meter's work, in microseconds.
  uint64_t t_respuesta_us = 200;  // reaction to a request
  // A packet silent this long between two of its bytes is dropped (0: never). Its
  // own rule, not the meter's: it holds where send times are exact (the virtual
  // clock); r27-sim in real time sets it only when asked, since a pseudo-terminal
  // under load holds bytes sent on time for a second.
  uint64_t t_entre_bytes_us = 250'000;
  uint64_t t_reinicio_us = 3'000'000;           // deaf after a restart
  uint64_t t_borrado_preparacion_us = 20'000;   // staging erase, per segment
  uint64_t t_borrado_segmento_us = 200'000;     // burn: erase of one segment
  uint64_t t_programa_segmento_us = 800'000;    // burn: programming of one segment
  uint64_t t_sector_us = 1'200'000;             // 0x0C, 0x06 and 0x5B sector work
  uint64_t t_pagina_eeprom_us = 5'000;          // per 64 EEPROM bytes
  uint64_t t_carga_us = 20'000;                 // a loader stage starting
  uint64_t t_mpeg4_us = 300'000'000;            // the module update
  uint64_t t_bloque_teclado_us = 3'000;         // the keyboard MCU programming a block
  uint64_t t_rechazo_teclado_us = 2'500'000;    // quiet time before code 21
  uint64_t t_abandono_teclado_us = 10'000'000;  // keyboard exchange without answers

  // Line: pacing at the line rate (11 bits per byte) in both directions.
  bool ritmo = false;

  std::vector<Fallo> fallos;
  uint64_t semilla = 1;
};

const char* Nombre_peticion(Peticion p);
const char* Nombre_fallo(Tipo_fallo t);

}  // namespace r27::sim
