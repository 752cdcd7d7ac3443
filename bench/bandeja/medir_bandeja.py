#!/usr/bin/env python3
"""Several meters at once against one alone, in the same run.

Starts N r27-sim meters paced at the line rate (--ritmo), each on its own
pseudo-terminal, and updates them with one `r27-actualizar --todos --si`; then
one meter alone the same way. Prints the wall time of each run, the ratio, and
the updater's CPU time per meter (user + system, from the child's rusage) as a
share of the run's wall time, and the longest wait of any port call for its
lock (from the wire traces, which end with it).

With --parado MS the last meter of the tray hangs after MS ms and stops reading
its line (r27-sim --parar-lectura): its writes stall and it fails; the others'
update times are compared with one meter alone.

    bench/bandeja/medir_bandeja.py BUILD [--medidores 4] [--veces 1] [--parado MS]
"""
import argparse
import glob
import json
import os
import re
import subprocess
import sys
import tempfile
import time

TIEMPOS = ["--t-reinicio", "1000", "--t-sector", "200", "--t-borrado-segmento", "20",
           "--t-programa-segmento", "40", "--t-mpeg4", "8"]


def Espera_cerrojo_us(trazas):
    """The longest lock wait the traces report, in microseconds."""
    peor = 0
    for t in trazas:
        with open(t, encoding="utf-8", errors="replace") as f:
            for m in re.finditer(r"espera mas larga (\d+) us", f.read()):
                peor = max(peor, int(m.group(1)))
    return peor


def una_ronda(build, n, carpeta, parado_ms=None):
    sims, mapa = [], []
    for i in range(n):
        enlace = os.path.join(carpeta, f"m{n}_{i}")
        extra = ["--parar-lectura", str(parado_ms)] if parado_ms is not None and i == n - 1 else []
        p = subprocess.Popen([os.path.join(build, "sim", "r27-sim"), "--enlace", enlace,
                              "--ritmo", *TIEMPOS, *extra], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, text=True)
        p.stdout.readline()  # the meter serves once it has printed its line
        sims.append(p)
        mapa.append(f"COM{3 + i}={enlace}")
    # The runs' records go to the round's folder, not the user's history.
    entorno = dict(os.environ, R27_PUERTOS=" ".join(mapa),
                   XDG_DATA_HOME=os.path.join(carpeta, "datos"))
    traza = os.path.join(carpeta, f"traza{n}.txt")
    for viejo in glob.glob(traza[:-4] + "*"):
        os.remove(viejo)
    inicio = time.monotonic()
    p = subprocess.Popen([os.path.join(build, "app", "linea", "r27-actualizar"), "--todos",
                          "--si", "--json", "--traza", traza],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         stdin=subprocess.DEVNULL, env=entorno, text=True)
    salida = p.stdout.read()
    _, estado, uso = os.wait4(p.pid, 0)
    pared = time.monotonic() - inicio
    for s in sims:
        s.terminate()
        s.wait()
    resumenes = json.loads(salida)
    if n == 1:
        resumenes = resumenes if isinstance(resumenes, list) else [resumenes]
    buenos = [r for r in resumenes if r.get("outcome") == "updated"]
    esperados = n - 1 if parado_ms is not None else n
    if len(buenos) != esperados or len(resumenes) != n:
        sys.exit(f"{n} meters: exit {os.waitstatus_to_exitcode(estado)}, "
                 f"{len(buenos)} of {len(resumenes)} updated")
    cpu = uso.ru_utime + uso.ru_stime
    espera = Espera_cerrojo_us(glob.glob(traza[:-4] + "*"))
    return pared, max(r["duration_s"] for r in buenos), cpu, espera


def main():
    a = argparse.ArgumentParser()
    a.add_argument("build")
    a.add_argument("--medidores", type=int, default=4)
    a.add_argument("--veces", type=int, default=1)
    a.add_argument("--parado", type=int, default=None, metavar="MS")
    o = a.parse_args()
    with tempfile.TemporaryDirectory() as carpeta:
        for _ in range(o.veces):
            solo = una_ronda(o.build, 1, carpeta)
            varios = una_ronda(o.build, o.medidores, carpeta, o.parado)
            print(f"1 meter:  {solo[0]:.1f} s wall, longest update {solo[1]:.1f} s, "
                  f"updater CPU {solo[2]:.2f} s ({100 * solo[2] / solo[0]:.2f} % of a core)")
            print(f"{o.medidores} meters: {varios[0]:.1f} s wall, longest update {varios[1]:.1f} s, "
                  f"updater CPU {varios[2]:.2f} s "
                  f"({100 * varios[2] / o.medidores / varios[0]:.2f} % of a core per meter)")
            if o.parado is None:
                print(f"ratio: {varios[0] / solo[0]:.4f}")
            else:
                print(f"one meter stopped reading after {o.parado} ms; the others' longest "
                      f"update over one meter alone: {varios[1] / solo[1]:.4f}")
            print(f"longest wait of a port call for its lock: {max(solo[3], varios[3])} us")


if __name__ == "__main__":
    main()
