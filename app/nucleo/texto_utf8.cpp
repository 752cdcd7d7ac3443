// Any bytes as UTF-8.
#include "app/nucleo/texto_utf8.h"

#include <cstdint>

namespace r27 {

namespace {

// Length of the valid UTF-8 sequence at `i`, or 0 when it is not one.
size_t Secuencia_utf8(std::string_view t, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(t[k]); };
  const unsigned char c = b(i);
  size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > t.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

}  // namespace

std::string Texto_utf8(std::string_view t) {
  std::string r;
  r.reserve(t.size());
  for (size_t i = 0; i < t.size();) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (c < 0x80) {
      r += static_cast<char>(c);
      ++i;
      continue;
    }
    const size_t n = Secuencia_utf8(t, i);
    if (n > 0) {
      r.append(t.substr(i, n));
      i += n;
      continue;
    }
    // Latin-1 U+0080..U+00FF in two bytes.
    r += static_cast<char>(0xC0 | (c >> 6));
    r += static_cast<char>(0x80 | (c & 0x3F));
    ++i;
  }
  return r;
}

}  // namespace r27
