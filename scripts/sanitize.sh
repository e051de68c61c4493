#!/usr/bin/env bash
# Builds Seep with AddressSanitizer (and LeakSanitizer) and
# UndefinedBehaviorSanitizer into build-asan/ (or the folder given) and runs
# the whole test suite there, without the desktop painter, its tests and the
# benchmarks. Any report fails the run: the build stops at the first one
# (-fno-sanitize-recover=all) and every report, also one from a child process
# whose console is closed (the picture decoder), is written to a log folder
# that must stay empty. The code's own invariants (SEEP_ASSERT) are checked
# too; a broken one aborts its test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-asan"}

# float-cast-overflow is not part of GCC's "undefined": a float converted to
# an integer it does not fit is exactly what huge session values would cause.
flags="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSEEP_BUILD_GUI=OFF -DSEEP_BUILD_BENCH=OFF -DSEEP_ASSERTIONS=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
fi
# The build's own output only when it fails: the sanitizers make GCC warn
# about the standard library's insides.
if ! cmake --build "$build" -j"$(nproc)" >"$build/build.log" 2>&1; then
  tail -n 80 "$build/build.log"
  exit 1
fi

logs="$build/sanitizer-logs"
rm -rf "$logs"
mkdir -p "$logs"
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1:log_path=$logs/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:log_path=$logs/ubsan"
export LSAN_OPTIONS="log_path=$logs/lsan"

status=0
# Krita's reading of a painting file is checked by the normal run; here it
# would only time the other program under a slower seep-render.
(cd "$build" && ctest --output-on-failure -j"$(nproc)" -E '^painting_krita$') || status=$?
# The long painting's memory figures, from its own line in the test log.
grep -h '^endurance:' "$build/Testing/Temporary/LastTest.log" | sed 's/^/under the sanitizers, /' || true

if compgen -G "$logs/*" >/dev/null; then
  echo "sanitizer reports:"
  for report in "$logs"/*; do
    echo "==== $report"
    head -n 60 "$report"
  done
  status=1
fi
exit "$status"
