#!/usr/bin/env bash
# Builds every preset and runs every test:
#   format          every C and C++ source in the style of .clang-format
#   host            Linux tests on the simulated Windows
#   host-sanitize   the same under AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz            every libFuzzer target for a short fixed number of executions
#   e2e network     the real broadcast path inside a private network namespace
#   win64           the Windows tests under wine64 on a virtual display
#   win64 network   Pelmora.exe's network installation under wine64 inside a
#                   private network namespace
#   win32           the shipping 32-bit programs: built and linked
#   release package scripts/package.sh's signed zip and MSI, checked; the MSI
#                   installed, upgraded and removed with Wine's msiexec
# Installs what is missing first. Ends with one line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export PELMORA_CACHE=${PELMORA_CACHE:-/var/cache/pelmora}
jobs=${PELMORA_JOBS:-2}

bash scripts/install-deps.sh
bash scripts/build-openssl-mingw.sh x86_64 i686

passed=0
failed=0
failed_stages=()
log_dir=$root/build/test-logs
mkdir -p "$log_dir"

# Adds a ctest run's counts ("... N tests failed out of M") to the totals.
count_ctest() {
  local log=$1 line total bad
  line=$(grep -E 'tests? failed out of [0-9]+' "$log" | tail -n1)
  if [ -z "$line" ]; then
    failed=$((failed + 1))
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

stage() {
  local name=$1
  shift
  echo "=== $name"
  if "$@"; then
    echo "=== $name: ok"
  else
    echo "=== $name: FAILED"
    failed_stages+=("$name")
    return 1
  fi
}

configure_and_build() {
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >"$log_dir/$preset-configure.log" 2>&1 ||
    { tail -n 30 "$log_dir/$preset-configure.log"; return 1; }
  cmake --build --preset "$preset" -j "$jobs" >"$log_dir/$preset-build.log" 2>&1 ||
    { grep -E 'error|Error' "$log_dir/$preset-build.log" | head -n 40; return 1; }
}

# The test presets carry the time-out; win64's runs its tests one at a time
# (they share one Wine prefix and its spooler), so it gets no -j here.
run_ctest() {
  local preset=$1
  local log=$log_dir/$preset-ctest.log
  local parallel=(-j "$jobs")
  [ "$preset" = win64 ] && parallel=()
  ctest --preset "$preset" "${parallel[@]}" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  count_ctest "$log"
  return "$rc"
}

# A stage's script or program that is missing fails the stage: it never
# passes unseen.
require() {
  local file
  for file in "$@"; do
    [ -e "$file" ] && continue
    echo "missing: $file"
    failed=$((failed + 1))
    return 1
  done
}

format_stage() {
  if scripts/format.sh --check; then passed=$((passed + 1)); else failed=$((failed + 1)); return 1; fi
}
host_stage() { configure_and_build host && run_ctest host; }
sanitize_stage() {
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  configure_and_build host-sanitize && run_ctest host-sanitize
}
fuzz_stage() {
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  configure_and_build fuzz && run_ctest fuzz
}
network_stage() {
  local script=tests/e2e/net/broadcast.sh
  require "$script" || return 1
  if bash "$script" "$root/build/host"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    return 1
  fi
}
win64_stage() {
  # shellcheck source=scripts/wine-env.sh
  source scripts/wine-env.sh
  pelmora_wine_start || return 1
  local rc=0
  # The preset points the network tests at the host build's printer simulator.
  configure_and_build win64 && run_ctest win64 || rc=1
  pelmora_wine_stop
  return "$rc"
}
# The network installation of the real Pelmora.exe, on a Wine prefix and
# display of its own inside a private network namespace.
win64_network_stage() {
  local script=tests/e2e/net/pelmora_network.sh
  local log=$log_dir/win64-network.log
  require "$script" || return 1
  if bash "$script" "$root/build/win64" "$root/build/host" "$root/build/win64/screenshots" \
    >"$log" 2>&1 &&
    bash tests/e2e/net/pelmora_unattended_network.sh "$root/build/win64" "$root/build/host" >>"$log" 2>&1; then
    tail -n 3 "$log"
    passed=$((passed + 1))
  else
    cat "$log"
    failed=$((failed + 1))
    return 1
  fi
}
# The shipping programs link, and Tessaly.exe binds the hook library at load
# time (its import table names it).
win32_stage() {
  configure_and_build win32 || return 1
  local tessaly=$root/build/win32/monitor/Tessaly.exe
  require "$tessaly" || return 1
  # grep reads the whole listing: with -q it would stop early, and the
  # objdump it leaves behind would fail the pipe.
  if i686-w64-mingw32-objdump -p "$tessaly" | grep 'DLL Name: tesshook.dll' >/dev/null; then
    passed=$((passed + 1))
  else
    echo "Tessaly.exe (i686) does not import tesshook.dll"
    failed=$((failed + 1))
    return 1
  fi
}

# The release package from the win32 tree, signed with a throwaway
# code-signing certificate: the zip unpacked, its layout and every program's
# machine checked; the MSI checked against the zip, every signature verified;
# the MSI installed, upgraded from an older package and removed with Wine's
# msiexec.
package_stage() {
  local log=$log_dir/package.log signer=$root/build/package-signer
  rm -rf "$signer"
  mkdir -p "$signer"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$signer/key.pem" -out "$signer/cert.pem" \
    -subj "/CN=Package test signer/O=Orvane" -addext "basicConstraints=critical,CA:FALSE" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    >"$log" 2>&1 || { cat "$log"; failed=$((failed + 1)); return 1; }
  if ! bash scripts/package.sh --version 1.9.0 >>"$log" 2>&1 ||
    ! bash scripts/package.sh --cert "$signer/cert.pem" --key "$signer/key.pem" >>"$log" 2>&1; then
    tail -n 30 "$log"
    failed=$((failed + 1))
    return 1
  fi
  local zip msi old_msi rc=0
  zip=$(tail -n1 "$log")
  msi=$(tail -n2 "$log" | head -n1)
  old_msi=$(dirname "$msi")/Pelmora-1.9.0.msi
  for check in "tests/package/package_test.sh $zip" "tests/package/msi_test.sh $msi $zip $signer/cert.pem" \
    "tests/package/msi_wine_test.sh $old_msi $msi"; do
    # shellcheck disable=SC2086
    if bash $check; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      rc=1
    fi
  done
  return "$rc"
}

stage "format" format_stage
stage "host" host_stage
stage "host-sanitize" sanitize_stage
stage "fuzz" fuzz_stage
stage "e2e network" network_stage
stage "win64 under wine64" win64_stage
stage "win64 network under wine64" win64_network_stage
stage "win32 build" win32_stage
stage "release package" package_stage

if [ ${#failed_stages[@]} -gt 0 ]; then
  echo "Failed stages: ${failed_stages[*]}"
  [ "$failed" -gt 0 ] || failed=${#failed_stages[@]}
fi
echo "Summary: $passed passed, $failed failed"
[ ${#failed_stages[@]} -eq 0 ] && [ "$failed" -eq 0 ]
