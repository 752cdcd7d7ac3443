#!/usr/bin/env bash
# The README's install command and its command-line example, taken from README.md
# and run as written, in its order, against a built tree:
#
#   probar_readme.sh [BUILD]     BUILD: a configured and built tree (default build-ci)
#
# The commands name build-release/, the folder the README's run command builds;
# here it is BUILD, seen through a link in a scratch folder that stands for the
# clone's root. The install goes under DESTDIR (a scratch folder as well), so the
# machine's /usr is left alone, and that folder's usr/bin leads the PATH, as /usr/bin
# would. Checks: the install puts every program, the manual page, the bash
# completion, the language file and the udev rule in place; the example's update
# ends "updated" (exit 0) on the simulated meter, its text in the installed
# language file's language.
set -euo pipefail
raiz="$(cd "$(dirname "$0")/.." && pwd)"
construccion="$(cd "${1:-$raiz/build-ci}" && pwd)"
readme="$raiz/README.md"

trabajo="$(mktemp -d)"
sim_pid=""
terminar() {
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  rm -rf "$trabajo"
}
trap terminar EXIT
fallar() { echo "probar_readme: $*" >&2; exit 1; }

# The indented lines of the code block that follows the README line matching $1.
bloque_tras() {
  awk -v marca="$1" '
    !visto && index($0, marca) { visto = 1; next }
    visto && /^    / { print substr($0, 5); dentro = 1; next }
    visto && dentro && !/^    / { exit }
  ' "$readme"
}
instalar="$(bloque_tras "## Installing on Linux")"
ejemplo="$(bloque_tras "Against the simulated meter")"
[ "$(printf '%s\n' "$instalar" | wc -l)" -eq 1 ] || fallar "the install block is not one line: $instalar"
[ "$(printf '%s\n' "$ejemplo" | wc -l)" -eq 2 ] || fallar "the example is not two lines: $ejemplo"
case "$instalar" in "cmake --install build-release "*) ;; *) fallar "unexpected install line: $instalar" ;; esac

clon="$trabajo/clon"
mkdir -p "$clon"
ln -s "$construccion" "$clon/build-release"
export DESTDIR="$trabajo/destino"
export PATH="$DESTDIR/usr/bin:$PATH"
unset R27_PUERTOS R27_TRAZA
# The example's record goes to a data folder of the check's own, not the user's history.
export XDG_DATA_HOME="$trabajo/datos"
cd "$clon"

echo "-- $instalar"
bash -c "$instalar" >"$trabajo/instalar.log" 2>&1 || { cat "$trabajo/instalar.log"; fallar "the install failed"; }
for f in usr/bin/r27-actualizar usr/bin/r27-puertos usr/share/r27/idiomas.ini \
  usr/share/man/man1/r27-actualizar.1.gz usr/share/bash-completion/completions/r27-actualizar \
  usr/lib/udev/rules.d/60-r27-medidor.rules; do
  [ -e "$DESTDIR/$f" ] || fallar "the install did not put /$f"
done
if [ -e "$construccion/app/ventana/r27-update" ]; then
  [ -e "$DESTDIR/usr/bin/r27-update" ] || fallar "the install did not put /usr/bin/r27-update"
fi
# The manual page reads as one: its name, its options, its exit codes.
man_texto="$(zcat "$DESTDIR/usr/share/man/man1/r27-actualizar.1.gz")"
for trozo in '.SH NAME' 'r27-actualizar \- update the firmware' '\-\-idioma' 'Exit codes:' '.SH FILES'; do
  grep -qF -- "$trozo" <<<"$man_texto" || fallar "the manual page lacks $trozo"
done

# The example: the simulated meter in the background, then the update once its
# link is there (as a technician types the second line after the first).
linea_sim="$(printf '%s\n' "$ejemplo" | sed -n 1p)"
linea_actualizar="$(printf '%s\n' "$ejemplo" | sed -n 2p)"
enlace="$(grep -o -- '--enlace [^ ]*' <<<"$linea_sim" | cut -d' ' -f2)"
[ -n "$enlace" ] || fallar "the example's r27-sim has no --enlace"
rm -f "$enlace"
echo "-- $linea_sim"
bash -c "exec ${linea_sim%&}" >"$trabajo/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 200); do [ -e "$enlace" ] && break; sleep 0.05; done
[ -e "$enlace" ] || { cat "$trabajo/sim.log"; fallar "r27-sim made no $enlace"; }
echo "-- $linea_actualizar"
[ "$(command -v r27-actualizar)" = "$DESTDIR/usr/bin/r27-actualizar" ] || fallar "r27-actualizar is not the installed one"
salida=0
timeout 300 bash -c "$linea_actualizar" >"$trabajo/json" 2>"$trabajo/texto" || salida=$?
cat "$trabajo/texto"
[ "$salida" -eq 0 ] || fallar "the example's update exited $salida"
grep -q '"outcome":"updated"' "$trabajo/json" || { cat "$trabajo/json"; fallar "the JSON does not say updated"; }
# No idiomas.ini in the working folder: the installed one is read, and its language
# ([COMUN] IDIOMA) is the text's.
idioma="$(sed -n 's/^IDIOMA=//p' "$DESTDIR/usr/share/r27/idiomas.ini" | head -n1 | tr -d '\r')"
actualizado="$(awk -v s="[$idioma]" '$0 == s { dentro = 1; next } /^\[/ { dentro = 0 }
  dentro && /^LINEA_DESENLACE_ACTUALIZADO=/ { sub(/^[^=]*=/, ""); print; exit }' \
  "$DESTDIR/usr/share/r27/idiomas.ini")"
[ -n "$actualizado" ] || fallar "no LINEA_DESENLACE_ACTUALIZADO in [$idioma]"
grep -qF -- "$actualizado" "$trabajo/texto" || fallar "the text is not in $idioma"
echo "The README's install and command-line example work as written."
