#!/usr/bin/env python3
"""Several meters at once against one alone, in the same run.

Starts N r27-sim meters paced at the line rate (--ritmo), each on its own
pseudo-terminal, and updates them with one `r27-actualizar --todos --si`; then
one meter alone the same way. Prints the wall time of each run, the ratio, and
the updater's CPU time per meter (user + system, from the child's rusage) as a
share of the run's wall time.

    bench/bandeja/medir_bandeja.py BUILD [--medidores 4] [--veces 1]
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

TIEMPOS = ["--t-reinicio", "1000", "--t-sector", "200", "--t-borrado-segmento", "20",
           "--t-programa-segmento", "40", "--t-mpeg4", "8"]


def una_ronda(build, n, carpeta):
    sims, mapa = [], []
    for i in range(n):
        enlace = os.path.join(carpeta, f"m{n}_{i}")
        p = subprocess.Popen([os.path.join(build, "sim", "r27-sim"), "--enlace", enlace,
                              "--ritmo", *TIEMPOS], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
        p.stdout.readline()  # the meter serves once it has printed its line
        sims.append(p)
        mapa.append(f"COM{3 + i}={enlace}")
    # The runs' records go to the round's folder, not the user's history.
    entorno = dict(os.environ, R27_PUERTOS=" ".join(mapa),
                   XDG_DATA_HOME=os.path.join(carpeta, "datos"))
    inicio = time.monotonic()
    p = subprocess.Popen([os.path.join(build, "app", "linea", "r27-actualizar"), "--todos",
                          "--si", "--json"], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         stdin=subprocess.DEVNULL, env=entorno, text=True)
    salida = p.stdout.read()
    _, estado, uso = os.wait4(p.pid, 0)
    pared = time.monotonic() - inicio
    for s in sims:
        s.terminate()
        s.wait()
    resumenes = json.loads(salida)
    if os.waitstatus_to_exitcode(estado) != 0 or len(resumenes) != n:
        sys.exit(f"{n} meters: exit {os.waitstatus_to_exitcode(estado)}, {len(resumenes)} results")
    cpu = uso.ru_utime + uso.ru_stime
    return pared, max(r["duration_s"] for r in resumenes), cpu


def main():
    a = argparse.ArgumentParser()
    a.add_argument("build")
    a.add_argument("--medidores", type=int, default=4)
    a.add_argument("--veces", type=int, default=1)
    o = a.parse_args()
    with tempfile.TemporaryDirectory() as carpeta:
        for _ in range(o.veces):
            solo = una_ronda(o.build, 1, carpeta)
            varios = una_ronda(o.build, o.medidores, carpeta)
            print(f"1 meter:  {solo[0]:.1f} s wall, longest update {solo[1]:.1f} s, "
                  f"updater CPU {solo[2]:.2f} s ({100 * solo[2] / solo[0]:.2f} % of a core)")
            print(f"{o.medidores} meters: {varios[0]:.1f} s wall, longest update {varios[1]:.1f} s, "
                  f"updater CPU {varios[2]:.2f} s "
                  f"({100 * varios[2] / o.medidores / varios[0]:.2f} % of a core per meter)")
            print(f"ratio: {varios[0] / solo[0]:.4f}")


if __name__ == "__main__":
    main()
