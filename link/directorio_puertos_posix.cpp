// The Linux port directory: the serial devices of /dev numbered COM1, COM2, ...
// (USB CDC-ACM, then USB serial adapters, then real on-board ports) with the
// explicit map of R27_PUERTOS on top. Read afresh at each call, so a device
// plugged in or an environment change shows at once.
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "link/directorio_puertos.h"
#include "link/directorio_puertos_mapa.h"

namespace r27 {

namespace {

bool Existe_ruta(const std::string& ruta) {
  struct stat st;
  return stat(ruta.c_str(), &st) == 0;
}

// The 8250 driver registers ttyS0..ttyS31 whether or not a UART sits behind
// them; a real port has a device in sysfs and a known UART type.
bool Es_puerto_placa_real(const std::string& nombre) {
  const std::string sys = "/sys/class/tty/" + nombre;
  if (!Existe_ruta(sys + "/device")) return false;
  std::ifstream tipo(sys + "/type");
  int valor = -1;
  if (tipo >> valor) return valor != PORT_UNKNOWN;
  // No type attribute: ask the driver when the device can be opened.
  const int fd = open(("/dev/" + nombre).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return true;
  serial_struct info{};
  const bool real = ioctl(fd, TIOCGSERIAL, &info) != 0 || info.type != PORT_UNKNOWN;
  close(fd);
  return real;
}

std::vector<std::string> Dispositivos_serie() {
  std::vector<std::string> nombres;
  if (DIR* d = opendir("/dev")) {
    while (const dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n.rfind("ttyS", 0) == 0 && !Es_puerto_placa_real(n)) continue;
      nombres.push_back(n);
    }
    closedir(d);
  }
  return Ordenar_dispositivos(nombres);
}

std::map<int, std::string> Mapa_actual() {
  const char* variable = std::getenv(kVariable_puertos);
  return Numerar_puertos(Dispositivos_serie(), Leer_mapa_puertos(variable ? variable : ""));
}

class Directorio_posix final : public Directorio_puertos {
 public:
  bool Existe(int numero) const override {
    const auto ruta = Ruta(numero);
    return ruta && Existe_ruta(*ruta);
  }

  std::vector<std::string> Nombres_sistema() const override {
    std::vector<std::string> nombres;
    for (const auto& [numero, ruta] : Mapa_actual())
      nombres.push_back("COM" + std::to_string(numero));
    return nombres;
  }

  std::optional<std::string> Ruta(int numero) const override {
    const auto mapa = Mapa_actual();
    const auto it = mapa.find(numero);
    if (it == mapa.end()) return std::nullopt;
    return it->second;
  }
};

}  // namespace

const Directorio_puertos& Directorio_sistema() {
  static const Directorio_posix directorio;
  return directorio;
}

}  // namespace r27
