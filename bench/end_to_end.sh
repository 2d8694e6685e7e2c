#!/usr/bin/env bash
# End-to-end speed of the real tonvert against a floor, on one machine in one
# run:
#   1. builds tonvert, make_collection and write_floor (Release);
#   2. makes a collection of SONGS songs (c1) and one of twice as many (c2,
#      whose first SONGS songs are those of c1), each one .msc with its .vce
#      and .vct;
#   3. in ROUNDS rounds, times tonvert on c1 and on c2 (wall time by
#      hyperfine when installed, else a date +%s%N loop; CPU time, user +
#      system, by perf stat, else /usr/bin/time) and the floor on c1's
#      output: a program that only writes the same bytes into the same
#      number of files (it reads them into memory first and times only
#      open/write/close);
#   4. reports medians, tonvert / floor, c2 / c1 (linear cost: about 2), and
#      the peak memory of tonvert (/usr/bin/time -v) beside the input size
#      and the largest MML file.
# Rounds alternate the programs so that load from other work on the machine
# falls on all of them alike.
#
# usage: bench/end_to_end.sh [SONGS=3000] [ROUNDS=5] [RUNS_PER_ROUND=3]
# environment: BUILD (build directory, default <source>/build-bench),
#              WORK (scratch directory, default a new one under /dev/shm;
#              give one on a disk to see the disk's part).
set -euo pipefail

SOURCE=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${BUILD:-$SOURCE/build-bench}
SONGS=${1:-3000}
ROUNDS=${2:-5}
RUNS=${3:-3}
if (( SONGS * 2 > 32767 )); then
  echo "end_to_end: at most 16383 songs (the doubled collection is one music file)" >&2
  exit 2
fi
# On a memory file system by default: the figures are then those of the
# converter and the kernel's page cache, not of the disk.
WORK=${WORK:-$(mktemp -d /dev/shm/tonvert-e2e.XXXXXX)}
mkdir -p "$WORK"

echo "== build ($BUILD, Release)"
cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTONVERT_BENCH=ON \
  -DTONVERT_TESTS=OFF > "$WORK/configure.log"
cmake --build "$BUILD" -j2 --target tonvert make_collection write_floor > "$WORK/build.log"
WALL_TOOL=$(command -v hyperfine > /dev/null && echo hyperfine || echo date)
TONVERT=$BUILD/tonvert
FLOOR=$BUILD/bench/write_floor
MAKE=$BUILD/bench/make_collection

echo "== collections in $WORK"
"$MAKE" "$WORK/c1" "$SONGS" | tee "$WORK/c1.sizes"
"$MAKE" "$WORK/c2" $((SONGS * 2)) | tee "$WORK/c2.sizes"

# One run each first: makes the output directories and files, so that every
# timed run overwrites existing files, and checks the status.
"$TONVERT" "$WORK/c1" > "$WORK/c1.console"
"$TONVERT" "$WORK/c2" > "$WORK/c2.console"
files=$(find "$WORK/c1" -maxdepth 1 -type f | wc -l)
mml_bytes=$(find "$WORK/c1" -maxdepth 1 -type f -printf '%s\n' | awk '{s += $1} END {print s}')
largest_mml=$(find "$WORK/c1" -maxdepth 1 -type f -printf '%s\n' | sort -n | tail -1)
echo "c1: $files MML files, $mml_bytes bytes; largest $largest_mml bytes"

# Wall times (ms) of RUNS runs of a command, one a line.
wall_runs() {
  if command -v hyperfine > /dev/null; then
    hyperfine --style none --warmup 1 --runs "$RUNS" --export-json "$WORK/hf.json" \
      --output null "$1" > /dev/null
    python3 -c 'import json,sys; [print(t * 1000) for t in json.load(open(sys.argv[1]))["results"][0]["times"]]' \
      "$WORK/hf.json"
  else
    for _ in $(seq "$RUNS"); do
      local start end
      start=$(date +%s%N)
      $1 > /dev/null
      end=$(date +%s%N)
      echo "$start $end" | awk '{printf "%.3f\n", ($2 - $1) / 1e6}'
    done
  fi
}

# CPU times (ms, user + system) of RUNS runs of a command, one a line: the
# figure that other work on the machine disturbs least.
cpu_runs() {
  for _ in $(seq "$RUNS"); do
    if perf stat -x, -e task-clock -o "$WORK/perf.csv" $1 > /dev/null 2>&1; then
      awk -F, '$3 == "task-clock" {print $1}' "$WORK/perf.csv"
    else
      /usr/bin/time -f '%U %S' -o "$WORK/time.txt" $1 > /dev/null
      awk '{printf "%.3f\n", ($1 + $2) * 1000}' "$WORK/time.txt"
    fi
  done
}

for f in t1 t2 floor t1cpu t2cpu floorcpu; do : > "$WORK/$f.ms"; done
for round in $(seq "$ROUNDS"); do
  wall_runs "$TONVERT $WORK/c1" >> "$WORK/t1.ms"
  cpu_runs "$TONVERT $WORK/c1" >> "$WORK/t1cpu.ms"
  "$FLOOR" "$WORK/c1" "$WORK/floor1" "$RUNS" > "$WORK/floor.out"
  awk '/^floor_run_ms/ {print $2}' "$WORK/floor.out" >> "$WORK/floor.ms"
  awk '/^floor_run_ms/ {print $4}' "$WORK/floor.out" >> "$WORK/floorcpu.ms"
  wall_runs "$TONVERT $WORK/c2" >> "$WORK/t2.ms"
  cpu_runs "$TONVERT $WORK/c2" >> "$WORK/t2cpu.ms"
  echo "round $round of $ROUNDS done"
done

median() { sort -g "$1" | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
t1=$(median "$WORK/t1.ms")
t2=$(median "$WORK/t2.ms")
tf=$(median "$WORK/floor.ms")
c1=$(median "$WORK/t1cpu.ms")
c2=$(median "$WORK/t2cpu.ms")
cf=$(median "$WORK/floorcpu.ms")

echo "== peak memory (/usr/bin/time -v)"
peak_kb() { /usr/bin/time -v "$@" 2>&1 > /dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'; }
peak1=$(peak_kb "$TONVERT" "$WORK/c1")
peak2=$(peak_kb "$TONVERT" "$WORK/c2")
in1=$(( $(stat -c %s "$WORK/c1.msc") + $(stat -c %s "$WORK/c1.vce") + $(stat -c %s "$WORK/c1.vct") ))
in2=$(( $(stat -c %s "$WORK/c2.msc") + $(stat -c %s "$WORK/c2.vce") + $(stat -c %s "$WORK/c2.vct") ))
largest2=$(find "$WORK/c2" -maxdepth 1 -type f -printf '%s\n' | sort -n | tail -1)

echo "== results (medians of $((ROUNDS * RUNS)) runs each; wall time by ${WALL_TOOL})"
awk -v t1="$t1" -v t2="$t2" -v tf="$tf" -v c1="$c1" -v c2="$c2" -v cf="$cf" -v songs="$SONGS" \
    -v in1="$in1" -v mml="$mml_bytes" -v p1="$peak1" -v p2="$peak2" -v in2="$in2" \
    -v l1="$largest_mml" -v l2="$largest2" 'BEGIN {
  printf "                              wall ms    CPU ms\n"
  printf "tonvert c1 (%5d songs)   %9.1f %9.1f\n", songs, t1, c1
  printf "floor (same files as c1)  %9.1f %9.1f\n", tf, cf
  printf "tonvert c2 (%5d songs)   %9.1f %9.1f\n", 2 * songs, t2, c2
  printf "tonvert / floor           %9.2f %9.2f\n", t1 / tf, c1 / cf
  printf "c2 / c1 (linear: 2)       %9.2f %9.2f\n", t2 / t1, c2 / c1
  printf "c1: %.1f MB of input, %.1f MB of MML: %.0f MB/s of MML by wall time, %.0f by CPU time\n", in1 / 1e6, mml / 1e6, mml / 1e3 / t1, mml / 1e3 / c1
  printf "peak memory c1: %.1f MB for %.1f MB of input, largest MML %.1f KB: %.1f MB beyond both\n", p1 * 1024 / 1e6, in1 / 1e6, l1 / 1e3, (p1 * 1024 - in1 - l1) / 1e6
  printf "peak memory c2: %.1f MB for %.1f MB of input, largest MML %.1f KB: %.1f MB beyond both\n", p2 * 1024 / 1e6, in2 / 1e6, l2 / 1e3, (p2 * 1024 - in2 - l2) / 1e6
}' | tee "$WORK/results.txt"
echo "(raw times in $WORK/*.ms)"
