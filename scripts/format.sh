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
  differ=()
  for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || differ+=("$f")
  done
  if [ ${#differ[@]} -gt 0 ]; then
    printf 'not in the project style: %s\n' "${differ[@]}"
    echo "scripts/format.sh rewrites them"
    exit 1
  fi
  echo "${#files[@]} sources in the project style"
else
  clang-format -i "${files[@]}"
fi
