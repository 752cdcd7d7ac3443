#!/usr/bin/env python3
"""Builds a seed for the meter fuzz target: a meter that answers as a sound one.

Mutation alone seldom finds the hundreds of right answers in a row that take a
run to a burn or to the module's end wait. This script finds them by running
the target: it reads the writes the updater made (the port's wire trace,
R27_TRAZA), answers each as a sound meter would (a block with "0", a staging
block with 0xA5, a burn with its progress bytes, ...), and runs again, until the
run ends with every write answered. Runs of equal answers become repeat pieces
(backend_dictado.h), so a seed stays within the fuzzer's input length.

    scripts/semillas_medidor.py build-fuzz/tests/fuzz/fuzz_medidor 3 0x00 semilla
    # run kind (byte 0: 2 FPGA, 3 firmware, 4 MPEG-4, 9 all, 10 update),
    # option byte (byte 1), output file

The meter answers the connection's first probe (0x00) with 0xD5 and then stays
silent through the identity reads, as a meter that knows nothing; the answers
after that come from RESPUESTAS below. The keyboard exchange, which the meter
drives, is not answered.
"""
import os
import subprocess
import sys
import tempfile

# The connection: the first probe answered, the next 33 writes left silent.
PRINCIPIO = ["01D5"] + ["00"] * 33
# Answers guessed ahead for the writes after one that needed an answer; a wrong
# guess is found on the next run and cut there.
ADIVINADAS = 3000
MAXIMO_VUELTAS = 300


def respuesta(escrito: bytes) -> str:
    """The piece a sound meter answers this write with ("00": nothing)."""
    if escrito[:1] == b"\x5a" and len(escrito) > 100:
        return "01A5"  # a staging block
    if escrito[:1] == b"\x5b":
        return "01B5"  # a sector write
    if escrito[:2] == b"\x09\x40":
        # A burn: erasing, programming two segment bytes, done; a byte every 100 ms.
        return "5A0A8A8A07088B8BABAC8080"
    if escrito[:1] == b"\x03" and len(escrito) >= 6:
        return "0130"  # a block packet
    if escrito == b"\xaa":
        return "0166"  # ready
    if escrito[:2] == b"\x07\x06" and len(escrito) == 8:
        return "0170"  # staging erased
    if escrito == b"\x0d\x00":
        return "0133"  # the module prepared
    if escrito[:1] == b"\xcc" and len(escrito) == 9:
        return "3105BB"  # the module's end, 5 s after its start
    if len(escrito) == 144:
        return "0140"  # the first loader stage, without status pictures
    if len(escrito) == 4 and escrito[2:] == b"\x58\x59":
        return "02ADAD"  # the second loader stage's last write: loaded
    return "00"


def comprimir(piezas):
    """Runs of three or more equal pieces as one repeat piece (at most 4,096)."""
    salida, i = [], 0
    while i < len(piezas):
        j = i
        while j < len(piezas) and piezas[j] == piezas[i] and j - i < 4096:
            j += 1
        n = j - i
        if n >= 3:
            salida.append("%02X%02X" % (0x80 | ((n - 1) >> 8), (n - 1) & 0xFF) + piezas[i])
        else:
            salida.extend(piezas[i:j])
        i = j
    return salida


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    programa, recorrido, opciones, salida = sys.argv[1], int(sys.argv[2], 0), int(sys.argv[3], 0), sys.argv[4]

    def escribir(piezas):
        with open(salida, "wb") as f:
            f.write(bytes([recorrido, opciones, 0xFF]) + bytes.fromhex("".join(comprimir(piezas))))

    def escrituras():
        with tempfile.TemporaryDirectory() as d:
            traza = os.path.join(d, "traza.txt")
            subprocess.run([programa, "-runs=1", salida], env=dict(os.environ, R27_TRAZA=traza),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            if not os.path.exists(traza):
                return []
            with open(traza) as f:
                return [bytes.fromhex("".join(c[3:])) for c in map(str.split, f)
                        if len(c) >= 3 and c[1] == "W"]

    piezas = list(PRINCIPIO)
    for _ in range(MAXIMO_VUELTAS):
        escribir(piezas)
        escritos = escrituras()
        cambio = False
        for i in range(len(PRINCIPIO), len(escritos)):
            r = respuesta(escritos[i])
            antes = piezas[i] if i < len(piezas) else "00"  # past the input: silence
            if antes == r:
                if i >= len(piezas):
                    piezas.append(r)
                continue
            # The run went on from a wrong answer: answer it, guess ahead, run again.
            piezas = piezas[:i] + [r]
            if r != "00":
                piezas += [r] * ADIVINADAS
            cambio = True
            break
        if not cambio:
            piezas = piezas[: max(len(escritos), len(PRINCIPIO))]  # guesses never used
            break
    escribir(piezas)
    print(f"{salida}: {len(piezas)} writes answered, {os.path.getsize(salida)} bytes")


if __name__ == "__main__":
    main()
