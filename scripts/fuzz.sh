#!/usr/bin/env bash
# Builds Seep's fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz/ and runs each of them.
#
#   scripts/fuzz.sh                 a short run, about 30 seconds in all (./test runs this)
#   scripts/fuzz.sh --long [SECS]   each target for SECS seconds (default 600)
#   scripts/fuzz.sh --only NAME     just one target (session, picture, library, area, path, painting)
#
# The library target loads pictures through the image library in the fuzzing
# process itself, without the child process the painter decodes in, to see
# whether the formats the painter trusts it with stay safe; it runs in the
# long run only.
# The committed seeds in fuzz/corpus/<target>/ are only read; what a run
# learns goes to build-fuzz/corpus/<target>/ and is kept for the next run.
# An input that crashes, leaks or hangs is written to build-fuzz/artifacts/
# and the run fails; replay it with build-fuzz/fuzz/<target>_fuzzer FILE.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

mode=short
seconds=""
only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --long) mode=long; if [ $# -gt 1 ] && [[ "$2" =~ ^[0-9]+$ ]]; then seconds=$2; shift; fi ;;
    --only) only=$2; shift ;;
    *) echo "usage: scripts/fuzz.sh [--long [SECONDS]] [--only session|picture|library|area|path|painting]" >&2; exit 2 ;;
  esac
  shift
done

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DSEEP_BUILD_GUI=OFF -DSEEP_BUILD_BENCH=OFF -DSEEP_ASSERTIONS=ON -DSEEP_BUILD_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
fi
if ! cmake --build "$build" -j"$(nproc)" --target session_fuzzer picture_fuzzer library_fuzzer area_fuzzer path_fuzzer bmp_exif_fuzzer painting_fuzzer \
    >"$build/build.log" 2>&1; then
  tail -n 80 "$build/build.log"
  exit 1
fi

# target, seconds of the short run (0: long run only), longest input, options
targets=(
  "session 12 8192"
  "picture 8 65536"
  "library 0 65536 -detect_leaks=0"
  "area 5 2048"
  "path 5 2048"
  "bmp_exif 5 4096"
  "painting 8 262144"
)

export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/artifacts"
failed=()
ran=0
for entry in "${targets[@]}"; do
  read -r name short maxlen options <<<"$entry"
  [ -n "$only" ] && [ "$only" != "$name" ] && continue
  time=$short
  extra=(-seed=1)  # the short run explores the same way each time
  if [ "$mode" = long ]; then
    time=${seconds:-600}
    extra=()
  fi
  if [ "$time" -eq 0 ]; then
    [ -n "$only" ] || continue
    time=30
  fi
  [ -n "${options:-}" ] && extra+=("$options")
  work="$build/corpus/$name"
  mkdir -p "$work"
  dict=()
  [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  echo "fuzzing $name for ${time}s"
  ran=$((ran + 1))
  # Console output of the painter is dropped (-close_fd_mask); the fuzzer's
  # own lines and every sanitizer report still come through. A picture
  # decoder left hanging is cut off well before its own minute runs out.
  scratch="$build/tmp/$name"
  rm -rf "$scratch"
  mkdir -p "$scratch"
  seeds="$root/fuzz/corpus/$name"
  [ -d "$seeds" ] || seeds="$root/fuzz/corpus/picture"
  if ! TMPDIR="$scratch" "$build/fuzz/${name}_fuzzer" "$work" "$seeds" "${dict[@]}" "${extra[@]}" \
      -max_total_time="$time" -max_len="$maxlen" -timeout=20 -rss_limit_mb=4096 \
      -close_fd_mask=3 -print_final_stats=1 -artifact_prefix="$build/artifacts/$name-" \
      >"$build/$name.log" 2>&1; then
    echo "fuzzing $name found a fault:"
    tail -n 60 "$build/$name.log"
    failed+=("$name")
  else
    grep -E '^(stat::number_of_executed_units|stat::new_units_added)' "$build/$name.log" | tr '\n' ' '
    echo
  fi
  rm -rf "$scratch"
done
echo "fuzz: $((ran - ${#failed[@]})) passed, ${#failed[@]} failed"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]} (inputs in $build/artifacts/)"
  exit 1
fi
