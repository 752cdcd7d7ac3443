#!/usr/bin/env python3
"""Writes every quoted include of a header of the tree as its path from the
repository root: "puerto_serie.h" becomes "link/puerto_serie.h", "actualizacion.h"
"app/nucleo/actualizacion.h". The libraries put only the root (and the folders of
generated headers) on the include path, so an include names its folder.

    incluir_por_carpeta.py [--raiz DIR] [--comprobar] [--sin-formato]

Running it again changes nothing. Generated headers ("incrustado/...") and system
headers are left as they are. A bare name that stands in two folders and is not
beside the including file cannot be told apart: it is left as it is and reported,
and the run fails. The files it changes are formatted with clang-format (their
includes sort again) unless --sin-formato is given.

--comprobar changes nothing: it lists the includes still to rewrite and fails if
there are any.
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import arbol_fuentes  # noqa: E402


def reescribir(arbol, ruta):
    """(new text, [(line, old, new)], [(line, include, candidates)]) for one file."""
    texto = arbol.leer(ruta)
    cambios, ambiguos, lineas = [], [], texto.splitlines(keepends=True)
    for numero, m in arbol_fuentes.includes(texto):
        incluido = m.group(2)
        destino, candidatos = arbol.resolver(ruta, incluido)
        if destino is None:
            if candidatos:
                ambiguos.append((numero, incluido, candidatos))
            continue
        if destino == incluido:
            continue
        linea = lineas[numero - 1]
        fin = linea[len(linea.rstrip("\r\n")):]
        lineas[numero - 1] = f'{m.group(1)}"{destino}"{m.group(3)}{fin}'
        cambios.append((numero, incluido, destino))
    return "".join(lineas), cambios, ambiguos


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--raiz", default=os.path.join(os.path.dirname(__file__), ".."))
    p.add_argument("--comprobar", action="store_true",
                   help="change nothing; fail if an include is still to rewrite")
    p.add_argument("--sin-formato", action="store_true",
                   help="do not run clang-format on the files changed")
    a = p.parse_args()
    raiz = os.path.abspath(a.raiz)
    arbol = arbol_fuentes.Arbol(raiz)

    for nombre, rutas in arbol.nombres_repetidos().items():
        print(f"same name in two folders: {nombre}: {', '.join(rutas)}", file=sys.stderr)

    cambiados, pendientes, fallos = [], 0, 0
    for ruta in arbol.rutas:
        texto, cambios, ambiguos = reescribir(arbol, ruta)
        for numero, incluido, candidatos in ambiguos:
            print(f'{ruta}:{numero}: "{incluido}" could be any of {", ".join(candidatos)}: '
                  "left as it is; write its folder", file=sys.stderr)
            fallos += 1
        if not cambios:
            continue
        pendientes += len(cambios)
        if a.comprobar:
            for numero, incluido, destino in cambios:
                print(f'{ruta}:{numero}: "{incluido}" is included as "{destino}"')
            continue
        with open(os.path.join(raiz, ruta), "w", encoding="utf-8", newline="") as f:
            f.write(texto)
        cambiados.append(ruta)

    if cambiados and not a.sin_formato:
        formato = shutil.which("clang-format")
        if formato:
            subprocess.run([formato, "-i", *cambiados], cwd=raiz, check=True)
        else:
            print("clang-format not found: the changed files are not formatted", file=sys.stderr)

    if a.comprobar:
        print(f"{pendientes} includes to write by folder, {fallos} ambiguous")
        return 1 if pendientes or fallos else 0
    print(f"{pendientes} includes written by folder in {len(cambiados)} files, "
          f"{fallos} ambiguous")
    return 1 if fallos else 0


if __name__ == "__main__":
    sys.exit(main())
