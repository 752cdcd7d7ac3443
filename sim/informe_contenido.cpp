// The meter's memories compared with the images the updater carries.
#include "sim/informe_contenido.h"

#include <algorithm>
#include <array>
#include <vector>

#include "components/configuraciones_fpga.h"
#include "components/imagen_fpga.h"
#include "components/programador_mpeg4.h"
#include "factory/registros_zona.h"

namespace r27::sim {

namespace {

// Where the zone step writes: the four profiles from 0x0300 in 128-byte pages,
// the configuration record's two halves (128 and 126 bytes) twice, from 0x0100.
constexpr size_t kInicio_perfiles = 0x0300;
constexpr size_t kPagina_eeprom = 128;
constexpr size_t kSegunda_mitad = 126;
constexpr std::array<size_t, 2> kCopias_configuracion{0x0100, 0x0200};
// Bit 5 of byte 26 of the status block the meter showed when the update began
// (the firmware burn rewrites the flash it lives in).
constexpr size_t kByte_estado = 26;
constexpr uint8_t kBit_estado = 0x20;
constexpr int kSegmento_fpga = 48;
constexpr size_t kBytes_segmento = 0x10000;

const char* Palabra(bool igual) { return igual ? "igual" : "distinto"; }

bool Conjunto_fpga_igual(const Medidor_simulado& m) {
  std::vector<std::span<const uint8_t>> datos;
  for (const Configuracion_fpga& c : Configuraciones_fpga()) datos.push_back(c.datos);
  const std::optional<Imagen_fpga> imagen = Construir_imagen_fpga(datos);
  if (!imagen) return false;
  for (size_t i = 0; i < imagen->longitud_total; i += kBytes_segmento) {
    const auto segmento = m.Segmento_flash(kSegmento_fpga + static_cast<int>(i / kBytes_segmento));
    const size_t n = std::min<size_t>(kBytes_segmento, imagen->longitud_total - i);
    if (segmento.size() < n ||
        !std::equal(segmento.begin(), segmento.begin() + static_cast<ptrdiff_t>(n),
                    imagen->bytes.begin() + static_cast<ptrdiff_t>(i)))
      return false;
  }
  return true;
}

bool Zona_igual(const Medidor_simulado& m) {
  Hechos_zona h;
  h.idioma = m.Config().idioma;
  h.region_usa = false;  // the update refuses the US edition
  h.estado_b5 = (m.Config().bloque_estado[kByte_estado] & kBit_estado) == 0;
  std::array<uint8_t, kTamano_ranura_registro * kPerfiles> perfiles{};
  for (uint8_t p = 0; p < kPerfiles; ++p)
    Registro_perfil(
        Ranura_registro(perfiles.data() + kTamano_ranura_registro * p, kTamano_ranura_registro), p,
        h.idioma, h.region_usa);
  std::array<uint8_t, kTamano_ranura_registro> conf{};
  Registro_configuracion(conf, h);

  const auto e = m.Eeprom();
  const auto igual = [&](size_t desde, const uint8_t* esperado, size_t n) {
    return e.size() >= desde + n && std::equal(esperado, esperado + n, e.begin() + desde);
  };
  // The four profile slots, 1,024 bytes in eight pages from 0x0300.
  for (size_t k = 0; k < perfiles.size() / kPagina_eeprom; ++k)
    if (!igual(kInicio_perfiles + kPagina_eeprom * k, perfiles.data() + kPagina_eeprom * k,
               kPagina_eeprom))
      return false;
  for (size_t copia : kCopias_configuracion)
    if (!igual(copia, conf.data(), kPagina_eeprom) ||
        !igual(copia + kPagina_eeprom, conf.data() + kPagina_eeprom, kSegunda_mitad))
      return false;
  return true;
}

bool Modulo_igual(const Medidor_simulado& m) {
  const Estado_mpeg4& a = m.Mpeg4();
  return std::ranges::equal(a.aplicacion, Aplicacion_mpeg4()) &&
         std::ranges::equal(a.etapa2, Etapa2_mpeg4());
}

}  // namespace

std::string Informe_contenido(const Medidor_simulado& medidor) {
  return std::string("fpga_conjunto=") + Palabra(Conjunto_fpga_igual(medidor)) +
         "\neeprom_zona=" + Palabra(Zona_igual(medidor)) +
         "\nmpeg4_modulo=" + Palabra(Modulo_igual(medidor)) + "\n";
}

}  // namespace r27::sim
