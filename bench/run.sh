#!/usr/bin/env bash
# Measures morvel on the build scripts/test.sh makes (RelWithDebInfo, warnings
# as errors), in a folder of its own, and checks the instruction budgets:
#   - host instructions per frame in the steady state, counted by callgrind:
#     (total of a LONG-frame run - total of a LONG/3-frame run) / (2 LONG / 3),
#     with sound mixing on (--bench); the check fails when one is over budget;
#   - frames per second, the best of three 3000-frame --bench runs;
#   - the desktop program's time from main() to its first frame shown, with a
#     cartridge on the command line (MORVEL_STARTUP_TIME), the best of three;
#   - the costliest functions of the first cartridge's steady state.
# Writes the results to docs/performance.md.
#
#   bench/run.sh [--frames LONG] [--no-fps] [--no-desktop] [--no-doc]
#
# LONG is 600 by default (MORVEL_BENCH_FRAMES), the frame counts the budgets
# are for. 300 takes half the time and gives the same counts for all but
# instr_test, whose tests differ in load (2.7 % more at 300 on 2026-12-08).
# MORVEL_BENCH_BUILD_DIR names the build folder (default build-bench;
# --no-desktop configures it without the desktop program);
# MORVEL_BENCH_CMAKE_ARGS adds options to its configuration (to compare
# compiler options; use --no-doc with it).
# The exit status is 1 when a count is over its budget. A cartridge that is
# not there is skipped with a message.
set -euo pipefail
cd "$(dirname "$0")/.."
began=$(date +%s)
build=${MORVEL_BENCH_BUILD_DIR:-build-bench}
long=${MORVEL_BENCH_FRAMES:-600}
fps_runs=1
desktop=1
doc=docs/performance.md
while [ $# -gt 0 ]; do
  case $1 in
    --frames) long=$2; shift ;;
    --no-fps) fps_runs=0 ;;
    --no-desktop) desktop=0 ;;
    --no-doc) doc= ;;
    *) echo "usage: bench/run.sh [--frames LONG] [--no-fps] [--no-desktop] [--no-doc]" >&2; exit 2 ;;
  esac
  shift
done
short=$((long / 3))
steady=$((long - short))
shared=../shared/roms

# The budgets, in millions of host instructions per frame: the cartridge
# (under ../shared/roms), a peer program's count, this program's count before
# the machine ran the PPU and APU in every CPU cycle, and the budget.
budgets=(
  "games/nes15-NTSC.nes                4.41 7.41 2.9"
  "mappers/240pee-unrom.nes            5.82 7.96 3.9"
  "cpu/instr_test-v5-official_only.nes 2.53 5.85 1.7"
  "mappers/mmc3_test-2-details.nes     5.23 7.55 3.5"
)

command -v valgrind >/dev/null || { echo "bench: valgrind is needed for the instruction counts" >&2; exit 2; }
# The configuration of scripts/test.sh, so that its build folder can be given
# (MORVEL_BENCH_BUILD_DIR=build) and is then used as it is.
# The desktop choice is given either way: a folder bench/play.sh made has it off.
desktop_option=(-DMORVEL_DESKTOP=ON)
[ "$desktop" = 0 ] && desktop_option=(-DMORVEL_DESKTOP=OFF)
# shellcheck disable=SC2086  # MORVEL_BENCH_CMAKE_ARGS is a list of options
cmake -S . -B "$build" -G Ninja -DMORVEL_WERROR=ON "${desktop_option[@]}" ${MORVEL_BENCH_CMAKE_ARGS:-} >/dev/null
targets=(morvel-headless)
[ "$desktop" = 1 ] && targets+=(morvel)
cmake --build "$build" --target "${targets[@]}" >/dev/null
headless=$build/morvel-headless
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints the millions of instructions per frame of the steady state of $1 and
# keeps both callgrind profiles as $work/cg.long and $work/cg.short.
PerFrame() {
  local run frames
  for run in long short; do
    frames=$long
    [ "$run" = short ] && frames=$short
    valgrind --tool=callgrind --callgrind-out-file="$work/cg.$run" "$headless" --bench \
      --frames "$frames" "$1" >/dev/null 2>"$work/cg.err" ||
      { cat "$work/cg.err" >&2; echo "bench: the run of $1 failed" >&2; return 1; }
  done
  awk -v s="$steady" 'FNR == 1 { n++ } /^summary:/ { t[n] = $2 }
    END { printf "%.2f\n", (t[1] - t[2]) / s / 1e6 }' "$work/cg.long" "$work/cg.short"
}

# Prints the ten costliest functions of the steady state of the profiles in
# $work, as table rows with their share: each function's own instructions in
# the long run minus those in the short one (inlined code counts to the
# function it was inlined into).
Costliest() {
  local f
  for f in long short; do
    callgrind_annotate --inclusive=no --threshold=100 --auto=no "$work/cg.$f" |
      awk -v run="$f" 'match($0, /^ *[0-9,]+ \( *[0-9.]+%\)  /) {
        count = $1; gsub(/,/, "", count)
        name = substr($0, RLENGTH + 1)
        if (name ~ /PROGRAM TOTALS/) next
        sub(/^[^:]*:/, "", name); sub(/ \[[^]]*\]$/, "", name)
        print run "\t" count "\t" name }'
  done | awk -F'\t' '{ sign = $1 == "long" ? 1 : -1; own[$3] += sign * $2; total += sign * $2 }
    END { for (n in own) printf "%.2f\t%s\n", 100 * own[n] / total, n }' |
    sort -t$'\t' -k1,1 -rn | awk -F'\t' 'NR <= 10 { printf "| `%s` | %s %% |\n", $2, $1 }'
}

Best() { awk -v a="$1" -v b="$2" 'BEGIN { print (b > a) ? b : a }'; }

over=0
budget_rows=""
fps_rows=""
profile=""
profiled=""
[ "$long" = 600 ] || echo "note: the budgets are for 600 and 200 frames; these counts are for $long and $short"
printf '%-38s %7s %7s %8s %7s\n' cartridge peer today budget now
for entry in "${budgets[@]}"; do
  read -r name peer today budget <<<"$entry"
  rom=$shared/$name
  if [ ! -f "$rom" ]; then
    echo "skipping $name: $rom not found"
    continue
  fi
  now=$(PerFrame "$rom")
  verdict=""
  if awk -v n="$now" -v b="$budget" 'BEGIN { exit !(n > b) }'; then
    verdict=" over budget"
    over=1
  fi
  printf '%-38s %5s M %5s M %3s %s M %5s M%s\n' "$name" "$peer" "$today" "<=" "$budget" "$now" "$verdict"
  budget_rows+="| $name | $peer M | $today M | <= $budget M | $now M${verdict:+ (over)} |"$'\n'
  if [ -z "$profiled" ]; then
    profile=$(Costliest)
    profiled=$name
  fi
  if [ "$fps_runs" = 1 ]; then
    fps=0
    for _ in 1 2 3; do
      # The run's messages (its closing "EMU PAUSED") are shown only on failure.
      f=$("$headless" --bench --frames 3000 "$rom" 2>"$work/fps.err" | sed -n 's/^fps: //p')
      [ -n "$f" ] || { cat "$work/fps.err" >&2; echo "bench: no fps from $name" >&2; exit 2; }
      fps=$(Best "$fps" "$f")
    done
    fps_rows+="| $name | $fps |"$'\n'
  fi
done

if [ -n "$fps_rows" ]; then
  echo
  echo "frames per second (best of three 3000-frame runs):"
  sed 's/^| //; s/ |$//; s/ | /: /' <<<"${fps_rows%$'\n'}"
fi

startup=""
if [ "$desktop" = 1 ] && [ -f "$shared/games/nes15-NTSC.nes" ]; then
  # A fresh folder stands for a first start: the program keeps its folders and
  # settings beside itself, and its single-instance socket in XDG_RUNTIME_DIR.
  best=""
  for _ in 1 2 3; do
    home=$(mktemp -d "$work/desktop.XXXX")
    cp "$build/morvel" "$home/"
    t=$(QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR=$home MORVEL_STARTUP_TIME=1 \
      "$home/morvel" "$PWD/$shared/games/nes15-NTSC.nes" | sed -n 's/^first frame: \([0-9.]*\) s$/\1/p')
    [ -n "$t" ] || { echo "bench: the desktop program showed no frame" >&2; exit 1; }
    best=$(awk -v a="${best:-$t}" -v b="$t" 'BEGIN { print (b < a) ? b : a }')
  done
  startup=$best
  echo
  echo "desktop program, main() to the first frame shown (best of three): $startup s (target < 0.5 s)"
fi

echo
echo "costliest functions of the steady state of $profiled:"
# shellcheck disable=SC2016  # the backquotes are the table's, not the shell's
sed 's/^| `//; s/` | / /; s/ |$//' <<<"$profile"

if [ -n "$doc" ]; then
  cpu=$(lscpu | sed -n 's/^Model name: *//p')
  compiler=$(sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt")
  flags=$(sed -n 's/^CMAKE_CXX_FLAGS_RELWITHDEBINFO:[A-Z]*=//p' "$build/CMakeCache.txt")
  {
    cat <<DOC
# Performance

Measured by \`bench/run.sh\` on $(date -u +%Y-%m-%d): $cpu, $(nproc) cores,
$(free -g | awk '/Mem:/{print $2}') GiB; $("$compiler" --version | sed -n 1p), RelWithDebInfo
(\`$flags\`, the machine core at \`-O3\`${MORVEL_BENCH_CMAKE_ARGS:+, \`$MORVEL_BENCH_CMAKE_ARGS\`}). The run took $(($(date +%s) - began)) s, building included.

Instructions per frame are host instructions counted by callgrind in the
steady state: the count of a \`morvel-headless --bench --frames $long\` run minus
that of a $short-frame run, divided by $steady, with sound mixing on. Counts
repeat exactly from run to run. 300 and 100 frames give the same figures but
for instr_test, which runs one test after another (2.7 % more on 2026-12-08);
the budgets are for 600 and 200. The peer column is another program's count
on the same cartridge; "before" is this program's before the machine ran the
PPU and APU in every CPU cycle.

| Cartridge | Peer | Before | Budget | Now |
|---|---|---|---|---|
$budget_rows
DOC
    if [ -n "$fps_rows" ]; then
      cat <<DOC
Frames per second: the best of three \`--bench --frames 3000\` runs (the
console runs at 60.0988, so 1000 fps is about 16 times real time). They vary
by a third from hour to hour with the other work on the host.

| Cartridge | Frames per second |
|---|---|
$fps_rows
DOC
    fi
    if [ -n "$startup" ]; then
      cat <<DOC
Start-up of the desktop program with nes15 on the command line, from main()
to the first frame shown (\`MORVEL_STARTUP_TIME=1\`, Qt's offscreen platform,
SDL's dummy sound driver, a fresh folder), the best of three: **$startup s**
(target: under 0.5 s). The dynamic loader's work before main() adds about 4 ms.

DOC
    fi
    cat <<DOC
The costliest functions of the steady state of $profiled (own instructions;
inlined code counts to the function it was inlined into):

| Function | Share |
|---|---|
$profile
DOC
  } >"$doc"
  echo "wrote $doc"
fi
echo "bench: $(($(date +%s) - began)) s"
exit "$over"
