#pragma once
// Which COM numbers exist on this machine and where they lead. On Windows a COM
// number is its device; on Linux the directory numbers the serial devices (USB
// CDC-ACM first, then USB serial adapters, then on-board ports) and an explicit
// map from the environment variable R27_PUERTOS ("COM3=/dev/pts/4 COM20=/dev/x")
// overrides it.
#include <optional>
#include <string>
#include <vector>

namespace r27 {

inline constexpr const char* kVariable_puertos = "R27_PUERTOS";

class Directorio_puertos {
 public:
  virtual ~Directorio_puertos() = default;
  // True when the system has a default configuration for "COM<n>" (GetDefaultCommConfig).
  virtual bool Existe(int numero) const = 0;
  // The system's list of serial port names (the registry's "Ports" value names on
  // Windows), such as "COM5:" or "COM20".
  virtual std::vector<std::string> Nombres_sistema() const = 0;
  // The device path a COM number opens.
  virtual std::optional<std::string> Ruta(int numero) const = 0;
};

// The directory of this system, reading the environment at each call.
const Directorio_puertos& Directorio_sistema();

}  // namespace r27
