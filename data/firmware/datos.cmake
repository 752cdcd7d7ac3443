# The main firmware HEX text: written at build time by a host generator and
# embedded through .incbin as r27::datos::firmware_hex().
set(r27_dir_firmware ${CMAKE_CURRENT_LIST_DIR})

add_library(r27_generador_firmware STATIC ${r27_dir_firmware}/generador_firmware.cpp)
target_include_directories(r27_generador_firmware PUBLIC ${r27_dir_firmware})
r27_warnings(r27_generador_firmware)
# Optimised in every configuration: it runs on each build and must stay quick.
target_compile_options(r27_generador_firmware PRIVATE -O2)

add_executable(r27_generar_firmware ${r27_dir_firmware}/generar_firmware.cpp)
target_link_libraries(r27_generar_firmware PRIVATE r27_generador_firmware)
r27_warnings(r27_generar_firmware)

set(r27_firmware_hex ${CMAKE_CURRENT_BINARY_DIR}/firmware/firmware.hex)
add_custom_command(
  OUTPUT ${r27_firmware_hex}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/firmware
  COMMAND r27_generar_firmware --salida ${r27_firmware_hex}
  DEPENDS r27_generar_firmware
  COMMENT "Generating the main firmware HEX text"
  VERBATIM)
# Listed as a source too, so the generator runs before r27_datos is assembled.
target_sources(r27_datos PRIVATE ${r27_firmware_hex})
set_source_files_properties(${r27_firmware_hex} PROPERTIES HEADER_FILE_ONLY ON)
r27_incrustar(r27_datos firmware_hex ${r27_firmware_hex})
