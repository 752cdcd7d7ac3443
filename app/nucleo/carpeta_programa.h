#pragma once
// The folder the running program was started from, and where the files installed
// with it are.
#include <filesystem>

namespace r27 {

// The folder of the running executable; empty when the system does not say.
std::filesystem::path Carpeta_programa();

// Where an installed program keeps its data, relative to its executable's folder:
// on Linux ../share/r27 (/usr/bin/r27-update reads /usr/share/r27/idiomas.ini),
// on Windows the program's own folder.
const char* Carpeta_datos_instalados();

}  // namespace r27
