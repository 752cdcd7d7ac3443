#!/usr/bin/env python3
"""Line and branch coverage of the updater's libraries, a row per folder.

Reads the gcov data a build compiled with --coverage left behind after its tests
ran (gcovr merges every test program's), and prints a Markdown table: folder,
lines %, branches % (branches of exceptions and unreachable ones left out).

    scripts/cobertura.py BUILD_FOLDER [BUILD_FOLDER ...]
"""
import json
import os
import subprocess
import sys
import tempfile

CARPETAS = ["link/", "flash/", "components/", "factory/", "app/nucleo/", "app/linea/"]


def Carpeta(fichero):
    for c in CARPETAS:
        if fichero.startswith(c):
            return c
    return None


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    raiz = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with tempfile.TemporaryDirectory() as tmp:
        resumen = os.path.join(tmp, "cobertura.json")
        orden = ["gcovr", "-r", raiz, "--exclude-unreachable-branches", "--exclude-throw-branches",
                 "--json-summary", resumen, "-j", "2"]
        for c in CARPETAS:
            orden += ["--filter", os.path.join(raiz, c)]
        orden += [os.path.abspath(b) for b in argv[1:]]
        subprocess.run(orden, check=True, stdout=subprocess.DEVNULL)
        with open(resumen) as f:
            datos = json.load(f)
    suma = {c: [0, 0, 0, 0] for c in CARPETAS}
    for f in datos["files"]:
        c = Carpeta(f["filename"])
        if c is None:
            continue
        s = suma[c]
        s[0] += f["line_covered"]
        s[1] += f["line_total"]
        s[2] += f["branch_covered"]
        s[3] += f["branch_total"]
    print("| Folder | Lines | Branches |")
    print("|---|---|---|")
    for c in CARPETAS:
        lc, lt, bc, bt = suma[c]
        lineas = f"{100 * lc / lt:.1f} % of {lt}" if lt else "no data"
        ramas = f"{100 * bc / bt:.1f} % of {bt}" if bt else "no data"
        print(f"| `{c}` | {lineas} | {ramas} |")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
