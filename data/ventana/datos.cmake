# The window pictures are SVG sources. The Qt window carries them as Qt
# resources (app/ventana); the Windows window carries PNG renderings of them,
# made at build time by r27_svg_png with the same SVG renderer (Qt Svg), so a
# native build with Qt Svg provides the generator and a cross build imports it.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(Qt6 QUIET COMPONENTS Gui Svg)
  if(Qt6Svg_FOUND)
    r27_generador(r27_svg_png FUENTES ${CMAKE_CURRENT_LIST_DIR}/svg_png.cpp
                  BIBLIOTECAS Qt6::Gui Qt6::Svg)
  endif()
endif()
