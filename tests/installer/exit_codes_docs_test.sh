#!/usr/bin/env bash
# Every exit code the installer has is in the documents an administrator
# reads, and each document's table knows no code the installer does not
# have: docs/exit-codes.md, docs/deployment.md, the release package's
# README.txt and the usage text the program prints.
#
#   exit_codes_docs_test.sh SOURCE_DIR
set -u
src=$1
codes=$(sed -nE 's/^inline constexpr std::uint32_t kExit[A-Za-z]+ = ([0-9]+);.*/\1/p' "$src/installer/exit_codes.h" | sort -n)
[ "$(echo "$codes" | wc -l)" -ge 15 ] || { echo "FAIL: exit_codes.h read as: $codes"; exit 1; }
rc=0
# The codes of a table: "| 1603 |" rows in Markdown, "  1603  " rows in the README.
table_codes() {
  case $1 in
    *.md) sed -nE 's/^\| ([0-9]+) \|.*/\1/p' "$1" ;;
    *.txt) sed -n '/^Exit codes/,/^Installing without a user/p' "$1" | sed -nE 's/^ +([0-9]+)  .*/\1/p' ;;
  esac | sort -nu
}
for doc in docs/exit-codes.md docs/deployment.md tools/package/README.txt; do
  listed=$(table_codes "$src/$doc")
  [ "$listed" = "$codes" ] || {
    echo "FAIL: $doc lists $(echo $listed), the installer has $(echo $codes)"
    rc=1
  }
done
# The wizard's 1602 is no code of an unattended run: the usage text has the rest.
usage=$(sed -n '/^const char16_t kUsageText/,/;$/p' "$src/installer/command_switches.cpp")
for code in $codes; do
  [ "$code" = 1602 ] && continue
  echo "$usage" | grep -qE "(^|[^0-9])$code([^0-9]|$)" || { echo "FAIL: the usage text lacks $code"; rc=1; }
done
[ $rc -eq 0 ] && echo "ok: $(echo $codes)"
exit $rc
