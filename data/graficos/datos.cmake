# The meter's four status pictures (150 x 75, RGB565): a host generator draws them
# and writes their tables (4 x 45,000 bytes), embedded as graficos_estado.
r27_generador(r27_generar_graficos FUENTES ${CMAKE_CURRENT_LIST_DIR}/generar_graficos.cpp)
r27_generar_e_incrustar(r27_datos graficos_estado r27_generar_graficos
                        "Drawing the status pictures")
