#pragma once
// The history file's system part, one source per system (_posix, _win32): the
// user's data folder, and appends and reads under the file's lock.
#include <filesystem>
#include <string>

namespace r27 {

// $XDG_DATA_HOME/r27 (or ~/.local/share/r27), %LOCALAPPDATA%\R27; empty when unknown.
std::filesystem::path Carpeta_historial();

// Appends `linea` and a line end under the file's exclusive lock, first ending a
// last line left without one; flushed to disk. Empty on success, else the reason.
std::string Anexar_con_cerrojo(const std::filesystem::path& fichero, const std::string& linea);

// The whole file under its shared lock. Empty on success, else the reason;
// `existe` false when there is no file.
std::string Leer_con_cerrojo(const std::filesystem::path& fichero, std::string& contenido,
                             bool& existe);

}  // namespace r27
