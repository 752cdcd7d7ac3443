#include "app/nucleo/fallo_apertura.h"

namespace r27 {

namespace {

// A Windows device name ("\\.\COM3"): the COM name itself.
bool Es_nombre_windows(const std::string& ruta) { return ruta.rfind("\\\\.\\", 0) == 0; }

// "COM3 (/dev/ttyACM0)". On Windows the device is the COM name itself, so it is
// not repeated.
std::string Nombre_puerto(const Puerto_rechazado& p) {
  std::string nombre = "COM" + std::to_string(p.numero);
  if (!p.ruta.empty() && !Es_nombre_windows(p.ruta)) nombre += " (" + p.ruta + ")";
  return nombre;
}

}  // namespace

std::string Texto_fallo_apertura(const Puerto_rechazado& p, const Textos_idioma& t) {
  const std::string nombre = Nombre_puerto(p);
  switch (p.fallo) {
    case Fallo_apertura::sin_permiso:
      return Rellenar(t.puerto_sin_permiso, {nombre, kGrupo_serie}) + "\n" +
             Rellenar(t.puerto_sin_permiso_arreglo, {nombre, kGrupo_serie});
    case Fallo_apertura::ocupado: {
      // ModemManager, which probes every new serial device, exists only on Linux;
      // its remedy needs the device path.
      const bool en_linux = !Es_nombre_windows(p.ruta);
      std::string texto =
          Rellenar(t.puerto_ocupado, {nombre, en_linux ? t.programas_linux : t.programas}) + "\n" +
          t.puerto_ocupado_arreglo;
      if (en_linux && !p.ruta.empty()) texto += "\n" + Rellenar(t.puerto_modemmanager, {p.ruta});
      return texto;
    }
    case Fallo_apertura::no_existe:
      return Rellenar(t.puerto_no_existe, {nombre});
    case Fallo_apertura::no_es_serie:
      return Rellenar(t.puerto_no_serie, {nombre});
    case Fallo_apertura::ninguno:
    case Fallo_apertura::otro:
      break;
  }
  return Rellenar(t.puerto_no_abre, {nombre});
}

std::string Texto_puertos_sin_abrir(const std::vector<Puerto_rechazado>& puertos,
                                    const Textos_idioma& textos) {
  std::string texto;
  for (const Puerto_rechazado& p : puertos) {
    if (!texto.empty()) texto += "\n\n";
    texto += Texto_fallo_apertura(p, textos);
  }
  return texto;
}

}  // namespace r27
