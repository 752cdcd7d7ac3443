#!/usr/bin/env python3
"""Line and branch coverage of the updater's code, a row per folder.

Reads the gcov counts that the tests of a build configured with R27_COBERTURA=ON
left beside its objects (every test program, and every program the tests started,
adds its counts to the same files), and prints a Markdown table: folder, lines %,
branches % (branches of exceptions and unreachable ones left out), then the files
of a folder under the target with what they miss.

    scripts/cobertura.py [--lineas] BUILD [BUILD ...]

Each build's counts become a gcovr JSON tracefile (BUILD/cobertura.json); several
builds are merged with --add-tracefile. Merge only builds of the same flags: gcov
numbers a line's branches in the order the compiler made them, so the branches of
builds with other flags (a sanitizer adds its own checks) do not match.

--lineas also lists the line numbers each file leaves unrun.
"""
import json
import os
import subprocess
import sys

CARPETAS = ["link/", "flash/", "components/", "factory/", "app/nucleo/", "app/linea/"]
OBJETIVO_LINEAS = 95.0
OBJETIVO_RAMAS = 85.0


def Carpeta(fichero):
    for c in CARPETAS:
        if fichero.startswith(c):
            return c
    return None


def Porcentaje(cubiertos, total):
    return 100.0 * cubiertos / total if total else 100.0


def Traza_de_construccion(raiz, construccion):
    """gcovr over the objects of the measured folders of one build; its JSON tracefile."""
    traza = os.path.join(construccion, "cobertura.json")
    # A count gcov cannot read (a program killed while it wrote its counts) costs
    # that line a warning, not the table.
    orden = ["gcovr", "-r", raiz, "--exclude-unreachable-branches", "--exclude-throw-branches",
             "--gcov-ignore-parse-errors", "--json", traza, "-j", str(os.cpu_count() or 2)]
    for c in CARPETAS:
        orden += ["--filter", os.path.join(raiz, c)]
    # Only the measured folders' objects hold counts of their code; the tests' and
    # the simulated meter's would only be read and filtered out.
    orden += [d for d in (os.path.join(construccion, c) for c in CARPETAS) if os.path.isdir(d)]
    subprocess.run(orden, check=True, stdout=subprocess.DEVNULL)
    return traza


def Unir(raiz, trazas):
    if len(trazas) == 1:
        with open(trazas[0]) as f:
            return json.load(f)
    unida = os.path.join(os.path.dirname(trazas[0]), "cobertura_unida.json")
    orden = ["gcovr", "-r", raiz, "--json", unida]
    for t in trazas:
        orden += ["--add-tracefile", t]
    subprocess.run(orden, check=True, stdout=subprocess.DEVNULL)
    with open(unida) as f:
        return json.load(f)


def Cifras(fichero):
    """Lines run, lines, branches taken, branches, and the numbers of the unrun lines."""
    lc = lt = bc = bt = 0
    sin_ejecutar = []
    for linea in fichero["lines"]:
        if linea.get("gcovr/noncode") or linea.get("gcovr/excluded"):
            continue
        lt += 1
        if linea["count"] > 0:
            lc += 1
        else:
            sin_ejecutar.append(linea["line_number"])
        for rama in linea["branches"]:
            bt += 1
            bc += rama["count"] > 0
    return lc, lt, bc, bt, sin_ejecutar


def Rangos(numeros):
    partes = []
    for n in numeros:
        if partes and partes[-1][1] == n - 1:
            partes[-1][1] = n
        else:
            partes.append([n, n])
    return ",".join(str(a) if a == b else f"{a}-{b}" for a, b in partes)


def main(argv):
    lineas = "--lineas" in argv
    construcciones = [a for a in argv[1:] if a != "--lineas"]
    if not construcciones:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    raiz = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    trazas = [Traza_de_construccion(raiz, os.path.abspath(b)) for b in construcciones]
    datos = Unir(raiz, trazas)

    suma = {c: [0, 0, 0, 0] for c in CARPETAS}
    por_fichero = {c: [] for c in CARPETAS}
    for f in datos["files"]:
        c = Carpeta(f["file"])
        if c is None:
            continue
        cifras = Cifras(f)
        for i in range(4):
            suma[c][i] += cifras[i]
        por_fichero[c].append((f["file"], cifras))

    print("| Folder | Lines | Branches |")
    print("|---|---|---|")
    for c in CARPETAS:
        lc, lt, bc, bt = suma[c]
        texto_l = f"{Porcentaje(lc, lt):.1f} % of {lt}" if lt else "no data"
        texto_b = f"{Porcentaje(bc, bt):.1f} % of {bt}" if bt else "no data"
        print(f"| `{c}` | {texto_l} | {texto_b} |")

    # Where a folder under the target loses: its files under it, worst first.
    faltas = []
    for c in CARPETAS:
        lc, lt, bc, bt = suma[c]
        if lt and Porcentaje(lc, lt) >= OBJETIVO_LINEAS and Porcentaje(bc, bt) >= OBJETIVO_RAMAS:
            continue
        for nombre, (flc, flt, fbc, fbt, sin) in sorted(por_fichero[c],
                                                       key=lambda x: (x[1][0] - x[1][1]) * 3 + x[1][2] - x[1][3]):
            if Porcentaje(flc, flt) >= OBJETIVO_LINEAS and Porcentaje(fbc, fbt) >= OBJETIVO_RAMAS:
                continue
            texto = (f"  {nombre}: lines {flc}/{flt}, branches {fbc}/{fbt}")
            if lineas and sin:
                texto += f"; unrun lines {Rangos(sin)}"
            faltas.append(texto)
    if faltas:
        print(f"\nFiles under the target ({OBJETIVO_LINEAS:.0f} % lines, "
              f"{OBJETIVO_RAMAS:.0f} % branches) in folders under it:")
        print("\n".join(faltas))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
