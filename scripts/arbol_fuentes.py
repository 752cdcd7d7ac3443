"""The C++ sources of the tree and their quoted includes, for the scripts that
rewrite and check them (incluir_por_carpeta.py, comprobar_capas.py).

A quoted include is resolved as the compiler does with the repository root on the
include path: first beside the including file, then from the root. An include
written the old way, by a bare name or a path from another include folder, is
found by the end of its path when exactly one source of the tree ends so;
generated headers (build folders) and system headers are not in the tree and
resolve to nothing.
"""
import os
import posixpath
import re
import subprocess

EXTENSIONES = (".h", ".hh", ".hpp", ".inl", ".ipp", ".c", ".cc", ".cpp", ".cxx")

# Folders that only ever hold what a build wrote: never sources of the tree.
CARPETAS_GENERADAS = ("incrustado", "generado")

INCLUDE = re.compile(r'^(\s*#\s*include\s*)"([^"]+)"(.*)$')


def _generada(ruta):
    partes = ruta.split("/")
    return (partes[0].startswith(("build", "out", "."))
            or any(p in CARPETAS_GENERADAS for p in partes[:-1]))


def ficheros_fuente(raiz):
    """The C and C++ sources below raiz, as paths from raiz with '/' separators:
    what git tracks plus what it does not ignore, or every file outside a git
    checkout."""
    try:
        salida = subprocess.run(
            ["git", "-C", raiz, "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
            check=True, capture_output=True).stdout.decode()
        rutas = [r for r in salida.split("\0") if r]
        rutas = [r for r in rutas if os.path.isfile(os.path.join(raiz, r))]
    except (OSError, subprocess.CalledProcessError):
        rutas = []
        for carpeta, subcarpetas, nombres in os.walk(raiz):
            relativa = posixpath.normpath(os.path.relpath(carpeta, raiz).replace(os.sep, "/"))
            relativa = "" if relativa == "." else relativa + "/"
            subcarpetas[:] = [s for s in subcarpetas if not _generada(relativa + s + "/x")]
            rutas += [relativa + n for n in nombres]
    return sorted({r for r in rutas if r.endswith(EXTENSIONES) and not _generada(r)})


class Arbol:
    """The sources of one tree and how their includes resolve."""

    def __init__(self, raiz, rutas=None):
        self.raiz = raiz
        self.rutas = ficheros_fuente(raiz) if rutas is None else sorted(rutas)
        self._conjunto = set(self.rutas)
        self._por_nombre = {}
        for r in self.rutas:
            self._por_nombre.setdefault(posixpath.basename(r), []).append(r)

    def nombres_repetidos(self):
        """{name: [paths]} for the headers whose name stands in two folders or more."""
        return {n: rs for n, rs in sorted(self._por_nombre.items())
                if len(rs) > 1 and n.endswith((".h", ".hh", ".hpp"))}

    def con_nombre(self, nombre):
        return self._por_nombre.get(posixpath.basename(nombre), [])

    def resolver(self, incluyente, incluido):
        """(path from the root or None, [the candidates when ambiguous])."""
        local = posixpath.normpath(posixpath.join(posixpath.dirname(incluyente), incluido))
        if local in self._conjunto:
            return local, []
        desde_raiz = posixpath.normpath(incluido)
        if desde_raiz in self._conjunto:
            return desde_raiz, []
        if desde_raiz.startswith("../"):
            return None, []
        candidatos = [r for r in self.con_nombre(desde_raiz)
                      if r == desde_raiz or r.endswith("/" + desde_raiz)]
        if len(candidatos) == 1:
            return candidatos[0], []
        return None, candidatos

    def leer(self, ruta):
        with open(os.path.join(self.raiz, ruta), encoding="utf-8", newline="") as f:
            return f.read()


def includes(texto):
    """(line number from 1, match) of each quoted include in texto."""
    for numero, linea in enumerate(texto.splitlines(), 1):
        m = INCLUDE.match(linea)
        if m:
            yield numero, m
