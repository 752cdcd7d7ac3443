// The Windows port directory: a COM number exists when the system has a default
// configuration for it, and the system's list of ports is the value names of the
// registry key "Ports".
#include <windows.h>

#include "link/directorio_puertos.h"

namespace r27 {

namespace {

constexpr DWORD kTamano_configuracion = 52;  // the COMMCONFIG buffer offered

class Directorio_win32 final : public Directorio_puertos {
 public:
  bool Existe(int numero) const override {
    const std::string nombre = "COM" + std::to_string(numero);
    alignas(COMMCONFIG) unsigned char buffer[kTamano_configuracion] = {};
    DWORD tamano = kTamano_configuracion;
    return GetDefaultCommConfigA(nombre.c_str(), reinterpret_cast<COMMCONFIG*>(buffer), &tamano) !=
           FALSE;
  }

  std::vector<std::string> Nombres_sistema() const override {
    std::vector<std::string> nombres;
    // Opened one level at a time, for reading only.
    static const char* const kRuta[] = {"SOFTWARE", "Microsoft", "Windows NT", "CurrentVersion",
                                        "Ports"};
    HKEY clave = HKEY_LOCAL_MACHINE;
    for (const char* nivel : kRuta) {
      HKEY siguiente = nullptr;
      const LONG r = RegOpenKeyExA(clave, nivel, 0, KEY_READ, &siguiente);
      if (clave != HKEY_LOCAL_MACHINE) RegCloseKey(clave);
      if (r != ERROR_SUCCESS) return nombres;
      clave = siguiente;
    }
    for (DWORD i = 0;; ++i) {
      char nombre[256];
      DWORD largo = sizeof nombre;
      const LONG r = RegEnumValueA(clave, i, nombre, &largo, nullptr, nullptr, nullptr, nullptr);
      if (r == ERROR_MORE_DATA) continue;  // a name too long to be a port
      if (r != ERROR_SUCCESS) break;
      nombres.emplace_back(nombre, largo);
    }
    RegCloseKey(clave);
    return nombres;
  }

  std::optional<std::string> Ruta(int numero) const override {
    return "\\\\.\\COM" + std::to_string(numero);
  }
};

}  // namespace

const Directorio_puertos& Directorio_sistema() {
  static const Directorio_win32 directorio;
  return directorio;
}

}  // namespace r27
