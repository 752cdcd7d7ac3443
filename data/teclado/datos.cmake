# The keyboard microcontroller's firmware as Intel HEX text (36,301 characters):
# a host generator writes it, embedded as teclado_hex. Its programming vectors are
# a header of their own (vectores_teclado.h), also read by the simulated meter,
# whose copy of the tables is the same data.
r27_generador(r27_generar_teclado FUENTES ${CMAKE_CURRENT_LIST_DIR}/generar_teclado.cpp)
r27_generar_e_incrustar(r27_datos teclado_hex r27_generar_teclado
                        "Writing the keyboard microcontroller's HEX text")

add_library(r27_vectores_teclado INTERFACE)
target_include_directories(r27_vectores_teclado INTERFACE ${PROJECT_SOURCE_DIR})
target_link_libraries(r27_datos PUBLIC r27_vectores_teclado)
