# The meter's four status pictures (150 x 75, RGB565): a host generator draws them
# and writes their tables (4 x 45,000 bytes), embedded as graficos_estado.
set(r27_dir_graficos ${CMAKE_CURRENT_LIST_DIR})
add_executable(r27_generar_graficos ${r27_dir_graficos}/generar_graficos.cpp)
r27_warnings(r27_generar_graficos)
set(r27_tablas_graficos ${CMAKE_CURRENT_BINARY_DIR}/graficos/graficos_estado.bin)
add_custom_command(
  OUTPUT ${r27_tablas_graficos}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/graficos
  COMMAND r27_generar_graficos ${r27_tablas_graficos}
  DEPENDS r27_generar_graficos
  COMMENT "Drawing the status pictures"
  VERBATIM)
add_custom_target(r27_graficos_estado DEPENDS ${r27_tablas_graficos})
add_dependencies(r27_datos r27_graficos_estado)
r27_incrustar(r27_datos graficos_estado ${r27_tablas_graficos})
