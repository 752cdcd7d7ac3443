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
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "app/nucleo/textos_historial.h"

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

// Why a port the search found could not be opened, and what to do about it.
// {1} is the port ("COM3 (/dev/ttyACM0)"), {2} the group that gives access. A
// cause and its remedy go on two lines.
inline constexpr Aviso_idioma kAviso_puerto_sin_permiso{"AVISO_PUERTO_SIN_PERMISO",
                                                        "No permission to open the port {1}."};
inline constexpr Aviso_idioma kAviso_puerto_sin_permiso_arreglo{
    "AVISO_PUERTO_SIN_PERMISO_ARREGLO",
    "The user must belong to the group {2}: sudo usermod -aG {2} $USER, then log in again. The "
    "udev rule installed with the program also gives access: unplug the meter and plug it in "
    "again."};
// {2}: the programs that may hold it, one of the two texts below.
inline constexpr Aviso_idioma kAviso_puerto_ocupado{
    "AVISO_PUERTO_OCUPADO", "The port {1} is busy: another program holds it open ({2})."};
inline constexpr Aviso_idioma kAviso_puerto_ocupado_arreglo{"AVISO_PUERTO_OCUPADO_ARREGLO",
                                                            "Close that program and search again."};
inline constexpr Aviso_idioma kAviso_programas_linux{
    "AVISO_PROGRAMAS_LINUX", "ModemManager, a terminal program or another updater"};
inline constexpr Aviso_idioma kAviso_programas{"AVISO_PROGRAMAS",
                                               "a terminal program or another updater"};
// ModemManager probes every new serial device, the meter's too. The package does
// not keep it away from every USB serial device (a laptop's own modem needs it),
// so the remedy is a rule for the meter's own USB IDs. {1}: the device path.
inline constexpr Aviso_idioma kAviso_puerto_modemmanager{
    "AVISO_PUERTO_MODEMMANAGER",
    "If it is ModemManager, keep it away from the meter alone: udevadm info -q property -n "
    "{1} shows the meter's ID_VENDOR_ID and ID_MODEL_ID; put the line SUBSYSTEM==\"tty\", "
    "ATTRS{idVendor}==\"VVVV\", ATTRS{idProduct}==\"PPPP\", ENV{ID_MM_DEVICE_IGNORE}=\"1\" "
    "with those two IDs into /etc/udev/rules.d/61-r27-medidor-id.rules, run sudo udevadm "
    "control --reload and plug the meter in again."};
inline constexpr Aviso_idioma kAviso_puerto_no_existe{"AVISO_PUERTO_NO_EXISTE",
                                                      "The port {1} does not exist."};
inline constexpr Aviso_idioma kAviso_puerto_no_serie{"AVISO_PUERTO_NO_SERIE",
                                                     "The port {1} is not a serial port."};
inline constexpr Aviso_idioma kAviso_puerto_no_abre{"AVISO_PUERTO_NO_ABRE",
                                                    "The port {1} could not be opened."};

struct Textos_idioma {
  std::string seccion;  // the language section that was read
  Menu_textos menu;
  std::array<std::string, kNumero_textos> textos;
  std::string aviso_desconectado;
  std::string aviso_desconectado_grabando;
  std::string puerto_sin_permiso;
  std::string puerto_sin_permiso_arreglo;
  std::string puerto_ocupado;
  std::string puerto_ocupado_arreglo;
  std::string programas_linux;
  std::string programas;
  std::string puerto_modemmanager;
  std::string puerto_no_existe;
  std::string puerto_no_serie;
  std::string puerto_no_abre;
  Textos_historial historial = Textos_historial_defecto();

  const std::string& operator[](Texto t) const { return textos[static_cast<std::size_t>(t)]; }
  std::string& operator[](Texto t) { return textos[static_cast<std::size_t>(t)]; }
};

// The texts of the language [COMUN] IDIOMA names in `ini`.
Textos_idioma Leer_idioma(const Fichero_ini& ini);
// The texts of the language section `seccion` of `ini`.
Textos_idioma Leer_idioma(const Fichero_ini& ini, std::string_view seccion);
// Every notice beside the wizard's texts, with its member, for reading them all
// in one loop and for the tests that check every language has each of them.
struct Aviso_de_textos {
  const Aviso_idioma* aviso;
  std::string Textos_idioma::*campo;
};
extern const std::array<Aviso_de_textos, 12> kAvisos_idioma;

// `plantilla` with {1}..{9} replaced by the values given, in order: each
// language puts the values where its grammar wants them. A placeholder without
// a value, and any other brace, stays as it is.
std::string Rellenar(std::string_view plantilla, std::initializer_list<std::string_view> valores);

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
