// The firmware records grouped into blocks, without a port: which blocks each
// record completes, on which segment byte and address.
#include "flash/bloques_firmware.h"

#include <gtest/gtest.h>

#include <vector>

namespace r27 {
namespace {

using Bytes = std::vector<uint8_t>;

struct Registro {
  uint8_t tipo;
  uint16_t direccion;
  Bytes datos;
};
Registro Datos(uint16_t direccion, size_t n) { return {kTipo_datos, direccion, Bytes(n, 0x5A)}; }
Registro Segmento(uint8_t k) { return {kTipo_direccion_lineal, 0, {0x00, k}}; }
const Registro kFin{kTipo_fin, 0, {}};

struct Visto {
  size_t registro;  // the record that completed the block
  uint8_t segmento;
  uint16_t direccion;
  size_t longitud;
  bool operator==(const Visto&) const = default;
};

TEST(Bloques_firmware, RecordsToBlocks) {
  struct Caso {
    const char* nombre;
    std::vector<Registro> registros;
    std::vector<Visto> bloques;
    Bloques_firmware::Paso ultimo = Bloques_firmware::Paso::fin;
  };
  const Caso casos[] = {
      {"merged, sent past 200 and at the end",
       {Segmento(0), Datos(0x1000, 100), Datos(0x1064, 101), Datos(0x10C9, 10), kFin},
       {{2, 0xAB, 0x1000, 201}, {4, 0xAB, 0x10C9, 10}}},
      {"a gap and a new segment send what is pending",
       {Segmento(1), Datos(0x0000, 8), Datos(0x0100, 8), Segmento(2), kFin},
       {{2, 0xAC, 0x0000, 8}, {3, 0xAC, 0x0100, 8}}},
      {"a record that would outgrow the packet goes after the pending block",
       {Segmento(0), Datos(0x0000, 150), Datos(0x0096, 150), kFin},
       {{2, 0xAB, 0x0000, 150}, {3, 0xAB, 0x0096, 150}}},
      {"a 255-byte record: its head of 251 goes alone, the rest at the end",
       {Segmento(0), Datos(0x0000, 8), Datos(0x0100, 255), kFin},
       {{2, 0xAB, 0x0000, 8}, {2, 0xAB, 0x0100, 251}, {3, 0xAB, 0x01FB, 4}}},
      {"records before any segment, outside the map, or above 63 are skipped",
       {Datos(0x0000, 4), Segmento(5), Datos(0x0000, 4), Segmento(64), Datos(0x0000, 4),
        Segmento(3), Datos(0x0000, 4), kFin},
       {{7, 0xAE, 0x0000, 4}}},
      {"an extended address without its segment byte",
       {Segmento(0), Datos(0x0000, 4), {kTipo_direccion_lineal, 0, {0x00}}},
       {{2, 0xAB, 0x0000, 4}},
       Bloques_firmware::Paso::sin_segmento},
  };
  std::array<uint8_t, kSegmentos_mapa> mapa{};
  mapa.fill(1);
  mapa[5] = 0;
  for (const Caso& c : casos) {
    Bloques_firmware b(mapa);
    std::vector<Visto> vistos;
    Bloques_firmware::Paso paso = Bloques_firmware::Paso::seguir;
    for (size_t i = 0; i < c.registros.size(); ++i) {
      Bytes datos = c.registros[i].datos;
      Registro_hex r{static_cast<uint8_t>(datos.size()), c.registros[i].direccion,
                     c.registros[i].tipo, datos.data()};
      paso = b.Tomar(r);
      for (const Bloque_firmware& l : b.Listos())
        vistos.push_back({i, l.segmento, l.direccion, l.Datos().size()});
    }
    EXPECT_EQ(vistos, c.bloques) << c.nombre;
    EXPECT_EQ(paso, c.ultimo) << c.nombre;
  }
}

}  // namespace
}  // namespace r27
