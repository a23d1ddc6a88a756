#!/bin/sh
# Writes the seed argument lists of the command-line parser's fuzz target into the given
# folder, one file per list, the arguments separated by NUL bytes.
set -eu
out=${1:?seed folder}
mkdir -p "$out"
n=0
seed() {
  n=$((n + 1))
  : > "$out/args-$n"
  first=1
  for a in "$@"; do
    [ $first -eq 1 ] || printf '\0' >> "$out/args-$n"
    printf '%s' "$a" >> "$out/args-$n"
    first=0
  done
}
seed affiche.aff
seed affiche.aff --info
seed --info affiche.aff --paper A3 --landscape
seed affiche.aff --print-to out.pdf --pages 2-4 --dpi 300
seed affiche.aff --print-to=out.pdf --margins 4,2,4,2
seed affiche.aff --preview-to p.png --size 512 --portrait
seed affiche.aff --info --paper 300,5x400mm --margins 1,2.5,3,4
seed -- -affiche.aff
seed --help
seed -hv
seed --version
seed affiche.aff --info --preview-to p.png
seed affiche.aff b.aff --unknown
seed affiche.aff --print-to
seed affiche.aff --info=1 --pages 4-2
