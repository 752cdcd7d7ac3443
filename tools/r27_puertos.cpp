// r27-puertos: prints the port directory of this machine, one line per COM
// number: the device it leads to and whether it opens as a serial port. With
// --sin-abrir the ports are only listed (opening raises DTR on a real port).
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "link/backend_serie.h"
#include "link/dcb_linea.h"
#include "link/directorio_puertos.h"
#include "link/puerto_serie.h"
#include "link/reloj.h"

namespace {

constexpr int kPrimera_busqueda = 32;  // COM1-COM32, as the manual choice offers

// "COM20" or "COM5:" -> 20 / 5; 0 for another name.
int Numero_de_nombre(const std::string& nombre) {
  if (nombre.size() < 4 || nombre.compare(0, 3, "COM") != 0) return 0;
  int n = 0;
  for (size_t i = 3; i < nombre.size() && nombre[i] != ':'; ++i) {
    if (nombre[i] < '0' || nombre[i] > '9' || n > 9999) return 0;
    n = n * 10 + (nombre[i] - '0');
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  bool abrir = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sin-abrir") == 0) {
      abrir = false;
    } else {
      std::fprintf(stderr, "uso: %s [--sin-abrir]\n", argv[0]);
      return 2;
    }
  }
  const r27::Directorio_puertos& directorio = r27::Directorio_sistema();
  std::set<int> numeros;
  for (int n = 1; n <= kPrimera_busqueda; ++n)
    if (directorio.Existe(n)) numeros.insert(n);
  for (const auto& nombre : directorio.Nombres_sistema())
    if (const int n = Numero_de_nombre(nombre); n > 0) numeros.insert(n);

  if (numeros.empty()) {
    std::printf("No hay puertos serie.\n");
    return 0;
  }
  r27::Reloj_sistema reloj;
  r27::Puerto_serie puerto(r27::Crear_backend_sistema(), reloj);
  std::printf("%-7s %-28s %s\n", "Puerto", "Ruta", abrir ? "Abre" : "");
  for (int n : numeros) {
    const std::string ruta = directorio.Ruta(n).value_or("?");
    const char* abre = "";
    if (abrir) {
      abre = puerto.Abrir(n, r27::Linea_inicial()) ? "si" : "no";
      puerto.Cerrar();
    }
    std::printf("COM%-4d %-28s %s\n", n, ruta.c_str(), abre);
  }
  return 0;
}
