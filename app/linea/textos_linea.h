#pragma once
// The language of the command line. Everything r27-actualizar prints for the
// technician comes from here, in one language: the wizard's texts and the
// command line's own, both from the language file the window reads (or the one
// --idiomas names), in the language its [COMUN] IDIOMA names (or --idioma).
//
// A text the file lacks comes from the copy of the shipped file built into the
// program, in the same language; failing that, from the English default written
// beside its key in code. So an old language file in the working folder never
// leaves a line blank or in the wrong language.
//
// A new text: a `Texto_linea` constant (app/linea/mensajes_linea.h, or beside its
// only user), its key with a line in each of the six language sections of
// data/idiomas.ini, and, when it is in mensajes_linea.h, an entry in
// kTextos_linea (the tests check every language has it, with the same {n}).
#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "app/nucleo/idiomas.h"
#include "link/fallo.h"

namespace r27 {

// One text of the command line: its key in the language file and the English
// text that stands in when no file has it. Values go in as {1}..{9}.
struct Texto_linea {
  const char* clave;
  const char* defecto;
};

// The languages the shipped file holds, in its order.
inline constexpr std::array<const char*, 6> kIdiomas_incorporados = {"ES", "EN", "FR",
                                                                     "DE", "PT", "IT"};

class Idioma_linea {
 public:
  // The built-in copy alone, in the language `seccion` (its own [COMUN] IDIOMA
  // when empty).
  explicit Idioma_linea(std::string_view seccion = {});
  // The language file `fichero` read, in the language `seccion` (the file's
  // [COMUN] IDIOMA when empty).
  Idioma_linea(Fichero_ini fichero, std::string_view seccion);

  // The language section shown ("ES").
  const std::string& Seccion() const { return asistente_.seccion; }
  // The wizard's texts and notices, for the window's logic.
  const Textos_idioma& Asistente() const { return asistente_; }

  std::string operator()(const Texto_linea& texto) const;
  std::string operator()(const Texto_linea& texto,
                         std::initializer_list<std::string_view> valores) const;

  // A failure as the technician reads it: the request, what it awaited and what
  // came, each phrase in this language.
  std::string Motivo(const Fallo& fallo) const;
  // A failure kept as its own text ("Bloque_vacio: esperaba 0x70, llego nada
  // (tiempo agotado)", as the JSON, the history and the trace keep it), in this
  // language; a text of another shape as it stands.
  std::string Motivo_de_texto(const std::string& texto) const;
  // A phrase of a failure in this language; the phrase itself when no language
  // section has it.
  std::string Frase_motivo(std::string_view frase) const;

  // Whether the file or the built-in copy holds the language `seccion`.
  static bool Existe(const Fichero_ini& fichero, std::string_view seccion);

 private:
  // The value of `clave` in `seccion`: the file's, else the built-in copy's,
  // else `defecto`.
  std::string Leer(std::string_view seccion, std::string_view clave,
                   std::string_view defecto) const;

  Fichero_ini fichero_;
  Textos_idioma asistente_;
};

// The language of a run. `ruta`: the language file --idiomas names, empty for
// the window's (the working folder's, else the installed one). `idioma`: the
// language --idioma names, empty for the file's choice. On a fault (the file
// --idiomas names does not exist, --idioma names no language) `error` holds
// the message, in the language that could be had. `aviso` tells when the
// built-in copy had to stand in for a whole file.
struct Carga_idioma {
  Idioma_linea idioma;
  std::string aviso;
  std::string error;
};
Carga_idioma Cargar_idioma_linea(const std::string& ruta, const std::string& idioma);

// How many characters a UTF-8 text shows (columns of the help and the identity).
size_t Ancho_texto(std::string_view texto);
// `texto` padded with blanks to `ancho` characters.
std::string Columna(std::string texto, size_t ancho);

}  // namespace r27
