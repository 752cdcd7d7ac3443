#pragma once
// The pure side of the Linux port directory: reading the explicit map of the
// environment, ordering the serial devices found in /dev, and numbering them.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace r27 {

inline constexpr int kMayor_numero_com = 255;

// "COM3=/dev/pts/4 COM20=/dev/x" (separated by spaces, commas or semicolons) as
// number -> path. Entries without '=', without a number in 1..255, with anything
// but digits after "COM" or with an empty path are ignored; a later entry for the
// same number replaces an earlier one. "COM" may be written in any case.
std::map<int, std::string> Leer_mapa_puertos(std::string_view texto);

// Natural order of device names: "ttyUSB2" before "ttyUSB10".
bool Menor_natural(const std::string& a, const std::string& b);

// The serial device names of /dev in COM order: ttyACM* (USB CDC-ACM), then ttyUSB*
// (USB serial adapters), then ttyS* (on-board ports; the caller keeps only the real
// ones), each group in natural order; returned as full paths ("/dev/ttyACM0").
// Names of other devices are dropped.
std::vector<std::string> Ordenar_dispositivos(const std::vector<std::string>& nombres);

// COM numbers for the ordered devices (the first is COM1) merged with the explicit
// map: an explicit entry takes its number; a device whose number is taken, or
// that the explicit map already places elsewhere, is left out.
std::map<int, std::string> Numerar_puertos(const std::vector<std::string>& dispositivos,
                                           const std::map<int, std::string>& explicitos);

}  // namespace r27
