#!/usr/bin/env bash
# Builds and runs Seep's benchmarks: the painting scenarios (bench/*.json)
# with the painter's time step and the plain reference step side by side,
# then the peak memory of playing a long session (bench_session_memory,
# once: the figure does not vary), then the deposition texture refresh on a
# display (a private Xvfb when none is set). Extra arguments go to both benchmark programs, e.g.
#   scripts/bench.sh --benchmark_filter=paper-stroke
# Reports medians of 5 repetitions, interleaved so both steps meet the same
# load on a shared machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SEEP_BENCH_BUILD:-"$root/build"}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target bench_scenarios bench_photo bench_session_memory bench_texture -j"$(nproc)"

# Each repetition plays a scenario a few times at most: the 4096 x 4096
# picture takes seconds to load before every play, which no timing counts.
options=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true
         --benchmark_enable_random_interleaving=true --benchmark_min_time=0.05)

"$build/bench/bench_scenarios" "${options[@]}" "$@"
"$build/bench/bench_photo" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true "$@"
"$build/bench/bench_session_memory" "$@"

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 1400x900x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=$display
  sleep 1
fi
"$build/bench/bench_texture" "${options[@]}" "$@"
