#pragma once
// The language file idiomas.ini: an INI reader with the semantics of the Windows
// profile functions, and the menu captions and wizard texts of the chosen language.
//
// The chosen language is the section named by [COMUN] IDIOMA (default "EN"). Every
// caption and text is read from that section with its default: the menus fall back
// to their Spanish captions, the wizard texts to the empty text. A missing or broken
// file is never reported; it simply yields the defaults.
#include <array>
#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace r27 {

// An INI text read once and queried many times, as GetPrivateProfileString would
// answer: section and key names compare without regard to ASCII case, names and
// values are trimmed of blanks, lines starting with ';' are comments, a value wrapped
// in a matching pair of quotes loses them, the first occurrence of a key wins (also
// across repeated sections), lines outside any section or without '=' are ignored.
class Fichero_ini {
 public:
  // Longest value handed out, in bytes (the 2,048-byte buffer of the Windows reads,
  // less its terminating zero); longer values are cut at a UTF-8 character boundary.
  static constexpr std::size_t kLongitud_maxima_valor = 2047;
  // Bytes of the file that are read at most; a language file is a few tens of KB.
  static constexpr std::size_t kTamano_maximo_fichero = 1u << 20;

  Fichero_ini() = default;
  // Parses `texto` (UTF-8, an optional byte-order mark is skipped).
  static Fichero_ini Desde_texto(std::string_view texto);
  // Reads the file at `ruta`. A path that is missing, unreadable or not a regular
  // file (a directory, a pipe, a device) gives an empty profile.
  static Fichero_ini Desde_fichero(const std::filesystem::path& ruta);

  // The value of `clave` in `seccion`, or `defecto` when either is missing.
  std::string Leer(std::string_view seccion, std::string_view clave,
                   std::string_view defecto) const;

 private:
  // (section, key) in lower case -> value.
  std::map<std::pair<std::string, std::string>, std::string> entradas_;
};

// Captions of the main menu, named after the menu items they label.
struct Menu_textos {
  std::string MenuArchivo;
  std::string Actualizar1;
  std::string MenuSalir;
  std::string MenuConfigurar;
  std::string Auto1;
  std::string MenuPuerto;
  // "Planes de canales" and its five regional sets, by selector.
  std::string MenuPlanes;
  std::string Planes_europa;
  std::string Planes_asia;
  std::string Planes_america;
  std::string Planes_este;
  std::string Planes_australia;
  std::string MenuAyuda;
  std::string Ayuda;
  std::string About1;
};

// The 48 wizard texts, in the order of the language file's keys.
// clang-format off
enum class Texto : std::size_t {
  PASO1_L1, PASO1_L2, PASO1_L3,
  PASO2_L1, PASO2_L2, PASO2_L3,
  PASO3_L1, PASO3_L2, PASO3_L3,
  PASO4_L1, PASO4_L2, PASO4_L3,
  PASO5_L1, PASO5_L2, PASO5_L3,
  PASO6_L1, PASO6_L2, PASO6_L3,
  P6_E1_L1, P6_E1_L2, P6_E1_L3,
  P6_E2_L1, P6_E2_L2, P6_E2_L3,
  P6_E3_L1, P6_E3_L2, P6_E3_L3,
  P6_E4_L1, P6_E4_L2, P6_E4_L3,
  P6_E5_L1, P6_E5_L2, P6_E5_L3,
  P6_E6_L1, P6_E6_L2, P6_E6_L3,
  PASO7_L1, PASO7_L2, PASO7_L3,
  PASO8_L1, PASO8_L2, PASO8_L3,
  AVISOMEM1,
  AVISOMEM2,
  AVISOACT,
  PROGRESO_GENERAL,
  TIEMPO_TOTAL1,
  TIEMPO_TOTAL2,
};
// clang-format on
inline constexpr std::size_t kNumero_textos = 48;

// Key of each wizard text in the language file, indexed by Texto.
extern const std::array<const char*, kNumero_textos> kClaves_textos;

// One menu caption: its key, its default and where it goes.
struct Clave_menu {
  const char* clave;
  const char* defecto;
  std::string Menu_textos::*campo;
};
extern const std::array<Clave_menu, 15> kClaves_menu;

inline constexpr const char* kSeccion_comun = "COMUN";
inline constexpr const char* kClave_idioma = "IDIOMA";
inline constexpr const char* kIdioma_defecto = "EN";
inline constexpr const char* kNombre_fichero_idiomas = "idiomas.ini";

// Notices beside the wizard's texts, with the key each has in the language file
// and the text used when the file lacks it.
struct Aviso_idioma {
  const char* clave;
  const char* defecto;
};
// The meter was unplugged during the update.
inline constexpr Aviso_idioma kAviso_desconectado{
    "AVISO_DESCONECTADO",
    "The meter was disconnected during the update. Plug it in again and run the update "
    "once more."};
// The meter was unplugged while it wrote its own flash (a burn, the module's update).
inline constexpr Aviso_idioma kAviso_desconectado_grabando{
    "AVISO_DESCONECTADO_GRABANDO",
    "The meter was disconnected while it was writing its memory and may still be writing. "
    "Leave it alone until its own screen says it has finished; then plug it in again and "
    "run the update once more."};

struct Textos_idioma {
  std::string seccion;  // the language section that was read
  Menu_textos menu;
  std::array<std::string, kNumero_textos> textos;
  std::string aviso_desconectado;
  std::string aviso_desconectado_grabando;

  const std::string& operator[](Texto t) const { return textos[static_cast<std::size_t>(t)]; }
  std::string& operator[](Texto t) { return textos[static_cast<std::size_t>(t)]; }
};

// The texts of the language [COMUN] IDIOMA names in `ini`.
Textos_idioma Leer_idioma(const Fichero_ini& ini);

// The language file: the one in the working directory `trabajo`; when there is
// none, the one installed with the program whose folder is `programa`, in the
// folder `datos` relative to it (Carpeta_datos_instalados() of this system);
// when neither exists, the working directory's path (read as a missing file).
std::filesystem::path Ruta_idiomas_en(const std::filesystem::path& trabajo,
                                      const std::filesystem::path& programa,
                                      const std::filesystem::path& datos);
// The language file of the current working directory or, failing that, the one
// installed with this program: its path, and its texts.
std::filesystem::path Ruta_idiomas();
Textos_idioma Cargar_idioma(const std::filesystem::path& ruta = Ruta_idiomas());

}  // namespace r27
