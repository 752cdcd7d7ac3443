// The FPGA set's dialog and write sequence against a scripted meter on the
// virtual clock: the frames on the wire, the erase retries, the blocks, the burn
// and its bound, and the result codes of every way it can fail.
#include "components/tcfpga.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

#include "flash/avance_grabacion.h"
#include "link/codigos_resultado.h"
#include "tests/apoyo/backend_guion.h"
#include "tests/flash/medidor_bloques.h"
#include "tests/fpga/dorado_fpga.h"

namespace r27 {
namespace {

using pruebas::Bloque_visto;
using pruebas::Bytes;
using pruebas::Ventana_con_guion;

constexpr uint64_t kSegundo_us = 1'000'000;
const Bytes kFin{0x0F, 0x00};
const Bytes kGrabacion_completa{0x8A, 0x8A, 0x37, 0x3D, 0x8B, 0x8B, 0xDB, 0xE1, 0x80, 0x80};

// A meter played by the test: it answers each request the FPGA sequence makes
// and logs their kinds in order (B erase, A 0xAA, b block, r filler, G burn, F end).
struct Medidor_guion {
  std::deque<Bytes> borrado;  // answer to each erase, front first; "p" once it is empty
  int bloque_rechazado = -1;  // this block (counted from 0) answers "x", and fillers nothing
  int veces_rechazado = 2;    // ... for the block and its resend
  Bytes grabacion = kGrabacion_completa;
  std::string registro;
  std::vector<Bloque_visto> bloques;
  Bytes orden_borrado, orden_grabacion;

  explicit Medidor_guion(pruebas::Backend_guion& g) {
    g.retraso_respuesta_ms = 5;
    g.al_escribir = [this](std::span<const uint8_t> w) -> Bytes {
      if (w.size() == 8 && w[0] == 0x07) {
        registro += 'B';
        orden_borrado.assign(w.begin(), w.end());
        if (borrado.empty()) return {'p'};
        Bytes r = borrado.front();
        borrado.pop_front();
        return r;
      }
      if (w.size() == 1 && w[0] == 0xAA) return registro += 'A', Bytes{};
      if (w.size() == 1 && w[0] == 0xFF) {
        registro += 'r';
        return veces_rechazado > 0 && int(bloques.size()) - 1 == bloque_rechazado ? Bytes{}
                                                                                  : Bytes{'?'};
      }
      if (w.size() == 66 && w[0] == 0x09) {
        registro += 'G';
        orden_grabacion.assign(w.begin(), w.end());
        return grabacion;
      }
      if (w.size() == 2 && w[0] == 0x0F) return registro += 'F', Bytes{};
      if (w.size() >= 6 && w[0] == 0x03) {
        const bool reenvio = !bloques.empty() && registro.back() == 'r';
        if (!reenvio) {
          bloques.push_back(
              {w[4], uint16_t(w[2] | w[3] << 8), Bytes(w.begin() + 5, w.end() - 1), true});
          registro += 'b';
        } else {
          registro += 'R';
        }
        if (int(bloques.size()) - 1 == bloque_rechazado && veces_rechazado > 0) {
          --veces_rechazado;
          return {'x'};
        }
        return {'0'};
      }
      registro += '?';
      return {};
    };
  }
};

// A small set of one configuration: 600 bytes at 258 make an 858-byte image of
// four blocks, the last of 108 bytes.
const Bytes kPequena = [] {
  Bytes b(600);
  for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(i * 7 + 3);
  return b;
}();

struct Banco {
  Ventana_con_guion g;
  TCFpga f{g.v};
  Medidor_guion m{*g.guion};
  std::vector<std::string> estados;  // Lbl_estado_fpga as it changed
  explicit Banco(bool pequeno = true) {
    if (pequeno) f.configuraciones = {kPequena};
    f.num_configuraciones = pequeno ? 1 : 5;
    f.Lbl_estado_fpga.Al_cambiar([this] { estados.push_back(f.Lbl_estado_fpga.Texto()); });
    g.v.barra_general.Fijar_rango(0, 1000);
  }
};

// --- Dialog ---

TEST(Dialogo_fpga, ControlsKeepCountCurrentNameAndDescription) {
  struct Paso {
    const char* accion;
    std::function<void(TCFpga&)> hacer;
    int cuenta, actual;
    std::string nombre, descripcion;  // as Label_nombre and Edit_descripcion show them
  };
  const Paso pasos[] = {
      // Before a count nothing is current: no slot takes a text or a file.
      {"description first", [](TCFpga& f) { f.Editar_descripcion("ABC"); }, 0, 0, "", "ABC"},
      {"file first", [](TCFpga& f) { f.But_nombre_ficheroClick("C:\\tv.rbf"); }, 0, 0, "", "ABC"},
      {"count 3", [](TCFpga& f) { f.Edit_num_configuraciones("3"); }, 3, 1, "", ""},
      {"not an integer", [](TCFpga& f) { f.Edit_num_configuraciones("3a"); }, 3, 1, "", ""},
      {"empty", [](TCFpga& f) { f.Edit_num_configuraciones(""); }, 3, 1, "", ""},
      {"above 5", [](TCFpga& f) { f.Edit_num_configuraciones("9"); }, 5, 1, "", ""},
      {"zero", [](TCFpga& f) { f.Edit_num_configuraciones("0"); }, 1, 1, "", ""},
      {"negative", [](TCFpga& f) { f.Edit_num_configuraciones("-4"); }, 1, 1, "", ""},
      {"blanks around", [](TCFpga& f) { f.Edit_num_configuraciones(" 2 "); }, 2, 1, "", ""},
      {"description cut to 8", [](TCFpga& f) { f.Editar_descripcion("ABCDEFGHIJ"); }, 2, 1, "",
       "ABCDEFGH"},
      {"Windows path", [](TCFpga& f) { f.But_nombre_ficheroClick("C:\\fpga\\tv.rbf"); }, 2, 1,
       "tv.rbf", "ABCDEFGH"},
      {"cancelled dialog", [](TCFpga& f) { f.But_nombre_ficheroClick(""); }, 2, 1, "tv.rbf",
       "ABCDEFGH"},
      {"previous at the first", [](TCFpga& f) { f.But_anteriorClick(); }, 2, 1, "tv.rbf",
       "ABCDEFGH"},
      {"next", [](TCFpga& f) { f.But_siguienteClick(); }, 2, 2, "", ""},
      {"path without a separator", [](TCFpga& f) { f.But_nombre_ficheroClick("dft.rbf"); }, 2, 2,
       "dft.rbf", ""},
      {"a longer description then a shorter one",
       [](TCFpga& f) {
         f.Editar_descripcion("LARGUISIMA");
         f.Editar_descripcion("xy");
       },
       2, 2, "dft.rbf", "xy"},
      {"next at the last", [](TCFpga& f) { f.But_siguienteClick(); }, 2, 2, "dft.rbf", "xy"},
      {"previous", [](TCFpga& f) { f.But_anteriorClick(); }, 2, 1, "tv.rbf", "ABCDEFGH"},
      {"POSIX path", [](TCFpga& f) { f.But_nombre_ficheroClick("/home/tec/mer.rbf"); }, 2, 1,
       "mer.rbf", "ABCDEFGH"},
      {"a new count goes back to 1",
       [](TCFpga& f) {
         f.But_siguienteClick();
         f.Edit_num_configuraciones("4");
       },
       4, 1, "mer.rbf", "ABCDEFGH"},
  };
  Ventana_con_guion g;
  TCFpga f{g.v};
  for (const Paso& p : pasos) {
    p.hacer(f);
    EXPECT_EQ(f.num_configuraciones, p.cuenta) << p.accion;
    EXPECT_EQ(f.configuracion_actual, p.actual) << p.accion;
    if (p.actual > 0) {
      EXPECT_EQ(f.Label_cantidad_configuraciones.Texto(), std::to_string(p.cuenta)) << p.accion;
      EXPECT_EQ(f.Label_configuracion_actual.Texto(), std::to_string(p.actual)) << p.accion;
    }
    EXPECT_EQ(f.Label_nombre.Texto(), p.nombre) << p.accion;
    EXPECT_EQ(f.Edit_descripcion.Texto(), p.descripcion) << p.accion;
  }
  // The full path is kept, the label is its last part; nothing of "LARGUISIMA"
  // stays behind the terminating zero of slot 2.
  EXPECT_EQ(f.nombres_ficheros[1], "/home/tec/mer.rbf");
  EXPECT_EQ(f.nombres_ficheros[2], "dft.rbf");
  EXPECT_TRUE(f.nombres_ficheros[0].empty());
  EXPECT_EQ(f.descripciones[0][0], '\0');
  EXPECT_EQ(std::string(f.descripciones[2].data(), 9), std::string("xy\0\0\0\0\0\0\0", 9));
  EXPECT_TRUE(g.guion->Escrituras().empty());
}

TEST(Dialogo_fpga, CancelEndsTheLoaderAndCloses) {
  Ventana_con_guion g;
  TCFpga f{g.v};
  int cierres = 0;
  f.al_cerrar = [&] { ++cierres; };
  g.guion->Esperar(kFin).Responder({0x33, 0x44});
  f.Button_cancelClick();
  EXPECT_TRUE(g.guion->Cumplido()) << g.guion->Resumen();
  EXPECT_TRUE(f.cerrado);
  EXPECT_EQ(cierres, 1);
}

// --- Write sequence ---

TEST(Grabar_configuraciones, FramesBlocksAndBurnOfASmallSet) {
  Banco b;
  b.f.progreso_base = 100;
  EXPECT_TRUE(b.f.Grabar_configuraciones());
  EXPECT_EQ(b.m.registro, "BbbbbGF");
  EXPECT_EQ(b.m.orden_borrado, Bytes({0x07, 0x06, 0x00, 0x00, 0xDB, 0xFD, 0xFF, 0xDC}));
  Bytes grabar(66, 0);
  grabar[0] = 0x09;
  grabar[1] = 0x40;
  grabar[2 + 48] = 0x01;
  EXPECT_EQ(b.m.orden_grabacion, grabar);
  // The image: count, entry 0 (600 = 0x000258 at 258), 15 empty entries, the data.
  Bytes imagen(858, 0xFF);
  const Bytes cabecera{1, 0, 0, 0, 0x02, 0x00, 0x58, '0', 0x02, 0x01, 3, 3, 0, 0, 0, 0, 0xFF, 0xFF};
  std::copy(cabecera.begin(), cabecera.end(), imagen.begin());
  std::copy(kPequena.begin(), kPequena.end(), imagen.begin() + 258);
  Bytes enviada;
  const uint16_t direcciones[] = {0, 250, 500, 750};
  ASSERT_EQ(b.m.bloques.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(b.m.bloques[i].segmento, 0xDB);
    EXPECT_EQ(b.m.bloques[i].direccion, direcciones[i]);
    enviada.insert(enviada.end(), b.m.bloques[i].datos.begin(), b.m.bloques[i].datos.end());
  }
  EXPECT_EQ(b.m.bloques[3].datos.size(), 108u);
  EXPECT_EQ(enviada, imagen);
  // The step bar counts bytes; the overall bar moves within 30 units of its base.
  EXPECT_EQ(b.g.v.barra_progreso.Maximo(), 858);
  EXPECT_EQ(b.g.v.barra_progreso.Posicion(), 750);
  EXPECT_EQ(b.g.v.barra_general.Posicion(), 100 + 750 * 30 / 858);
  EXPECT_EQ(b.estados,
            (std::vector<std::string>{"Borrando mem.", "Enviando : 0 / 858", "Enviando : 250 / 858",
                                      "Enviando : 500 / 858", "Enviando : 750 / 858",
                                      "Grabando flash", "Borrando sect.", "Grabando segm."}));
  EXPECT_EQ(b.g.v.estado.codigo_error, 0);
  EXPECT_TRUE(b.g.v.pitidos.empty());
  EXPECT_TRUE(b.g.v.mensajes.empty());
  EXPECT_TRUE(b.f.cerrado);
}

TEST(Grabar_configuraciones, StagingEraseAttempts) {
  struct Caso {
    const char* nombre;
    std::deque<Bytes> respuestas;
    bool ok;
    std::string registro;       // up to the first block
    double minimo_s, maximo_s;  // every attempt waits up to 3 s, then pauses 500 ms
  };
  const Caso casos[] = {
      {"at once", {{'p'}}, true, "Bb", 0.5, 0.6},
      {"no reply five times", {{}, {}, {}, {}, {}}, false, "BBBBB", 5 * 2.5, 5 * 3.5 + 0.1},
      {"wrong reply five times",
       {{'x'}, {'P'}, {0x00}, {'x'}, {0x8F}},
       false,
       "BABABABABA",
       2.5,
       2.6},
      {"success at the fifth", {{}, {'x'}, {}, {'x'}, {'p'}}, true, "BBABBABb", 6.5, 8.7},
      {"a late p is a wrong first byte", {{'x', 'p'}, {'p'}}, true, "BABb", 1.0, 1.1},
  };
  for (const Caso& c : casos) {
    Banco b;
    b.m.borrado = c.respuestas;
    b.f.grabar_flash = false;  // the sequence ends after the blocks
    uint64_t t_bloque = 0;
    b.g.v.al_procesar_mensajes = [&] {
      if (t_bloque == 0 && b.m.registro.find('b') != std::string::npos)
        t_bloque = b.g.v.reloj.Ahora_us();
    };
    const uint64_t t0 = b.g.v.reloj.Ahora_us();
    EXPECT_EQ(static_cast<bool>(b.f.Grabar_configuraciones()), c.ok) << c.nombre;
    EXPECT_EQ(b.m.registro.substr(0, c.registro.size()), c.registro) << c.nombre;
    EXPECT_EQ(b.g.v.estado.codigo_error, c.ok ? 0 : kCodigo_fpga_borrado) << c.nombre;
    EXPECT_EQ(b.f.cerrado, c.ok) << c.nombre;
    if (!c.ok) {
      EXPECT_EQ(b.m.registro.find('b'), std::string::npos) << c.nombre;
      EXPECT_EQ(b.estados, std::vector<std::string>{"Borrando mem."}) << c.nombre;
      EXPECT_EQ(b.g.v.estado.motivo_error.peticion, "borrado de la zona fpga") << c.nombre;
      EXPECT_EQ(b.g.v.estado.motivo_error.esperado, "0x70") << c.nombre;
    }
    const double s = double((c.ok ? t_bloque : b.g.v.reloj.Ahora_us()) - t0) / kSegundo_us;
    EXPECT_GE(s, c.minimo_s) << c.nombre;
    EXPECT_LE(s, c.maximo_s) << c.nombre;
  }
}

TEST(Grabar_configuraciones, BlockFailures) {
  struct Caso {
    const char* nombre;
    int rechazado, veces;
    bool abortar;
    bool ok;
    std::string registro;
  };
  const Caso casos[] = {
      {"lost once: resent", 2, 1, false, true, "BbbbrRbGF"},
      {"refused twice", 2, 2, false, false, "Bbbbr"},
      {"abort", -1, 0, true, false, "Bbb"},
  };
  for (const Caso& c : casos) {
    Banco b;
    b.m.bloque_rechazado = c.rechazado;
    b.m.veces_rechazado = c.veces;
    if (c.abortar)
      b.g.v.al_procesar_mensajes = [&] {
        if (b.m.bloques.size() == 2) b.g.v.estado.abortar = true;
      };
    EXPECT_EQ(static_cast<bool>(b.f.Grabar_configuraciones()), c.ok) << c.nombre;
    std::string r = b.m.registro;
    r.erase(std::unique(r.begin(), r.end(), [](char x, char y) { return x == 'r' && y == 'r'; }),
            r.end());
    EXPECT_EQ(r, c.registro) << c.nombre;
    EXPECT_EQ(b.g.v.estado.codigo_error, c.ok ? 0 : kCodigo_fpga_bloque) << c.nombre;
    EXPECT_EQ(b.g.v.Un_pitido_de_fallo(), c.veces == 2) << c.nombre;
    EXPECT_EQ(b.f.cerrado, c.ok) << c.nombre;
  }
}

TEST(Grabar_configuraciones, FlashWriteOutcomes) {
  const Bytes sin_fin = [] {
    Bytes v{0x8A, 0x8A};
    v.resize(7000, 0x37);  // 100 ms each: longer than the bound
    return v;
  }();
  const Bytes completa = kGrabacion_completa;
  const std::vector<std::string> error{"Error al grabar la flash de la fpga"};
  constexpr int k19 = kCodigo_fpga_grabacion;
  struct Caso {
    const char* nombre;
    Bytes progreso;
    bool abortar, boton;  // boton: the dialog's button ran it, not the update
    int codigo;
    bool pitido;
    double minimo_s, maximo_s;  // waiting after the burn request
    std::vector<std::string> mensajes;
  };
  // clang-format off
  constexpr double kS = kSilencio_fin_grabacion_s;
  const Caso casos[] = {
      {"complete",                  completa,      false, false, 0,   false, 0,   2,   {}},
      // A refusal is listened past until the meter falls silent: it may be a
      // garbled byte of a burn under way.
      {"refused at once",           {0x41},        false, false, k19, true,  kS - 1, kS + 1, {}},
      {"refused after a lone 0x8A", {0x8A, 0x41},  false, false, k19, true,  kS - 1, kS + 1, {}},
      {"odd bytes once erasing",    {0x8A, 0x8A, 0x41, 0x8B, 0x8B, 0x80, 0x80},
                                                   false, false, 0,   false, 0,   2,   {}},
      {"silence: the bound",        {},            false, false, k19, false, 599, 601, {}},
      {"talk without end",          sin_fin,       false, false, k19, false, 599, 601, {}},
      {"abort while waiting",       {},            true,  false, k19, false, 0,   1,   {}},
      {"abort between bytes",       {0x8A, 0x8A, 0x37, 0x37},
                                                   true,  false, k19, false, 0,   1,   {}},
      {"button, complete",          completa,      false, true,  0,   false, 0,   2,   {}},
      {"button, refused",           {0x41},        false, true,  k19, true,  kS - 1, kS + 1, error},
      {"button, silence",           {},            false, true,  k19, false, 599, 601, error},
  };
  // clang-format on
  for (const Caso& c : casos) {
    Banco b;
    b.m.grabacion = c.progreso;
    uint64_t t_grabacion = 0;
    b.g.v.al_procesar_mensajes = [&] {
      if (t_grabacion == 0 && !b.m.registro.empty() && b.m.registro.back() == 'G')
        t_grabacion = b.g.v.reloj.Ahora_us();
      if (c.abortar && t_grabacion != 0) b.g.v.estado.abortar = true;
    };
    if (c.boton)
      b.f.Button_okClick();
    else
      EXPECT_TRUE(b.f.Grabar_configuraciones()) << c.nombre;
    EXPECT_TRUE(b.f.resultado) << c.nombre;          // every block went
    EXPECT_EQ(b.m.registro, "BbbbbGF") << c.nombre;  // the end request too, before any message
    EXPECT_EQ(b.g.v.estado.codigo_error, c.codigo) << c.nombre;
    EXPECT_EQ(b.g.v.Un_pitido_de_fallo(), c.pitido) << c.nombre;
    EXPECT_EQ(b.g.v.mensajes, c.mensajes) << c.nombre;
    ASSERT_NE(t_grabacion, 0u) << c.nombre;
    const double s = double(b.g.v.reloj.Ahora_us() - t_grabacion) / kSegundo_us;
    EXPECT_GE(s, c.minimo_s) << c.nombre;
    EXPECT_LE(s, c.maximo_s) << c.nombre;
    if (c.codigo != 0) {
      EXPECT_EQ(b.g.v.estado.motivo_error.peticion, "grabacion flash fpga") << c.nombre;
    }
  }
}

TEST(Grabar_configuraciones, WithTheFirmwareTickedTheBlocksAreAll) {
  Banco b;
  b.f.grabar_flash = false;
  EXPECT_TRUE(b.f.Grabar_configuraciones());
  EXPECT_EQ(b.m.registro, "Bbbbb");
  EXPECT_TRUE(b.f.cerrado);
  EXPECT_EQ(b.g.v.estado.codigo_error, 0);
}

TEST(Grabar_configuraciones, NothingToWrite) {
  struct Caso {
    const char* nombre;
    int cuenta;
    bool cierra;
  };
  // A count above the configurations carried has none to copy: no buffer is
  // built and the dialog closes as when the buffer cannot be had.
  for (const Caso& c : {Caso{"count 0", 0, false}, Caso{"negative count", -1, false},
                        Caso{"count 6 of 5", 6, true}}) {
    Banco b(false);
    b.f.num_configuraciones = c.cuenta;
    EXPECT_FALSE(b.f.Grabar_configuraciones()) << c.nombre;
    EXPECT_TRUE(b.g.guion->Escrituras().empty()) << c.nombre;
    EXPECT_EQ(b.f.cerrado, c.cierra) << c.nombre;
    EXPECT_EQ(b.g.v.estado.codigo_error, 0) << c.nombre;
  }
}

TEST(Grabar_configuraciones, AnEarlierCodeIsKept) {
  struct Caso {
    const char* nombre;
    std::deque<Bytes> borrado;
    int rechazado;
    Bytes progreso;
  };
  const Caso casos[] = {
      {"erase", {{}, {}, {}, {}, {}}, -1, kGrabacion_completa},
      {"block", {}, 1, kGrabacion_completa},
      {"burn", {}, -1, {0x41}},
  };
  for (const Caso& c : casos) {
    Banco b;
    b.g.v.estado.codigo_error = kCodigo_zona_defecto;
    b.m.borrado = c.borrado;
    b.m.bloque_rechazado = c.rechazado;
    b.m.grabacion = c.progreso;
    (void)b.f.Grabar_configuraciones();
    EXPECT_EQ(b.g.v.estado.codigo_error, kCodigo_zona_defecto) << c.nombre;
    EXPECT_EQ(b.g.v.estado.motivo_error, Fallo{}) << c.nombre;  // nor its reason
  }
}

TEST(Grabar_configuraciones, ASecondClickDuringTheRunIsIgnored) {
  Banco b;
  int clics = 0;
  b.g.v.al_procesar_mensajes = [&] {
    if (clics++ < 3) {
      b.f.Button_okClick();
      b.f.Button_cancelClick();
    }
  };
  EXPECT_TRUE(b.f.Grabar_configuraciones());
  EXPECT_EQ(b.m.registro, "BbbbbGF");
  EXPECT_FALSE(b.f.En_curso());
}

}  // namespace
}  // namespace r27
