#pragma once
// Texts that leave the program as JSON or CSV must be UTF-8. A meter's texts
// (its family tag, its region) may hold any byte, so a byte that does not start
// a valid UTF-8 sequence is taken as Latin-1.
#include <string>
#include <string_view>

namespace r27 {

// `texto` with its valid UTF-8 sequences kept and every other byte turned into
// the UTF-8 form of the Latin-1 character it stands for.
std::string Texto_utf8(std::string_view texto);

}  // namespace r27
