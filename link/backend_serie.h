#pragma once
// What Puerto_serie needs from the operating system. One backend per system
// (termios on Linux, Win32 on Windows) plus the in-memory one that the tests wire
// to the simulated meter. Errors are mapped to these plain results in the backend.
#include <cstdint>
#include <memory>
#include <string>

#include "link/dcb_linea.h"
#include "link/directorio_puertos.h"

namespace r27 {

struct Estado_cola {
  bool error_linea = false;      // the driver reports a line error (ClearCommError mask != 0)
  uint32_t bytes_en_salida = 0;  // bytes still in the transmit queue (cbOutQue)
};

// Why the last Abrir failed, for a message that names the fix.
enum class Fallo_apertura {
  ninguno,      // the last Abrir succeeded (or none was tried)
  no_existe,    // no such port
  sin_permiso,  // the device exists but this user may not open it
  ocupado,      // another program holds the port
  no_es_serie,  // the path is not a serial device
  otro,
};

class Backend_serie {
 public:
  virtual ~Backend_serie() = default;
  // Opens COM port `numero` and applies the settings: raw bytes, DTR per the record,
  // RTS low, reads that return after at most 2n+2 ms with what has arrived.
  // Returns false (and stays closed) when the port does not exist or is not a
  // serial device.
  virtual bool Abrir(int numero, const DCB_linea& linea) = 0;
  virtual void Cerrar() = 0;
  virtual bool Esta_abierto() const = 0;
  // Writes up to n bytes; returns how many the driver took (0 on failure).
  virtual uint32_t Escribir(const uint8_t* datos, uint32_t n) = 0;
  // Reads up to n bytes, waiting at most 2n+2 ms; returns how many arrived.
  virtual uint32_t Leer(uint8_t* destino, uint32_t n) = 0;
  // Reads up to n bytes that have already arrived, without waiting. A backend that
  // cannot tell falls back to Leer (and its time-out).
  virtual uint32_t Leer_disponible(uint8_t* destino, uint32_t n) { return Leer(destino, n); }
  // Waits, without reading, until input is waiting or for as long as a read of n
  // bytes waits for its first one; false when nothing came in that time. The port
  // waits here before it takes its lock, so the lock is not held while a read
  // times out. A backend that cannot wait apart from reading answers true at once
  // and leaves the wait to Leer.
  virtual bool Esperar_entrada(uint32_t n) {
    (void)n;
    return true;
  }
  // True when the backend can tell, without reading and without the port's lock,
  // that no byte is waiting; false when bytes wait or when it cannot tell (the
  // port then reads as usual). The drain before every request and a read whose
  // time-out has passed ask this first, so an empty input costs one query.
  virtual bool Sin_entrada() { return false; }
  // Transmit-queue level and line-error state; false when the query itself fails.
  virtual bool Consultar_cola(Estado_cola& estado) = 0;
  virtual void Purgar(bool recepcion, bool transmision) = 0;
  virtual void Fijar_rts(bool activo) = 0;
  // True once the device behind the open port is gone (unplugged): a hang-up or a
  // removal error on it. Closing the port clears it. Backends that cannot tell
  // say false, and an unplug then looks like silence.
  virtual bool Desaparecido() const { return false; }
  // Why the last Abrir failed; backends that cannot tell say `otro`.
  virtual Fallo_apertura Ultimo_fallo_apertura() const { return Fallo_apertura::otro; }
  // The name of the device COM port `numero` leads to, the same through every
  // path to it and through the meter's restarts; the port's lock is named after
  // it. Empty when the backend cannot name it (the lock is then the one shared
  // by every such port).
  virtual std::string Dispositivo(int numero) const {
    (void)numero;
    return {};
  }
};

// The backend of the system the program runs on (termios on Linux, Win32 on
// Windows), opening COM numbers through the system's port directory.
std::unique_ptr<Backend_serie> Crear_backend_sistema();
// The same, opening COM numbers through `directorio` (which must outlive it). On
// Windows a COM number is its own device and the directory is not asked.
std::unique_ptr<Backend_serie> Crear_backend_sistema(const Directorio_puertos& directorio);

}  // namespace r27
