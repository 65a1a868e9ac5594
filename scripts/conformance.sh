#!/usr/bin/env bash
# Runs every outside test cartridge in ../shared/roms with morvel-headless,
# compares each result with tests/conformance/expected.tsv and writes the
# conformance table (docs/conformance.md unless --out says otherwise).
#
#   scripts/conformance.sh [--headless PATH] [--roms DIR] [--out FILE] [--jobs N]
#
# Exit status: 0 when every cartridge gives the result the table expects,
# 1 when one does not (or a cartridge in the folder has no row), 2 for a usage
# error, 77 when the cartridge folder is absent (a skip for CTest).
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
headless=$root/build/morvel-headless
roms=$root/../shared/roms
out=$root/docs/conformance.md
table=$root/tests/conformance/expected.tsv
jobs=$(nproc 2>/dev/null || echo 2)
timeout_seconds=300

while [ $# -gt 0 ]; do
  case $1 in
    --headless) headless=$2; shift 2 ;;
    --roms) roms=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    *) echo "usage: $0 [--headless PATH] [--roms DIR] [--out FILE] [--jobs N]" >&2; exit 2 ;;
  esac
done

if [ ! -d "$roms" ]; then
  echo "conformance: $roms is absent; nothing to run"
  exit 77
fi
if [ ! -x "$headless" ]; then
  echo "conformance: $headless is not built" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One line of text from a block: terminal colour codes and blank lines dropped, runs of spaces and the
# unprintable-tile dots of --screen-text squeezed, lines joined with " / ", and
# '|' escaped for the Markdown table.
condense() {
  sed -e $'s/\x1b\\[[0-9;]*m//g' -e 's/^[ .]*//' -e 's/[ .]*$//' -e 's/  */ /g' | grep -v '^$' | paste -sd'\n' |
    awk 'BEGIN { ORS = "" } { if (NR > 1) print " / "; print }' | sed 's/|/\\|/g'
}

# Compares the --nestest trace with nestest.log, line by line: PC, A, X, Y, P
# (bits 4 and 5 exist only in pushed copies, so they are left out), SP and
# the cycle count. Prints the number of lines that match before the first
# difference and, if there is one, that line of each.
compare_nestest() {
  local ours=$1 log=$2 lines=$3
  awk -v lines="$lines" '
    function hex(s,   i, v) {
      v = 0; s = toupper(s)
      for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1
      return v
    }
    function key(line,   pc, regs, cyc, p) {
      pc = substr(line, 1, 4)
      if (!match(line, /A:[0-9A-F][0-9A-F] X:[0-9A-F][0-9A-F] Y:[0-9A-F][0-9A-F] P:[0-9A-F][0-9A-F] SP:[0-9A-F][0-9A-F]/)) return "?"
      regs = substr(line, RSTART, RLENGTH)
      p = hex(substr(regs, 18, 2))
      p = p - (int(p / 16) % 4) * 16
      regs = substr(regs, 1, 15) sprintf("%02X", p) substr(regs, 20)
      if (!match(line, /CYC:[0-9]+/)) return "?"
      cyc = substr(line, RSTART, RLENGTH)
      return pc " " regs " " cyc
    }
    NR == FNR { ours[FNR] = $0; next }
    FNR <= lines {
      sub(/\r$/, "")
      if (!(FNR in ours) || key(ours[FNR]) != key($0)) {
        printf "%d\nline %d: ours %s, log %s\n", FNR - 1, FNR, (FNR in ours) ? key(ours[FNR]) : "(none)", key($0)
        exit
      }
      matched = FNR
    }
    END { if (matched == lines) print matched }
  ' "$ours" "$log"
}

# Runs one row; writes "STATUS<TAB>RESULT" into $work/N.result, where STATUS is
# the result in the table's words ("pass" or the failing result) and RESULT
# the text for the table.
run_row() {
  local n=$1 file=$2 kind=$3 frames=$4 pass_when=$5 options=$6
  local rom=$roms/$file out=$work/$n.out err=$work/$n.err code status result
  local -a extra=()
  [ "$options" != "-" ] && read -r -a extra <<<"$options"
  case $kind in
    protocol)
      timeout "$timeout_seconds" "$headless" --until-result --frames "$frames" "${extra[@]}" "$rom" >"$out" 2>"$err"
      code=$?
      local text
      text=$(sed 1d "$out" | condense)
      if [ "$code" = "$pass_when" ]; then
        status=pass
        result="passed${text:+: $text}"
      else
        status=$code
        case $code in
          124) result="did not finish within ${timeout_seconds} s" ;;
          128) result="still running after $frames frames${text:+: $text}" ;;
          255) result="never reported through \$6000" ;;
          *) result="failed with code $code${text:+: $text}" ;;
        esac
      fi
      ;;
    screen)
      timeout "$timeout_seconds" "$headless" --frames "$frames" --screen-text "${extra[@]}" "$rom" >"$out" 2>"$err"
      code=$?
      result=$(condense <"$out")
      if [ "$code" != 0 ]; then
        status="exit $code"
        result="stopped with exit status $code"
      elif [[ "$result" == *"$pass_when"* && "$result" != *FAIL* ]]; then
        status=pass
      else
        # The failure in a few words: a result code, a "FAILED"/"Failed"/"Error"
        # line, else the checksum some cartridges end with, else the blank screen.
        status=$(grep -o -E '\$[0-9A-F]{2}|FAILED[^/]*|Failed[^/]*|Error [0-9]+' <<<"$result" |
          head -1 | sed 's/ *$//')
        if [ -z "$status" ] && [[ "$result" =~ (^|/ )([0-9A-F]{8})$ ]]; then
          status="CRC ${BASH_REMATCH[2]}"
        fi
        [ -z "$status" ] && [ -z "$result" ] && status="blank screen"
        status=${status:-"$result"}
      fi
      result="screen: $result"
      ;;
    nestest)
      timeout "$timeout_seconds" "$headless" --nestest --steps "$frames" "${extra[@]}" "$rom" >"$out" 2>"$err"
      code=$?
      local compared matched
      compared=$(compare_nestest "$out" "${rom%.nes}.log" "$frames")
      matched=$(head -1 <<<"$compared")
      if [ "$code" = 0 ] && [ "$matched" = "$frames" ]; then
        status=pass
        result="passed: all $frames lines match nestest.log"
      else
        status="$matched lines"
        result="$matched of $frames lines match; $(sed -n 2p <<<"$compared")"
      fi
      ;;
    interactive)
      timeout "$timeout_seconds" "$headless" --frames "$frames" --screenshot "$work/$n.bmp" "${extra[@]}" "$rom" >"$out" 2>"$err"
      code=$?
      if [ "$code" = 0 ]; then
        status=pass
        result="ran $frames frames without a fault; last picture sha256 $(sha256sum "$work/$n.bmp" | cut -c1-16)"
      else
        status="exit $code"
        result="stopped with exit status $code after at most $frames frames: $(condense <"$err")"
      fi
      ;;
    *)
      status="unknown kind"
      result="the table names an unknown kind \"$kind\""
      ;;
  esac
  printf '%s\t%s\n' "$status" "$result" >"$work/$n.result"
}

# Reads the table. Columns: file, kind, frames (steps for nestest), what the
# result shows when the test passes, the expected result ("pass" or the
# failing result), extra morvel-headless options ("-" for none), and the reason
# for an expected failure ("-" for a pass).
files=() kinds=() frames=() passes=() expects=() options=() reasons=()
while IFS=$'\t' read -r file kind count pass_when expect extra reason; do
  case $file in '' | '#'*) continue ;; esac
  files+=("$file") kinds+=("$kind") frames+=("$count") passes+=("$pass_when")
  expects+=("$expect") options+=("$extra") reasons+=("$reason")
done <"$table"

running=0
for i in "${!files[@]}"; do
  if [ ! -f "$roms/${files[$i]}" ]; then
    printf 'missing\tthe cartridge is not in %s\n' "$roms" >"$work/$i.result"
    continue
  fi
  run_row "$i" "${files[$i]}" "${kinds[$i]}" "${frames[$i]}" "${passes[$i]}" "${options[$i]}" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n
    running=$((running - 1))
  fi
done
wait

# Every cartridge in the folder must have a row, so that a new one is not
# silently left out.
unlisted=()
while IFS= read -r rom; do
  rel=${rom#"$roms"/}
  listed=0
  for file in "${files[@]}"; do [ "$file" = "$rel" ] && listed=1; done
  [ $listed = 1 ] || unlisted+=("$rel")
done < <(find "$roms" -name '*.nes' | sort)

describe_kind() {
  case $1 in
    protocol) echo "\$6000" ;;
    screen) echo "screen text" ;;
    nestest) echo "nestest log" ;;
    interactive) echo "interactive" ;;
    *) echo "$1" ;;
  esac
}

rows="" mismatches=() tests=0 passed=0 interactive=0 interactive_ok=0
for i in "${!files[@]}"; do
  IFS=$'\t' read -r status result <"$work/$i.result"
  expect=${expects[$i]}
  if [ "${kinds[$i]}" = interactive ]; then
    interactive=$((interactive + 1))
    [ "$status" = pass ] && interactive_ok=$((interactive_ok + 1))
  else
    tests=$((tests + 1))
    [ "$status" = pass ] && passed=$((passed + 1))
  fi
  if [ "$status" = pass ]; then
    verdict="passes"
    [ "${kinds[$i]}" = interactive ] && verdict="runs"
  else
    verdict="fails"
  fi
  why=${reasons[$i]}
  [ "$why" = "-" ] && why=""
  if [ "$status" != "$expect" ]; then
    verdict="**changed** (table expects $expect)"
    mismatches+=("${files[$i]}: expected $expect, got $status ($result)")
  fi
  rows+="| ${files[$i]} | $(describe_kind "${kinds[$i]}") | $result | $verdict | $why |"$'\n'
done

mkdir -p "$(dirname "$out")"
{
  echo "# Conformance with the outside test cartridges"
  echo
  echo "Written by \`scripts/conformance.sh\`, which runs every cartridge in \`../shared/roms\` with"
  echo "\`morvel-headless\` and compares the result with \`tests/conformance/expected.tsv\`."
  echo "Test cartridges report through the \$6000 protocol, through text on the screen"
  echo "(read from the nametable with \`--screen-text\`) or, for nestest, through a trace"
  echo "compared with its log; the interactive ones are run for a number of frames and"
  echo "must not stop with a fault."
  echo
  echo "**$passed of $tests test cartridges pass**; $interactive_ok of $interactive interactive cartridges run without a fault."
  echo
  echo "| Cartridge | Reports through | Result | Status | Why it differs from the console |"
  echo "|---|---|---|---|---|"
  printf '%s' "$rows"
  if [ ${#unlisted[@]} -gt 0 ]; then
    echo
    echo "Cartridges in the folder without a row in the table (not run): ${unlisted[*]}"
  fi
} >"$out"

echo "conformance: $passed of $tests test cartridges pass, $interactive_ok of $interactive interactive ones run; wrote $out"
status=0
for m in "${mismatches[@]}"; do
  echo "conformance: $m" >&2
  status=1
done
if [ ${#unlisted[@]} -gt 0 ]; then
  echo "conformance: no row in $table for: ${unlisted[*]}" >&2
  status=1
fi
[ $status = 0 ] || echo "conformance: update $table when a result changed on purpose" >&2
exit $status
