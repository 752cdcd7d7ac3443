// The language file reader and the texts of the chosen language.
#include "app/nucleo/idiomas.h"

#include <fstream>
#include <system_error>

#include "app/nucleo/carpeta_programa.h"

namespace r27 {

// clang-format off
const std::array<const char*, kNumero_textos> kClaves_textos = {
    "PASO1_L1", "PASO1_L2", "PASO1_L3",
    "PASO2_L1", "PASO2_L2", "PASO2_L3",
    "PASO3_L1", "PASO3_L2", "PASO3_L3",
    "PASO4_L1", "PASO4_L2", "PASO4_L3",
    "PASO5_L1", "PASO5_L2", "PASO5_L3",
    "PASO6_L1", "PASO6_L2", "PASO6_L3",
    "P6_E1_L1", "P6_E1_L2", "P6_E1_L3",
    "P6_E2_L1", "P6_E2_L2", "P6_E2_L3",
    "P6_E3_L1", "P6_E3_L2", "P6_E3_L3",
    "P6_E4_L1", "P6_E4_L2", "P6_E4_L3",
    "P6_E5_L1", "P6_E5_L2", "P6_E5_L3",
    "P6_E6_L1", "P6_E6_L2", "P6_E6_L3",
    "PASO7_L1", "PASO7_L2", "PASO7_L3",
    "PASO8_L1", "PASO8_L2", "PASO8_L3",
    "AVISOMEM1",
    "AVISOMEM2",
    "AVISOACT",
    "PROGRESO_GENERAL",
    "TIEMPO_TOTAL1",
    "TIEMPO_TOTAL2",
};

const std::array<Clave_menu, 15> kClaves_menu = {{
    {"MENU1",      "Archivo",           &Menu_textos::MenuArchivo},
    {"MENU1_L1",   "Actualizar",        &Menu_textos::Actualizar1},
    {"MENU1_L2",   "Salir",             &Menu_textos::MenuSalir},
    {"MENU2",      "Configurar",        &Menu_textos::MenuConfigurar},
    {"MENU2_L1",   "Auto",              &Menu_textos::Auto1},
    {"MENU2_L2",   "Manual",            &Menu_textos::MenuPuerto},
    {"MENU2_L3",   "Planes de canales", &Menu_textos::MenuPlanes},
    {"MENU2_L3_1", "Europa",            &Menu_textos::Planes_europa},
    {"MENU2_L3_2", "Asia",              &Menu_textos::Planes_asia},
    {"MENU2_L3_3", "Norteamérica",      &Menu_textos::Planes_america},
    {"MENU2_L3_4", "Europa del Este",   &Menu_textos::Planes_este},
    {"MENU2_L3_5", "Australia",         &Menu_textos::Planes_australia},
    {"MENU3",      "Ayuda",             &Menu_textos::MenuAyuda},
    {"MENU3_L1",   "Ayuda",             &Menu_textos::Ayuda},
    {"MENU3_L2",   "Acerca de",         &Menu_textos::About1},
}};
// clang-format on

namespace {

// The blanks the Windows profile reader trims around names and values.
bool Es_blanco(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

std::string_view Recortar(std::string_view s) {
  while (!s.empty() && Es_blanco(s.front())) s.remove_prefix(1);
  while (!s.empty() && Es_blanco(s.back())) s.remove_suffix(1);
  return s;
}

// Section and key names are ASCII in practice; folding ASCII only keeps any UTF-8
// byte sequence intact.
std::string Minusculas(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return r;
}

std::string_view Sin_comillas(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v.remove_prefix(1);
    v.remove_suffix(1);
  }
  return v;
}

// Cuts to at most `maximo` bytes without splitting a UTF-8 sequence.
std::string_view Acotar_utf8(std::string_view v, std::size_t maximo) {
  if (v.size() <= maximo) return v;
  std::size_t fin = maximo;
  while (fin > 0 && (static_cast<unsigned char>(v[fin]) & 0xC0) == 0x80) --fin;
  return v.substr(0, fin);
}

}  // namespace

Fichero_ini Fichero_ini::Desde_texto(std::string_view texto) {
  Fichero_ini ini;
  if (texto.size() > kTamano_maximo_fichero) texto = texto.substr(0, kTamano_maximo_fichero);
  if (texto.starts_with("\xEF\xBB\xBF")) texto.remove_prefix(3);

  bool en_seccion = false;
  std::string seccion;
  while (!texto.empty()) {
    const std::size_t fin = texto.find_first_of("\r\n");
    std::string_view linea = Recortar(texto.substr(0, fin));
    texto.remove_prefix(fin == std::string_view::npos ? texto.size() : fin + 1);

    if (linea.empty() || linea.front() == ';') continue;
    if (linea.front() == '[') {
      const std::size_t cierre = linea.rfind(']');
      if (cierre == std::string_view::npos) continue;  // a broken header is skipped
      seccion = Minusculas(Recortar(linea.substr(1, cierre - 1)));
      en_seccion = true;
      continue;
    }
    if (!en_seccion) continue;
    const std::size_t igual = linea.find('=');
    if (igual == std::string_view::npos) continue;
    const std::string_view clave = Recortar(linea.substr(0, igual));
    if (clave.empty()) continue;
    const std::string_view valor =
        Acotar_utf8(Sin_comillas(Recortar(linea.substr(igual + 1))), kLongitud_maxima_valor);

    ini.entradas_.try_emplace({seccion, Minusculas(clave)}, valor);  // the first one wins
  }
  return ini;
}

Fichero_ini Fichero_ini::Desde_fichero(const std::filesystem::path& ruta) {
  std::error_code ec;
  if (ruta.empty() || !std::filesystem::is_regular_file(ruta, ec)) return {};
  std::ifstream f(ruta, std::ios::binary);
  if (!f) return {};
  std::string texto(kTamano_maximo_fichero, '\0');
  f.read(texto.data(), static_cast<std::streamsize>(texto.size()));
  texto.resize(static_cast<std::size_t>(f.gcount()));
  return Desde_texto(texto);
}

std::string Fichero_ini::Leer(std::string_view seccion, std::string_view clave,
                              std::string_view defecto) const {
  const auto e = entradas_.find({Minusculas(Recortar(seccion)), Minusculas(Recortar(clave))});
  return e == entradas_.end() ? std::string(defecto) : e->second;
}

const std::array<Aviso_de_textos, 12> kAvisos_idioma = {{
    {&kAviso_desconectado, &Textos_idioma::aviso_desconectado},
    {&kAviso_desconectado_grabando, &Textos_idioma::aviso_desconectado_grabando},
    {&kAviso_puerto_sin_permiso, &Textos_idioma::puerto_sin_permiso},
    {&kAviso_puerto_sin_permiso_arreglo, &Textos_idioma::puerto_sin_permiso_arreglo},
    {&kAviso_puerto_ocupado, &Textos_idioma::puerto_ocupado},
    {&kAviso_puerto_ocupado_arreglo, &Textos_idioma::puerto_ocupado_arreglo},
    {&kAviso_programas_linux, &Textos_idioma::programas_linux},
    {&kAviso_programas, &Textos_idioma::programas},
    {&kAviso_puerto_modemmanager, &Textos_idioma::puerto_modemmanager},
    {&kAviso_puerto_no_existe, &Textos_idioma::puerto_no_existe},
    {&kAviso_puerto_no_serie, &Textos_idioma::puerto_no_serie},
    {&kAviso_puerto_no_abre, &Textos_idioma::puerto_no_abre},
}};

Textos_idioma Leer_idioma(const Fichero_ini& ini) {
  return Leer_idioma(ini, ini.Leer(kSeccion_comun, kClave_idioma, kIdioma_defecto));
}

Textos_idioma Leer_idioma(const Fichero_ini& ini, std::string_view seccion) {
  Textos_idioma t;
  t.seccion = seccion;
  for (const Clave_menu& m : kClaves_menu)
    t.menu.*m.campo = ini.Leer(t.seccion, m.clave, m.defecto);
  for (std::size_t i = 0; i < kNumero_textos; ++i)
    t.textos[i] = ini.Leer(t.seccion, kClaves_textos[i], "");
  for (const Aviso_de_textos& a : kAvisos_idioma)
    t.*a.campo = ini.Leer(t.seccion, a.aviso->clave, a.aviso->defecto);
  t.historial = Leer_textos_historial([&](std::string_view clave, std::string_view defecto) {
    return ini.Leer(t.seccion, clave, defecto);
  });
  return t;
}

std::string Rellenar(std::string_view plantilla, std::initializer_list<std::string_view> valores) {
  std::string r;
  r.reserve(plantilla.size());
  for (std::size_t i = 0; i < plantilla.size(); ++i) {
    const char c = plantilla[i];
    if (c == '{' && i + 2 < plantilla.size() && plantilla[i + 2] == '}' &&
        plantilla[i + 1] >= '1' && plantilla[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(plantilla[i + 1] - '1');
      if (n < valores.size()) {
        r += *(valores.begin() + n);
        i += 2;
        continue;
      }
    }
    r += c;
  }
  return r;
}

std::filesystem::path Ruta_idiomas_en(const std::filesystem::path& trabajo,
                                      const std::filesystem::path& programa,
                                      const std::filesystem::path& datos) {
  std::error_code ec;
  const std::filesystem::path local = trabajo.empty() ? trabajo : trabajo / kNombre_fichero_idiomas;
  if (!local.empty() && std::filesystem::is_regular_file(local, ec)) return local;
  if (!programa.empty()) {
    const std::filesystem::path instalado =
        (programa / datos / kNombre_fichero_idiomas).lexically_normal();
    if (std::filesystem::is_regular_file(instalado, ec)) return instalado;
  }
  return local;
}

std::filesystem::path Ruta_idiomas() {
  std::error_code ec;
  std::filesystem::path dir = std::filesystem::current_path(ec);
  if (ec) dir.clear();
  return Ruta_idiomas_en(dir, Carpeta_programa(), Carpeta_datos_instalados());
}

Textos_idioma Cargar_idioma(const std::filesystem::path& ruta) {
  return Leer_idioma(Fichero_ini::Desde_fichero(ruta));
}

}  // namespace r27
