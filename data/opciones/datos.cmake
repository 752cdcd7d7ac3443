# The options block the factory dialog writes over bytes 16-47 of the meter's
# 50-byte block at 0x6000 (32 bytes): laid out by a host generator, embedded as
# opciones_fabrica.
r27_generador(r27_generar_opciones FUENTES ${CMAKE_CURRENT_LIST_DIR}/generar_opciones.cpp)
r27_generar_e_incrustar(r27_datos opciones_fabrica r27_generar_opciones
                        "Laying out the options block")
