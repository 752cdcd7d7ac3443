# The main firmware HEX text: written at build time by a host generator and
# embedded through .incbin as r27::datos::firmware_hex().
set(r27_dir_firmware ${CMAKE_CURRENT_LIST_DIR})

# The generator's library also serves the HEX tests and benchmarks, which a cross
# build does not have.
if(NOT CMAKE_CROSSCOMPILING)
  add_library(r27_generador_firmware STATIC ${r27_dir_firmware}/generador_firmware.cpp)
  target_include_directories(r27_generador_firmware PUBLIC ${PROJECT_SOURCE_DIR})
  r27_warnings(r27_generador_firmware)
  # Optimised in every configuration: it runs on each build and must stay quick.
  target_compile_options(r27_generador_firmware PRIVATE -O2)
endif()

r27_generador(r27_generar_firmware FUENTES ${r27_dir_firmware}/generar_firmware.cpp
              BIBLIOTECAS r27_generador_firmware)

r27_generar_e_incrustar(r27_datos firmware_hex r27_generar_firmware
                        "Generating the main firmware HEX text" --salida)
