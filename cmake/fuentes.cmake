# The .cpp files of a folder for the system being built: files ending in _posix
# or _win32 belong to one system, so protocol code never tests the system itself.
#
#   r27_fuentes_del_sistema(<variable> <carpeta>)
function(r27_fuentes_del_sistema variable carpeta)
  file(GLOB fuentes CONFIGURE_DEPENDS ${carpeta}/*.cpp)
  if(WIN32)
    list(FILTER fuentes EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER fuentes EXCLUDE REGEX "_win32\\.cpp$")
  endif()
  set(${variable} ${fuentes} PARENT_SCOPE)
endfunction()
