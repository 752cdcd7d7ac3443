# The three loader programs for the meter's processor (32 + 144 + 1096 bytes, one
# after another): assembled by a host generator, embedded as imagenes_arranque.
r27_generador(r27_generar_arranque FUENTES ${CMAKE_CURRENT_LIST_DIR}/generar_arranque.cpp)
r27_generar_e_incrustar(r27_datos imagenes_arranque r27_generar_arranque
                        "Assembling the loader images")
