#!/usr/bin/env bash
# Builds the simulation's tests with ThreadSanitizer into build-tsan/ (or
# the folder given) and runs those that use a second thread: the step's
# two-lane stamping against the plain step, the lane split and the worker
# thread itself. Any race it reports fails the run, as does a broken
# invariant of the lanes (SEEP_ASSERT).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-tsan"}

flags="-fsanitize=thread -fno-omit-frame-pointer"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSEEP_BUILD_GUI=OFF -DSEEP_BUILD_BENCH=OFF -DSEEP_ASSERTIONS=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
fi
if ! cmake --build "$build" --target sim_tests util_tests -j"$(nproc)" >"$build/build.log" 2>&1; then
  tail -n 80 "$build/build.log"
  exit 1
fi

# A report is a failure (exit code 66), also one the test itself would
# have passed. Some kernels lay out memory in a way this runtime refuses;
# without address randomisation it always starts.
export TSAN_OPTIONS="halt_on_error=1:exitcode=66"
run() { if command -v setarch >/dev/null; then setarch "$(uname -m)" -R "$@"; else "$@"; fi; }
run "$build/tests/sim_tests" --gtest_filter='StepSideBySide.*:StampLanes.*'
run "$build/tests/util_tests" --gtest_filter='WorkerThread.*'
