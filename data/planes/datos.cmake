# The five plan-area images (regional sets of channel plans: European, Asian, North
# American, Eastern European, Australian), one run of a host generator each,
# embedded as planes_0 .. planes_4.
r27_generador(r27_generar_planes FUENTES
  ${CMAKE_CURRENT_LIST_DIR}/generar_planes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/planes_terrestres.cpp
  ${CMAKE_CURRENT_LIST_DIR}/satelites.cpp)
foreach(conjunto 0 1 2 3 4)
  r27_generar_e_incrustar(r27_datos planes_${conjunto} r27_generar_planes
                          "Laying out channel-plan set ${conjunto}" ${conjunto})
endforeach()
