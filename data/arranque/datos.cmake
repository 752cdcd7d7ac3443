# The three loader programs for the meter's processor (32 + 144 + 1096 bytes, one
# after another): assembled by a host generator, embedded as imagenes_arranque.
set(r27_dir_arranque ${CMAKE_CURRENT_LIST_DIR})
add_executable(r27_generar_arranque ${r27_dir_arranque}/generar_arranque.cpp)
r27_warnings(r27_generar_arranque)
set(r27_imagenes_arranque ${CMAKE_CURRENT_BINARY_DIR}/arranque/imagenes_arranque.bin)
add_custom_command(
  OUTPUT ${r27_imagenes_arranque}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/arranque
  COMMAND r27_generar_arranque ${r27_imagenes_arranque}
  DEPENDS r27_generar_arranque
  COMMENT "Assembling the loader images"
  VERBATIM)
add_custom_target(r27_imagenes_arranque DEPENDS ${r27_imagenes_arranque})
add_dependencies(r27_datos r27_imagenes_arranque)
r27_incrustar(r27_datos imagenes_arranque ${r27_imagenes_arranque})
