#pragma once
// Bodies of the fuzz targets for the HEX readers and the start-up parse. Each runs
// its parser over arbitrary text and checks what must hold whatever the input;
// false means a broken invariant. libFuzzer drives them, and an ordinary test
// replays the checked-in corpus through them.
#include <span>

namespace r27::fuzz {

// Reads records until a code other than 0 or the end-of-file record.
bool Recorrer_registros(std::span<const char> texto);

// Runs Abrir_hex over the text as if it were the embedded image.
bool Abrir_texto(std::span<const char> texto);

}  // namespace r27::fuzz
