#!/bin/sh
# Builds the seed corpus of the Jet reader fuzz target from the real Access
# fixtures (kept out of the repository: they are shared test data).
#   tests/fuzz/jet_reader_fuzz_seeds.sh OUTDIR
set -e
out=${1:-jet_reader_corpus}
src=$(dirname "$0")/../../../shared/fixtures/jet4
mkdir -p "$out"
for f in empty.mdb delTestV2000.mdb overflowTestV2000.mdb fixedTextTestV2000.mdb compIndexTestV2000.mdb; do
  [ -f "$src/$f" ] && cp "$src/$f" "$out/$f"
done
echo "seeds in $out"
