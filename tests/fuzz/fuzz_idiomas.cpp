// Fuzz target: the language file reader over arbitrary bytes. The body also runs
// as an ordinary test over the checked-in corpus (tests/idiomas).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "app/nucleo/idiomas.h"

namespace r27::fuzz {

namespace {

bool Valor_sano(const std::string& v) {
  return v.size() <= Fichero_ini::kLongitud_maxima_valor &&
         v.find_first_of("\r\n") == std::string::npos;
}

bool Contiene_sin_mayusculas(std::string_view texto, std::string_view buscado) {
  return std::search(texto.begin(), texto.end(), buscado.begin(), buscado.end(),
                     [](char a, char b) {
                       const auto baja = [](char c) {
                         return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
                       };
                       return baja(a) == baja(b);
                     }) != texto.end();
}

}  // namespace

// False when the reader broke one of the rules that hold whatever the file holds.
bool Probar_idiomas(std::span<const char> datos) {
  const std::string_view texto(datos.data(), datos.size());
  const Textos_idioma t = Leer_idioma(Fichero_ini::Desde_texto(texto));
  for (const Clave_menu& m : kClaves_menu)
    if (!Valor_sano(t.menu.*m.campo)) return false;
  for (const std::string& s : t.textos)
    if (!Valor_sano(s)) return false;
  if (!Valor_sano(t.seccion)) return false;

  // The same bytes give the same texts.
  const Textos_idioma otra = Leer_idioma(Fichero_ini::Desde_texto(texto));
  if (otra.seccion != t.seccion || otra.textos != t.textos ||
      otra.menu.MenuArchivo != t.menu.MenuArchivo)
    return false;

  // Whatever comes before, a section of its own after the junk is read, and one
  // before it wins over anything the junk repeats.
  constexpr std::string_view kSeccion = "r27_fuzz_propia";
  if (texto.size() + 64 > Fichero_ini::kTamano_maximo_fichero ||
      Contiene_sin_mayusculas(texto, kSeccion))
    return true;
  const std::string despues = std::string(texto) + "\n[R27_FUZZ_PROPIA]\n Clave = valor \n";
  if (Fichero_ini::Desde_texto(despues).Leer(kSeccion, "CLAVE", "-") != "valor") return false;
  const std::string antes = "[R27_FUZZ_PROPIA]\nClave=primero\n" + std::string(texto);
  return Fichero_ini::Desde_texto(antes).Leer(kSeccion, "clave", "-") == "primero";
}

}  // namespace r27::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  if (!r27::fuzz::Probar_idiomas({reinterpret_cast<const char*>(datos), n})) __builtin_trap();
  return 0;
}
