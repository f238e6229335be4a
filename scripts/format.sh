#!/usr/bin/env bash
# The project's C and C++ sources in the style of its .clang-format.
#
#   scripts/format.sh          rewrites every tracked source that differs
#   scripts/format.sh --check  changes nothing; lists the files that differ
#                              and fails when there is one
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh format >/dev/null

mapfile -d '' files < <(git ls-files -z -- '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  # One run over every file; each place that differs is reported as
  # "FILE:LINE:COLUMN: error: code should be clang-formatted".
  if ! report=$(clang-format --dry-run --Werror "${files[@]}" 2>&1); then
    differ=$(grep -oE '^[^:]+:[0-9]+:[0-9]+: error' <<<"$report" | cut -d: -f1 | sort -u)
    [ -n "$differ" ] || differ=$report
    while IFS= read -r f; do echo "not in the project style: $f"; done <<<"$differ"
    echo "scripts/format.sh rewrites them"
    exit 1
  fi
  echo "${#files[@]} sources in the project style"
else
  clang-format -i "${files[@]}"
fi
