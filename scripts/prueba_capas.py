#!/usr/bin/env python3
"""Checks incluir_por_carpeta.py and comprobar_capas.py on small trees written in
a temporary folder.

    prueba_capas.py
"""
import os
import subprocess
import sys
import tempfile
import unittest

SCRIPTS = os.path.dirname(os.path.abspath(__file__))


def escribir(raiz, ficheros):
    for ruta, texto in ficheros.items():
        completa = os.path.join(raiz, ruta)
        os.makedirs(os.path.dirname(completa), exist_ok=True)
        with open(completa, "w") as f:
            f.write(texto)


def ejecutar(script, raiz, *argumentos):
    return subprocess.run([sys.executable, os.path.join(SCRIPTS, script), "--raiz", raiz,
                           *argumentos], capture_output=True, text=True)


class Incluir_por_carpeta(unittest.TestCase):
    ARBOL = {
        "link/puerto.h": "#pragma once\n",
        "link/puerto.cpp": '#include "puerto.h"\n',
        "flash/dato.h": "#pragma once\n",
        "flash/dato.cpp": '#include "dato.h"\n#include "puerto.h"\n',
        "factory/dato.h": "#pragma once\n",
        "data/fpga/conjunto.h": "#pragma once\n",
        "app/nucleo/n.cpp": ('#include "puerto.h"\n#include "fpga/conjunto.h"\n'
                             '#include "incrustado/dato.h"\n#include <vector>\n'
                             '#include "dato.h"\n'),
        "build/data/incrustado/incrustado/dato.h": "#pragma once\n",
    }
    ESPERADO = {
        "link/puerto.cpp": '#include "link/puerto.h"\n',
        "flash/dato.cpp": '#include "flash/dato.h"\n#include "link/puerto.h"\n',
        "app/nucleo/n.cpp": ('#include "link/puerto.h"\n#include "data/fpga/conjunto.h"\n'
                             '#include "incrustado/dato.h"\n#include <vector>\n'
                             '#include "dato.h"\n'),
    }

    def test_escribe_por_carpeta_una_vez_y_senala_lo_ambiguo(self):
        with tempfile.TemporaryDirectory() as raiz:
            escribir(raiz, self.ARBOL)
            primera = ejecutar("incluir_por_carpeta.py", raiz, "--sin-formato")
            leidos = {}
            for ruta in self.ESPERADO:
                with open(os.path.join(raiz, ruta)) as f:
                    leidos[ruta] = f.read()
            segunda = ejecutar("incluir_por_carpeta.py", raiz, "--comprobar")
        self.assertEqual(leidos, self.ESPERADO)
        # The bare name of two folders is left as it is, named, and fails the run.
        self.assertEqual(primera.returncode, 1)
        self.assertIn("same name in two folders: dato.h: factory/dato.h, flash/dato.h",
                      primera.stderr)
        self.assertIn('app/nucleo/n.cpp:5: "dato.h" could be any of', primera.stderr)
        # A second run has nothing left to rewrite.
        self.assertIn("0 includes to write by folder, 1 ambiguous", segunda.stdout)


class Comprobar_capas(unittest.TestCase):
    # (including file, included header, whether the check fails on it)
    FILAS = [
        ("flash/a.cpp", "link/b.h", False),
        ("flash/a.cpp", "components/memoria_medidor.h", False),
        ("link/a.cpp", "data/fpga/b.h", False),
        ("sim/a.cpp", "factory/b.h", False),
        ("tests/a.cpp", "app/ventana/b.h", False),
        ("link/a.cpp", "flash/b.h", True),
        ("components/memoria_medidor.cpp", "components/b.h", True),
        ("data/a.cpp", "link/b.h", True),
        ("app/linea/a.cpp", "app/ventana/b.h", True),
        ("app/nucleo/a.cpp", "tests/apoyo/b.h", True),
        ("sim/a.cpp", "app/nucleo/b.h", True),
    ]

    def test_cada_fila(self):
        for incluyente, incluido, falla in self.FILAS:
            with self.subTest(incluyente=incluyente, incluido=incluido):
                with tempfile.TemporaryDirectory() as raiz:
                    escribir(raiz, {incluido: "#pragma once\n",
                                    incluyente: f'#include <vector>\n#include "{incluido}"\n'})
                    r = ejecutar("comprobar_capas.py", raiz)
                self.assertEqual(r.returncode, 1 if falla else 0, r.stdout + r.stderr)
                if falla:
                    self.assertIn(f'{incluyente}:2: includes "{incluido}"', r.stdout)


if __name__ == "__main__":
    unittest.main()
