// The manual port panel's choices.
#include "app/nucleo/panel_puerto.h"

#include "app/nucleo/asistente.h"

namespace r27 {

namespace {
constexpr const char* kPrefijo_elegido = "USB: ";
}  // namespace

void Elegir_puerto_radio(Estado_ventana& estado, int item) {
  if (item < 0 || item >= kPuertos_radio) return;
  estado.puerto = item + 1;
}

std::vector<std::string> Nombres_puertos_lista(const Directorio_puertos& directorio) {
  std::vector<std::string> nombres;
  for (int n = 1; n <= kMayor_puerto_lista; ++n)
    if (directorio.Existe(n)) nombres.push_back("COM" + std::to_string(n));
  return nombres;
}

Lista_puertos Rellenar_lista_puertos(const Directorio_puertos& directorio,
                                     const std::string& mostrado) {
  Lista_puertos lista{Nombres_puertos_lista(directorio), -1};
  for (size_t i = 0; i < lista.nombres.size() && !mostrado.empty(); ++i)
    if (lista.nombres[i] == mostrado) lista.elegido = static_cast<int>(i);
  return lista;
}

std::string Elegir_puerto_lista(Estado_ventana& estado, const std::string& nombre) {
  const int numero = Numero_de_nombre_puerto(nombre);
  if (numero <= 0) return {};
  estado.puerto = numero;
  return kPrefijo_elegido + std::to_string(numero);
}

}  // namespace r27
