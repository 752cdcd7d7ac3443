#!/usr/bin/env python3
"""Fails when a library includes a header of a library above it.

    comprobar_capas.py [--raiz DIR]

The libraries, lowest first: the embedded data; the serial link; the meter's
memory, bus and staging requests (components/memoria_medidor.*); flash; the other
components; factory; the window's logic (app/nucleo); then the command line
(app/linea), the Qt window (app/ventana) and the Windows window (app/win32),
which must not include each other.
A file belongs to a library by its path. A library may include its own headers
and those of the libraries below it, never those of the simulated meter, the
tests, the benchmarks or the tools. The simulated meter may include anything but
app/; the tests, benchmarks and tools may include anything.

Each include that breaks the order is printed as "file:line: ..." and the run
fails.
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import arbol_fuentes  # noqa: E402

# (path prefix, library, rank): the longest prefix that a path starts with wins.
LIBRERIAS = [
    ("data/", "r27_datos", 0),
    ("link/", "r27_link", 1),
    ("components/memoria_medidor.", "r27_peticiones_medidor", 2),
    ("flash/", "r27_flash", 3),
    ("components/", "r27_componentes", 4),
    ("factory/", "r27_fabrica", 5),
    ("app/nucleo/", "r27_nucleo", 6),
    ("app/linea/", "r27_linea", 7),
    ("app/ventana/", "r27_ventana", 7),
    ("app/win32/", "r27_win32", 7),
    ("app/", "app", 7),
]
# Above every library: no library includes them.
FUERA_DE_LAS_LIBRERIAS = ["sim/", "tests/", "bench/", "tools/"]
# What the simulated meter must not include.
PROHIBIDO_AL_SIMULADOR = "app/"


def libreria(ruta):
    """(library, rank) of a path, or None outside the libraries."""
    elegida = None
    for prefijo, nombre, rango in LIBRERIAS:
        if ruta.startswith(prefijo) and (elegida is None or len(prefijo) > len(elegida[0])):
            elegida = (prefijo, nombre, rango)
    return elegida[1:] if elegida else None


def falta(incluyente, incluido):
    """Why incluyente may not include incluido, or None when it may."""
    if incluyente.startswith("sim/"):
        if incluido.startswith(PROHIBIDO_AL_SIMULADOR):
            return "the simulated meter does not include the application"
        return None
    de = libreria(incluyente)
    if de is None:
        return None  # tests, benchmarks, tools
    a = libreria(incluido)
    if a is None:
        if any(incluido.startswith(p) for p in FUERA_DE_LAS_LIBRERIAS):
            return f"{de[0]} includes a header from outside the libraries"
        return None
    if a[0] == de[0] or a[1] < de[1]:
        return None
    if a[1] == de[1]:
        return f"{de[0]} and {a[0]} do not include each other"
    return f"{a[0]} sits above {de[0]}"


def faltas(arbol):
    """['file:line: "include" (why)'] for the whole tree."""
    lista = []
    for ruta in arbol.rutas:
        for numero, m in arbol_fuentes.includes(arbol.leer(ruta)):
            destino, _ = arbol.resolver(ruta, m.group(2))
            por_que = destino and falta(ruta, destino)
            if por_que:
                lista.append(f'{ruta}:{numero}: includes "{m.group(2)}" ({por_que})')
    return lista


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--raiz", default=os.path.join(os.path.dirname(__file__), ".."))
    a = p.parse_args()
    arbol = arbol_fuentes.Arbol(os.path.abspath(a.raiz))
    lista = faltas(arbol)
    for f in lista:
        print(f)
    if lista:
        print(f"{len(lista)} includes break the library order", file=sys.stderr)
        return 1
    print(f"library order kept: {len(arbol.rutas)} files")
    return 0


if __name__ == "__main__":
    sys.exit(main())
