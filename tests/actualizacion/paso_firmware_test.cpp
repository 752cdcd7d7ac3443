// The firmware step and the programming preparation against the simulated meter:
// the model's flash after a whole step, the pictures on its screen, and the
// result code of each way the step can fail.
#include "app/nucleo/paso_firmware.h"

#include <gtest/gtest.h>

#include "components/configuraciones_fpga.h"
#include "components/imagen_fpga.h"
#include "components/tcfpga.h"
#include "link/codigos_resultado.h"
#include "tests/actualizacion/banco_actualizacion.h"
#include "tests/flash/medidor_en_proceso.h"

namespace r27::pruebas {
namespace {

using sim::Config_medidor;
using sim::Fallo;
using sim::Peticion;
using sim::Tipo_fallo;

const std::map<int, std::vector<uint8_t>>& Esperado() {
  static const auto* e = new auto(Segmentos_de_hex(Imagen_firmware()));
  return *e;
}

void Comprobar_flash(const sim::Medidor_simulado& m) {
  ASSERT_FALSE(Esperado().empty());
  for (const auto& [k, bytes] : Esperado()) {
    const auto flash = m.Segmento_flash(k);
    ASSERT_TRUE(std::ranges::equal(bytes, flash)) << "segment " << k;
  }
}

// Picture `imagen` (1..4) sits in the meter's picture area at its place.
bool Imagen_en_pantalla(const sim::Medidor_simulado& m, int imagen) {
  const int arriba = imagen <= 2 ? kFila_imagen_firmware : kFila_imagen_mpeg;
  const auto area = m.Area_graficos(uint32_t(arriba + kAlto_imagen) * kBytes_fila_pantalla);
  const auto tablas = Tablas_graficos();
  for (int fila = 0; fila < kAlto_imagen; ++fila)
    for (int x = 0; x < kAncho_imagen * 2; ++x) {
      const size_t en_area =
          size_t((arriba + fila) * kBytes_fila_pantalla + kColumna_imagen * 2 + x);
      const size_t en_tabla = size_t(kBytes_tabla * (imagen - 1) + 2 * (fila * 300 + x));
      if (area[en_area] != tablas[en_tabla]) return false;
    }
  return true;
}

TEST(Paso_firmware, EscribeLaImagenConSusImagenesYCargaElCargadorSiHaceFalta) {
  for (const bool fpga : {false, true}) {
    SCOPED_TRACE(fpga ? "FPGA tick set: the loader is already in" : "FPGA tick clear");
    Banco_actualizacion b;
    ASSERT_TRUE(b.v.estado.conectado);
    b.v.estado.Check_fpga = fpga;
    b.v.estado.progreso_base = 60;
    b.v.barra_general.Fijar_rango(0, 1000);
    b.timer.Habilitar();
    if (fpga) {
      ASSERT_TRUE(Preparar_fpga(b.v, b.conexion, b.timer));
    }
    const uint32_t cargas = b.medidor->Cuenta(Peticion::Carga_programa);
    ASSERT_TRUE(Paso_firmware(b.v, b.conexion, b.timer));
    EXPECT_EQ(b.v.estado.codigo_error, 0);
    EXPECT_TRUE(b.v.pitidos.empty());
    Comprobar_flash(*b.medidor);
    EXPECT_TRUE(Imagen_en_pantalla(*b.medidor, 2));
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Carga_programa) - cargas, fpga ? 0u : 2u);
    // The patched loader went to the meter.
    const auto segunda = b.medidor->Cargador().segunda_etapa;
    ASSERT_GT(segunda.size(), 259u);
    EXPECT_EQ(segunda[257], 0x03);
    EXPECT_EQ(segunda[258], 0x20);
    EXPECT_EQ(segunda[259], 0x41);
    // The picture area is erased; staging is opened before the records (unless
    // the FPGA step did) and once more after the burn.
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Borrado_preparacion), fpga ? 2u : 3u);
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Grabacion), 1u);
    EXPECT_FALSE(b.timer.habilitado);
    EXPECT_EQ(b.conexion.Diferencial(), nullptr);
    EXPECT_EQ(b.v.estado.progreso_base, 60 + kParte_paso_firmware);
    EXPECT_EQ(b.v.barra_general.Posicion(), 0);
    EXPECT_EQ(b.v.barra_progreso.Posicion(), b.v.barra_progreso.Minimo());
  }
}

// The FPGA step with the firmware ticked stages the set without burning it; the
// firmware's burn then writes the set's segments with its own.
TEST(Paso_firmware, LaGrabacionDelFirmwareLlevaElConjuntoFpga) {
  Banco_actualizacion b;
  b.v.estado.Check_fpga = true;
  b.v.estado.Check_firmware = true;
  ASSERT_TRUE(Preparar_fpga(b.v, b.conexion, b.timer));
  TCFpga f(b.v);
  f.grabar_flash = !b.v.estado.Check_firmware;
  f.num_configuraciones = 5;
  ASSERT_TRUE(f.Grabar_configuraciones());
  EXPECT_EQ(b.medidor->Cuenta(Peticion::Grabacion), 0u);
  EXPECT_EQ(b.medidor->Cuenta(Peticion::Fin), 0u);
  ASSERT_TRUE(Paso_firmware(b.v, b.conexion, b.timer));
  EXPECT_EQ(b.medidor->Cuenta(Peticion::Grabacion), 1u);
  EXPECT_EQ(b.v.estado.codigo_error, 0);
  Comprobar_flash(*b.medidor);

  std::vector<std::span<const uint8_t>> conjunto;
  for (const auto& c : Configuraciones_fpga()) conjunto.push_back(c.datos);
  const auto imagen = Construir_imagen_fpga(conjunto);
  ASSERT_TRUE(imagen.has_value());
  for (int k = 48; k <= 54; ++k) {
    const auto flash = b.medidor->Segmento_flash(k);
    const auto desde = imagen->bytes.begin() + (k - 48) * 0x10000;
    ASSERT_TRUE(std::equal(flash.begin(), flash.end(), desde)) << "segment " << k;
  }
}

TEST(Preparar_fpga, CargaLasDosEtapasOSeDetieneEnLaPrimera) {
  struct Caso {
    const char* nombre;
    std::vector<Fallo> fallos;
    bool resultado;
    uint32_t cargas;
  };
  const Caso casos[] = {
      {"both stages", {}, true, 2},
      {"first stage unanswered",
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 1, 1}},
       false,
       1},
      {"second stage unanswered",
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Carga_programa, 2, 1}},
       false,
       2},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c;
    c.fallos = k.fallos;
    Banco_actualizacion b(c);
    b.timer.Habilitar();
    EXPECT_EQ(static_cast<bool>(Preparar_fpga(b.v, b.conexion, b.timer)), k.resultado);
    EXPECT_EQ(b.medidor->Cuenta(Peticion::Carga_programa), k.cargas);
    EXPECT_FALSE(b.timer.habilitado);
    EXPECT_NE(b.conexion.Diferencial(), nullptr);  // held until the next one replaces it
    EXPECT_EQ(b.v.estado.codigo_error, 0);
  }
}

// Blocks the meter takes in a whole step: picture 1, the records, picture 2.
uint32_t Bloques_de_un_paso() {
  static const uint32_t n = [] {
    Banco_actualizacion b;
    (void)Paso_firmware(b.v, b.conexion, b.timer);
    return b.medidor->Cuenta(Peticion::Bloque);
  }();
  return n;
}

TEST(Paso_firmware, CadaFalloDaSuCodigo) {
  struct Caso {
    const char* nombre;
    std::vector<Fallo> fallos;
    int32_t codigo;
    const char* peticion;  // the request the step's failure names
    bool conectado = true;
    bool abortar_antes = false;
    uint32_t abortar_en_bloque = 0;  // raise abortar once the meter took this many blocks
    int32_t codigo_previo = 0;
    // A meter paced at the line rate lets window messages run during every block.
    bool lento = false;
  };
  const uint32_t total = Bloques_de_un_paso();
  ASSERT_GT(total, 300u);
  const Caso casos[] = {
      {"no connection", {}, kCodigo_firmware_staging, "Paso_firmware", false},
      {"staging erase never confirmed",
       // the first staging erase is the picture area's
       {Fallo{Tipo_fallo::Ack_erroneo, Peticion::Borrado_preparacion, 2, 3}},
       kCodigo_firmware_staging,
       "Preparar_memoria (borrado)"},
      {"abortar already set", {}, kCodigo_firmware_staging, "Paso_firmware", true, true},
      {"a record block lost twice",
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Bloque, 700, 2}},
       kCodigo_firmware_envio,
       "Enviar_bloque"},
      // The clean-up reopen of the staging area fails too: the step keeps its first failure.
      {"a record block lost twice, then the staging reopen unanswered",
       {Fallo{Tipo_fallo::Ack_perdido, Peticion::Bloque, 700, 2},
        Fallo{Tipo_fallo::Ack_erroneo, Peticion::Borrado_preparacion, 3, 3}},
       kCodigo_firmware_envio,
       "Enviar_bloque"},
      {"abortar during the records",
       {},
       kCodigo_firmware_envio,
       "Enviar_firmware",
       true,
       false,
       700},
      {"abortar during picture 2",
       {},
       kCodigo_firmware_abortado,
       "Paso_firmware",
       true,
       false,
       total - 50,
       0,
       true},
      {"burn refused",
       {Fallo{Tipo_fallo::Ack_erroneo, Peticion::Grabacion, 1, 1}},
       kCodigo_firmware_grabacion,
       "Grabar_flash"},
      {"restart during the burn",
       {Fallo{Tipo_fallo::Reinicio, Peticion::Grabacion, 1, 1}},
       kCodigo_firmware_grabacion,
       "Grabar_flash"},
      {"an earlier code stays",
       {Fallo{Tipo_fallo::Ack_erroneo, Peticion::Grabacion, 1, 1}},
       kCodigo_subir_bloques,
       "",
       true,
       false,
       0,
       kCodigo_subir_bloques},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    Config_medidor c;
    c.fallos = k.fallos;
    c.ritmo = k.lento;
    Banco_actualizacion b(c, k.conectado);
    b.v.estado.abortar = k.abortar_antes;
    b.v.estado.codigo_error = k.codigo_previo;
    if (k.abortar_en_bloque > 0)
      b.v.al_procesar_mensajes = [&] {
        if (b.medidor->Cuenta(Peticion::Bloque) >= k.abortar_en_bloque) b.v.estado.abortar = true;
      };
    EXPECT_FALSE(Paso_firmware(b.v, b.conexion, b.timer));
    EXPECT_EQ(b.v.estado.codigo_error, k.codigo)
        << b.v.estado.motivo_error.Texto() << " blocks " << b.medidor->Cuenta(Peticion::Bloque)
        << "/" << total;
    EXPECT_EQ(b.v.estado.motivo_error.peticion, k.peticion) << b.v.estado.motivo_error.Texto();
    if (!k.conectado) {
      EXPECT_TRUE(b.Linea(1).recibidos.empty());
    }
    if (k.codigo != kCodigo_firmware_grabacion && k.codigo_previo == 0) {
      EXPECT_EQ(b.medidor->Cuenta(Peticion::Grabacion), 0u);
    }
    EXPECT_EQ(b.conexion.Diferencial(), nullptr);
  }
}

}  // namespace
}  // namespace r27::pruebas
