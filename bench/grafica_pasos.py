#!/usr/bin/env python3
"""The performance report's tables and plot from bench_rendimiento's output.

Reads the tab-separated lines bench_rendimiento writes (one per run of a
transfer, several runs per transfer), takes for each transfer the median of its
runs (the ratio to the reference is the median of each run's own ratio, a run and
its replay having seen the same load on the machine), and writes:

- a Markdown file with the table per transfer, the split of the whole update and,
  where the data has them, the turnarounds (an answer read to the next request
  written) of the updater beside the reference's;
- an SVG plot of the time of each step beside its wire-time bound (log scale),
  the updater's time over the reference's per step (median, min-max, the 1 %
  line) and the whole update's split as one stacked bar.

The SVG is written by hand: the machines have no plotting library.

    grafica_pasos.py DATOS.tsv --tabla TABLA.md --svg GRAFICA.svg [--antes ANTES.tsv]

With --antes, the table file ends with the transfers of both data files side by
side (the ratio to the reference and the updater's own work between requests),
to show what a change did.
"""
import argparse
import csv
import html
import math
import statistics
import sys

# The transfers in the order of an update, with the names the report gives them.
NOMBRES = [
    ("planes", "Channel plans (upload + sector write)"),
    ("teclado", "Keyboard exchange"),
    ("eeprom", "Zone: EEPROM frames"),
    ("fpga", "FPGA blocks (erase + 1,786 blocks)"),
    ("registros", "Firmware records"),
    ("grabacion", "Firmware burn"),
    ("mpeg4 etapa 1", "MPEG-4 stage 1"),
    ("mpeg4 etapa 2", "MPEG-4 stage 2"),
    ("completa/zona", "Whole update: zone step"),
    ("completa/fpga", "Whole update: FPGA step"),
    ("completa/firmware", "Whole update: firmware step"),
    ("completa/mpeg4", "Whole update: MPEG-4 step"),
    ("completa", "Whole update"),
]
TRANSFERENCIAS = ["planes", "teclado", "eeprom", "fpga", "registros", "grabacion",
                  "mpeg4 etapa 1", "mpeg4 etapa 2", "completa"]


def leer(ruta):
    filas = {}
    with open(ruta, newline="") as f:
        for fila in csv.DictReader(f, delimiter="\t"):
            if fila["paso"] == "paso":  # a header repeated by a later run
                continue
            filas.setdefault(fila["paso"], []).append(fila)
    return filas


def resumir(filas):
    """Median figures of one transfer's runs; the peak memory is the first run's
    (later runs of the same process also hold the earlier replays' buffers)."""
    def mediana(campo):
        return statistics.median(float(f[campo]) for f in filas)
    razones = [float(f["pared_s"]) / float(f["referencia_s"])
               for f in filas if float(f["referencia_s"]) > 0]
    return {
        "runs": len(filas),
        "baudios": int(filas[0]["baudios"]),
        "pared": mediana("pared_s"),
        "referencia": mediana("referencia_s"),
        "razon": statistics.median(razones) if razones else float("nan"),
        "razon_min": min(razones) if razones else float("nan"),
        "razon_max": max(razones) if razones else float("nan"),
        "cota": mediana("cota_cable_s"),
        "cpu": mediana("cpu_s"),
        "cuota": mediana("cuota_cpu"),
        "pico_mb": int(filas[0]["pico_kb"]) / 1024.0,
        "base_mb": int(filas[0]["base_kb"]) / 1024.0,
        "bytes": int(filas[0]["bytes"]),
        "medidor": mediana("medidor_s"),
        "esperas": mediana("esperas_s"),
        "cable": mediana("cable_s"),
        "resto": mediana("resto_s"),
        "agotadas": max(int(f["esperas_agotadas"]) for f in filas),
        "distintos": max(int(f["bytes_distintos"]) for f in filas),
        # Older data has no turnaround columns.
        "intercambios": int(filas[0].get("intercambios") or 0),
        "vuelta_us": mediana_por_intercambio(filas, "vuelta_s"),
        "vuelta_ref_us": mediana_por_intercambio(filas, "vuelta_referencia_s"),
        # Per run: the updater's own work between requests (its turnarounds less
        # the reference's), as seconds and as a share of the run's time, and the
        # rest of the run's difference to the reference (the waits for the meter).
        "propio": por_vez(filas, lambda f: float(f["vuelta_s"]) -
                          float(f["vuelta_referencia_s"])),
        "propio_cuota": por_vez(filas, lambda f: (float(f["vuelta_s"]) -
                                float(f["vuelta_referencia_s"])) / float(f["pared_s"])),
        "fuera": por_vez(filas, lambda f: float(f["pared_s"]) - float(f["referencia_s"]) -
                         float(f["vuelta_s"]) + float(f["vuelta_referencia_s"])),
    }


def por_vez(filas, valor):
    """(median, min, max) of `valor` over the runs that have turnarounds, or None."""
    v = [valor(f) for f in filas if int(f.get("intercambios") or 0) > 0]
    return (statistics.median(v), min(v), max(v)) if v else None


def mediana_por_intercambio(filas, campo):
    """Median over the runs of a summed turnaround per exchange, in µs."""
    valores = [1e6 * float(f[campo]) / int(f["intercambios"]) for f in filas
               if f.get(campo) and int(f.get("intercambios") or 0) > 0]
    return statistics.median(valores) if valores else None


def por_ciento(p):
    """A signed per cent with two decimals, without a "-0.00"."""
    return f"{0.0 if abs(p) < 0.005 else p:+.2f}"


def segundos(s):
    return f"{s:,.3f}" if s < 100 else f"{s:,.1f}"


def tabla(resumen, ruta):
    lineas = [
        "| Transfer | Rate (baud) | Runs | Time (s) | Reference (s) | Ratio to reference"
        " (min-max) | Wire bound (s) | Ratio to wire bound | CPU share of one core"
        " | Peak memory (MiB) |",
        "|---|---:|---:|---:|---:|---|---:|---:|---:|---:|",
    ]
    for clave, nombre in NOMBRES:
        if clave not in resumen:
            continue
        r = resumen[clave]
        lineas.append(
            f"| {nombre} | {r['baudios']:,} | {r['runs']} | {segundos(r['pared'])} |"
            f" {segundos(r['referencia'])} | {r['razon']:.3f} ({r['razon_min']:.3f}-"
            f"{r['razon_max']:.3f}) | {segundos(r['cota'])} | {r['pared'] / r['cota']:,.2f} |"
            f" {100 * r['cuota']:.2f} % | {r['pico_mb']:.1f} |")
    lineas += [
        "",
        "| Stretch | Total (s) | Meter's own work (s) | Prescribed waits (s) | Wire (s)"
        " | Rest: updater and system (s) | of which over the reference (s) |",
        "|---|---:|---:|---:|---:|---:|---:|",
    ]
    for clave, nombre in NOMBRES:
        if clave not in resumen:
            continue
        r = resumen[clave]
        lineas.append(
            f"| {nombre} | {segundos(r['pared'])} | {segundos(r['medidor'])} |"
            f" {segundos(r['esperas'])} | {segundos(r['cable'])} | {segundos(r['resto'])} |"
            f" {r['pared'] - r['referencia']:+.3f} |")
    con_vueltas = [(c, n) for c, n in NOMBRES
                   if c in resumen and resumen[c]["vuelta_us"] is not None]
    if con_vueltas:
        lineas += [
            "",
            "| Stretch | Exchanges | Turnaround, updater (µs) | Turnaround, reference (µs)"
            " | Updater's own work between requests (s) | Share of the time (min-max)"
            " | Rest of the difference: waits for the meter (s, min to max) |",
            "|---|---:|---:|---:|---:|---|---|",
        ]
        for clave, nombre in con_vueltas:
            r = resumen[clave]
            p, f = r["propio"], r["fuera"]
            c = r["propio_cuota"]
            lineas.append(
                f"| {nombre} | {r['intercambios']:,} | {r['vuelta_us']:.1f} |"
                f" {r['vuelta_ref_us']:.1f} | {p[0]:+.3f} | {100 * c[0]:.2f} %"
                f" ({100 * c[1]:.2f}-{100 * c[2]:.2f}) | {f[0]:+.3f} ({f[1]:+.3f} to"
                f" {f[2]:+.3f}) |")
    avisos = [f"{c}: {r['agotadas']} reference waits ran out, {r['distintos']} bytes differed"
              for c, r in resumen.items() if r["agotadas"] or r["distintos"]]
    if avisos:
        lineas += ["", "Replay warnings: " + "; ".join(avisos) + "."]
    with open(ruta, "w") as f:
        f.write("\n".join(lineas) + "\n")


def antes_y_despues(antes, despues, ruta):
    """Appends to `ruta` the transfers measured in both summaries."""
    def razon(r):
        return f"{r['razon']:.3f} ({r['razon_min']:.3f}-{r['razon_max']:.3f})"

    def propio(r):
        if r["vuelta_us"] is None:
            return "-", "-"
        c = r["propio_cuota"]
        return (f"{r['vuelta_us']:.1f} / {r['vuelta_ref_us']:.1f}",
                f"{100 * c[0]:.2f} % ({100 * c[1]:.2f}-{100 * c[2]:.2f})")

    lineas = [
        "",
        "| Transfer | Runs before / after | Ratio to reference before | after"
        " | Turnaround, updater / reference (µs) before | after"
        " | Updater's own work between requests before | after |",
        "|---|---|---|---|---|---|---|---|",
    ]
    for clave, nombre in NOMBRES:
        if clave not in antes or clave not in despues:
            continue
        a, d = antes[clave], despues[clave]
        va, ca = propio(a)
        vd, cd = propio(d)
        lineas.append(f"| {nombre} | {a['runs']} / {d['runs']} | {razon(a)} | {razon(d)} |"
                      f" {va} | {vd} | {ca} | {cd} |")
    with open(ruta, "a") as f:
        f.write("\n".join(lineas) + "\n")


def grafica(resumen, ruta):
    pasos = [(c, n) for c, n in NOMBRES if c in resumen and c in TRANSFERENCIAS]
    ancho, izquierda, derecha = 980, 300, 150
    alto_fila, arriba = 34, 60
    alto_barras = arriba + alto_fila * len(pasos) + 50
    fila_razon = 22
    alto_razones = 70 + fila_razon * len(pasos) + 40
    alto = alto_barras + alto_razones + (150 if "completa" in resumen else 0)
    valores = [v for c, _ in pasos for v in (resumen[c]["pared"], resumen[c]["cota"]) if v > 0]
    minimo = 10 ** math.floor(math.log10(min(valores)))
    maximo = 10 ** math.ceil(math.log10(max(valores)))

    def x(v):
        v = max(v, minimo)
        return izquierda + (ancho - izquierda - derecha) * (
            math.log10(v / minimo) / math.log10(maximo / minimo))

    s = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{ancho}" height="{alto}" '
         f'font-family="DejaVu Sans, sans-serif" font-size="12">',
         f'<rect width="{ancho}" height="{alto}" fill="white"/>',
         f'<text x="{ancho / 2}" y="22" text-anchor="middle" font-size="15">'
         'Time per step against the simulated meter paced at the line rate</text>',
         f'<rect x="{izquierda}" y="32" width="12" height="10" fill="#2b6cb0"/>'
         f'<text x="{izquierda + 16}" y="41">updater</text>',
         f'<rect x="{izquierda + 90}" y="32" width="12" height="10" fill="#a0aec0"/>'
         f'<text x="{izquierda + 106}" y="41">reference client</text>',
         f'<rect x="{izquierda + 230}" y="32" width="12" height="10" fill="#dd6b20"/>'
         f'<text x="{izquierda + 246}" y="41">wire-time bound</text>']
    decada = minimo
    while decada <= maximo * 1.0001:
        xd = x(decada)
        s.append(f'<line x1="{xd:.1f}" y1="{arriba - 6}" x2="{xd:.1f}" '
                 f'y2="{alto_barras - 40}" stroke="#e2e8f0"/>')
        etiqueta = f"{decada:g} s"
        s.append(f'<text x="{xd:.1f}" y="{alto_barras - 26}" text-anchor="middle" '
                 f'fill="#4a5568">{etiqueta}</text>')
        decada *= 10
    for i, (clave, nombre) in enumerate(pasos):
        r = resumen[clave]
        y = arriba + i * alto_fila
        s.append(f'<text x="{izquierda - 8}" y="{y + 16}" text-anchor="end">'
                 f'{html.escape(nombre)}</text>')
        for desplazamiento, valor, color, grueso in (
                (0, r["pared"], "#2b6cb0", 10), (11, r["referencia"], "#a0aec0", 5),
                (17, r["cota"], "#dd6b20", 10)):
            s.append(f'<rect x="{izquierda}" y="{y + desplazamiento}" '
                     f'width="{max(1.0, x(valor) - izquierda):.1f}" height="{grueso}" '
                     f'fill="{color}"/>')
        s.append(f'<text x="{x(r["pared"]) + 4:.1f}" y="{y + 9}" font-size="10" '
                 f'fill="#2b6cb0">{segundos(r["pared"])} s (x{r["razon"]:.3f} ref.)</text>')
        s.append(f'<text x="{x(r["cota"]) + 4:.1f}" y="{y + 26}" font-size="10" '
                 f'fill="#dd6b20">{segundos(r["cota"])} s</text>')
    # The updater's time over the reference's, in per cent, per step.
    y0 = alto_barras + 10
    s.append(f'<text x="{ancho / 2}" y="{y0}" text-anchor="middle" font-size="14">'
             'Updater over the reference client (median of the runs, min-max)</text>')
    s.append(f'<rect x="{izquierda}" y="{y0 + 8}" width="12" height="10" fill="#2b6cb0"/>'
             f'<text x="{izquierda + 16}" y="{y0 + 17}">whole time</text>'
             f'<path d="M {izquierda + 130} {y0 + 8} l 5 5 l -5 5 l -5 -5 z" fill="#dd6b20"/>'
             f'<text x="{izquierda + 141}" y="{y0 + 17}">the updater\'s own work between '
             'requests (its turnarounds less the reference\'s)</text>')
    # The axis spans the runs, within -5 % to +5 %: a run beyond is drawn to the
    # edge (an open whisker end) and its figure stays in the label.
    extremos = [100 * (resumen[c][k] - 1) for c, _ in pasos for k in ("razon_min", "razon_max")]
    limite = 5.0
    desde = max(-limite, min(-1.0, math.floor(min(extremos))))
    hasta = min(limite, max(3.0, math.ceil(max(extremos))))
    arriba_r = y0 + 40

    def xr(p):
        p = min(max(p, desde), hasta)
        return izquierda + (ancho - izquierda - derecha) * (p - desde) / (hasta - desde)

    abajo_r = arriba_r + fila_razon * len(pasos)
    marca = math.ceil(desde)
    while marca <= hasta:
        color = "#4a5568" if marca == 0 else "#e2e8f0"
        s.append(f'<line x1="{xr(marca):.1f}" y1="{arriba_r - 4}" x2="{xr(marca):.1f}" '
                 f'y2="{abajo_r}" stroke="{color}"/>')
        s.append(f'<text x="{xr(marca):.1f}" y="{abajo_r + 14}" text-anchor="middle" '
                 f'fill="#4a5568">{marca:+d} %</text>')
        marca += 1
    s.append(f'<line x1="{xr(1):.1f}" y1="{arriba_r - 4}" x2="{xr(1):.1f}" y2="{abajo_r}" '
             'stroke="#e53e3e" stroke-dasharray="4 3"/>')
    s.append(f'<text x="{xr(1) + 4:.1f}" y="{arriba_r - 6}" font-size="10" fill="#e53e3e">'
             '1 %</text>')
    for i, (clave, nombre) in enumerate(pasos):
        r = resumen[clave]
        y = arriba_r + i * fila_razon
        s.append(f'<text x="{izquierda - 8}" y="{y + 12}" text-anchor="end">'
                 f'{html.escape(nombre)}</text>')
        p, pmin, pmax = (100 * (r[k] - 1) for k in ("razon", "razon_min", "razon_max"))
        a, b = sorted((xr(0), xr(p)))
        s.append(f'<rect x="{a:.1f}" y="{y + 3}" width="{max(1.0, b - a):.1f}" height="12" '
                 'fill="#2b6cb0"/>')
        s.append(f'<line x1="{xr(pmin):.1f}" y1="{y + 9}" x2="{xr(pmax):.1f}" y2="{y + 9}" '
                 'stroke="#1a202c"/>')
        if r["propio_cuota"] is not None:
            xc = xr(100 * r["propio_cuota"][0])
            s.append(f'<path d="M {xc:.1f} {y + 3} l 6 6 l -6 6 l -6 -6 z" fill="#dd6b20"/>')
        for extremo in (pmin, pmax):
            if desde <= extremo <= hasta:
                s.append(f'<line x1="{xr(extremo):.1f}" y1="{y + 5}" x2="{xr(extremo):.1f}" '
                         f'y2="{y + 13}" stroke="#1a202c"/>')
        s.append(f'<text x="{xr(max(p, pmax)) + 6:.1f}" y="{y + 13}" font-size="10" '
                 f'fill="#2b6cb0">{por_ciento(p)} % ({por_ciento(pmin)} to {por_ciento(pmax)})'
                 '</text>')
    if "completa" in resumen:
        r = resumen["completa"]
        y = alto_barras + alto_razones + 10
        s.append(f'<text x="{ancho / 2}" y="{y}" text-anchor="middle" font-size="14">'
                 f'Where the whole update\'s {r["pared"]:,.0f} s went</text>')
        partes = [("meter's own work", r["medidor"], "#38a169"),
                  ("prescribed waits", r["esperas"], "#d69e2e"),
                  ("wire", r["cable"], "#dd6b20"),
                  ("rest: system latency and the updater", r["resto"], "#2b6cb0")]
        total = sum(max(0.0, v) for _, v, _ in partes)
        x0, largo = 40, ancho - 80
        for nombre, valor, color in partes:
            w = largo * max(0.0, valor) / total
            s.append(f'<rect x="{x0:.1f}" y="{y + 18}" width="{w:.1f}" height="34" '
                     f'fill="{color}"/>')
            x0 += w
        x0 = 40
        for j, (nombre, valor, color) in enumerate(partes):
            yy = y + 76 + 20 * (j // 2)
            xx = 40 + (ancho - 80) / 2 * (j % 2)
            s.append(f'<rect x="{xx}" y="{yy - 10}" width="12" height="10" fill="{color}"/>')
            s.append(f'<text x="{xx + 16}" y="{yy}">{html.escape(nombre)}: '
                     f'{valor:,.1f} s ({100 * valor / r["pared"]:.1f} %)</text>')
    s.append("</svg>")
    with open(ruta, "w") as f:
        f.write("\n".join(s) + "\n")


def main():
    a = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    a.add_argument("datos")
    a.add_argument("--tabla", required=True)
    a.add_argument("--svg", required=True)
    a.add_argument("--antes", help="data of the same bench before a change")
    o = a.parse_args()
    filas = leer(o.datos)
    if not filas:
        sys.exit(f"{o.datos}: no results")
    resumen = {paso: resumir(f) for paso, f in filas.items()}
    tabla(resumen, o.tabla)
    grafica(resumen, o.svg)
    if o.antes:
        filas_antes = leer(o.antes)
        antes_y_despues({paso: resumir(f) for paso, f in filas_antes.items()}, resumen, o.tabla)


if __name__ == "__main__":
    main()
