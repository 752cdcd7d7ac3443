# Embedding of binary data through the assembler's .incbin: a few MB assemble in
# a fraction of a second, where a generated array source would take many seconds.
#
#   r27_incrustar(<target> <nombre> <fichero> [LONGITUD <bytes>])
#
# adds the bytes of <fichero> (only its first <bytes> with LONGITUD) to <target>
# and writes the header <incrustado/<nombre>.h> (on the target's include path)
# that declares
#   std::span<const uint8_t> r27::datos::<nombre>();
# <fichero> may be the output of a custom command of the same directory.
function(r27_incrustar target nombre fichero)
  cmake_parse_arguments(PARSE_ARGV 3 arg "" "LONGITUD" "")
  set(incbin "\"${fichero}\"")
  if(DEFINED arg_LONGITUD)
    set(incbin "${incbin}, 0, ${arg_LONGITUD}")
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/incrustado)
  set(asm ${dir}/${nombre}.S)
  set(cab ${dir}/incrustado/${nombre}.h)
  file(MAKE_DIRECTORY ${dir}/incrustado)
  file(CONFIGURE OUTPUT ${asm} CONTENT [=[
/* C names carry the target's prefix in assembler (an underscore on 32-bit Windows). */
#define R27_UNIR2(a, b) a##b
#define R27_UNIR(a, b) R27_UNIR2(a, b)
#define R27_C(nombre) R27_UNIR(__USER_LABEL_PREFIX__, nombre)
#if defined(_WIN32)
    .section .rdata,"dr"
#else
    .section .rodata
#endif
    .global R27_C(r27_dato_@nombre@)
    .global R27_C(r27_dato_@nombre@_fin)
    .balign 16
R27_C(r27_dato_@nombre@):
    .incbin @incbin@
R27_C(r27_dato_@nombre@_fin):
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
    DEPENDS ${generador} $<TARGET_FILE:${generador}>
    COMMENT "${comentario}"
    VERBATIM)
  # Listed as a source too, so the generator runs before the target is assembled.
  target_sources(${target} PRIVATE ${salida})
  set_source_files_properties(${salida} PROPERTIES HEADER_FILE_ONLY ON)
  r27_incrustar(${target} ${nombre} ${salida})
endfunction()

# Declares a data generator: a program that runs on the build machine. A native
# build compiles it and lists it in <build>/generadores.cmake; a cross build (the
# Windows one) cannot run its own programs, so it imports the generators of a
# native build from that file (-DR27_GENERADORES=<native build>/generadores.cmake)
# and compiles none.
#
#   r27_generador(<nombre> [OPTIMIZADO] FUENTES <fuentes...> [BIBLIOTECAS <bibliotecas...>])
#
# OPTIMIZADO builds it with -O2 in every configuration, for generators that must
# stay quick because they run on each build.
function(r27_generador nombre)
  cmake_parse_arguments(PARSE_ARGV 1 arg "OPTIMIZADO" "" "FUENTES;BIBLIOTECAS")
  if(CMAKE_CROSSCOMPILING)
    if(NOT TARGET ${nombre})
      message(FATAL_ERROR "The generator ${nombre} is not in ${R27_GENERADORES}: "
                          "build the native tree's r27_generadores target again")
    endif()
    return()
  endif()
  add_executable(${nombre} ${arg_FUENTES})
  target_include_directories(${nombre} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${nombre} PRIVATE ${arg_BIBLIOTECAS})
  r27_warnings(${nombre})
  if(arg_OPTIMIZADO)
    target_compile_options(${nombre} PRIVATE -O2)
  endif()
  set_property(GLOBAL APPEND PROPERTY r27_generadores ${nombre})
endfunction()
