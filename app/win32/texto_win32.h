#pragma once
// The program's texts are UTF-8; the system's wide calls take UTF-16.
#include <string>

namespace r27 {

std::wstring Ancho(const std::string& utf8);
std::string Utf8(const std::wstring& ancho);

}  // namespace r27
