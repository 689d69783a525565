#!/usr/bin/env bash
# Makes the demo package folder: pictures drawn here, a few model files, and a
# dodatki.mdb built from the CSV files in resources/demo with `pack mdb create`.
# Usage: make-demo-package.sh PACK OUT_DIR
set -euo pipefail
PACK=$1
OUT=$2
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DEMO="$ROOT/resources/demo"
NAME="Meble Demo"
rm -rf "$OUT"
mkdir -p "$OUT/models/$NAME/modele/uchwyty" "$OUT/models/$NAME/tekstury" "$OUT/materials/Drewno"

picture() {  # file, headline, line
  convert -size 1040x585 gradient:"rgb(250,244,236)"-"rgb(232,214,190)" \
    -fill "rgb(247,148,29)" -draw "rectangle 0,0 1040,70" \
    -font DejaVu-Sans-Bold -pointsize 30 -fill white -annotate +40+47 "Meble Demo — katalog CAD" \
    -font DejaVu-Sans-Bold -pointsize 40 -fill "rgb(60,50,40)" -annotate +105+200 "$2" \
    -font DejaVu-Sans -pointsize 22 -fill "rgb(90,80,70)" -annotate +105+250 "$3" \
    -fill "rgb(200,180,150)" -draw "rectangle 640,120 960,320" \
    -fill "rgb(160,120,80)" -draw "rectangle 660,140 940,300" \
    -quality 88 "$1"
}
picture "$OUT/install.jpg" "Instalacja biblioteki" "Pakiet zawiera modele, tekstury i bazę dodatków."
picture "$OUT/finish.jpg" "Instalacja zakończona" "Uruchom program CAD i wybierz katalog Meble Demo."

for m in szafka_dolna szafka_gorna blat; do
  printf 'model %s\n' "$m" > "$OUT/models/$NAME/modele/$m.mdl"
done
printf 'uchwyt 128\n' > "$OUT/models/$NAME/modele/uchwyty/uchwyt128.mdl"
convert -size 64x64 xc:"rgb(180,140,100)" "$OUT/models/$NAME/tekstury/dab.jpg"
cp "$DEMO/models.txt" "$OUT/models/$NAME/opis.txt"
convert -size 64x64 xc:"rgb(150,110,70)" "$OUT/materials/Drewno/orzech.jpg"

"$PACK" mdb create -o "$OUT/models/$NAME/dodatki.mdb" \
  --producers "$DEMO/producers.csv" --accessories "$DEMO/accessories.csv"
