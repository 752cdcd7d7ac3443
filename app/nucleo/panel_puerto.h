#pragma once
// The manual port panel's logic: the six radio items, the list of the ports
// that exist and the port a choice in either sets. The window draws the panel
// and calls these from its controls.
#include <string>
#include <vector>

#include "link/directorio_puertos.h"
#include "link/estado_ventana.h"

namespace r27 {

inline constexpr int kPuertos_radio = 6;        // "1" .. "6"
inline constexpr int kMayor_puerto_lista = 32;  // COM1 .. COM32 in the list
inline constexpr const char* kTitulo_panel = "USB";
inline constexpr const char* kTitulo_radio = "USB : ";
inline constexpr const char* kTexto_ok_panel = "Ok";

// Radio item `item` (0..5) chosen: the port is item + 1.
void Elegir_puerto_radio(Estado_ventana& estado, int item);
// "COM1" .. "COM32", those the system has, in order.
std::vector<std::string> Nombres_puertos_lista(const Directorio_puertos& directorio);
// The list filled again when the technician enters it or opens it: the names of
// the ports that exist now, and which of them to show chosen (-1: none). The
// name shown before stays chosen while its port exists, so refilling the list
// never changes or hides the technician's choice.
struct Lista_puertos {
  std::vector<std::string> nombres;
  int elegido = -1;
};
Lista_puertos Rellenar_lista_puertos(const Directorio_puertos& directorio,
                                     const std::string& mostrado);
// A name of the list chosen: the port is its number, and the new caption of
// the radio group is returned ("USB: 12"). Empty, and nothing changed, when the
// name carries no port number.
std::string Elegir_puerto_lista(Estado_ventana& estado, const std::string& nombre);

}  // namespace r27
