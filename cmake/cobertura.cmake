# Coverage of the updater's own code (R27_COBERTURA): its libraries and the
# command-line program compile with --coverage and without optimisation, so a
# line and a branch are the source's own (an optimised build counts the loops of
# inlined library templates as branches of the line that calls them). The
# simulated meter, the window and the tests keep the build type's flags; every
# program links the coverage runtime, since each one runs instrumented code.
#
#   r27_cobertura_antes()     before the targets: every link takes --coverage
#   r27_cobertura_despues()   after them: the measured targets compile with it
#
# scripts/cobertura.py reads the counts the runs leave beside the objects.
set(r27_objetivos_medidos r27_link r27_flash r27_peticiones_medidor r27_componentes r27_fabrica
                          r27_nucleo r27_linea r27-actualizar)

macro(r27_cobertura_antes)
  if(R27_COBERTURA)
    # __gcov_dump kept in every program: a test's forked child, which ends with
    # _exit, writes its counts through it.
    add_link_options(--coverage -Wl,-u,__gcov_dump)
  endif()
endmacro()

function(r27_cobertura_despues)
  if(NOT R27_COBERTURA)
    return()
  endif()
  foreach(objetivo ${r27_objetivos_medidos})
    get_target_property(tipo ${objetivo} TYPE)
    if(NOT tipo STREQUAL "INTERFACE_LIBRARY")
      # Atomic counts: the tray updates several meters at once in threads of
      # one program, and plain counts lost in a race leave gcov arcs it cannot read.
      target_compile_options(${objetivo} PRIVATE -O0 --coverage -fprofile-update=atomic)
    endif()
  endforeach()
endfunction()
