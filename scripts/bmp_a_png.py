#!/usr/bin/env python3
"""Converts the Windows window's pictures (24-bit BMP) to PNG.

    bmp_a_png.py FILE.bmp... [--borrar]

Each FILE.bmp becomes FILE.png beside it; --borrar removes the BMP afterwards.
Only uncompressed 24- and 32-bit BMP files are read (what the window writes).
"""
import struct
import sys
import zlib


def leer_bmp(ruta):
    datos = open(ruta, "rb").read()
    if datos[:2] != b"BM":
        raise ValueError(f"{ruta}: not a BMP file")
    inicio = struct.unpack_from("<I", datos, 10)[0]
    ancho, alto, _, bits, compresion = struct.unpack_from("<iiHHI", datos, 18)
    if bits not in (24, 32) or compresion not in (0, 3):
        raise ValueError(f"{ruta}: {bits}-bit BMP with compression {compresion} is not read")
    paso = bits // 8
    fila = (ancho * paso + 3) & ~3
    de_abajo = alto > 0
    alto = abs(alto)
    filas = []
    for y in range(alto):
        fuente = (alto - 1 - y) if de_abajo else y
        linea = datos[inicio + fuente * fila: inicio + fuente * fila + ancho * paso]
        rgb = bytearray(ancho * 3)
        rgb[0::3] = linea[2::paso]
        rgb[1::3] = linea[1::paso]
        rgb[2::3] = linea[0::paso]
        filas.append(bytes(rgb))
    return ancho, alto, filas


def escribir_png(ruta, ancho, alto, filas):
    def trozo(tipo, cuerpo):
        return (struct.pack(">I", len(cuerpo)) + tipo + cuerpo +
                struct.pack(">I", zlib.crc32(tipo + cuerpo) & 0xFFFFFFFF))
    crudo = b"".join(b"\x00" + f for f in filas)
    with open(ruta, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(trozo(b"IHDR", struct.pack(">IIBBBBB", ancho, alto, 8, 2, 0, 0, 0)))
        f.write(trozo(b"IDAT", zlib.compress(crudo, 9)))
        f.write(trozo(b"IEND", b""))


def main(argumentos):
    borrar = "--borrar" in argumentos
    ficheros = [a for a in argumentos if a != "--borrar"]
    if not ficheros:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    import os
    for bmp in ficheros:
        ancho, alto, filas = leer_bmp(bmp)
        png = bmp[:-4] + ".png" if bmp.lower().endswith(".bmp") else bmp + ".png"
        escribir_png(png, ancho, alto, filas)
        if borrar:
            os.remove(bmp)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
