#pragma once
// The history's records as JSON, through nlohmann json: one object per line,
// its keys in a fixed order. The command line's --json summary uses the same
// identity object.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "app/nucleo/registro_historial.h"

namespace r27 {

// Objects keep their keys in the order they were set.
using Json = nlohmann::ordered_json;

// {"family", "region", "version" ("3.01.00000"), "boot_stage", "fpga" (null when not
// read), "mpeg4" ({"application", "build", "decoders", "boot"}, or null),
// "language"}.
Json Json_de_identidad(const Identidad_registrada& identidad);

// `valor` as JSON text on one line. Text that is not UTF-8 is replaced, never thrown on.
std::string Texto_json(const Json& valor);

// A record as one line of JSON, without its line end.
std::string Linea_de_registro(const Registro_historial& registro);

// The record one line holds; none, with the reason in `error`, when the line is
// not JSON or not a record (a key missing or of another type).
std::optional<Registro_historial> Registro_de_linea(std::string_view linea, std::string& error);

}  // namespace r27
