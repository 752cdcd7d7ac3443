#include "app/nucleo/decisiones.h"

#include <cstdio>

namespace r27 {

namespace {

std::string Texto_terminado(const uint8_t* p, size_t maximo) {
  std::string s;
  for (size_t i = 0; i < maximo && p[i] != 0; ++i) s.push_back(static_cast<char>(p[i]));
  return s;
}

}  // namespace

Texto_version Texto_de(std::string_view texto) {
  Texto_version v{};
  for (size_t i = 0; i < v.size() && i < texto.size(); ++i) v[i] = texto[i];
  return v;
}

Identidad_medidor Interpretar_identidad(const std::array<uint8_t, 16>& bloque,
                                        const std::array<uint8_t, 6>& version,
                                        const std::array<uint8_t, 6>& build) {
  Identidad_medidor id;
  id.familia = Texto_terminado(bloque.data(), bloque.size());
  // The region text sits at bytes 12-14; byte 15 terminates it whatever it holds.
  id.region = Texto_terminado(bloque.data() + 12, 3);
  // Version text (four characters), a point, the build text (five characters);
  // each field is read up to its terminating zero.
  const std::string ver = Texto_terminado(version.data(), 4);
  const std::string bld = Texto_terminado(build.data(), 5);
  for (size_t i = 0; i < 4; ++i) id.version[i] = i < ver.size() ? ver[i] : '\0';
  id.version[4] = '.';
  for (size_t i = 0; i < 5; ++i) id.version[5 + i] = i < bld.size() ? bld[i] : '\0';
  return id;
}

int Comparar_versiones(const Texto_version& a, const Texto_version& b, size_t n) {
  if (n > a.size()) n = a.size();
  for (size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

bool Es_version_estable(const Texto_version& v) {
  for (size_t i = 5; i < 10; ++i) {
    if (v[i] != '0') return false;
  }
  return true;
}

bool Regla_familia(const Identidad_medidor& id, Estado_ventana& estado) {
  if (id.familia != "QZT") {
    estado.familia_valida = false;
    if (id.familia == "VMK") estado.familia_ajena = true;
    return false;
  }
  estado.familia_ajena = false;
  estado.familia_valida = true;
  estado.region_usa = id.region == "USA";
  return true;
}

bool Bytes_borrados(std::span<const uint8_t> bytes) {
  for (uint8_t b : bytes)
    if (b != 0xFF) return false;
  return true;
}

bool Identidad_borrada(const std::array<uint8_t, 16>& bloque, const std::array<uint8_t, 6>& version,
                       const std::array<uint8_t, 6>& build) {
  return Bytes_borrados(bloque) && Bytes_borrados(version) && Bytes_borrados(build);
}

bool Regla_identidad_borrada(bool modo_arranque, bool borrada, Estado_ventana& estado) {
  if (!modo_arranque || !borrada) return false;
  estado.familia_valida = true;
  estado.familia_ajena = false;
  estado.region_usa = false;
  return true;
}

bool Nivel_rechaza(int promedio, int minimo, bool modo_arranque) {
  if (modo_arranque && promedio == 0) return false;
  return promedio < minimo;
}

bool Regla_firmware(const Texto_version& medidor, const Texto_version& fichero) {
  // A meter running a test build is always rewritten.
  if (!Es_version_estable(medidor)) return true;
  // A stable embedded image is compared on its version characters only; a test
  // build on the whole text.
  const size_t n = Es_version_estable(fichero) ? 4 : 10;
  return Comparar_versiones(fichero, medidor, n) > 0;
}

bool Regla_borrado(const Texto_version& medidor) {
  return Comparar_versiones(medidor, Texto_de("1.11.00000"), 10) < 0;
}

bool Regla_fpga(uint8_t mayor, uint8_t menor) {
  char texto[16];
  std::snprintf(texto, sizeof texto, "%d.%d", mayor, menor);
  return std::string_view(texto) != "3.3";
}

bool Regla_mpeg4(const Datos_mpeg4& datos) {
  if (datos.version_boot == 0xFF || datos.version_decoders == 0xFF) return false;
  if (datos.version_aplicacion < 133) return true;
  return datos.build_aplicacion != 0;
}

void Completar_ticks(Estado_ventana& estado) {
  if (estado.Check_mpeg4_apl) estado.Check_firmware = true;
  if (estado.Check_firmware) {
    estado.Check_fpga = true;
    estado.Check_configuracion = true;
    estado.Check_mpeg4_apl = true;
  } else {
    estado.Check_fpga = false;
  }
}

}  // namespace r27
