#pragma once
// The three clocks every meter exchange uses: whole seconds for reply time-outs,
// a millisecond tick count for the write stall guard, and a millisecond sleep.
// The system clock serves the program; the virtual one serves tests, where a
// 1,020-second wait costs no real time.
#include <cstdint>

namespace r27 {

class Reloj {
 public:
  virtual ~Reloj() = default;
  // Local wall clock in whole seconds; only differences are used.
  virtual int64_t Segundos() = 0;
  // Millisecond tick count (wraps like GetTickCount; compare by difference).
  virtual uint32_t Ticks_ms() = 0;
  virtual void Dormir_ms(uint32_t ms) = 0;
  // Microseconds of a monotonic clock, for the wire trace's time stamps.
  virtual uint64_t Micros() { return uint64_t{Ticks_ms()} * 1000; }
};

class Reloj_sistema final : public Reloj {
 public:
  int64_t Segundos() override;
  uint32_t Ticks_ms() override;
  void Dormir_ms(uint32_t ms) override;
  uint64_t Micros() override;
};

// Virtual time in microseconds. Sleeping advances it; so do the in-memory port's
// reads (a read that finds nothing costs its read time-out). The start offset lets
// a test place "now" anywhere inside a wall-clock second.
class Reloj_virtual final : public Reloj {
 public:
  explicit Reloj_virtual(uint64_t inicio_us = 1'000'000'000'000ull) : ahora_us_(inicio_us) {}
  int64_t Segundos() override { return static_cast<int64_t>(ahora_us_ / 1'000'000); }
  uint32_t Ticks_ms() override { return static_cast<uint32_t>(ahora_us_ / 1000); }
  void Dormir_ms(uint32_t ms) override { ahora_us_ += uint64_t{ms} * 1000; }
  uint64_t Micros() override { return ahora_us_; }
  uint64_t Ahora_us() const { return ahora_us_; }
  void Avanzar_us(uint64_t us) { ahora_us_ += us; }
  void Avanzar_hasta_us(uint64_t t) {
    if (t > ahora_us_) ahora_us_ = t;
  }

 private:
  uint64_t ahora_us_;
};

}  // namespace r27
