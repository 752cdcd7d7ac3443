#pragma once
// The three loader programs for the meter's processor: the bootstrap stub (32
// bytes), the first stage (144 bytes) and the second stage (1096 bytes). A
// session (a window, a command-line run) keeps one writable copy that all its
// programming objects share: the MPEG-4 entry patch writes into the second
// stage before the firmware step loads it, and the patch must stay for the
// session's later loads. Another session starts from the embedded bytes.
#include <array>
#include <cstdint>
#include <span>

namespace r27 {

class Imagenes_arranque {
 public:
  static constexpr size_t kBytes_arranque = 32;
  static constexpr size_t kBytes_primera_etapa = 144;
  static constexpr size_t kBytes_segunda_etapa = 1096;
  static constexpr size_t kBytes_total =
      kBytes_arranque + kBytes_primera_etapa + kBytes_segunda_etapa;
  // Where the second stage keeps its 24-bit jump target to the MPEG-4 entry.
  static constexpr size_t kPosicion_parche_mpeg4 = 257;

  // A copy of the embedded images.
  Imagenes_arranque();
  // The session's copy is shared by reference, never copied: a copy would lose
  // a later patch.
  Imagenes_arranque(const Imagenes_arranque&) = delete;
  Imagenes_arranque& operator=(const Imagenes_arranque&) = delete;

  std::span<const uint8_t> Arranque() const;       // image 1
  std::span<const uint8_t> Primera_etapa() const;  // image 2
  std::span<const uint8_t> Segunda_etapa() const;  // image 3
  // Image 3 for patching; the change is seen by every holder of this copy.
  std::span<uint8_t> Segunda_etapa_escribible();

 private:
  std::array<uint8_t, kBytes_total> datos_{};
};

// The embedded loader images, stored one after another (1272 bytes).
std::span<const uint8_t> Imagenes_arranque_incrustadas();

}  // namespace r27
