#pragma once
// The folder the running program was started from, for the files installed with it.
#include <filesystem>

namespace r27 {

// The folder of the running executable; empty when the system does not say.
std::filesystem::path Carpeta_programa();

}  // namespace r27
