#!/usr/bin/env python3
"""Writes a large producer's catalogue for the install benchmark.

Usage: make-catalogue.py OUT_DIR [--files N] [--megabytes M] [--installed R] [--package R]

OUT_DIR/package/     the package folder for `pack build` (pictures are added by the caller):
  models/Meble Bench/  N model files of mixed sizes, about half of them compressible
  materials/           a few material pictures
OUT_DIR/csv/         producers.csv, installed.csv and package.csv for `pack mdb create`.
The package's rows update the second half of the installed rows and add as many new ones.
The same arguments always give the same bytes.
"""
import argparse
import csv
import os
import random

NAME = "Meble Bench"
WORDS = ("szafka dolna górna blat cokół front szuflada zawias prowadnica uchwyt gałka listwa "
         "dąb orzech buk jesion wiśnia grafit biały połysk mat żółty łączenie śruba półka").split()
COLUMNS = ["ID", "Producent", "Grupa", "Typ", "Nazwa", "JPG", "Kod_Producenta", "Dodatek_wst",
           "Kod_Wstawiania", "Kolor", "DWG", "Wysokosc", "Opis_Produktu", "Kod_Dodatku1",
           "Kod_Dodatku2", "Kod_Dodatku3", "Kod_Dodatku4", "Opis_Koloru", "cena", "vat", "marza",
           "upust", "kolorystyka", "wymiar X", "wymiar Y", "wymiar Z", "typ_standardowy"]


def sizes(rng, count, total):
    # Many small files and a few large ones, as a real catalogue has.
    raw = [rng.lognormvariate(0, 1.2) for _ in range(count)]
    scale = total / sum(raw)
    out = [max(64, int(r * scale)) for r in raw]
    out[0] += total - sum(out)
    return out


def text_bytes(rng, size):
    # Model files in a text format: repeated words and numbers compress well.
    parts, length = [], 0
    while length < size:
        line = "%s %d %.3f %.3f\n" % (rng.choice(WORDS), rng.randrange(1000), rng.random() * 900, rng.random() * 600)
        data = line.encode("utf-8")
        parts.append(data)
        length += len(data)
    return b"".join(parts)[:size]


def write_models(rng, root, count, total):
    for i, size in enumerate(sizes(rng, count, total)):
        folder = os.path.join(root, "models", NAME, "modele", "grupa%02d" % (i % 40))
        if i % 2:
            folder = os.path.join(root, "models", NAME, "tekstury", "zestaw%02d" % (i % 20))
        os.makedirs(folder, exist_ok=True)
        name = "element_%04d.%s" % (i, "jpg" if i % 2 else "mdl")
        data = rng.randbytes(size) if i % 2 else text_bytes(rng, size)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def write_materials(rng, root):
    folder = os.path.join(root, "materials", "Drewno")
    os.makedirs(folder, exist_ok=True)
    for i in range(40):
        with open(os.path.join(folder, "drewno_%02d.jpg" % i), "wb") as f:
            f.write(rng.randbytes(50_000))


def accessory(rng, key, tag):
    words = lambda n: " ".join(rng.choice(WORDS) for _ in range(n))
    return {
        "ID": key, "Producent": NAME, "Grupa": "Grupa %d" % (key % 50), "Typ": words(2)[:30],
        "Nazwa": ("%s %s %d" % (tag, words(8), key))[:100], "JPG": "element_%04d.jpg" % (key % 2000),
        "Kod_Producenta": "MB-%06d" % key, "Dodatek_wst": key % 2, "Kod_Wstawiania": "U",
        "Kolor": words(2)[:30], "DWG": "element_%04d.dwg" % (key % 2000), "Wysokosc": str(key % 900),
        "Opis_Produktu": words(30)[:255], "Kod_Dodatku1": "-", "Kod_Dodatku2": "-", "Kod_Dodatku3": "-",
        "Kod_Dodatku4": "-", "Opis_Koloru": words(12)[:255], "cena": "%d.%02d" % (key % 900, key % 100),
        "vat": "23", "marza": "30", "upust": "0", "kolorystyka": words(2)[:50], "wymiar X": str(key % 1200),
        "wymiar Y": str(key % 600), "wymiar Z": str(key % 800), "typ_standardowy": words(3)[:250],
    }


def write_rows(rng, path, keys, tag):
    with open(path, "w", newline="", encoding="utf-8") as f:
        out = csv.DictWriter(f, fieldnames=COLUMNS)
        out.writeheader()
        for key in keys:
            out.writerow(accessory(rng, key, tag))


def main():
    args = argparse.ArgumentParser()
    args.add_argument("out")
    args.add_argument("--files", type=int, default=2000)
    args.add_argument("--megabytes", type=int, default=200)
    args.add_argument("--installed", type=int, default=5000)
    args.add_argument("--package", type=int, default=5000)
    a = args.parse_args()
    rng = random.Random(20)
    package = os.path.join(a.out, "package")
    write_models(rng, package, a.files, a.megabytes * 1_000_000)
    write_materials(rng, package)
    csv_dir = os.path.join(a.out, "csv")
    os.makedirs(csv_dir, exist_ok=True)
    with open(os.path.join(csv_dir, "producers.csv"), "w", newline="", encoding="utf-8") as f:
        f.write("Producent,Nazwa,Ulica,Miasto,kod,Tel,Fax,e_mail,osoba\r\n")
        f.write("%s,%s Sp. z o.o.,ul. Świerkowa 12,Łódź,90-001,+48 42 123 45 67,,biuro@bench.example,Zofia Wiśniewska\r\n"
                % (NAME, NAME))
    write_rows(rng, os.path.join(csv_dir, "installed.csv"), range(1, a.installed + 1), "Stary")
    first_new = a.installed // 2 + 1
    write_rows(rng, os.path.join(csv_dir, "package.csv"), range(first_new, first_new + a.package), "Nowy")


if __name__ == "__main__":
    main()
