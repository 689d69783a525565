#!/usr/bin/env bash
# Formats the C++ sources with the committed .clang-format.
#   scripts/format.sh [FILE|FOLDER ...]          rewrite in place (default: the whole tree)
#   scripts/format.sh --check [FILE|FOLDER ...]  change nothing; list the files that would
#                                                change and exit 1 when there are any
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
check=0
if [ "${1:-}" = "--check" ]; then check=1; shift; fi
[ $# -gt 0 ] || set -- .
mapfile -t files < <(git ls-files -- "$@" | grep -E '\.(cpp|h)$' | grep -v -e '^\.deps/' -e 'node_modules/' || true)
[ ${#files[@]} -gt 0 ] || exit 0
if [ $check = 0 ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
changed=0
for f in "${files[@]}"; do
  if ! clang-format "$f" | cmp -s - "$f"; then
    echo "$f"
    changed=1
  fi
done
exit $changed
