#!/usr/bin/env python3
"""The package's udev rule, and the rule the search spells out when ModemManager
holds the meter's port: each parsed as udev reads a rules file (key, operator,
quoted value, commas between) and run on a table of devices.

    regla_udev_test.py RULES_FILE IDIOMAS_INI

The package's rule gives the dialout group every USB serial device and keeps
ModemManager away from none (a laptop's own modem stays its). The spelled-out
rule, the same in every language, keeps it away from the meter's IDs alone.
"""
import fnmatch
import re
import sys

# Keys udev matches on, and keys it assigns; a {name} after those that take one.
CLAVES_COMPARAR = {"ACTION", "DEVPATH", "KERNEL", "KERNELS", "NAME", "SUBSYSTEM", "SUBSYSTEMS",
                   "DRIVER", "DRIVERS", "ATTR", "ATTRS", "ENV", "TAG", "TAGS", "TEST", "PROGRAM",
                   "RESULT", "CONST", "SYSCTL"}
CLAVES_ASIGNAR = {"NAME", "SYMLINK", "OWNER", "GROUP", "MODE", "ATTR", "ENV", "TAG", "RUN",
                  "LABEL", "GOTO", "IMPORT", "OPTIONS", "SYSCTL", "SECLABEL"}
CON_NOMBRE = {"ATTR", "ATTRS", "ENV", "TEST", "CONST", "SYSCTL", "RUN", "IMPORT", "SECLABEL"}
PAR = re.compile(r'\s*([A-Z]+)(?:\{([^}]*)\})?\s*(==|!=|\+=|-=|:=|=)\s*"([^"]*)"\s*(,|$)')


def Leer_reglas(texto):
    """The rules of a file: one list of (key, name, operator, value) per line."""
    reglas = []
    for numero, linea in enumerate(texto.splitlines(), 1):
        linea = linea.strip()
        if not linea or linea.startswith("#"):
            continue
        pares, desde = [], 0
        while desde < len(linea):
            m = PAR.match(linea, desde)
            if not m:
                raise ValueError(f"line {numero}: cannot read {linea[desde:]!r}")
            clave, nombre, op, valor, _ = m.groups()
            comparar = op in ("==", "!=")
            if comparar and clave not in CLAVES_COMPARAR or not comparar and clave not in CLAVES_ASIGNAR:
                raise ValueError(f"line {numero}: {clave} does not take {op}")
            if (nombre is not None) != (clave in CON_NOMBRE):
                raise ValueError(f"line {numero}: {clave} {'needs' if nombre is None else 'takes no'} {{name}}")
            if clave in ("LABEL", "GOTO") and op != "=":
                raise ValueError(f"line {numero}: {clave} takes =")
            if clave == "MODE" and not re.fullmatch(r"0[0-7]{3}", valor):
                raise ValueError(f"line {numero}: MODE {valor!r} is not an octal mode")
            pares.append((clave, nombre, op, valor))
            desde = m.end()
        reglas.append(pares)
    etiquetas = {v for r in reglas for c, _, _, v in r if c == "LABEL"}
    for r in reglas:
        for c, _, _, v in r:
            if c == "GOTO" and v not in etiquetas:
                raise ValueError(f"GOTO {v!r} has no LABEL")
    return reglas


def Coincide(patron, valor):
    return any(fnmatch.fnmatchcase(valor or "", p) for p in patron.split("|"))


def Aplicar(reglas, dispositivo):
    """What the rules set on `dispositivo` (action, subsystem, kernel, the
    attributes of its USB parent, its properties): GROUP, MODE and ENV."""
    hecho, i = {"ENV": dict(dispositivo.get("ENV", {}))}, 0
    while i < len(reglas):
        regla, salto = reglas[i], None
        coincide = True
        for clave, nombre, op, valor in regla:
            if op not in ("==", "!="):
                continue
            if clave == "ATTRS":
                actual = dispositivo.get("ATTRS", {}).get(nombre)
            elif clave == "ENV":
                actual = hecho["ENV"].get(nombre)
            else:
                actual = dispositivo.get(clave)
            if Coincide(valor, actual) != (op == "=="):
                coincide = False
                break
        if coincide:
            for clave, nombre, op, valor in regla:
                if clave == "ENV" and op == "=":
                    hecho["ENV"][nombre] = valor
                elif clave in ("GROUP", "MODE") and op in ("=", ":="):
                    hecho[clave] = valor
                elif clave == "GOTO":
                    salto = valor
        if salto is not None:
            i = next(k for k, r in enumerate(reglas) if ("LABEL", None, "=", salto) in r)
        i += 1
    return hecho


def Dispositivo(kernel, accion="add", subsistema="tty", vendedor=None, producto=None):
    attrs = {}
    if vendedor:
        attrs = {"idVendor": vendedor, "idProduct": producto}
    return {"ACTION": accion, "SUBSYSTEM": subsistema, "KERNEL": kernel, "ATTRS": attrs}


MEDIDOR = ("1fc9", "0083")  # any IDs: the meter's are not known
MODEM_PORTATIL = ("2c7c", "0125")  # a laptop's mobile-broadband modem on ttyACM0


def Probar_regla_del_paquete(ruta):
    reglas = Leer_reglas(open(ruta, encoding="utf-8").read())
    casos = [
        # kernel, action, subsystem, IDs, group expected
        ("the meter on ttyACM0", Dispositivo("ttyACM0", vendedor=MEDIDOR[0], producto=MEDIDOR[1]), "dialout"),
        ("a laptop's modem on ttyACM0", Dispositivo("ttyACM0", vendedor=MODEM_PORTATIL[0],
                                                     producto=MODEM_PORTATIL[1]), "dialout"),
        ("a USB serial adapter", Dispositivo("ttyUSB3"), "dialout"),
        ("ttyACM12", Dispositivo("ttyACM12"), "dialout"),
        ("an on-board port", Dispositivo("ttyS0"), None),
        ("the console", Dispositivo("tty1"), None),
        ("a USB serial device removed", Dispositivo("ttyUSB0", accion="remove"), None),
        ("not a tty", Dispositivo("ttyACM0", subsistema="usbmisc"), None),
    ]
    for nombre, dispositivo, grupo in casos:
        hecho = Aplicar(reglas, dispositivo)
        assert hecho.get("GROUP") == grupo, f"{nombre}: group {hecho.get('GROUP')!r}"
        assert hecho.get("MODE") == ("0660" if grupo else None), f"{nombre}: mode {hecho.get('MODE')!r}"
        # No device is taken from ModemManager by the package.
        assert "ID_MM_DEVICE_IGNORE" not in hecho["ENV"], f"{nombre}: ModemManager kept away"


def Probar_regla_del_mensaje(ruta_idiomas):
    """The rule each language's message spells out: the same in all, valid udev,
    and it keeps ModemManager from the meter's IDs alone."""
    regla = re.compile(r'SUBSYSTEM==.*?ENV\{ID_MM_DEVICE_IGNORE\}="1"')
    fichero = re.compile(r"/etc/udev/rules\.d/[0-9]{2}-[a-z0-9-]+\.rules")
    vistas = {}
    for linea in open(ruta_idiomas, encoding="utf-8"):
        if linea.startswith("AVISO_PUERTO_MODEMMANAGER="):
            m = regla.search(linea)
            assert m, f"no rule in {linea!r}"
            assert fichero.search(linea), f"no rules file named in {linea!r}"
            assert "udevadm info -q property -n {1}" in linea and "ID_VENDOR_ID" in linea
            vistas[m.group(0)] = vistas.get(m.group(0), 0) + 1
    assert list(vistas.values()) == [6], f"the rule differs between languages: {vistas}"
    texto = next(iter(vistas)).replace("VVVV", MEDIDOR[0]).replace("PPPP", MEDIDOR[1])
    reglas = Leer_reglas(texto)
    casos = [
        ("the meter", Dispositivo("ttyACM0", vendedor=MEDIDOR[0], producto=MEDIDOR[1]), True),
        ("a laptop's modem", Dispositivo("ttyACM1", vendedor=MODEM_PORTATIL[0],
                                         producto=MODEM_PORTATIL[1]), False),
        ("the meter's vendor, another product", Dispositivo("ttyACM2", vendedor=MEDIDOR[0],
                                                             producto="ffff"), False),
        ("the meter's USB interface, not its tty", Dispositivo("1-1:1.0", subsistema="usb",
                                                                vendedor=MEDIDOR[0],
                                                                producto=MEDIDOR[1]), False),
    ]
    for nombre, dispositivo, ignorado in casos:
        hecho = Aplicar(reglas, dispositivo)
        assert (hecho["ENV"].get("ID_MM_DEVICE_IGNORE") == "1") == ignorado, nombre


def Probar_lector():
    """The reader refuses what udev would not read."""
    for malo in ['KERNEL="ttyACM*", GROUP="dialout"',  # a match written as an assignment
                 'KERNEL=="ttyACM*" GROUP="dialout"',  # no comma
                 'KERNEL=="ttyACM*", MODE="660"',  # not an octal mode
                 'ENV=="1"',  # ENV without its {name}
                 'ACTION=="remove", GOTO="nowhere"',  # a GOTO without its LABEL
                 'KERNEL=="ttyACM*", GROUP=dialout']:  # an unquoted value
        try:
            Leer_reglas(malo)
        except ValueError:
            continue
        raise AssertionError(f"read: {malo}")


if __name__ == "__main__":
    Probar_lector()
    Probar_regla_del_paquete(sys.argv[1])
    Probar_regla_del_mensaje(sys.argv[2])
    print("udev rules: read, and applied as expected")
