#pragma once
// The texts that tell the technician why a port could not be opened and how to
// fix it (the group that gives access, the program that holds the port), in the
// technician's language.
#include <string>
#include <vector>

#include "app/nucleo/idiomas.h"
#include "link/backend_serie.h"

namespace r27 {

// A port the search found but could not open.
struct Puerto_rechazado {
  int numero = 0;    // COM number
  std::string ruta;  // the device it leads to (empty when unknown)
  Fallo_apertura fallo = Fallo_apertura::otro;
  bool operator==(const Puerto_rechazado&) const = default;
};

// The group whose members may open USB serial devices on Linux.
inline constexpr const char* kGrupo_serie = "dialout";

// One port's text: which port, what went wrong, and what to do about it.
std::string Texto_fallo_apertura(const Puerto_rechazado& puerto, const Textos_idioma& textos);
// The texts of several ports, one paragraph each, for one message box.
std::string Texto_puertos_sin_abrir(const std::vector<Puerto_rechazado>& puertos,
                                    const Textos_idioma& textos);

}  // namespace r27
