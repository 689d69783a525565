#!/bin/sh
# Prints the reliability figures as one table: faults injected and survived
# (kills of the running installer, natively and under Wine; a full disk;
# failing writes), hostile inputs tried and rejected, and the fuzz campaigns.
#   scripts/reliability-figures.sh [native kills] [Wine kills]
# Defaults: 200 kills natively, 20 under Wine (0 leaves Wine out). The fuzz
# figures are those of the last scripts/fuzz-campaign.sh run on this machine.
# CRASH_SEED and WINE_CRASH_SEED repeat a run.
set -eu
cd "$(dirname "$0")/.."
kills=${1:-200}
wine_kills=${2:-20}

./scripts/setup-deps.sh >/dev/null
if [ ! -f build-native/CMakeCache.txt ]; then cmake --preset native >/dev/null; fi
cmake --build build-native -j2 --target reliability_tests disk_full_tests package_tests jet_reader_tests jet_fault_tests \
  bad_package_database_tests >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
bin=build-native/tests
# Each test records its counts as GoogleTest properties; the JSON report keeps them.
run() {  # name binary filter [environment...]
  name=$1 binary=$2 filter=$3
  shift 3
  echo "running $name ..." >&2
  env "$@" "$binary" --gtest_filter="$filter" --gtest_output=json:"$out/$name.json" >"$out/$name.log" 2>&1 ||
    { echo "  $name FAILED:" >&2; tail -40 "$out/$name.log" >&2; }
}
run crash "$bin/reliability/reliability_tests" 'CrashConsistency.*' CRASH_KILLS="$kills"
run diskfull "$bin/reliability/disk_full_tests" '*'
run writes "$bin/jet/jet_fault_tests" '*'
run archives "$bin/package/package_tests" 'HostileArchive.*:Archive.Damaged*'
run databases "$bin/jet/jet_reader_tests" 'JetReader.Damaged*:JetReader.Random*'
run packages "$bin/install/bad_package_database_tests" '*FailsLeaving*'
if [ "$wine_kills" -gt 0 ]; then
  echo "running the Wine crash harness ($wine_kills kills) ..." >&2
  ./scripts/reliability-wine.sh "$wine_kills" "$out/wine.json" >"$out/wine.log" 2>&1 ||
    echo "  Wine crash harness FAILED: see $out/wine.log" >&2
fi

python3 - "$out" "$kills" "$wine_kills" <<'EOF'
import glob, json, os, sys

out, kills, wine_kills = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])

def report(name):
    path = os.path.join(out, name + ".json")
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return json.load(f)

def total(name, prop):
    r = report(name)
    if r is None:
        return None
    n = 0
    for suite in r.get("testsuites", []):
        for case in suite.get("testsuite", []):
            n += int(case.get(prop, 0))
    return n

def failed(name):
    r = report(name)
    return r is None or r.get("failures", 0) > 0 or r.get("errors", 0) > 0

rows = []
def row(what, tried, good, good_name, note=""):
    rows.append((what, "-" if tried is None else str(tried), "-" if good is None else f"{good} {good_name}", note))

row("kills of the installer, native", total("crash", "kills"), total("crash", "survived"), "survived",
    f"{total('crash', 'lost')} databases lost")
if wine_kills > 0:
    row("kills of installer.exe under Wine", total("wine", "kills"), total("wine", "survived"), "survived",
        f"{total('wine', 'lost')} databases lost")
row("disk full during the install", total("diskfull", "cases"), total("diskfull", "passed"), "clean")
row("failing writes to a database", total("writes", "faults_injected"), total("writes", "faults_survived"), "survived")
row("hostile and damaged archives", total("archives", "inputs_tried"), total("archives", "inputs_rejected"),
    "rejected")
row("damaged databases", total("databases", "inputs_tried"), total("databases", "inputs_rejected"), "rejected",
    "the rest read without harm")
row("bad package databases", total("packages", "inputs_tried"), total("packages", "inputs_rejected"),
    "rejected", "installed database restored")
for summary in sorted(glob.glob(".fuzz/summary/*.txt")):
    fields = dict(line.split(" ", 1) for line in open(summary).read().splitlines() if " " in line)
    row(f"fuzzing {fields['target']} ({fields['seconds']} s)", fields["executions"] + " runs", fields["all_findings"],
        "findings", f"corpus {fields['corpus']} inputs")
if not glob.glob(".fuzz/summary/*.txt"):
    rows.append(("fuzzing", "-", "-", "no campaign on record: scripts/fuzz-campaign.sh"))

widths = [max(len(r[i]) for r in rows + [("what", "tried", "outcome", "note")]) for i in range(4)]
line = lambda r: "  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip()
print(line(("what", "tried", "outcome", "note")))
print(line(tuple("-" * w for w in widths)))
for r in rows:
    print(line(r))
bad = [n for n in ("crash", "diskfull", "writes", "archives", "databases", "packages") if failed(n)]
if wine_kills > 0 and failed("wine"):
    bad.append("wine")
if bad:
    print("\nfailed or missing: " + ", ".join(bad))
    sys.exit(1)
EOF
