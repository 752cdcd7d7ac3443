// Puerto_serie against a scripted driver and virtual time: the settings it
// applies, the write loop with its stall guard, the chunked read, the free-space
// rule, and the lock around every call to the driver.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <stdexcept>
#include <thread>

#include "link/puerto_serie.h"
#include "tests/serie/backend_falso.h"
#include "tests/serie/cerrojo_prueba.h"

namespace r27 {
namespace {

using prueba::Backend_falso;

std::string Uso_del_cerrojo() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return std::string("puerto-") + info->name();
}

class PuertoSerie : public testing::Test {
 protected:
  PuertoSerie() {
    auto b = std::make_unique<Backend_falso>(reloj, cerrojo);
    falso = b.get();
    puerto = std::make_unique<Puerto_serie>(std::move(b), reloj, cerrojo);
  }
  void Abrir() {
    ASSERT_TRUE(puerto->Abrir(3, Linea_inicial()));
    falso->llamadas.clear();
  }
  std::vector<uint8_t> Datos(size_t n) {
    std::vector<uint8_t> v(n);
    std::iota(v.begin(), v.end(), uint8_t{1});
    return v;
  }
  uint64_t Transcurrido_ms() const { return (reloj.Ahora_us() - inicio_us) / 1000; }

  const prueba::Nombre_cerrojo cerrojo{Uso_del_cerrojo()};  // outlives both lock holders
  Reloj_virtual reloj;
  const uint64_t inicio_us = reloj.Ahora_us();
  Backend_falso* falso = nullptr;
  std::unique_ptr<Puerto_serie> puerto;
};

TEST_F(PuertoSerie, SoloLosCamposDelRegistroQueCuentanSeAplican) {
  struct Caso {
    const char* nombre;
    void (*cambiar)(DCB_linea&);
  };
  const Caso casos[] = {
      {"inicial", [](DCB_linea&) {}},
      {"control RTS", [](DCB_linea& d) { d.fRtsControl = RTS_CONTROL_ENABLE; }},
      {"RTS handshake", [](DCB_linea& d) { d.fRtsControl = 2; }},
      {"XON/XOFF de entrada", [](DCB_linea& d) { d.fInX = true; }},
      {"flujo DSR", [](DCB_linea& d) { d.fOutxDsrFlow = true; }},
      {"todo lo demas cambiado",
       [](DCB_linea& d) {
         d.BaudRate = 500000;
         d.fParity = true;
         d.fOutxCtsFlow = true;
         d.fDtrControl = DTR_CONTROL_DISABLE;
         d.fOutX = true;
         d.ByteSize = 7;
         d.Parity = 2;
         d.StopBits = UN_BIT_PARADA;
         d.fInX = d.fOutxDsrFlow = true;
         d.fRtsControl = RTS_CONTROL_ENABLE;
       }},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    DCB_linea pedida = Linea_inicial();
    c.cambiar(pedida);
    ASSERT_TRUE(puerto->Abrir(4, pedida));
    for (const DCB_linea* d :
         {&puerto->Linea_aplicada(), const_cast<const DCB_linea*>(&falso->linea)}) {
      EXPECT_EQ(d->fRtsControl, RTS_CONTROL_DISABLE);
      EXPECT_FALSE(d->fInX);
      EXPECT_FALSE(d->fOutxDsrFlow);
      EXPECT_EQ(d->BaudRate, pedida.BaudRate);
      EXPECT_EQ(d->fParity, pedida.fParity);
      EXPECT_EQ(d->fOutxCtsFlow, pedida.fOutxCtsFlow);
      EXPECT_EQ(d->fDtrControl, pedida.fDtrControl);
      EXPECT_EQ(d->fOutX, pedida.fOutX);
      EXPECT_EQ(d->ByteSize, pedida.ByteSize);
      EXPECT_EQ(d->Parity, pedida.Parity);
      EXPECT_EQ(d->StopBits, pedida.StopBits);
    }
  }
}

TEST_F(PuertoSerie, AbrirUnPuertoAbiertoLoCierraPrimeroYPurgaAlAbrir) {
  ASSERT_TRUE(puerto->Abrir(3, Linea_inicial()));
  DCB_linea rapida = Linea_inicial();
  rapida.BaudRate = 500000;
  ASSERT_TRUE(puerto->Abrir(5, rapida));
  EXPECT_EQ(falso->llamadas, (std::vector<std::string>{"Abrir 3", "Purgar rxtx", "Cerrar",
                                                       "Abrir 5", "Purgar rxtx"}));
  EXPECT_EQ(puerto->Numero(), 5);
  EXPECT_EQ(falso->linea.BaudRate, 500000u);
}

TEST_F(PuertoSerie, PuertoQueNoAbreDejaEscribirYLeerEnCero) {
  falso->abre = false;
  EXPECT_FALSE(puerto->Abrir(9, Linea_inicial()));
  EXPECT_FALSE(puerto->Esta_abierto());
  EXPECT_EQ(falso->llamadas, std::vector<std::string>{"Abrir 9"});  // no purge
  uint8_t b[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  EXPECT_EQ(puerto->Escribir(b, 4), 0);
  EXPECT_EQ(puerto->Leer(b, 1), 0u);
  EXPECT_EQ(b[0], 0xAA);  // a closed port leaves the buffer alone
  EXPECT_EQ(puerto->Espacio_libre(), Puerto_serie::kEspacio_error);
  puerto->Fijar_rts(true);
  puerto->Purgar(true, true);
  EXPECT_EQ(falso->llamadas.size(), 1u);
}

// A vanished device stays known through the close and a reopen that fails (the
// module's reopen at another rate, a reconnect), and is forgotten only when a
// device opens again.
TEST_F(PuertoSerie, UnDispositivoPerdidoSigueSabiendoseHastaQueOtroAbre) {
  Abrir();
  EXPECT_FALSE(puerto->Dispositivo_perdido());
  falso->desaparecido = true;
  EXPECT_TRUE(puerto->Dispositivo_perdido());
  falso->abre = false;
  EXPECT_FALSE(puerto->Abrir(3, Linea_inicial()));
  EXPECT_TRUE(puerto->Dispositivo_perdido());
  puerto->Cerrar();
  EXPECT_TRUE(puerto->Dispositivo_perdido());
  falso->abre = true;
  falso->desaparecido = false;
  ASSERT_TRUE(puerto->Abrir(3, Linea_inicial()));
  EXPECT_FALSE(puerto->Dispositivo_perdido());
  // A port closed on a device that was there is not a lost one.
  puerto->Cerrar();
  EXPECT_FALSE(puerto->Dispositivo_perdido());
}

TEST_F(PuertoSerie, EscribirCeroBytesNoTocaElPuerto) {
  Abrir();
  EXPECT_EQ(puerto->Escribir(nullptr, 0), 0);
  EXPECT_TRUE(falso->llamadas.empty());
}

// Arguments no request makes (no buffer, nothing to read, more than the signed
// count holds) come back at once, without a call to the driver.
TEST_F(PuertoSerie, ArgumentosImposiblesNoTocanElDriver) {
  uint8_t b[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  struct Caso {
    const char* nombre;
    int64_t (*llamada)(Puerto_serie&, uint8_t*);
    int64_t resultado;
  };
  const Caso casos[] = {
      {"a write without bytes",
       [](Puerto_serie& p, uint8_t*) -> int64_t { return p.Escribir(nullptr, 4); }, -1},
      {"a write past 2 GiB",
       [](Puerto_serie& p, uint8_t* d) -> int64_t { return p.Escribir(d, 0x80000000u); }, -1},
      {"a read without a buffer",
       [](Puerto_serie& p, uint8_t*) -> int64_t { return p.Leer(nullptr, 4); }, 0},
      {"a read of nothing", [](Puerto_serie& p, uint8_t* d) -> int64_t { return p.Leer(d, 0); }, 0},
      {"a look without a buffer",
       [](Puerto_serie& p, uint8_t*) -> int64_t { return p.Leer_disponible(nullptr, 4); }, 0},
      {"a look at nothing",
       [](Puerto_serie& p, uint8_t* d) -> int64_t { return p.Leer_disponible(d, 0); }, 0},
  };
  Abrir();
  falso->entrada = {1, 2, 3};
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    EXPECT_EQ(k.llamada(*puerto, b), k.resultado);
    EXPECT_TRUE(falso->llamadas.empty());
    EXPECT_EQ(b[0], 0xAA);
  }
}

TEST_F(PuertoSerie, EscribeEnTrozosDelEspacioLibreYDeLoQueTomaElDriver) {
  Abrir();
  falso->en_cola = 1048;  // 1000 free
  const auto datos = Datos(2500);
  EXPECT_EQ(puerto->Escribir(datos.data(), 2500), 2500);
  EXPECT_EQ(falso->tamanos_escritura, (std::vector<uint32_t>{1000, 1000, 500}));
  EXPECT_EQ(falso->escritos, datos);

  falso->escritos.clear();
  falso->tamanos_escritura.clear();
  falso->en_cola = 0;
  falso->acepta_por_escritura = 700;
  EXPECT_EQ(puerto->Escribir(datos.data(), 2500), 2500);
  EXPECT_EQ(falso->tamanos_escritura, (std::vector<uint32_t>{2048, 1800, 1100, 400}));
  EXPECT_EQ(falso->escritos, datos);
}

TEST_F(PuertoSerie, ColaLlenaMasDelLimiteFallaSinCerrar) {
  Abrir();
  falso->en_cola = Puerto_serie::kTamano_salida;
  const auto datos = Datos(10);
  EXPECT_EQ(puerto->Escribir(datos.data(), 10), -1);
  EXPECT_TRUE(puerto->Esta_abierto());
  EXPECT_TRUE(falso->tamanos_escritura.empty());
  EXPECT_GT(Transcurrido_ms(), Puerto_serie::kLimite_atasco_ms);
  EXPECT_LT(Transcurrido_ms(), Puerto_serie::kLimite_atasco_ms + 100);
}

TEST_F(PuertoSerie, EscrituraSinProgresoPasadoElLimiteCierraElPuerto) {
  for (uint32_t ms : {0u, 4001u}) {  // a driver that returns at once, or after a long wait
    SCOPED_TRACE(ms);
    Abrir();
    falso->acepta_por_escritura = 0;
    falso->ms_por_escritura = ms;
    const auto datos = Datos(10);
    EXPECT_EQ(puerto->Escribir(datos.data(), 10), -1);
    EXPECT_FALSE(puerto->Esta_abierto());
    EXPECT_EQ(puerto->Escribir(datos.data(), 10), 0);  // closed from now on
  }
}

TEST_F(PuertoSerie, ElProgresoReiniciaElRelojDeAtasco) {
  Abrir();
  falso->acepta_por_escritura = 10;
  // Each write takes longer than the stall limit but moves data: a slow line, not a
  // stalled one.
  falso->ms_por_escritura = 5000;
  const auto datos = Datos(100);
  EXPECT_EQ(puerto->Escribir(datos.data(), 100), 100);
  EXPECT_TRUE(puerto->Esta_abierto());
}

TEST_F(PuertoSerie, ErrorDeLineaFallaAunqueYaSalieraParte) {
  Abrir();
  falso->error_tras_escrituras = 1;
  const auto datos = Datos(3000);
  EXPECT_EQ(puerto->Escribir(datos.data(), 3000), -1);
  EXPECT_EQ(falso->escritos.size(), 2048u);
  EXPECT_TRUE(puerto->Esta_abierto());

  falso->error_linea = false;
  falso->consulta_falla = true;
  EXPECT_EQ(puerto->Escribir(datos.data(), 1), -1);
}

TEST_F(PuertoSerie, EspacioLibre) {
  EXPECT_EQ(puerto->Espacio_libre(), 0xFFFFu);  // closed
  Abrir();
  struct Caso {
    uint32_t en_cola;
    bool error, falla;
    uint32_t libre;
  };
  for (const Caso& c :
       {Caso{0, false, false, 2048}, Caso{48, false, false, 2000}, Caso{2048, false, false, 0},
        Caso{5000, false, false, 0}, Caso{0, true, false, 0xFFFF}, Caso{0, false, true, 0xFFFF}}) {
    SCOPED_TRACE(c.en_cola);
    falso->en_cola = c.en_cola;
    falso->error_linea = c.error;
    falso->consulta_falla = c.falla;
    EXPECT_EQ(puerto->Espacio_libre(), c.libre);
  }
}

TEST_F(PuertoSerie, LeeEnTrozosHastaQueUnoVuelveVacio) {
  Abrir();
  const auto datos = Datos(5000);
  falso->entrada.assign(datos.begin(), datos.end());
  std::vector<uint8_t> b(6000, 0xAA);
  EXPECT_EQ(puerto->Leer(b.data(), 6000), 5000u);
  EXPECT_EQ(falso->tamanos_lectura, (std::vector<uint32_t>{2048, 2048, 1904, 1000}));
  EXPECT_TRUE(std::equal(datos.begin(), datos.end(), b.begin()));

  falso->entrada.assign(datos.begin(), datos.end());
  falso->tamanos_lectura.clear();
  EXPECT_EQ(puerto->Leer(b.data(), Puerto_serie::kLeer_todo), 2048u);  // the input buffer size
  EXPECT_EQ(falso->tamanos_lectura, std::vector<uint32_t>{2048});

  falso->entrada.assign(datos.begin(), datos.begin() + 250);
  falso->entrega_por_lectura = 100;
  EXPECT_EQ(puerto->Leer(b.data(), 1000), 250u);
}

TEST_F(PuertoSerie, LecturaSinDatosDejaCeroEnElPrimerByte) {
  Abrir();
  uint8_t b[2] = {0xAA, 0xAA};
  EXPECT_EQ(puerto->Leer(b, 1), 0u);
  EXPECT_EQ(b[0], 0);
  b[0] = 0xAA;
  EXPECT_EQ(puerto->Leer(b, 0), 0u);  // nothing asked: nothing touched
  EXPECT_EQ(b[0], 0xAA);
}

TEST_F(PuertoSerie, CadaLlamadaAlDriverVaBajoElCerrojoYLoSuelta) {
  ASSERT_TRUE(puerto->Abrir(3, Linea_inicial()));
  const auto datos = Datos(3);
  uint8_t b[3];
  puerto->Escribir(datos.data(), 3);
  puerto->Leer(b, 3);
  puerto->Espacio_libre();
  puerto->Purgar(true, false);
  puerto->Fijar_rts(true);
  puerto->Fijar_rts(false);
  puerto->Cerrar();
  EXPECT_EQ(falso->llamadas,
            (std::vector<std::string>{"Abrir 3", "Purgar rxtx", "Consultar", "Escribir", "Leer",
                                      "Consultar", "Purgar rx", "RTS 1", "RTS 0", "Cerrar"}));
  EXPECT_EQ(falso->llamadas_sin_cerrojo, 0);
  EXPECT_TRUE(falso->Cerrojo_libre());

  ASSERT_TRUE(puerto->Abrir(3, Linea_inicial()));
  falso->lanza_al_escribir = true;
  EXPECT_THROW(puerto->Escribir(datos.data(), 3), std::runtime_error);
  EXPECT_TRUE(falso->Cerrojo_libre());  // released on the way out of the exception
}

// The meters of a tray each have their port. One whose write queue never drains
// stalls its own write for the stall limit, in real time; the other port writes
// meanwhile. With a lock per device it never waits for the stalled one; with a
// lock both share (backends that name no device) it waits at most for one call
// to the driver, never through the stall loop and its pauses.
TEST(PuertosDeUnaBandeja, UnaColaQueNoSeVaciaNoRetrasaAlOtroPuerto) {
  struct Caso {
    const char* nombre;
    const char* atascado;
    const char* otro;
    uint64_t maximo_espera_us;
  };
  const Caso casos[] = {
      {"a lock per device", "/dev/ttyACM0", "/dev/ttyACM1", 10'000},
      {"one lock for both", "", "", 1'000'000},
  };
  for (const Caso& k : casos) {
    SCOPED_TRACE(k.nombre);
    prueba::Nombre_cerrojo cerrojo("bandeja");
    Reloj_virtual sin_uso;
    Reloj_sistema reloj;
    auto a = std::make_unique<Backend_falso>(sin_uso, cerrojo);
    auto b = std::make_unique<Backend_falso>(sin_uso, cerrojo);
    a->dispositivo = k.atascado;
    a->en_cola = Puerto_serie::kTamano_salida;  // full, for good
    b->dispositivo = k.otro;
    Puerto_serie atascado(std::move(a), reloj, cerrojo);
    Puerto_serie otro(std::move(b), reloj, cerrojo);
    ASSERT_TRUE(atascado.Abrir(3, Linea_inicial()));
    ASSERT_TRUE(otro.Abrir(4, Linea_inicial()));
    EXPECT_NE(atascado.Nombre_cerrojo() == otro.Nombre_cerrojo(), *k.atascado != '\0');

    const uint8_t datos[3] = {1, 2, 3};
    std::atomic<bool> terminado{false};
    int32_t resultado = 0;
    std::thread hilo([&] {
      resultado = atascado.Escribir(datos, 3);
      terminado = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    int escrituras = 0;
    while (!terminado && escrituras < 20) {
      EXPECT_EQ(otro.Escribir(datos, 3), 3);
      ++escrituras;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const bool durante_el_atasco = !terminado;
    hilo.join();
    EXPECT_EQ(resultado, -1);  // the stall limit passed
    EXPECT_TRUE(durante_el_atasco) << "the other port's writes waited out the stall";
    EXPECT_EQ(escrituras, 20);
    EXPECT_LT(otro.Espera_cerrojo_maxima_us(), k.maximo_espera_us);
  }
}

}  // namespace
}  // namespace r27
