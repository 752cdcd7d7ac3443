#include "tests/fuzz/cuerpos_fuzz.h"

#include <algorithm>
#include <memory>
#include <string>

#include "app/nucleo/abrir_hex.h"
#include "tests/apoyo/ventana_falsa.h"

namespace r27::fuzz {

namespace {

char Digito(uint8_t v) { return "0123456789ABCDEF"[v & 15]; }

// A valid record must be exactly what its line says: the fields re-encoded in
// upper case match the line, and the check byte completes the sum to zero.
bool Coincide(std::span<const char> linea, const Registro_hex& r) {
  const size_t fin = 11 + 2 * size_t{r.longitud};
  if (linea.size() < fin || linea[0] != ':') return false;
  uint8_t bytes[4 + 255 + 1];
  size_t n = 0;
  bytes[n++] = r.longitud;
  bytes[n++] = static_cast<uint8_t>(r.direccion >> 8);
  bytes[n++] = static_cast<uint8_t>(r.direccion);
  bytes[n++] = r.tipo;
  for (int i = 0; i < r.longitud; ++i) bytes[n++] = r.datos[i];
  uint8_t suma = 0;
  for (size_t i = 0; i < n; ++i) suma = static_cast<uint8_t>(suma + bytes[i]);
  bytes[n++] = static_cast<uint8_t>(0x100 - suma);
  for (size_t i = 0; i < n; ++i) {
    if (linea[1 + 2 * i] != Digito(bytes[i] >> 4) || linea[2 + 2 * i] != Digito(bytes[i]))
      return false;
  }
  return true;
}

bool Mensaje_conocido(const std::string& m) {
  if (m == "El fichero ha terminado antes de lo esperado") return true;
  const std::string prefijo = "La linea: ";
  if (m.rfind(prefijo, 0) != 0) return false;
  size_t p = prefijo.size();
  const size_t digitos = m.find_first_not_of("0123456789", p);
  if (digitos == p || digitos == std::string::npos) return false;
  const std::string resto = m.substr(digitos);
  return resto == " NO es un record" || resto == " tiene un formato incorrecto" ||
         resto == " tiene un checksum incorrecto";
}

}  // namespace

bool Recorrer_registros(std::span<const char> texto) {
  Lector_lineas lineas(texto);
  Lector_hex hex(lineas);
  uint8_t datos[256];
  Registro_hex r;
  r.datos = datos;
  const auto saltos = std::count(texto.begin(), texto.end(), '\n');

  for (int32_t llamadas = 0;; ++llamadas) {
    if (llamadas > saltos) return false;  // every call must consume a line
    const int32_t antes = lineas.Posicion();
    const uint8_t codigo = hex.Leer_registro(r);
    const int32_t despues = lineas.Posicion();
    if (despues < antes || despues > lineas.Longitud()) return false;
    switch (codigo) {
      case kSin_mas_lineas:
        return despues == lineas.Longitud();
      case kNo_es_registro:
        return despues > antes && texto[static_cast<size_t>(antes)] != ':';
      case kFormato_incorrecto:
      case kChecksum_incorrecto:
        return despues > antes && hex.Linea() == llamadas;
      case kRegistro_valido:
        if (despues <= antes || hex.Linea() != llamadas) return false;
        if (!Coincide(
                texto.subspan(static_cast<size_t>(antes), static_cast<size_t>(despues - antes)), r))
          return false;
        if (r.tipo == kTipo_fin) return true;
        break;
      default:
        return false;
    }
  }
}

bool Abrir_texto(std::span<const char> texto) {
  pruebas::Ventana_falsa ventana;
  Lector_lineas lineas(texto);
  std::unique_ptr<Lector_hex> hex;
  Abrir_hex(ventana, lineas, hex);

  const auto& estado = ventana.estado;
  if (!std::all_of(estado.segmentos_presentes.begin(), estado.segmentos_presentes.end(),
                   [](uint8_t e) { return e <= 1; }))
    return false;
  if (estado.version_fichero[11] != 0) return false;
  if (hex) {
    return ventana.pitidos.empty() && ventana.mensajes.empty() && hex->numero_registros >= 1 &&
           hex->numero_registros == hex->Linea() + 1;
  }
  return ventana.Un_pitido_de_fallo() && ventana.mensajes.size() == 1 &&
         Mensaje_conocido(ventana.mensajes[0]);
}

}  // namespace r27::fuzz
