#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one for a bounded time.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
#   SECONDS   time per target (default 20)
#   TARGET    names without the fuzz_ prefix (default: all of them)
#
# Environment:
#   FUZZ_BUILD_DIR  build folder (default build/fuzz)
#   FUZZ_PARALLEL   how many targets run at once (default 2)
#   FUZZ_WORK_DIR   where the growing corpora, logs and crash files go
#                   (default $FUZZ_BUILD_DIR/work); the seeds in fuzz/corpus are
#                   only read
#   FUZZ_ARGS       more libFuzzer options for every target (e.g. -runs=10000000)
#
# A long run (hours; -jobs=1 per target keeps to one core each):
#   FUZZ_PARALLEL=2 scripts/fuzz.sh 3600
# Each target's last line of statistics (#runs) is printed at the end and kept in
# $FUZZ_WORK_DIR/<target>.log. A crash, leak, timeout or broken property stops the
# script with status 1 and names the saved input (crash-*, leak-*, timeout-*).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
shift || true
build=${FUZZ_BUILD_DIR:-build/fuzz}
parallel=${FUZZ_PARALLEL:-2}
work=${FUZZ_WORK_DIR:-$build/work}
all_targets=(inf_reader regedit4 creg basic_val key_string entry_analysis disk_image)
targets=("${@:-${all_targets[@]}}")

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is needed (apt-get install clang libclang-rt-14-dev)" >&2
  exit 1
fi

echo "== fuzz: configure and build ($build)" >&2
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVESKARO_FUZZ=ON -DVESKARO_SANITIZE=ON -DVESKARO_QT=OFF -DVESKARO_WERROR=ON >/dev/null
cmake --build "$build" --target veskaro_fuzz_all -j "$parallel"

mkdir -p "$work"
# Per-target options: the largest input worth trying, and the dictionary. Small
# inputs reach the same code several times faster: a compact hive of a few keys
# (fuzz/corpus/creg/compact-*) loads in well under a millisecond where the sample's
# 16 KB hive takes several; the larger seeds are still replayed whole by the tests.
options() {
  case $1 in
    # libcreg leaks on some damaged hives (fuzz/lsan.supp); a leak check after
    # every such input would cost more than the run itself.
    creg) echo "-max_len=2400 -detect_leaks=0" ;;
    regedit4) echo "-max_len=1024 -dict=fuzz/dict/regedit4.dict" ;;
    entry_analysis) echo "-max_len=1024 -dict=fuzz/dict/inf.dict" ;;
    inf_reader) echo "-max_len=2048 -dict=fuzz/dict/inf.dict" ;;
    key_string) echo "-max_len=1024 -dict=fuzz/dict/key_string.dict" ;;
    basic_val) echo "-max_len=256 -dict=fuzz/dict/basic_val.dict" ;;
    # Images of about 48 KB: the smallest FAT12 volume with an installation on it.
    disk_image) echo "-max_len=65536 -dict=fuzz/dict/disk_image.dict" ;;
  esac
}

run_one() {
  local name=$1
  local corpus=$work/corpus/$name
  mkdir -p "$corpus" "$work/artifacts/$name"
  local seeds=()
  [[ -d fuzz/corpus/$name ]] && seeds+=("fuzz/corpus/$name")
  [[ -d fuzz/regressions/$name ]] && seeds+=("fuzz/regressions/$name")
  # No allocation stacks, no fill of fresh memory and a quarantine of 1 MB (freed
  # memory is reused while still in the cache; a use after free within one input
  # is still caught): several times more executions. A saved crash input can be
  # rerun with the full defaults.
  # shellcheck disable=SC2046,SC2086
  if ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=1:max_malloc_fill_size=0} \
     LSAN_OPTIONS=suppressions=$PWD/fuzz/lsan.supp \
     "$build/fuzz/fuzz_$name" "$corpus" "${seeds[@]}" $(options "$name") ${FUZZ_ARGS:-} \
      -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$work/artifacts/$name/" >"$work/$name.log" 2>&1; then
    echo "fuzz_$name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/$name.log" |
      grep -o '[0-9]*$') executions in ${seconds}s, no failure"
  else
    echo "fuzz_$name: FAILED; see $work/$name.log and $work/artifacts/$name/" >&2
    grep -E 'ERROR|property violated|SUMMARY|Test unit written' "$work/$name.log" >&2 || true
    return 1
  fi
}
export -f run_one options
export build work seconds FUZZ_ARGS

echo "== fuzz: ${#targets[@]} targets, ${seconds}s each, $parallel at a time" >&2
printf '%s\n' "${targets[@]}" | xargs -P "$parallel" -I{} bash -c 'run_one {}'
