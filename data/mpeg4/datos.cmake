# The MPEG-4 module's application image (3,043,156 bytes, "RDHB" "mpeg4_app" header)
# and its stage-2 program (21,676 bytes): one host generator writes both, embedded
# as mpeg4_aplicacion and mpeg4_etapa2.
# Optimised in every configuration: it runs on each build and must stay quick.
r27_generador(r27_generar_mpeg4 OPTIMIZADO FUENTES ${CMAKE_CURRENT_LIST_DIR}/generar_mpeg4.cpp)
r27_generar_e_incrustar(r27_datos mpeg4_aplicacion r27_generar_mpeg4
                        "Building the MPEG-4 module application" --aplicacion)
r27_generar_e_incrustar(r27_datos mpeg4_etapa2 r27_generar_mpeg4
                        "Building the MPEG-4 stage-2 program" --etapa2)
