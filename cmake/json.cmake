# nlohmann json, header only (Debian's nlohmann-json3-dev), as the target r27_json.
# A native build uses its CMake package. A cross build must not put the host's
# /usr/include on its compiler's path (the host's C library headers would shadow
# MinGW's), so the nlohmann folder alone is copied into the build tree and that
# copy is the include folder.
if(TARGET r27_json)
  return()
endif()
add_library(r27_json INTERFACE)
if(CMAKE_CROSSCOMPILING)
  find_path(r27_json_origen nlohmann/json.hpp PATHS /usr/include NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH)
  if(NOT r27_json_origen)
    message(FATAL_ERROR "nlohmann/json.hpp not found: apt-get install nlohmann-json3-dev")
  endif()
  set(r27_json_copia ${CMAKE_BINARY_DIR}/terceros/include)
  file(COPY ${r27_json_origen}/nlohmann DESTINATION ${r27_json_copia})
  target_include_directories(r27_json SYSTEM INTERFACE ${r27_json_copia})
else()
  find_package(nlohmann_json 3.10 REQUIRED)
  target_link_libraries(r27_json INTERFACE nlohmann_json::nlohmann_json)
endif()
