// The keyboard programmer end to end against the simulated meter's keyboard
// microcontroller, in process on the virtual clock: what the microcontroller
// holds afterwards, and each way the exchange can end: its result code, the
// request its reason names, and whether the technician got a box and a beep.
#include <gtest/gtest.h>

#include <string>

#include "components/programador_teclado.h"
#include "incrustado/teclado_hex.h"
#include "link/codigos_resultado.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27 {
namespace {

using pruebas::Medidor_en_proceso;
using sim::Config_medidor;
using sim::Peticion;
using sim::Tipo_fallo;

std::string Texto() {
  const auto d = datos::teclado_hex();
  return std::string(reinterpret_cast<const char*>(d.data()), d.size());
}

// The 64 bytes of the data line that starts at `inicio` (digits from inicio + 9).
std::array<uint8_t, 64> Datos_linea(const std::string& t, size_t inicio) {
  std::array<uint8_t, 64> b{};
  for (size_t i = 0; i < 64; ++i)
    b[i] = uint8_t(std::stoul(t.substr(inicio + 9 + 2 * i, 2), 0, 16));
  return b;
}

constexpr size_t kLinea = 141;               // one data record with its CR LF
constexpr size_t kSeguridad = 256 * kLinea;  // the security record's first line
const std::string kSin_respuesta = "El teclado no responde !\n";
const std::string kIntercambio = "Programar_teclado";

struct Caso {
  const char* nombre;
  Config_medidor config;
  std::string texto;
  int32_t codigo_previo;
  int resultado;
  int32_t codigo;
  std::string mensaje;  // with a failure beep; none when empty
  int bloques;          // blocks the microcontroller was programmed with
  // The request the reason names: the exchange's own wait, or the packet the
  // port did not take ("" when no code of the exchange is the run's).
  std::string peticion = {};
};

Config_medidor Secuencia(std::vector<uint8_t> codigos) {
  Config_medidor c;
  c.secuencia_teclado = std::move(codigos);
  return c;
}
Config_medidor Con_fallo(Tipo_fallo tipo, Peticion p, uint32_t n) {
  Config_medidor c;
  c.fallos = {{tipo, p, n}};
  return c;
}
Config_medidor Con_error(bool id, bool verificacion) {
  Config_medidor c;
  c.teclado_fallo_id = id;
  c.teclado_fallo_verificacion = verificacion;
  return c;
}

// The embedded text with one character changed, or cut short.
std::string Cambiado(size_t posicion, char c) {
  std::string t = Texto();
  t[posicion] = c;
  return t;
}
std::string Cortado(size_t longitud) { return Texto().substr(0, longitud); }
// An upper-case "A" over a data digit 0 of block 3: read as 0, the block is unchanged.
std::string Mayuscula() {
  const size_t p = Texto().find('0', 3 * kLinea + 9);
  EXPECT_LT(p, 3 * kLinea + 9 + 128);
  return Cambiado(p, 'A');
}

TEST(Integracion_teclado, EachWayTheExchangeEnds) {
  const size_t kSuma = kSeguridad + 158;  // the checksum record's first line
  const Config_medidor normal;
  const auto silencio = Tipo_fallo::Silencio;
  const std::vector<uint8_t> todos = {0, 1, 2,  4,  23, 200, 10, 15, 22, 3,  5, 7,
                                      8, 9, 11, 12, 13, 14,  6,  14, 16, 17, 18};
  // clang-format off
  const Caso casos[] = {
      {"programmed and verified", normal, Texto(), 0, 0, 0, "", 256},
      {"every code", Secuencia(todos), Texto(), 0, 0, 0, "", 256},
      {"upper-case digit reads as 0", normal, Mayuscula(), 0, 0, 0, "", 256},
      {"not 14 after a block", Con_fallo(Tipo_fallo::Ack_erroneo, Peticion::Paquete_teclado, 43),
       Texto(), 0, 0, 0, "Codigo no esperado !\n", 256},
      {"silicon ID", Con_error(true, false), Texto(), 0, -1, 1, "Silicon ID error !\n", 0, kIntercambio},
      {"verify", Con_error(false, true), Texto(), 0, -1, 2, "Verify error !\n", 256, kIntercambio},
      {"code set before stays", Con_error(true, false), Texto(), 7, -1, 7, "Silicon ID error !\n", 0},
      // The meter ends the exchange itself (21): code 27, and nothing more shown.
      {"the meter ends it at once", Secuencia({21}), Texto(), 0, -1, 27, "", 0, kIntercambio},
      {"the meter ends it, code set before", Secuencia({21}), Texto(), 7, -1, 7, "", 0},
      // Format errors: the request is dropped, then the meter gives up with 21.
      {"block type", normal, Cambiado(5 * kLinea + 8, '1'), 0, -1, 27, "El record no es de tipo datos !\n", 5,
       kIntercambio},
      {"block length", normal, Cambiado(9 * kLinea + 2, '1'), 0, -1, 27, "Longitud de record incorrecto !\n", 9,
       kIntercambio},
      {"last block cut", normal, Cortado(255 * kLinea + 100), 0, -1, 27, "El record no tiene suficientes datos!\n",
       255, kIntercambio},
      {"security base", normal, Cambiado(kSeguridad + 12, '1'), 0, -1, 27, "Error en los datos SECURE!\n", 256,
       kIntercambio},
      {"security data type", normal, Cambiado(kSeguridad + 25, '1'), 0, -1, 27,
       "2da linea del security record \nno es de tipo datos !\n", 256, kIntercambio},
      {"checksum not a record", normal, Cambiado(kSuma, 'x'), 0, -1, 27, "Hex corrupto !\n", 256, kIntercambio},
      {"checksum base length", normal, Cambiado(kSuma + 2, '4'), 0, -1, 27,
       "Longitud de 1era linea del \nChecksum record incorrecta \n", 256, kIntercambio},
      {"checksum cut", normal, Cortado(kSuma + 27), 0, -1, 27, "2do Record checksum sin datos suficientes!\n", 256,
       kIntercambio},
      {"16 before any 14", Secuencia({16, 18}), Texto(), 0, -1, 27,
       "Longitud de 1era linea del \nsecurity record incorrecta \n", 0, kIntercambio},
      // The meter falls silent: the bound ends the run.
      {"silent from the start", Con_fallo(silencio, Peticion::Teclado, 1), Texto(), 0, -1, 25, kSin_respuesta, 0,
       kIntercambio},
      {"silent after table 3", Con_fallo(silencio, Peticion::Paquete_teclado, 14), Texto(), 0, -1, 25,
       kSin_respuesta, 0, kIntercambio},
      {"silent, code set before", Con_fallo(silencio, Peticion::Teclado, 1), Texto(), 7, -1, 7, kSin_respuesta, 0},
      // The port is gone: the next packet is not taken, and the exchange ends at once.
      // Unplugged: the step has lost its meter, told at once; the sequence says the rest.
      {"unplugged in table 3", Con_fallo(Tipo_fallo::Desenchufe, Peticion::Paquete_teclado, 5), Texto(), 0, -1,
       kCodigo_teclado_sin_conexion, "", 0, "Programar_teclado"},
  };
  // clang-format on
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Medidor_en_proceso m(c.config);
    m.v.estado.codigo_error = c.codigo_previo;
    m.v.estado.progreso_base = 100;
    m.v.barra_general.Fijar_rango(0, 1000);
    Programador_teclado p(m.v, m.v.estado.progreso_base, c.texto);
    const int64_t inicio = m.v.reloj.Segundos();
    const Resultado r = p.Programar_teclado();
    EXPECT_EQ(r ? 0 : -1, c.resultado);
    const int64_t duracion = m.v.reloj.Segundos() - inicio;
    EXPECT_EQ(m.v.estado.codigo_error, c.codigo);
    // The reason goes with the run's code; the failure returned always carries the exchange's own.
    EXPECT_EQ(m.v.estado.motivo_error.peticion, c.peticion);
    if (!r) {
      EXPECT_TRUE(r.Motivo()->peticion.starts_with(kIntercambio));
      if (c.codigo_previo == 0) {
        EXPECT_EQ(r.Motivo()->codigo, c.codigo);
      }
    }
    EXPECT_EQ(m.v.mensajes,
              c.mensaje.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.mensaje});
    // A failure beeps once when it says something, and when the meter is unplugged.
    const bool pitido = !c.mensaje.empty() || c.codigo == kCodigo_teclado_sin_conexion;
    EXPECT_EQ(m.v.Un_pitido_de_fallo(), pitido);
    EXPECT_EQ(m.v.pitidos.size(), pitido ? 1u : 0u);
    if (c.mensaje == kSin_respuesta && r.Motivo()->llegada == Llegada::nada) {
      EXPECT_GE(duracion, kEspera_codigo_teclado_s);
      EXPECT_LE(duracion, kEspera_codigo_teclado_s + 1);
    } else {
      EXPECT_LT(duracion, kEspera_codigo_teclado_s);
    }

    const sim::Estado_teclado& k = m.medidor.Teclado();
    EXPECT_EQ(k.bloques_programados, c.bloques);
    for (int i = 0; i < c.bloques; ++i) {
      ASSERT_EQ(k.bloques[size_t(i)], Datos_linea(Texto(), size_t(i) * kLinea)) << "block " << i;
    }
    if (c.resultado != 0) continue;
    EXPECT_EQ(k.resultado, 18);
    EXPECT_EQ(k.bloques_verificados, 256);
    EXPECT_EQ(m.v.barra_progreso.Posicion(), 255);
    EXPECT_EQ(m.v.barra_general.Posicion(), 100 + 255 * 180 / 256);
    ASSERT_TRUE(k.seguridad_recibida && k.suma_recibida);
    EXPECT_EQ(k.seguridad, Datos_linea(c.texto, kSeguridad + 17));
    // The checksum record is the sum of what the microcontroller holds.
    uint16_t suma = 0;
    for (const auto& b : k.bloques)
      for (uint8_t x : b) suma = uint16_t(suma + x);
    EXPECT_EQ(k.suma, (std::array<uint8_t, 2>{uint8_t(suma >> 8), uint8_t(suma)}));
  }
}

}  // namespace
}  // namespace r27
