#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. the portable core's unit tests on the host, under AddressSanitizer and
#      UndefinedBehaviorSanitizer;
#   2. a bounded libFuzzer run over the registry reader and the server list;
#   3. Quorvel.exe cross-built with mingw-w64 and tested end to end under
#      Wine on Xvfb, through its window, with the in-process view tests;
#   4. the same Windows side built again with clang and lld, which counts as
#      one test ("build with clang").
# Ends with one line "tests: N passed, M failed"; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/install-deps.sh || exit 1

jobs=${QUORVEL_JOBS:-2}
logs="$root/build/test-logs"
mkdir -p "$logs"
passed=0
failed=0
status=0

# Configures and builds one preset; on failure shows why and returns 1.
configure_and_build() {
  local preset=$1 build_dir=$2
  if ! cmake --preset "$preset" >"$logs/$preset-configure.log" 2>&1; then
    cat "$logs/$preset-configure.log"
    echo "=== $preset: configure failed"
    return 1
  fi
  if ! cmake --build "$build_dir" -j "$jobs" >"$logs/$preset-build.log" 2>&1; then
    tail -n 60 "$logs/$preset-build.log"
    echo "=== $preset: build failed"
    return 1
  fi
}

# Configures, builds and tests one preset, adding ctest's counts to the sums.
run_preset() {
  local preset=$1 test_dir=$2
  echo "=== $preset: configure and build"
  if ! configure_and_build "$preset" "$test_dir"; then
    status=1 failed=$((failed + 1))
    return
  fi
  echo "=== $preset: tests"
  run_ctest "$preset" "$test_dir" --output-on-failure -LE bench
  if ctest --test-dir "$test_dir" -N -L bench | grep -q "Total Tests: [1-9]"; then
    echo "=== $preset: benchmarks (figures only, they never fail on speed)"
    run_ctest "$preset-bench" "$test_dir" -V -L bench
  fi
}

# Runs ctest once and adds its counts to the sums.
run_ctest() {
  local name=$1 test_dir=$2
  shift 2
  local log="$logs/$name-ctest.log" rc
  if [[ $name == *-bench ]]; then
    ctest --test-dir "$test_dir" -j 1 "$@" >"$log" 2>&1
    rc=$?
    # Only the figures: what the benchmarks themselves print.
    grep -E '^[0-9]+: ' "$log" |
      grep -vE '^[0-9]+: (Test command|Working Directory|Environment|Test timeout|Note:|Running main|\[)' |
      sed -E 's/^[0-9]+: //'
    grep -E "tests passed|Failed|\*\*\*" "$log"
  else
    ctest --test-dir "$test_dir" -j 1 "$@" 2>&1 | tee "$log"
    rc=${PIPESTATUS[0]}
  fi
  [[ $rc -ne 0 ]] && status=1
  local line total bad
  line=$(grep -E "tests passed, [0-9]+ tests? failed out of [0-9]+" "$log" |
    tail -n 1)
  if [[ -n $line ]]; then
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
  elif [[ $rc -ne 0 ]]; then
    failed=$((failed + 1))
  fi
}

run_preset host "$root/build/host"
run_preset fuzz "$root/build/fuzz"
run_preset mingw "$root/build/mingw"

# A second compiler over the same Windows side: its build is one test.
echo "=== mingw-clang: configure and build (test: build with clang)"
if configure_and_build mingw-clang "$root/build/mingw-clang"; then
  echo "=== build with clang: passed"
  passed=$((passed + 1))
else
  echo "=== build with clang: failed"
  status=1 failed=$((failed + 1))
fi

echo "tests: $passed passed, $failed failed"
exit $status
