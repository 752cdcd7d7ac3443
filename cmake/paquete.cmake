# Installing on Linux, and the Debian package built from the same rules:
#
#   cmake --install <build> [--prefix /usr]     or, in <build>:  cpack
#
#   bin/r27-update, bin/r27-actualizar      the window and the command line
#   bin/r27-puertos                         the machine's COM numbering
#   share/r27/idiomas.ini                   the language file; the programs read it
#                                           from ../share/r27 beside their own folder
#                                           when the working directory has none
#   share/man/man1/r27-actualizar.1.gz      the command line's manual page, made by
#                                           help2man from its --help and --version
#   share/bash-completion/completions/r27-actualizar
#                                           its options and the COM names, on Tab
#   share/applications/r27-update.desktop   the menu entry, with its icon in
#   share/icons/hicolor/scalable/apps/
#   lib/udev/rules.d/60-r27-medidor.rules   the dialout group may open USB serial
#                                           devices (ModemManager keeps them: a
#                                           laptop's modem is one)
#
# The package installs under /usr, where udev reads the rule; its postinst reloads
# the rules where udev runs.

# Relative to bin/, these must stay where the programs look (Carpeta_datos_instalados).
set(r27_destino_programas bin)
set(r27_destino_datos share/r27)

foreach(r27_programa r27-update r27-actualizar r27-puertos)
  if(TARGET ${r27_programa})
    install(TARGETS ${r27_programa} RUNTIME DESTINATION ${r27_destino_programas})
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/idiomas.ini DESTINATION ${r27_destino_datos})

# The manual page of r27-actualizar: help2man runs the built program for its
# --help, in English, and adds the sections of the .h2m file. The version is
# given, not read from --version, whose second line (the embedded firmware) would
# land below the exit codes; --help names the firmware beside --version. A
# cross build cannot run the program; a machine without help2man goes without.
find_program(R27_HELP2MAN help2man)
if(TARGET r27-actualizar AND R27_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
  set(r27_manual ${CMAKE_BINARY_DIR}/paquete/r27-actualizar.1)
  set(r27_incluir_manual ${PROJECT_SOURCE_DIR}/paquete/linux/r27-actualizar.h2m)
  add_custom_command(OUTPUT ${r27_manual}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/paquete
    COMMAND ${R27_HELP2MAN} --no-info --section=1
            "--name=update the firmware of R27 signal meters over their USB serial port"
            "--help-option=--idioma EN --help" "--version-string=${PROJECT_VERSION}"
            --include=${r27_incluir_manual} --output=${r27_manual} $<TARGET_FILE:r27-actualizar>
    COMMAND gzip -9nf ${r27_manual}
    DEPENDS r27-actualizar ${r27_incluir_manual}
    COMMENT "Manual page of r27-actualizar (help2man)"
    VERBATIM)
  add_custom_target(r27-manual ALL DEPENDS ${r27_manual}.gz)
  install(FILES ${r27_manual}.gz DESTINATION share/man/man1)
elseif(TARGET r27-actualizar AND NOT CMAKE_CROSSCOMPILING)
  message(STATUS "help2man not found: r27-actualizar is installed without its manual page")
endif()
if(TARGET r27-actualizar)
  install(FILES ${PROJECT_SOURCE_DIR}/paquete/linux/r27-actualizar.bash-completion
          DESTINATION share/bash-completion/completions RENAME r27-actualizar)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/paquete/linux/r27-update.desktop
        DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/paquete/linux/r27-update.svg
        DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/paquete/linux/60-r27-medidor.rules
        DESTINATION lib/udev/rules.d)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME r27-actualizador)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "R27 updater maintainers")
set(CPACK_PACKAGE_CONTACT "R27 updater maintainers <maintainers@users.noreply.c-seed-1da5f25f.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Firmware updater for R27 TV and satellite signal meters")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Firmware updater for R27 TV and satellite signal meters\n\
 Finds an R27 signal meter on its USB serial port, reads what it holds and\n\
 rewrites its firmware, FPGA set, zone configuration and MPEG-4 module.\n\
 Includes the window program r27-update, the command line r27-actualizar with\n\
 its manual page and bash completion, r27-puertos, and a udev rule that lets\n\
 the dialout group open USB serial devices.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The shared libraries the programs link (Qt, the C++ runtime) become the
# dependencies; Qt draws no text without a font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/paquete/linux/postinst ${PROJECT_SOURCE_DIR}/paquete/linux/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
