// The Win32 backend: "\\.\COM<n>" opened synchronously, the record copied into a
// DCB, queues of 2048 bytes, and read time-outs that return after at most 2n+2 ms
// for n bytes with whatever has arrived. Every system call on the port holds the
// machine-wide named mutex "Mutex_Puerto" that other programs may rely on, for
// that call alone; a write returns after at most kEspera_escritura_ms with what
// went out, so a stalled device holds the mutex no longer than that, and the
// port retries the rest outside it.

// The line record first: <windows.h> defines the DTR_CONTROL_* and RTS_CONTROL_*
// names as macros of the same values, which would break the record's enumerators.
#include "link/backend_serie.h"
#include "link/mutex_puerto.h"
// clang-format off
#include <windows.h>
// clang-format on

#include <string>

namespace r27 {

namespace {

constexpr DWORD kTamano_colas = 2048;
// The whole of one WriteFile, whatever its length: the driver's queue takes a
// 256-byte packet at once, and a write the line cannot take comes back this soon.
constexpr DWORD kEspera_escritura_ms = 50;

DCB Construir_dcb(const DCB_linea& linea) {
  DCB dcb;
  ZeroMemory(&dcb, sizeof dcb);
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = linea.BaudRate;
  dcb.fBinary = 1;
  dcb.fParity = linea.fParity ? 1 : 0;
  dcb.fOutxCtsFlow = linea.fOutxCtsFlow ? 1 : 0;
  dcb.fOutxDsrFlow = linea.fOutxDsrFlow ? 1 : 0;
  dcb.fDtrControl = linea.fDtrControl & 0x3;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 1;
  dcb.fOutX = linea.fOutX ? 1 : 0;
  dcb.fInX = linea.fInX ? 1 : 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fRtsControl = linea.fRtsControl & 0x3;
  dcb.fAbortOnError = 0;
  dcb.XonLim = static_cast<WORD>(kTamano_colas / 4);
  dcb.XoffLim = 1;
  dcb.ByteSize = linea.ByteSize;
  dcb.Parity = linea.Parity;
  dcb.StopBits = linea.StopBits;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return dcb;
}

// Why CreateFileA refused the port. Windows reports a COM port that another
// program has open as "access denied": the device itself has no permissions.
Fallo_apertura Fallo_de_createfile(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return Fallo_apertura::ocupado;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return Fallo_apertura::no_existe;
    default:
      return Fallo_apertura::otro;
  }
}

class Backend_win32 final : public Backend_serie {
 public:
  ~Backend_win32() override { Cerrar(); }

  bool Abrir(int numero, const DCB_linea& linea) override {
    Cerrar();
    const std::string nombre = "\\\\.\\COM" + std::to_string(numero);
    desaparecido_ = false;
    DWORD error = 0;
    Bajo_mutex([&] {
      puerto_ = CreateFileA(nombre.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
      error = GetLastError();
    });
    if (!Esta_abierto()) {
      fallo_ = Fallo_de_createfile(error);
      return false;
    }
    fallo_ = Fallo_apertura::ninguno;
    DCB dcb = Construir_dcb(linea);
    COMMTIMEOUTS tiempos;
    tiempos.ReadIntervalTimeout = 0xFFFFFFFF;
    tiempos.ReadTotalTimeoutMultiplier = 2;
    tiempos.ReadTotalTimeoutConstant = 2;
    tiempos.WriteTotalTimeoutMultiplier = 0;
    tiempos.WriteTotalTimeoutConstant = kEspera_escritura_ms;
    // The results of these settings are not examined: a driver that refuses one
    // still gives a usable port.
    Bajo_mutex([&] { SetCommState(puerto_, &dcb); });
    Bajo_mutex([&] { SetupComm(puerto_, kTamano_colas, kTamano_colas); });
    Bajo_mutex([&] { SetCommTimeouts(puerto_, &tiempos); });
    return true;
  }

  void Cerrar() override {
    if (!Esta_abierto()) return;
    Bajo_mutex([&] { CloseHandle(puerto_); });
    puerto_ = nullptr;
    desaparecido_ = false;
  }

  std::string Dispositivo(int numero) const override { return "COM" + std::to_string(numero); }

  bool Esta_abierto() const override {
    return puerto_ != nullptr && puerto_ != INVALID_HANDLE_VALUE;
  }

  Fallo_apertura Ultimo_fallo_apertura() const override { return fallo_; }

  uint32_t Escribir(const uint8_t* datos, uint32_t n) override {
    if (!Esta_abierto() || n == 0) return 0;
    // A write that times out still reports what went out; Puerto_serie judges progress.
    DWORD hechos = 0;
    (void)Llamar([&] { return WriteFile(puerto_, datos, n, &hechos, nullptr); });
    return hechos;
  }

  uint32_t Leer(uint8_t* destino, uint32_t n) override {
    if (!Esta_abierto() || n == 0) return 0;
    DWORD llegados = 0;
    if (!Llamar([&] { return ReadFile(puerto_, destino, n, &llegados, nullptr); })) return 0;
    return llegados;
  }

  // Only what the driver already holds (cbInQue), so the read never waits. The
  // query clears the driver's error mask; it is kept for Consultar_cola.
  uint32_t Leer_disponible(uint8_t* destino, uint32_t n) override {
    if (!Esta_abierto() || n == 0) return 0;
    DWORD errores = 0;
    COMSTAT cola;
    ZeroMemory(&cola, sizeof cola);
    if (!Llamar([&] { return ClearCommError(puerto_, &errores, &cola); })) return 0;
    errores_pendientes_ |= errores;
    if (cola.cbInQue == 0) return 0;
    DWORD llegados = 0;
    const DWORD pedir = n < cola.cbInQue ? n : cola.cbInQue;
    if (!Llamar([&] { return ReadFile(puerto_, destino, pedir, &llegados, nullptr); })) return 0;
    return llegados;
  }

  bool Consultar_cola(Estado_cola& estado) override {
    estado = Estado_cola{};
    if (!Esta_abierto()) return false;
    DWORD errores = 0;
    COMSTAT cola;
    ZeroMemory(&cola, sizeof cola);
    if (!Llamar([&] { return ClearCommError(puerto_, &errores, &cola); })) return false;
    errores |= errores_pendientes_;
    errores_pendientes_ = 0;
    estado.error_linea = errores != 0;
    estado.bytes_en_salida = cola.cbOutQue;
    return true;
  }

  void Purgar(bool recepcion, bool transmision) override {
    if (!Esta_abierto()) return;
    DWORD banderas = 0;
    if (transmision) banderas |= PURGE_TXABORT | PURGE_TXCLEAR;
    if (recepcion) banderas |= PURGE_RXABORT | PURGE_RXCLEAR;
    (void)Llamar([&] { return PurgeComm(puerto_, banderas); });
  }

  void Fijar_rts(bool activo) override {
    if (Esta_abierto())
      (void)Llamar([&] { return EscapeCommFunction(puerto_, activo ? SETRTS : CLRRTS); });
  }

  bool Desaparecido() const override { return Esta_abierto() && desaparecido_; }

 private:
  // One system call under the machine-wide mutex; its error, when it fails, is
  // looked at once the mutex is released.
  template <class Llamada>
  BOOL Llamar(Llamada&& llamada) {
    BOOL ok = FALSE;
    DWORD error = 0;
    Bajo_mutex([&] {
      ok = llamada();
      if (!ok) error = GetLastError();
    });
    if (!ok) Mirar_error(error);
    return ok;
  }

  // One system call under the machine-wide mutex, its result not looked at.
  template <class Llamada>
  void Bajo_mutex(Llamada&& llamada) {
    Cerrojo c(mutex_puerto_);
    llamada();
  }

  // A call on the handle failed: only a removal error means the device is gone;
  // an error mask from ClearCommError is a line error on a live line, not this.
  void Mirar_error(DWORD error) {
    switch (error) {
      case ERROR_DEVICE_REMOVED:
      case ERROR_BAD_COMMAND:
      case ERROR_ACCESS_DENIED:
      case ERROR_GEN_FAILURE:
      case ERROR_DEVICE_NOT_CONNECTED:
        desaparecido_ = true;
        break;
      default:
        break;
    }
  }

  Mutex_Puerto mutex_puerto_{"Mutex_Puerto"};
  HANDLE puerto_ = nullptr;
  bool desaparecido_ = false;
  DWORD errores_pendientes_ = 0;  // line errors seen by Leer_disponible
  Fallo_apertura fallo_ = Fallo_apertura::ninguno;
};

}  // namespace

std::unique_ptr<Backend_serie> Crear_backend_sistema() { return std::make_unique<Backend_win32>(); }

std::unique_ptr<Backend_serie> Crear_backend_sistema(const Directorio_puertos&) {
  return std::make_unique<Backend_win32>();
}

}  // namespace r27
