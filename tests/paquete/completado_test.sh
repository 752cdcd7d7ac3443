#!/usr/bin/env bash
# The bash completion of r27-actualizar, run as bash runs it on Tab: a table of
# command lines typed so far and the words each must offer (and must not).
#
#   completado_test.sh COMPLETION_FILE DIR_OF_R27_ACTUALIZAR DIR_OF_R27_PUERTOS
set -uo pipefail
completado="$1"
export PATH="$2:$3:$PATH"
trabajo="$(mktemp -d)"
trap 'rm -rf "$trabajo"' EXIT
# Two ports of this machine's numbering, as R27_PUERTOS gives them.
touch "$trabajo/medidor-a" "$trabajo/medidor-b"
export R27_PUERTOS="COM7=$trabajo/medidor-a COM12=$trabajo/medidor-b"
# shellcheck source=/dev/null
source "$completado"

fallos=0
# caso <typed words...> -- <offered...> [-- <not offered...>]
caso() {
  local palabras=() ofrecidas=() ausentes=() parte=0
  for a in "$@"; do
    if [ "$a" = "--" ] && [ "$parte" -lt 2 ]; then parte=$((parte + 1)); continue; fi
    case "$parte" in
      0) palabras+=("$a") ;;
      1) ofrecidas+=("$a") ;;
      2) ausentes+=("$a") ;;
    esac
  done
  COMP_WORDS=(r27-actualizar "${palabras[@]}")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _r27_actualizar
  local respuesta=" ${COMPREPLY[*]} "
  for o in "${ofrecidas[@]}"; do
    if [[ "$respuesta" != *" $o "* ]]; then
      echo "FAIL: r27-actualizar ${palabras[*]}<Tab> does not offer $o (offers:$respuesta)"
      fallos=$((fallos + 1))
    fi
  done
  for o in "${ausentes[@]}"; do
    if [[ "$respuesta" == *" $o "* ]]; then
      echo "FAIL: r27-actualizar ${palabras[*]}<Tab> offers $o"
      fallos=$((fallos + 1))
    fi
  done
}

# Every option of --help, the new ones too.
caso "" -- --puerto --todos --si --solo-comprobar --json --traza --idiomas --idioma --servicio \
  --pasos --plan --historial --csv --version --help
caso "--id" -- --idioma --idiomas -- --si
caso "--so" -- --solo-comprobar -- --si
# The COM names of this machine (as r27-puertos numbers them), in any case.
caso --puerto "" -- COM7 COM12
caso --puerto "com1" -- COM12 -- COM7
# A device path completes as a file name.
caso --puerto "$trabajo/medidor-" -- "$trabajo/medidor-a" "$trabajo/medidor-b"
caso --idioma "" -- ES EN FR DE PT IT
caso --idioma "d" -- DE -- ES
caso --plan "" -- 0 1 2 3 4
# A step list completes after its last comma.
caso --pasos "zona,f" -- zona,fpga zona,firmware -- zona,zona fpga
caso --pasos "" -- zona borrado fpga firmware mpeg4 teclado planes
caso --traza "$trabajo/med" -- "$trabajo/medidor-a"
# After a value the options come back.
caso --idioma DE "--ver" -- --version

if [ "$fallos" -ne 0 ]; then
  echo "$fallos failures"
  exit 1
fi
echo "bash completion: every case offers what it should"
