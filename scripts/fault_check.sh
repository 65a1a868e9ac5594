#!/usr/bin/env bash
# Measures which deliberate faults the test suite catches.
#
# Each row of scripts/fault_check.tsv names one fault: a text in a file under
# src/ and what to put in its place. For each fault the script puts the text in
# a scratch copy of the committed tree, builds it incrementally, runs the suite
# (all but the soak tests) and records whether a test failed (caught), every
# test passed (missed), or the faulted tree did not build. The scratch copy is
# restored before the next fault. The real tree is only read, through git.
#
# Usage: scripts/fault_check.sh [options]
#   --only ID,ID     run only these faults, in this order
#   --faults FILE    fault list (default: scripts/fault_check.tsv)
#   --resume         skip faults already measured at this commit
#   --fresh          forget every earlier result first
#   --list           check the fault list (each text found exactly once) and stop
#   --work DIR       scratch folder (default: $FAULT_CHECK_DIR or /tmp/morvel-fault-check)
#   --out FILE       results table (default: docs/fault-check.md in the repository)
#   --timeout SEC    limit of one suite run (default 1200); a run cut off counts as caught (hang)
#   --exclude RE     test labels left out (default soak); "soak|conformance" measures
#                    the project's own tests without the outside test cartridges
#   --jobs N         parallel tests and build jobs (default 2)
#   --skip-clean     do not check first that the unfaulted tree passes
#
# Fault list columns, tab separated: id, subsystem, file (under src/), the text
# to find, the replacement, a one-line description. In the two text columns
# \n stands for a line break and \t for a tab. Lines starting with # are comments.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
list=$repo/scripts/fault_check.tsv
work=${FAULT_CHECK_DIR:-/tmp/morvel-fault-check}
out=$repo/docs/fault-check.md
only=""
resume=0
fresh=0
check_only=0
run_timeout=1200
jobs=2
skip_clean=0
exclude=soak

while [ $# -gt 0 ]; do
  case "$1" in
    --only) only=$2; shift 2 ;;
    --faults) list=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
    --resume) resume=1; shift ;;
    --fresh) fresh=1; shift ;;
    --list) check_only=1; shift ;;
    --work) work=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --timeout) run_timeout=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --exclude) exclude=$2; shift 2 ;;
    --skip-clean) skip_clean=1; shift ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "fault_check: unknown option $1" >&2; exit 2 ;;
  esac
done

commit=$(git -C "$repo" rev-parse HEAD)
short=$(git -C "$repo" rev-parse --short HEAD)
# Results are kept per state of the sources the suite builds from, so that a
# commit touching only scripts or documents keeps them.
# Results of a run that leaves other labels out are kept apart.
key=$( { for part in src tests cmake resources fuzz CMakeLists.txt; do
           git -C "$repo" rev-parse "HEAD:$part" 2>/dev/null || echo "-"
         done
         [ "$exclude" = soak ] || echo "exclude $exclude"; } | sha1sum | cut -c1-12)
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no -- src tests cmake CMakeLists.txt)" ]; then
  echo "fault_check: note: uncommitted changes are not measured; commit $short is" >&2
fi

mkdir -p "$work"
exec 9>"$work/lock"
if ! flock -n 9; then
  echo "fault_check: another run is using $work" >&2
  exit 1
fi

stage=$work/stage   # the committed tree, never built in: the source of restores
tree=$work/tree     # the tree that is faulted and built
build=$work/build
results=$work/results.tsv   # sources key, id, outcome, caught by, seconds
logs=$work/logs
mkdir -p "$logs"
[ "$fresh" = 1 ] && rm -f "$results"
touch "$results"

# ---- The fault list ----------------------------------------------------------

# Prints, for every row: id, subsystem, file, description, and the state of the
# row against the committed tree (ok, or stale with the reason).
check_rows() {
  python3 - "$list" "$1" <<'EOF'
import sys, os
listing, root = sys.argv[1], sys.argv[2]
def unescape(s):
    return s.replace('\\n', '\n').replace('\\t', '\t')
seen = set()
for number, line in enumerate(open(listing, encoding='utf-8'), 1):
    line = line.rstrip('\n')
    if not line.strip() or line.startswith('#'):
        continue
    cols = line.split('\t')
    if len(cols) != 6:
        print(f"row{number}\t?\t?\t?\tstale: line {number} has {len(cols)} columns, not 6")
        continue
    fid, sub, path, find, repl, desc = cols
    state = 'ok'
    if fid in seen:
        state = 'stale: the id is used twice'
    seen.add(fid)
    full = os.path.join(root, 'src', path)
    if state == 'ok' and not os.path.isfile(full):
        state = f'stale: no file src/{path}'
    elif state == 'ok':
        text = open(full, encoding='utf-8').read()
        n = text.count(unescape(find))
        if n != 1:
            state = f'stale: the text occurs {n} times in src/{path}'
        elif unescape(find) == unescape(repl):
            state = 'stale: the replacement equals the text'
    print(f"{fid}\t{sub}\t{path}\t{desc}\t{state}")
EOF
}

# Puts fault ID into the scratch tree.
apply_fault() {
  python3 - "$list" "$tree" "$1" <<'EOF'
import sys, os
listing, root, wanted = sys.argv[1:4]
def unescape(s):
    return s.replace('\\n', '\n').replace('\\t', '\t')
for line in open(listing, encoding='utf-8'):
    line = line.rstrip('\n')
    if not line.strip() or line.startswith('#'):
        continue
    fid, sub, path, find, repl, desc = line.split('\t')
    if fid != wanted:
        continue
    full = os.path.join(root, 'src', path)
    text = open(full, encoding='utf-8').read()
    find, repl = unescape(find), unescape(repl)
    if text.count(find) != 1:
        sys.exit(f'the text of {fid} occurs {text.count(find)} times')
    open(full, 'w', encoding='utf-8').write(text.replace(find, repl))
    sys.exit(0)
sys.exit(f'no fault {wanted}')
EOF
}

# ---- The scratch tree ----------------------------------------------------------

# Lays the committed tree into the stage and brings the scratch tree level with
# it, rewriting only the files that differ so that the build stays incremental.
sync_tree() {
  rm -rf "$stage"
  mkdir -p "$stage" "$tree"
  git -C "$repo" archive "$commit" | tar -x -C "$stage"
  python3 - "$stage" "$tree" <<'EOF'
import sys, os, shutil, filecmp
stage, tree = sys.argv[1], sys.argv[2]
wanted = set()
for d, dirs, files in os.walk(stage):
    for f in files:
        rel = os.path.relpath(os.path.join(d, f), stage)
        wanted.add(rel)
        dst = os.path.join(tree, rel)
        src = os.path.join(stage, rel)
        if not os.path.isfile(dst) or not filecmp.cmp(src, dst, shallow=False):
            os.makedirs(os.path.dirname(dst), exist_ok=True)
            shutil.copy(src, dst)
for d, dirs, files in os.walk(tree):
    for f in files:
        rel = os.path.relpath(os.path.join(d, f), tree)
        if rel not in wanted:
            os.remove(os.path.join(tree, rel))
EOF
  # The suite finds the outside test cartridges at ../shared beside the tree.
  if [ -d "$repo/../shared" ] && [ ! -e "$work/shared" ]; then
    ln -s "$(cd "$repo/../shared" && pwd)" "$work/shared"
  fi
}

restore_file() {
  cp "$stage/src/$1" "$tree/src/$1"
}

# ---- Build and test ----------------------------------------------------------------

build_tree() {
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$tree" -B "$build" -G Ninja -DMORVEL_WERROR=OFF >"$1" 2>&1 || return 1
  fi
  nice -n 10 cmake --build "$build" -j "$jobs" >>"$1" 2>&1
}

# Runs the suite; prints "passed", "failed NAME" or "hang NAME".
run_suite() {
  local log=$1 status=0
  ( cd "$build" && timeout --kill-after=30 "$run_timeout" nice -n 10 \
      ctest -j "$jobs" -LE "$exclude" --stop-on-failure --output-on-failure ) >"$log" 2>&1 || status=$?
  if [ "$status" = 0 ]; then
    echo passed
  elif [ "$status" = 124 ] || [ "$status" = 137 ]; then
    echo "hang (the whole run passed ${run_timeout}s)"
  else
    local first
    first=$(grep -E '\*\*\*(Failed|Timeout|Exception)|\(Failed\)|\(Timeout\)|\(Subprocess aborted\)|\(SEGFAULT\)' "$log" \
      | head -1 | sed -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+).*/\1/; s/^ *[0-9]+ - ([^ ]+).*/\1/')
    if grep -qE '\*\*\*Timeout|\(Timeout\)' "$log"; then
      echo "hang ${first:-?}"
    else
      echo "failed ${first:-?}"
    fi
  fi
}

record() {  # id outcome caught-by seconds
  python3 - "$results" "$key" "$@" <<'EOF'
import sys
path, commit, fid, outcome, by, secs = sys.argv[1:7]
rows = [l for l in open(path, encoding='utf-8').read().splitlines()
        if l and l.split('\t')[:2] != [commit, fid]]
rows.append('\t'.join([commit, fid, outcome, by, secs]))
open(path, 'w', encoding='utf-8').write('\n'.join(rows) + '\n')
EOF
}

measured() {
  awk -F'\t' -v c="$key" -v id="$1" '$1 == c && $2 == id { found = 1 } END { exit !found }' "$results"
}

# ---- The results table --------------------------------------------------------------

write_table() {
  mkdir -p "$(dirname "$out")"
  python3 - "$results" "$key" "$rowsfile" "$out" "$(date -u '+%Y-%m-%d %H:%M UTC')" "$commit" "$exclude" <<'EOF'
import sys
results, key, rowsfile, out, when, commit, exclude = sys.argv[1:8]
got = {}
for l in open(results, encoding='utf-8').read().splitlines():
    c = l.split('\t')
    if len(c) == 5 and c[0] == key:
        got[c[1]] = c
rows = [l.split('\t') for l in open(rowsfile, encoding='utf-8').read().splitlines() if l]
order = {'missed': 0, 'does-not-build': 1, 'stale': 2, 'caught': 3, 'not run': 4}
table = []
for fid, sub, path, desc, state in rows:
    if fid == '__clean__':
        continue
    r = got.get(fid)
    if state != 'ok':
        outcome, by, secs = 'stale', state[len('stale: '):], ''
    elif r:
        outcome, by, secs = r[2], r[3], r[4]
    else:
        outcome, by, secs = 'not run', '', ''
    table.append((order.get(outcome, 5), fid, sub, path, desc, outcome, by, secs))
table.sort(key=lambda t: t[0])
counts = {}
for t in table:
    counts[t[5]] = counts.get(t[5], 0) + 1
clean = got.get('__clean__')
with open(out, 'w', encoding='utf-8') as f:
    f.write('# Fault check\n\n')
    f.write('Written by `scripts/fault_check.sh`: each row is one deliberate fault put into a\n'
            'scratch copy of the tree, which is then built and run through the suite (all\n'
            'but the soak tests). A missed fault is a behaviour no test checks.\n\n')
    f.write(f'- Commit measured: `{commit}` (sources key `{key}`: results carry over\n'
            '  commits that change no file the suite builds from)\n'
            f'- Table written: {when}\n'
            f'- Suite: `ctest -LE "{exclude}" --stop-on-failure` (the first failing test is named)\n')
    if clean:
        f.write(f'- Unfaulted tree: {clean[2]} ({clean[4]} s)\n')
    f.write('- Outcomes: ' + ', '.join(f'{k} {v}' for k, v in
                                      sorted(counts.items(), key=lambda kv: order.get(kv[0], 5))) + '\n')
    if counts.get('not run'):
        f.write(f'- **Partial:** {counts["not run"]} faults not run yet '
                '(`scripts/fault_check.sh --resume` goes on).\n')
    f.write('\n| id | subsystem | file | fault | outcome | caught by | seconds |\n')
    f.write('| --- | --- | --- | --- | --- | --- | --- |\n')
    for _, fid, sub, path, desc, outcome, by, secs in table:
        shown = f'**{outcome}**' if outcome in ('missed', 'does-not-build', 'stale') else outcome
        by = by.replace('|', '\\|')
        f.write(f'| {fid} | {sub} | src/{path} | {desc} | {shown} | {by} | {secs} |\n')
EOF
}

# ---- Main ----------------------------------------------------------------------------

sync_tree
rowsfile=$work/rows.tsv
check_rows "$stage" >"$rowsfile"
stale=$(awk -F'\t' '$5 != "ok"' "$rowsfile")
if [ -n "$stale" ]; then
  echo "fault_check: stale rows (the text must occur exactly once in its file):" >&2
  echo "$stale" | awk -F'\t' '{ print "  " $1 ": " $5 }' >&2
fi
if [ "$check_only" = 1 ]; then
  echo "fault_check: $(wc -l <"$rowsfile") rows, $(awk -F'\t' '$5 == "ok"' "$rowsfile" | wc -l) usable"
  [ -z "$stale" ]
  exit
fi

ids=$(awk -F'\t' '$5 == "ok" { print $1 }' "$rowsfile")
if [ -n "$only" ]; then
  wanted=$(echo "$only" | tr ',' '\n')
  for id in $wanted; do
    if ! grep -qxF "$id" <<<"$ids"; then
      echo "fault_check: no usable fault $id" >&2
      exit 2
    fi
  done
  ids=$wanted  # in the order given
fi

# The unfaulted tree must build and pass, or no fault can be measured against it.
if [ "$skip_clean" = 0 ] && ! { [ "$resume" = 1 ] && measured __clean__; }; then
  echo "fault_check: building and testing the unfaulted tree at $short"
  start=$SECONDS
  if ! build_tree "$logs/__clean__.build.log"; then
    echo "fault_check: the unfaulted tree does not build: $logs/__clean__.build.log" >&2
    exit 1
  fi
  verdict=$(run_suite "$logs/__clean__.test.log")
  if [ "$verdict" != passed ]; then
    echo "fault_check: the unfaulted tree does not pass ($verdict): $logs/__clean__.test.log" >&2
    exit 1
  fi
  record __clean__ passed "" $((SECONDS - start))
fi

total=$(echo "$ids" | grep -c . || true)
n=0
for id in $ids; do
  n=$((n + 1))
  if [ "$resume" = 1 ] && measured "$id"; then
    continue
  fi
  file=$(awk -F'\t' -v id="$id" '$1 == id { print $3 }' "$rowsfile")
  start=$SECONDS
  if ! apply_fault "$id"; then
    record "$id" stale "cannot apply" 0
    continue
  fi
  if ! build_tree "$logs/$id.build.log"; then
    outcome=does-not-build
    by=""
  else
    verdict=$(run_suite "$logs/$id.test.log")
    case "$verdict" in
      passed) outcome=missed; by="" ;;
      hang*) outcome=caught; by="${verdict}" ;;
      failed*) outcome=caught; by="${verdict#failed }" ;;
    esac
  fi
  restore_file "$file"
  secs=$((SECONDS - start))
  record "$id" "$outcome" "$by" "$secs"
  echo "fault_check: [$n/$total] $id: $outcome${by:+ ($by)} in ${secs}s"
  write_table
done

# Leave the scratch build at the committed tree, so the next run starts clean.
build_tree "$logs/__restore__.build.log" || true
write_table
echo "fault_check: table written to $out"
