# Embedding of binary data through the assembler's .incbin: a few MB assemble in
# a fraction of a second, where a generated array source would take many seconds.
#
#   r27_incrustar(<target> <nombre> <fichero>)
#
# adds the bytes of <fichero> to <target> and writes the header
# <incrustado/<nombre>.h> (on the target's include path) that declares
#   std::span<const uint8_t> r27::datos::<nombre>();
# <fichero> may be the output of a custom command of the same directory.
function(r27_incrustar target nombre fichero)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/incrustado)
  set(asm ${dir}/${nombre}.S)
  set(cab ${dir}/incrustado/${nombre}.h)
  file(MAKE_DIRECTORY ${dir}/incrustado)
  file(CONFIGURE OUTPUT ${asm} CONTENT [=[
#if defined(_WIN32)
    .section .rdata,"dr"
#else
    .section .rodata
#endif
    .global r27_dato_@nombre@
    .global r27_dato_@nombre@_fin
    .balign 16
r27_dato_@nombre@:
    .incbin "@fichero@"
r27_dato_@nombre@_fin:
    .byte 0
#if defined(__linux__)
    .section .note.GNU-stack,"",@progbits
#endif
]=] @ONLY)
  file(CONFIGURE OUTPUT ${cab} CONTENT [=[
#pragma once
// Generated: the embedded bytes of @nombre@.
#include <cstdint>
#include <span>

extern "C" const uint8_t r27_dato_@nombre@[];
extern "C" const uint8_t r27_dato_@nombre@_fin[];

namespace r27::datos {
inline std::span<const uint8_t> @nombre@() {
  return {r27_dato_@nombre@, static_cast<size_t>(r27_dato_@nombre@_fin - r27_dato_@nombre@)};
}
}  // namespace r27::datos
]=] @ONLY)
  set_source_files_properties(${asm} PROPERTIES OBJECT_DEPENDS ${fichero} LANGUAGE ASM)
  target_sources(${target} PRIVATE ${asm})
  target_include_directories(${target} PUBLIC ${dir})
endfunction()

# Runs the host program <generador> at build time to write <nombre>.bin (its last
# argument is the output path, after <argumentos...>) and embeds the result as
# r27::datos::<nombre>() in <target>.
#
#   r27_generar_e_incrustar(<target> <nombre> <generador> <comentario> [argumentos...])
function(r27_generar_e_incrustar target nombre generador comentario)
  set(salida ${CMAKE_CURRENT_BINARY_DIR}/generado/${nombre}.bin)
  add_custom_command(
    OUTPUT ${salida}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generado
    COMMAND ${generador} ${ARGN} ${salida}
    DEPENDS ${generador}
    COMMENT "${comentario}"
    VERBATIM)
  # Listed as a source too, so the generator runs before the target is assembled.
  target_sources(${target} PRIVATE ${salida})
  set_source_files_properties(${salida} PROPERTIES HEADER_FILE_ONLY ON)
  r27_incrustar(${target} ${nombre} ${salida})
endfunction()
