#!/usr/bin/env python3
"""Prints the install benchmark's table: whole-process times of ours and NSIS's
installer, and our phases measured between the log lines that open and close them."""
import argparse
import datetime

# (phase, line that opens it, line that closes it): the start of each line.
PHASES = [
    ("copy of the package out of the .exe", "Plik EXE z archiwum", "Znaleziono: `packages.zip`"),
    ("unpacking of packages.zip", "Znaleziono: `packages.zip`", "Wyszukiwanie paczek instalacyjnych."),
    ("unpacking of the models", "Zaczynamy rozpakowywanie pliku ZIP do:", "Zaczynamy obsługę bazy dodatki.mdb"),
    ("merge of the accessory database", "Zaczynamy obsługę bazy dodatki.mdb", "Poprawnie zakończono instalację modeli."),
    ("unpacking of the materials", "Trwa instalowanie materiałów z pakietu...",
     "Poprawnie zakończono instalację materiałów."),
]


def log_lines(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            stamp, text = line[:23], line[24:].rstrip("\r\n")
            yield datetime.datetime.strptime(stamp, "%Y-%m-%d %H:%M:%S.%f"), text


def phase_times(path):
    lines = list(log_lines(path))
    times = {}
    for name, opens, closes in PHASES:
        start = next((t for t, text in lines if text.startswith(opens)), None)
        end = next((t for t, text in lines if text.startswith(closes) and start and t >= start), None)
        if start and end:
            times[name] = (end - start).total_seconds()
    return times


def main():
    args = argparse.ArgumentParser()
    for name in ("ours", "small", "diagnostic", "nsis", "window", "window-diagnostic", "wine-merge", "wine-pack-start",
                 "native-merge", "logs"):
        args.add_argument("--" + name, nargs="+", required=True)
    args.add_argument("--startup", type=float, required=True)
    args.add_argument("--rows", required=True, help="accessory rows in the merged database")
    a = args.parse_args()
    nsis = min(map(float, a.nsis))

    def row(what, runs, ratio=True):
        best = min(runs)
        share = f"{best / nsis:6.2f}" if ratio else ""
        print(f"{what:<44} {best:8.3f} s  {share:>7}   " + " ".join(f"{r:.3f}" for r in runs))

    print(f"{'what (best of the runs)':<44} {'time':>10}  {'÷ NSIS':>7}   runs")
    row("Wine starting a program (cmd /c exit)", [a.startup], ratio=False)
    row("NSIS: whole process, /S", list(map(float, a.nsis)))
    row(f"ours: whole process, /S ({a.rows} rows merged)", list(map(float, a.ours)))
    row("ours: whole process, /S, 10-row database", list(map(float, a.small)))
    row("ours: whole process, /d /S /LOG=, 10 rows", list(map(float, a.diagnostic)))
    per_log = [phase_times(p) for p in a.logs]
    for name, _, _ in PHASES:
        runs = [t[name] for t in per_log if name in t]
        if runs:
            row("  " + name, runs, ratio=False)
        else:
            print(f"  {name:<42} not in the log")
    wine_merge, native_merge = list(map(float, a.wine_merge)), list(map(float, a.native_merge))
    row("merge alone: pack.exe mdb merge under Wine", wine_merge, ratio=False)
    row("merge alone: pack mdb merge, native", native_merge, ratio=False)
    print(f"{'  Wine ÷ native':<44} {min(wine_merge) / min(native_merge):8.2f}")
    # The Wine figure holds the start of pack.exe under Wine, which a merge
    # inside the installer does not pay again: pack.exe --help, timed apart.
    pack_start = list(map(float, a.wine_pack_start))
    row("pack.exe --help under Wine (start and end)", pack_start, ratio=False)
    print(f"{'  Wine less that start ÷ native':<44} {(min(wine_merge) - min(pack_start)) / min(native_merge):8.2f}")
    window = list(map(float, a.window))
    window_diag = list(map(float, a.window_diagnostic))
    row("through the window: click to finish, 10 rows", window, ratio=False)
    row("  the same with /d (diagnostic memo)", window_diag, ratio=False)
    print(f"{'  /d ÷ without /d':<44} {min(window_diag) / min(window):8.2f}")


if __name__ == "__main__":
    main()
