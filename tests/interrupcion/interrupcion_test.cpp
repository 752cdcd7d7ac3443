// An interrupted update always finishes on a second run. For each step that
// writes, the meter is unplugged at 10%, 50% and 90% of the step (counted in the
// step's requests of its main kind in a clean run, or in the meter's working time
// for the burn and the module's own update), plugged in again and updated again
// from the search; it must then hold, byte for byte, what a meter of the same
// start holds after one clean update.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "app/nucleo/decisiones.h"
#include "app/nucleo/eleccion_planes.h"
#include "app/nucleo/imagen_firmware.h"
#include "link/codigos_resultado.h"
#include "tests/flash/medidor_en_proceso.h"
#include "tests/interrupcion/banco_interrupcion.h"

namespace r27::pruebas {
namespace {

using sim::Peticion;

// The meters the rows start from.
enum class Medidor : uint8_t {
  Comun,             // firmware 3.00, FPGA 3.2, module 132: the whole update
  Antiguo,           // firmware 1.05: the erase step as well
  Planes,            // everything current and a plan set chosen: the plan step alone
  Modulo_al_dia,     // as Comun with the module already at 133
  Otro_idioma,       // as Comun with the language byte at 4
  Zona_servicio,     // as Planes, the zone ticked besides in service mode
  Borrado_servicio,  // as Planes, the erase ticked besides in service mode
};

sim::Config_medidor Config_de(Medidor m) {
  sim::Config_medidor c;
  c.t_mpeg4_us = 20'000'000;  // the module's own update, shortened
  switch (m) {
    case Medidor::Comun:
      break;
    case Medidor::Antiguo:
      c.version = "1.05";
      break;
    case Medidor::Planes:
    case Medidor::Zona_servicio:
    case Medidor::Borrado_servicio:
      c.version = "3.01";
      c.fpga_menor = 3;
      c.mpeg4_actual = {133, 0, 5, 2};
      break;
    case Medidor::Modulo_al_dia:
      c.mpeg4_actual = {133, 0, 5, 2};
      break;
    case Medidor::Otro_idioma:
      c.idioma = 4;
      break;
  }
  return c;
}

// What the meter holds beyond its configuration, and the technician's choices: the
// stored tables the erase clears (sectors 0x20 and 0x21) hold data on the meters
// that erase; a plan set is chosen before the search; for the service meters the
// zone or the erase is ticked besides during the service pause, once the
// connection has decided (nothing read from a current meter ticks either). Only
// the first time: the second run goes by the tick decision alone.
void Preparar(Banco_interrupcion& b, Medidor m) {
  if (m == Medidor::Antiguo || m == Medidor::Borrado_servicio) {
    for (int sector : {0x20, 0x21}) {
      auto s = b.medidor.Memoria().Segmento_flash(sector);
      for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint8_t>(sector + i * 13);
    }
  }
  if (m != Medidor::Planes && m != Medidor::Zona_servicio && m != Medidor::Borrado_servicio) return;
  Elegir_planes(b.v.estado, 0);
  if (m == Medidor::Planes) return;
  b.asistente.ejecutar_actualizacion = [&b, m, primera = true]() mutable {
    if (primera) {
      (m == Medidor::Zona_servicio ? b.v.estado.Check_configuracion : b.v.estado.Check_borrar) =
          true;
      primera = false;
    }
    b.actualizacion.Ejecutar_actualizacion(b.asistente);
  };
}

// One clean update per meter and process: what the meter holds after it, and the
// step bar's ranges with the requests counted inside each.
struct Referencia {
  Copia_medidor copia;
  std::vector<Tramo_barra> tramos;
};

const Referencia& Referencia_de(Medidor m) {
  static std::map<Medidor, Referencia> hechas;
  auto it = hechas.find(m);
  if (it != hechas.end()) return it->second;
  Banco_interrupcion b(Config_de(m));
  Preparar(b, m);
  const Resultado_actualizacion r = b.Actualizar();
  EXPECT_TRUE(r.correcta) << "the clean update failed: code " << r.codigo << " " << r.abandono;
  EXPECT_EQ(r.codigo, 0);
  return hechas.emplace(m, Referencia{Copiar(b.medidor), b.tramos}).first->second;
}

// The steps that write and how a row finds its point in them.
enum class Paso : uint8_t {
  Zona,
  Fpga,
  Registros,  // the firmware records
  Grabacion,  // the firmware burn (the FPGA set is burnt with it)
  Etapa1,     // the module application staged
  Etapa2,     // the module's stage-2 program staged
  Modulo,     // the module's own update after the start request
  Borrado,
  Planes,
};

struct Definicion_paso {
  const char* nombre;
  Medidor medidor;
  Peticion clase;  // the step's main kind of request
  int tramo;       // counted by requests: the n-th step-bar range holding that kind
};

Definicion_paso Definicion(Paso p) {
  switch (p) {
    case Paso::Zona:
      return {"zone records", Medidor::Comun, Peticion::Escritura_eeprom, 1};
    case Paso::Fpga:
      return {"FPGA set", Medidor::Comun, Peticion::Bloque, 1};
    case Paso::Registros:
      return {"firmware records", Medidor::Comun, Peticion::Bloque, 2};
    case Paso::Grabacion:
      return {"firmware burn", Medidor::Comun, Peticion::Grabacion, 0};
    case Paso::Etapa1:
      return {"MPEG-4 stage 1", Medidor::Comun, Peticion::Bloque, 3};
    case Paso::Etapa2:
      return {"MPEG-4 stage 2", Medidor::Comun, Peticion::Bloque, 4};
    case Paso::Modulo:
      return {"module update", Medidor::Comun, Peticion::Actualizar_mpeg4, 0};
    case Paso::Borrado:
      return {"erase", Medidor::Antiguo, Peticion::Sector_preparacion, 1};
    case Paso::Planes:
      return {"channel plans", Medidor::Planes, Peticion::Bloque_preparacion, 1};
  }
  return {};
}

// The requests of kind `clase` inside the n-th step-bar range that holds any.
const Tramo_barra* Tramo_con(const std::vector<Tramo_barra>& tramos, Peticion clase, int n) {
  for (const Tramo_barra& t : tramos)
    if (t.Dentro(clase) > 0 && --n == 0) return &t;
  return nullptr;
}

// The burn erases, then programs, every segment of its map: the image's
// segments and the FPGA set's seven.
uint64_t Duracion_grabacion_us(const sim::Config_medidor& c) {
  const auto segmentos = Segmentos_de_hex(Imagen_firmware()).size() + 7;
  return segmentos * (c.t_borrado_segmento_us + c.t_programa_segmento_us);
}

// The unplug for `fraccion` of the step, from the clean run's counts.
sim::Fallo Desenchufe_en(Paso paso, double fraccion, Medidor medidor,
                         const sim::Config_medidor& c) {
  const Definicion_paso d = Definicion(paso);
  sim::Fallo f{sim::Tipo_fallo::Desenchufe, d.clase, 1, 1, 0.0, 0};
  if (paso == Paso::Grabacion) {
    f.duracion_us = static_cast<uint64_t>(fraccion * double(Duracion_grabacion_us(c)));
  } else if (paso == Paso::Modulo) {
    f.duracion_us = static_cast<uint64_t>(fraccion * double(c.t_mpeg4_us));
  } else {
    const Tramo_barra* t = Tramo_con(Referencia_de(medidor).tramos, d.clase, d.tramo);
    EXPECT_NE(t, nullptr) << d.nombre << ": no such step in the clean run";
    if (t == nullptr) return f;
    const uint32_t dentro = t->Dentro(d.clase);
    const auto k =
        std::clamp<uint32_t>(static_cast<uint32_t>(std::lround(fraccion * dentro)), 1u, dentro);
    f.enesima = t->inicio[static_cast<size_t>(d.clase)] + k;
  }
  return f;
}

struct Fila {
  Paso paso;
  double fraccion;
  int32_t codigo;                    // the first run's result code
  Medidor medidor = Medidor::Comun;  // Comun: the step's own meter
};

// What the meter is left as by the first run, seen before it is plugged in again.
struct Tras_corte {
  bool firmware_entera;
  bool identidad_borrada;
};

Tras_corte Estado_tras_corte(const sim::Medidor_simulado& m) {
  const auto id = m.Segmento_flash(0x18);
  return {m.Firmware_entera(), Bytes_borrados(id.first(0x1C))};
}

// Runs one row: the update cut short, the meter plugged in again, the update
// from the search again, and the meter compared with the clean one.
void Ejecutar(const Fila& fila, Tras_corte* tras = nullptr) {
  const Definicion_paso d = Definicion(fila.paso);
  const Medidor medidor = fila.medidor == Medidor::Comun ? d.medidor : fila.medidor;
  const std::string nombre =
      std::string(d.nombre) + " at " + std::to_string(std::lround(fila.fraccion * 100)) + "%";
  SCOPED_TRACE(nombre);
  const Referencia& referencia = Referencia_de(medidor);

  sim::Config_medidor c = Config_de(medidor);
  c.fallos = {Desenchufe_en(fila.paso, fila.fraccion, medidor, c)};
  Banco_interrupcion b(c);
  Preparar(b, medidor);
  const Resultado_actualizacion primera = b.Actualizar();
  ASSERT_EQ(b.medidor.Disparos_fallos()[0], 1u) << "the unplug never came";
  EXPECT_FALSE(primera.correcta);
  // The unplug is known at once: the failed screen within a second of it.
  // A delayed unplug (in the middle of a burn or the module's update) comes
  // `duracion_us` after the request that set it off.
  const uint64_t corte_us = b.medidor.Registro_fallos()[0].t_us + c.fallos[0].duracion_us;
  const double tras_s = double(primera.fin_us - corte_us) / 1e6;
  if (std::getenv("R27_INFORME"))
    std::printf("| %s | %d | %.2f s |\n", nombre.c_str(), primera.codigo, tras_s);
  EXPECT_LE(tras_s, 1.0) << "the failed screen came " << tras_s << " s after the unplug";
  // After the failed screen the technician reads that the meter was unplugged,
  // and to leave it alone where it was writing its own flash.
  const bool grabando = primera.codigo == kCodigo_firmware_grabacion ||
                        primera.codigo == kCodigo_fpga_grabacion ||
                        primera.codigo == kCodigo_mpeg4_sin_fin;
  ASSERT_FALSE(b.v.mensajes.empty());
  EXPECT_EQ(b.v.mensajes.back(),
            grabando ? b.textos.aviso_desconectado_grabando : b.textos.aviso_desconectado);
  EXPECT_EQ(primera.codigo, fila.codigo) << primera.abandono;
  if (tras) *tras = Estado_tras_corte(b.medidor);
  ASSERT_TRUE(b.medidor.Desenchufado());

  b.Reenchufar();
  const Resultado_actualizacion segunda = b.Actualizar();
  EXPECT_TRUE(segunda.correcta) << "picture " << segunda.ultima_imagen << ", code "
                                << segunda.codigo << ", " << segunda.abandono;
  EXPECT_EQ(segunda.codigo, 0);
  for (const std::string& diferencia : Diferencias(referencia.copia, Copiar(b.medidor)))
    ADD_FAILURE() << diferencia;
  EXPECT_TRUE(b.medidor.Firmware_entera());
  EXPECT_EQ(b.medidor.Etapa_actual(), sim::Etapa::Aplicacion);
}

void Ejecutar_paso(Paso paso, int32_t c10, int32_t c50, int32_t c90) {
  for (const Fila& f : {Fila{paso, 0.1, c10}, Fila{paso, 0.5, c50}, Fila{paso, 0.9, c90}})
    Ejecutar(f);
}

// Zone records: 12 EEPROM writes, the profiles first (code 5), the default
// configuration last (code 7).
TEST(Interrupcion, RegistrosDeZona) {
  Ejecutar_paso(Paso::Zona, kCodigo_zona_perfiles, kCodigo_zona_perfiles, kCodigo_zona_defecto);
}

TEST(Interrupcion, ConjuntoFpga) {
  Ejecutar_paso(Paso::Fpga, kCodigo_fpga_bloque, kCodigo_fpga_bloque, kCodigo_fpga_bloque);
}

TEST(Interrupcion, RegistrosDeFirmware) {
  Ejecutar_paso(Paso::Registros, kCodigo_firmware_envio, kCodigo_firmware_envio,
                kCodigo_firmware_envio);
}

TEST(Interrupcion, EtapaUnoDelModulo) {
  Ejecutar_paso(Paso::Etapa1, kCodigo_mpeg4_etapa1, kCodigo_mpeg4_etapa1, kCodigo_mpeg4_etapa1);
}

TEST(Interrupcion, EtapaDosDelModulo) {
  Ejecutar_paso(Paso::Etapa2, kCodigo_mpeg4_etapa2, kCodigo_mpeg4_etapa2, kCodigo_mpeg4_etapa2);
}

TEST(Interrupcion, ActualizacionPropiaDelModulo) {
  Ejecutar_paso(Paso::Modulo, kCodigo_mpeg4_sin_fin, kCodigo_mpeg4_sin_fin, kCodigo_mpeg4_sin_fin);
}

// A meter older than 1.11: the stored tables are erased (three sectors) first.
TEST(Interrupcion, Borrado) {
  Ejecutar_paso(Paso::Borrado, kCodigo_borrar_sector, kCodigo_borrar_sector, kCodigo_borrar_sector);
}

// A current meter and a chosen plan set: 471 staging blocks, then the sector write.
TEST(Interrupcion, PlanesDeCanales) {
  Ejecutar_paso(Paso::Planes, kCodigo_subir_bloques, kCodigo_subir_bloques, kCodigo_subir_bloques);
}

// The burn, cut by time: at 10% it is still erasing (the identity page intact,
// the status block's segment erased), at 50% the identity page is erased and not
// yet written again, at 90% it is written but the last segments are not. The
// meter then starts in its boot stage every time.
TEST(Interrupcion, GrabacionDelFirmware) {
  struct Caso {
    double fraccion;
    bool identidad_borrada;
  };
  for (const Caso& k : {Caso{0.1, false}, Caso{0.5, true}, Caso{0.9, false}}) {
    Tras_corte tras{};
    Ejecutar({Paso::Grabacion, k.fraccion, kCodigo_firmware_grabacion}, &tras);
    EXPECT_FALSE(tras.firmware_entera) << k.fraccion;
    EXPECT_EQ(tras.identidad_borrada, k.identidad_borrada) << k.fraccion;
  }
}

// The burn cut late on a meter whose module is already current: its version
// reads current and nothing else asks for the firmware, yet the meter cannot
// start it. And cut early on a meter with another language, whose boot stage
// cannot tell it: the zone records are still written for its own.
TEST(Interrupcion, GrabacionDelFirmwareCasosDuros) {
  Ejecutar({Paso::Grabacion, 0.9, kCodigo_firmware_grabacion, Medidor::Modulo_al_dia});
  Ejecutar({Paso::Grabacion, 0.1, kCodigo_firmware_grabacion, Medidor::Otro_idioma});
}

// The zone or the erase ticked in service mode on a current meter and cut short:
// nothing read from the meter ticks them again, yet the next search offers them.
TEST(Interrupcion, PasosDeServicioCortados) {
  Ejecutar({Paso::Zona, 0.5, kCodigo_zona_perfiles, Medidor::Zona_servicio});
  Ejecutar({Paso::Borrado, 0.5, kCodigo_borrar_sector, Medidor::Borrado_servicio});
}

}  // namespace
}  // namespace r27::pruebas
