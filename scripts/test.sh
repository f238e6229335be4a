#!/usr/bin/env bash
# Builds every preset and runs every test:
#   format          every C and C++ source in the style of .clang-format
#   host            the Linux tests on the simulated Windows, built once, under
#                   AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz            every libFuzzer target for a short fixed number of executions
#   e2e network     the real broadcast path inside a private network namespace
#   win64           the Windows tests under wine64 on a virtual display
#   win64 network   Pelmora.exe's network installation under wine64 inside a
#                   private network namespace
#   win32           the shipping 32-bit programs: built and linked
#   release package scripts/package.sh's signed zip and MSI, checked; the MSI
#                   installed, upgraded and removed with Wine's msiexec
# Installs what is missing first. Ends with one line "N passed, N failed".
#
# Two cores do the work: OpenSSL for the win64 build is built while the host
# stages run, the one for i686 while the win64 build runs; the win32 build
# and the release package are built while the win64 tests and the network
# installation run under Wine. The times of every stage go to
# build/test-logs/times.txt.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
export PELMORA_CACHE=${PELMORA_CACHE:-/var/cache/pelmora}
jobs=${PELMORA_JOBS:-2}
log_dir=$root/build/test-logs
mkdir -p "$log_dir"
start_time=$(date +%s)
: >"$log_dir/times.txt"

# A missing package is a failure of the whole command: nothing after it
# could be trusted.
if ! bash scripts/install-deps.sh; then
  echo "install-deps failed"
  echo "Summary: 0 passed, 1 failed"
  exit 1
fi
echo "packages: $(($(date +%s) - start_time)) s" >>"$log_dir/times.txt"

# note_step DIR NAME COMMAND...: runs COMMAND with its output in DIR/NAME.log
# and leaves its exit status in DIR/NAME.status; the background work below
# reports to the stages that way.
note_step() {
  local dir=$1 name=$2 rc=0
  shift 2
  "$@" >"$dir/$name.log" 2>&1 || rc=$?
  echo "$rc" >"$dir/$name.status"
  return "$rc"
}
# noted_ok DIR NAME: true when that step succeeded; otherwise shows the end
# of its log.
noted_ok() {
  [ "$(cat "$1/$2.status" 2>/dev/null)" = 0 ] && return 0
  echo "$2 failed:"
  tail -n 60 "$1/$2.log" 2>/dev/null || echo "(it did not run)"
  return 1
}

# OpenSSL for mingw in the background: x86_64 behind the host stages, then
# i686 behind the win64 build. The background builds run at a lower
# priority: the tests in the foreground that wait for real time (a discovery
# window, a window to appear) get the processor when they need it.
openssl_dir=$log_dir/openssl
rm -rf "$openssl_dir"
mkdir -p "$openssl_dir"
(
  for arch in x86_64 i686; do
    note_step "$openssl_dir" "$arch" nice -n 10 bash scripts/build-openssl-mingw.sh "$arch"
  done
) &
openssl_pid=$!
# openssl_ready ARCH: waits for that architecture's build; true when it
# succeeded. The builds end or fail, so the wait ends.
openssl_ready() {
  local since
  since=$(date +%s)
  while [ ! -s "$openssl_dir/$1.status" ] && kill -0 "$openssl_pid" 2>/dev/null; do sleep 1; done
  echo "openssl $1 (waited for): $(($(date +%s) - since)) s" >>"$log_dir/times.txt"
  noted_ok "$openssl_dir" "$1"
}

# Every sanitized program the command runs (the host tests, the fuzz
# targets, the host tree's printer simulator) stops at its first finding.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

passed=0
failed=0
failed_stages=()

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
  local name=$1 since
  shift
  since=$(date +%s)
  local failed_before=$failed
  echo "=== $name"
  if "$@"; then
    echo "=== $name: ok"
  else
    echo "=== $name: FAILED"
    failed_stages+=("$name")
    # A stage whose build failed ran no test: it counts as one failure.
    [ "$failed" -gt "$failed_before" ] || failed=$((failed + 1))
  fi
  echo "$name: $(($(date +%s) - since)) s" >>"$log_dir/times.txt"
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
# counted COMMAND...: one passed or one failed, by the command's exit status.
counted() {
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    return 1
  fi
}

format_stage() { counted scripts/format.sh --check; }
# The host tests are built and run once, with both sanitizers: the plain
# host preset is the inner loop's.
host_stage() { configure_and_build host-sanitize && run_ctest host-sanitize; }
fuzz_stage() { configure_and_build fuzz && run_ctest fuzz; }
# The printer simulator and the network tool of the host tree.
host_tools=$root/build/host-sanitize
network_stage() {
  require tests/e2e/net/broadcast.sh && counted bash tests/e2e/net/broadcast.sh "$host_tools"
}
win64_stage() {
  openssl_ready x86_64 || return 1
  # The build first; then the background builds and the network
  # installation start, and the Wine environment of the tests.
  configure_and_build win64 -DPELMORA_HOST_BUILD_DIR="$host_tools" || return 1
  windows_package_start
  network_installation_start
  # shellcheck source=scripts/wine-env.sh
  source scripts/wine-env.sh
  pelmora_wine_start || return 1
  local rc=0
  # The network tests use the host tree's printer simulator.
  run_ctest win64 || rc=1
  pelmora_wine_stop
  return "$rc"
}

# The network installation of the real Pelmora.exe, on a Wine prefix and
# display of its own inside a private network namespace, with the wizard and
# unattended: it runs beside the win64 tests, and its stage waits for it.
network_pid=
network_installation() {
  bash tests/e2e/net/pelmora_network.sh "$root/build/win64" "$host_tools" \
    "$root/build/win64/screenshots" &&
    bash tests/e2e/net/pelmora_unattended_network.sh "$root/build/win64" "$host_tools"
}
network_installation_start() {
  note_step "$log_dir" win64-network network_installation &
  network_pid=$!
}
win64_network_stage() {
  require tests/e2e/net/pelmora_network.sh tests/e2e/net/pelmora_unattended_network.sh || return 1
  [ -n "$network_pid" ] || { echo "not started: the win64 build failed"; return 1; }
  wait "$network_pid"
  network_pid=
  noted_ok "$log_dir" win64-network || { failed=$((failed + 1)); return 1; }
  tail -n 3 "$log_dir/win64-network.log"
  passed=$((passed + 1))
}

# The win32 build and the two release packages (an older version, unsigned,
# and this one, signed with a throwaway code-signing certificate) are built
# in the background, at a lower priority, while the win64 tests run under
# Wine; the stages below wait for them.
package_dir=$log_dir/package
package_pid=
package_started=
signer=$root/build/package-signer
windows_package_start() {
  package_started=1
  rm -rf "$package_dir" "$signer"
  mkdir -p "$package_dir" "$signer"
  (
    renice -n 10 -p "$BASHPID" >/dev/null
    step() { note_step "$package_dir" "$@"; }
    step openssl-i686 openssl_ready i686 || exit 1
    step win32 configure_and_build win32 || exit 1
    step signer openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$signer/key.pem" \
      -out "$signer/cert.pem" -subj "/CN=Package test signer/O=Orvane" \
      -addext "basicConstraints=critical,CA:FALSE" -addext "keyUsage=critical,digitalSignature" \
      -addext "extendedKeyUsage=codeSigning" || exit 1
    step package-old bash scripts/package.sh --version 1.9.0 || exit 1
    step package bash scripts/package.sh --cert "$signer/cert.pem" --key "$signer/key.pem"
  ) &
  package_pid=$!
}
# Waits for the background builds (started here when the win64 build failed
# before it could start them); true when step NAME succeeded.
package_step_ok() {
  [ -n "$package_started" ] || windows_package_start
  if [ -n "$package_pid" ]; then
    local since
    since=$(date +%s)
    wait "$package_pid"
    package_pid=
    echo "win32 and release builds (waited for): $(($(date +%s) - since)) s" >>"$log_dir/times.txt"
  fi
  noted_ok "$package_dir" "$1"
}

# The shipping programs link, and Tessaly.exe binds the hook library at load
# time (its import table names it).
imports_tesshook() {
  # grep reads the whole listing: with -q it would stop early, and the
  # objdump it leaves behind would fail the pipe.
  i686-w64-mingw32-objdump -p "$1" | grep 'DLL Name: tesshook.dll' >/dev/null ||
    { echo "Tessaly.exe (i686) does not import tesshook.dll"; return 1; }
}
win32_stage() {
  package_step_ok openssl-i686 && package_step_ok win32 || return 1
  local tessaly=$root/build/win32/monitor/Tessaly.exe
  require "$tessaly" && counted imports_tesshook "$tessaly"
}

# The release package from the win32 tree: the zip unpacked, its layout and
# every program's machine checked; the MSI checked against the zip, every
# signature verified; the MSI installed, upgraded from an older package and
# removed with Wine's msiexec.
package_stage() {
  package_step_ok signer && package_step_ok package-old && package_step_ok package || return 1
  local version out rc=0
  version=$(sed -n 's/^project(Pelmora VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
  out=$root/build/package
  require "$out/Pelmora-$version.zip" "$out/Pelmora-$version.msi" "$out/Pelmora-1.9.0.msi" ||
    return 1
  counted bash tests/package/package_test.sh "$out/Pelmora-$version.zip" || rc=1
  counted bash tests/package/msi_test.sh "$out/Pelmora-$version.msi" "$out/Pelmora-$version.zip" \
    "$signer/cert.pem" || rc=1
  # The same packages from the x86_64 programs, for Wine: an older version,
  # this one, and this one built again.
  local out64=$root/build/package-win64 packages64=()
  if { bash scripts/package.sh --build win64 --version 1.9.0 &&
    bash scripts/package.sh --build win64 &&
    mv "$out64/Pelmora-$version.msi" "$out64/Pelmora-$version-first.msi" &&
    bash scripts/package.sh --build win64; } >"$log_dir/package-win64.log" 2>&1; then
    packages64=("$out64/Pelmora-1.9.0.msi" "$out64/Pelmora-$version-first.msi" "$out64/Pelmora-$version.msi")
  else
    tail -n 20 "$log_dir/package-win64.log"
    rc=1
  fi
  counted bash tests/package/msi_wine_test.sh "$out/Pelmora-1.9.0.msi" "$out/Pelmora-$version.msi" \
    "$root/build/win64" "${packages64[@]}" || rc=1
  return "$rc"
}

stage "format" format_stage
stage "host under AddressSanitizer and UndefinedBehaviorSanitizer" host_stage
stage "fuzz" fuzz_stage
stage "e2e network" network_stage
stage "win64 under wine64" win64_stage
stage "win64 network under wine64" win64_network_stage
stage "win32 build" win32_stage
stage "release package" package_stage
# Nothing is left running when a stage failed before the background builds
# were waited for.
[ -z "$package_pid" ] || wait "$package_pid"
[ -z "$network_pid" ] || wait "$network_pid"
wait "$openssl_pid"

echo "total: $(($(date +%s) - start_time)) s" >>"$log_dir/times.txt"
cat "$log_dir/times.txt"
if [ ${#failed_stages[@]} -gt 0 ]; then
  echo "Failed stages: ${failed_stages[*]}"
fi
echo "Summary: $passed passed, $failed failed"
[ ${#failed_stages[@]} -eq 0 ] && [ "$failed" -eq 0 ]
