#pragma once
// Pictures of windows as they are drawn, saved as 24-bit BMP files: how the
// demonstration and the documentation picture the Windows window.
#include <filesystem>

#include "app/win32/sistema.h"

namespace r27 {

// The window `hwnd` with its frame and menu, copied from its own surface.
bool Guardar_ventana_bmp(HWND hwnd, const std::filesystem::path& fichero);
// The window `hwnd` with `encima` (a box it shows) drawn over its centre with a
// light shadow, as the technician sees a question.
bool Guardar_ventana_con_bmp(HWND hwnd, HWND encima, const std::filesystem::path& fichero);

}  // namespace r27
