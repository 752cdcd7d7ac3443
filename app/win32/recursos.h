#pragma once
// Identifiers of the Windows window's resources (recursos.rc.in).
#define R27_ICONO 1
// The pictures, at their design size; the same number plus kDoble_escala at twice it.
#define R27_IMAGEN_FONDO 10
#define R27_IMAGEN_BOTON_ASISTENTE 11
#define R27_IMAGEN_SALIR 12
#define R27_IMAGEN_ABOUT 13
#define R27_IMAGEN_CORRECTA 14
#define R27_IMAGEN_CANCELAR 15
#define R27_IMAGEN_ACCION0 20
#define R27_DOBLE_ESCALA 100
