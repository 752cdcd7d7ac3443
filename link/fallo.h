#pragma once
// The failure value: why a request or a step gave up. It names the request,
// what it waited for and what came instead (other bytes, nothing, a write the
// port did not take, a cancel, no meter, the device gone), and, once a step has
// judged it, the result code the technician sees. A step keeps its first
// failure; the clean-up requests after it never overwrite it, so the reason
// shown always belongs to the code shown.
//
// `Resultado` is what a request or a step returns: success, or a failure. It
// converts to the plain true-on-success bool the operations have always had, and
// it may not be dropped unread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace r27 {

// What came instead of what was awaited.
enum class Llegada : uint8_t {
  nada,                 // the wait ran out
  bytes,                // other bytes came (named in `llegado`)
  cancelada,            // the wait was cancelled: the technician, or the run stopped
  escritura_fallida,    // the port did not take the request's bytes
  sin_conexion,         // no meter was connected for the request
  dispositivo_perdido,  // the device is gone (unplugged)
};

struct Fallo {
  int32_t codigo = 0;    // the result code given by the step; 0 while none
  std::string peticion;  // the request that gave up ("Bloque_vacio")
  std::string esperado;  // what it waited for ("0x70")
  Llegada llegada = Llegada::nada;
  std::string llegado;  // what came, as text ("0x41", "nada (tiempo agotado)")

  // "Bloque_vacio: esperaba 0x70, llego 0x41", the line the trace and the
  // command line print.
  std::string Texto() const;
  bool operator==(const Fallo&) const = default;
};

// The text `llegado` takes for a give-up without bytes.
std::string_view Texto_llegada(Llegada llegada);

class [[nodiscard]] Resultado {
 public:
  Resultado() = default;                                // success
  Resultado(Fallo fallo) : fallo_(std::move(fallo)) {}  // NOLINT: `return Fallo{...};`

  static Resultado Correcto() { return {}; }

  // True on success: the bool the operations return.
  explicit operator bool() const { return !fallo_.has_value(); }
  const std::optional<Fallo>& Motivo() const { return fallo_; }

  // Gives the failure its result code, unless it has one already (the code of
  // the first judgement stays). A success stays a success.
  Resultado& Con_codigo(int32_t codigo) {
    if (fallo_ && fallo_->codigo == 0) fallo_->codigo = codigo;
    return *this;
  }
  Resultado&& Con_codigo_(int32_t codigo) && { return std::move(Con_codigo(codigo)); }

 private:
  std::optional<Fallo> fallo_;
};

// The first failure of a step. A later one (a clean-up request's) is ignored.
class Primer_fallo {
 public:
  // Keeps the failure of `r`, if it failed and none is kept yet; returns whether `r` succeeded.
  bool Anotar(const Resultado& r) {
    if (r.Motivo() && !fallo_) fallo_ = *r.Motivo();
    return static_cast<bool>(r);
  }
  void Anotar(Fallo f) {
    if (!fallo_) fallo_ = std::move(f);
  }
  const std::optional<Fallo>& Motivo() const { return fallo_; }
  void Olvidar() { fallo_.reset(); }

 private:
  std::optional<Fallo> fallo_;
};

}  // namespace r27
