// Language texts for the command line.
#include "app/linea/textos_linea.h"

#include <filesystem>
#include <string_view>

#include "incrustado/idiomas_ini.h"

namespace r27 {

namespace {

const Fichero_ini& Ini_incorporado() {
  static const Fichero_ini ini = Fichero_ini::Desde_texto(std::string_view(
      reinterpret_cast<const char*>(datos::idiomas_ini().data()), datos::idiomas_ini().size()));
  return ini;
}

}  // namespace

Textos_idioma Textos_incorporados() { return Leer_idioma(Ini_incorporado()); }

Textos_idioma Textos_linea(const std::string& ruta, std::string& aviso) {
  const std::filesystem::path fichero = ruta.empty() ? Ruta_idiomas() : std::filesystem::path(ruta);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(fichero, ec)) {
    aviso = "no language file at " + fichero.string() + ": the built-in texts are used";
    return Textos_incorporados();
  }
  Textos_idioma t = Cargar_idioma(fichero);
  // A text the file lacks comes from the built-in copy, in the same language
  // when it has it, else in the default one.
  const Fichero_ini& ini = Ini_incorporado();
  for (std::size_t i = 0; i < kNumero_textos; ++i) {
    if (!t.textos[i].empty()) continue;
    t.textos[i] = ini.Leer(t.seccion, kClaves_textos[i], "");
    if (t.textos[i].empty()) t.textos[i] = ini.Leer(kIdioma_defecto, kClaves_textos[i], "");
  }
  return t;
}

}  // namespace r27
