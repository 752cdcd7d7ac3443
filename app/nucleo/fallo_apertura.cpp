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

std::string Texto_fallo_apertura(const Puerto_rechazado& p) {
  const std::string nombre = Nombre_puerto(p);
  const std::string grupo = kGrupo_serie;
  switch (p.fallo) {
    case Fallo_apertura::sin_permiso:
      return "Sin permiso para abrir el puerto " + nombre + ".\n" +
             "El usuario debe pertenecer al grupo " + grupo + ": sudo usermod -aG " + grupo +
             " $USER y volver a iniciar la sesion. La regla udev instalada con el programa "
             "tambien da el acceso: desconecte y vuelva a conectar el medidor.";
    case Fallo_apertura::ocupado:
      // ModemManager, which probes every new serial device, exists only on Linux.
      return "El puerto " + nombre + " esta ocupado: otro programa lo tiene abierto (" +
             (Es_nombre_windows(p.ruta) ? "" : "ModemManager, ") +
             "un programa de terminal u otro actualizador).\n" +
             "Cierre ese programa y vuelva a buscar.";
    case Fallo_apertura::no_existe:
      return "El puerto " + nombre + " no existe.";
    case Fallo_apertura::no_es_serie:
      return "El puerto " + nombre + " no es un puerto serie.";
    case Fallo_apertura::ninguno:
    case Fallo_apertura::otro:
      break;
  }
  return "No se pudo abrir el puerto " + nombre + ".";
}

std::string Texto_puertos_sin_abrir(const std::vector<Puerto_rechazado>& puertos) {
  std::string texto;
  for (const Puerto_rechazado& p : puertos) {
    if (!texto.empty()) texto += "\n\n";
    texto += Texto_fallo_apertura(p);
  }
  return texto;
}

}  // namespace r27
