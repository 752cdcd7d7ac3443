// A wire trace becomes a test. Whole runs are recorded from the simulated meter
// and played back on the virtual clock, where the rules that count whole clock
// seconds fall the same way: the updater's writes, its trace and what the
// technician reads come out the same. Traces of failed runs checked in beside
// this file are played back as regression cases.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/linea/codigos_salida.h"
#include "link/codigos_resultado.h"
#include "tests/reproduccion/banco_reproduccion.h"

namespace r27::pruebas {
namespace {

using P = Paso_actualizacion;

Corrida Reproducir(const std::string& traza, const Opciones_linea& o, std::string* desvio = nullptr,
                   bool* terminada = nullptr) {
  sim::Reproduccion_traza reproduccion(Leer_traza_texto(traza), true);
  Banco_linea b(Config_medidor{}, false);
  Poner_en_com3(b, reproduccion);
  Corrida c = Correr(b, o);
  if (desvio) *desvio = reproduccion.Desvio().value_or("");
  if (terminada) *terminada = reproduccion.Terminada();
  return c;
}

TEST(Reproduccion, UnaActualizacionGrabadaSeRepiteIgual) {
  struct Caso {
    const char* nombre;
    std::function<void(Config_medidor&)> medidor;
    std::vector<P> pasos;
    int salida;  // what the recorded run ended with
  };
  const Caso casos[] = {
      {"a whole update", [](Config_medidor&) {}, {}, kSalida_correcta},
      {"a meter in its boot stage",
       [](Config_medidor& c) { c.etapa_arranque = true; },
       {},
       kSalida_correcta},
      {"a garbled block, fillers until the meter listens",
       [](Config_medidor& c) {
         c.fallos.push_back(sim::Fallo{Tipo_fallo::Paquete_alterado, Peticion::Bloque, 3, 1});
       },
       {P::fpga},
       kSalida_correcta},
      {"the burn's answer lost",
       [](Config_medidor& c) {
         c.fallos.push_back(sim::Fallo{Tipo_fallo::Ack_perdido, Peticion::Grabacion, 1, 1});
       },
       {P::firmware},
       kCodigo_firmware_grabacion},
      {"the keyboard exchange and the channel plans",
       [](Config_medidor&) {},
       {P::teclado, P::planes},
       kSalida_correcta},
      {"a meter that answers m",
       [](Config_medidor& c) { c.rechazo = true; },
       {},
       kSalida_rechazo_conexion},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    Config_medidor config = Medidor_rapido();
    config.ritmo = true;  // every answer comes after its bytes' time on the line
    c.medidor(config);
    Banco_linea grabacion(config);
    const Corrida original = Correr(grabacion, Opciones_corrida(c.pasos));
    ASSERT_EQ(original.salida, c.salida) << original.texto;

    std::string desvio;
    bool terminada = false;
    const Corrida otra = Reproducir(original.traza, Opciones_corrida(c.pasos), &desvio, &terminada);
    EXPECT_EQ(desvio, "");
    EXPECT_TRUE(terminada);
    EXPECT_EQ(otra.salida, original.salida);
    EXPECT_EQ(Primera_diferencia(otra.texto, original.texto), "");
    EXPECT_EQ(Primera_diferencia(Lineas(otra.traza, 'W'), Lineas(original.traza, 'W')), "");
    // On the virtual clock even the times come out the same.
    EXPECT_EQ(Primera_diferencia(otra.traza, original.traza), "");
  }
}

// Traces of failed runs written by r27-actualizar --traza against r27-sim on a
// pseudo-terminal, in real time, as a technician would send them: each file's
// first lines say how it was made.
TEST(Reproduccion, TrazasDeFallosGuardadas) {
  struct Caso {
    const char* fichero;
    int salida;
    const char* motivo;  // the start of the reason given
  };
  const Caso casos[] = {
      {"zona_sin_respuesta_eeprom.txt", kCodigo_zona_perfiles,
       "Grabar_perfiles (pagina eeprom 0x0300): esperaba 0x20 en el mismo segundo, llego nada"},
      {"medidor_responde_m.txt", kSalida_rechazo_conexion, ""},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.fichero);
    sim::Traza_grabada traza;
    std::string error;
    ASSERT_TRUE(
        sim::Leer_traza_fichero(std::string(R27_TRAZAS_REGRESION) + "/" + c.fichero, traza, error))
        << error;
    std::ifstream f(std::string(R27_TRAZAS_REGRESION) + "/" + c.fichero);
    std::stringstream grabada;
    grabada << f.rdbuf();

    std::string desvio;
    bool terminada = false;
    const Corrida otra = Reproducir(grabada.str(), Opciones_corrida(), &desvio, &terminada);
    EXPECT_EQ(desvio, "");
    EXPECT_TRUE(terminada);
    EXPECT_EQ(otra.salida, c.salida) << otra.texto;
    EXPECT_EQ(otra.resumen.motivo.rfind(c.motivo, 0), 0u) << otra.resumen.motivo;
    EXPECT_EQ(Primera_diferencia(Lineas(otra.traza, 'W'), Lineas(grabada.str(), 'W')), "");
  }
}

}  // namespace
}  // namespace r27::pruebas
