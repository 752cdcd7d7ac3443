# The five FPGA configurations (bitstreams of 92,314, 92,536, 90,297, 81,842 and
# 89,133 bytes, one after another): written by a host generator, embedded as
# configuraciones_fpga and cut by the sizes in conjunto_fpga.h.
# Optimised in every configuration: it runs on each build and must stay quick.
r27_generador(r27_generar_fpga OPTIMIZADO FUENTES ${CMAKE_CURRENT_LIST_DIR}/generar_fpga.cpp)
r27_generar_e_incrustar(r27_datos configuraciones_fpga r27_generar_fpga
                        "Writing the FPGA configurations")
